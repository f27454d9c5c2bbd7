#pragma once
#include <QColor>
#include <QDialog>
#include <QList>

#include "AppEnv.h"
#include "FormDialog.h"

class MainForm;
class QLabel;
class QPushButton;

// The text and background colours shared by the viewing controls, edited on a
// large sample. The main window changes only on "決定".
class TForm6 : public FormDialog {
    Q_OBJECT
public:
    TForm6(MainForm& main, const AppEnv& env, QWidget* parent = nullptr);

    void FormShow() override;
    void Button1Click();   // "文字色"
    void Button2Click();   // "背景色"
    void Button3Click();   // "決定"
    void Button4Click();   // "キャンセル"

    // The sample's colours as stored values (system colours stay system colours).
    qint32 sampleTextColor() const { return m_text; }
    qint32 sampleBackColor() const { return m_back; }

private:
    QLabel* Label1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;

    // Opens the colour dialog preset with `preset`; true and *result set only
    // when the user confirms a colour.
    bool pickColor(qint32 preset, qint32* result);
    void paintSample();

    MainForm& m_main;
    AppEnv m_env;
    qint32 m_text = 0;
    qint32 m_back = 0xFFFFFF;
    // The colour dialog's custom colours, kept for the rest of the run.
    QList<QColor> m_customColors;
};
