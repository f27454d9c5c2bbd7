#pragma once
#include "AppEnv.h"
#include "KaFixedDialog.h"

class MainForm;
class QLineEdit;
class QPushButton;
class TForm2;

// The name input of the extension settings dialog. Its caption, set by the
// settings dialog before each showing, says what the typed text is for; "決定"
// stores the text accordingly (an add into the settings dialog's InputResult, a
// change straight into its lists) and sets the settings dialog's accepted flag.
class TForm3 : public KaFixedDialog {
    Q_OBJECT
public:
    TForm3(MainForm& main, const AppEnv& env, QWidget* parent = nullptr);

    // The settings dialog that receives the text; set by TForm2::setNameInput.
    void setOwner(TForm2* owner) { m_owner = owner; }
    TForm2* owner() const { return m_owner; }

    void Button1Click();   // "決定"
    void Button2Click();   // "キャンセル"

    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QLineEdit* Edit1 = nullptr;

private:
    MainForm& m_main;
    AppEnv m_env;
    TForm2* m_owner = nullptr;
};
