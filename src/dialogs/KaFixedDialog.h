#pragma once
#include <QDialog>

class QPushButton;

// A settings dialog that only its own buttons close. Enter and Escape press no
// button (a button that has the focus still takes Enter and the space bar), and
// a close request from the window manager is refused.
class KaFixedDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    // A push button that is never the default or the cancel button.
    static QPushButton* plainButton(const QString& caption, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Centres the dialog each time it is shown.
    void showEvent(QShowEvent* event) override;
};
