#pragma once
#include <QDialog>

class Messages;

// A settings dialog whose own buttons are the only way out: Escape is no
// cancel button. Every showing centres it on the screen and runs its show
// handler FormShow, guarded.
class FormDialog : public QDialog {
    Q_OBJECT
public:
    FormDialog(Messages& messages, QWidget* parent);

    virtual void FormShow() = 0;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Messages& m_messages;
};
