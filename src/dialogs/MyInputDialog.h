#pragma once
#include "AppEnv.h"
#include "KaFixedDialog.h"
#include "TColor.h"

class QLineEdit;
class QPushButton;

// The name input of the extension settings dialog. Its caption, set before each
// showing, says what the typed text is for; "決定" takes the text accordingly
// and the dialog hands it back through answer(): the settings dialog asks, then
// reads the answer.
class TForm3 : public KaFixedDialog {
    Q_OBJECT
public:
    // What "決定" took the text as, decided by the caption.
    enum class Stored { Nothing, NewName, CategoryName, PatternName };
    struct Answer {
        bool accepted = false;   // closed with "決定"
        Stored stored = Stored::Nothing;
        QString text;            // the text taken, as typed
    };

    explicit TForm3(const AppEnv& env, QWidget* parent = nullptr);

    // Sets up one showing: the caption (the mode), the edit text and its colours.
    // The answer of the previous showing is forgotten.
    void prepare(const QString& caption, const QString& text, const ViewColors& colors);
    const Answer& answer() const { return m_answer; }
    // The name the last add took; a cancelled showing leaves it as it was.
    const QString& inputResult() const { return m_inputResult; }

    // The warning "決定" gives for a name that would read back as a marker of
    // the extension table's file ("**", or "***" as a pattern); the dialog
    // then stays open.
    static QString markerRefusal(const QString& name);

    void Button1Click();   // "決定"
    void Button2Click();   // "キャンセル"

protected:
    void closeButtonClick() override { Button2Click(); }

private:
    AppEnv m_env;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    Answer m_answer;
    QString m_inputResult;
};
