#pragma once
#include <QDialog>
#include <QPointer>
#include <QPushButton>

// A button that is never the default one: Enter presses it only while it has
// the focus, like the space bar.
class KaButton : public QPushButton {
    Q_OBJECT
public:
    KaButton(const QString& caption, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A settings dialog that only its own buttons close. Enter and Escape press no
// button (a button that has the focus still takes Enter and the space bar), and
// a close request from the window manager presses the dialog's closing button.
class KaFixedDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    static QPushButton* plainButton(const QString& caption, QWidget* parent)
    {
        return new KaButton(caption, parent);
    }

    // Remembers where the focus was, so that the next showing starts there.
    void done(int result) override;

protected:
    // What the dialog's own closing button does ("閉じる", "キャンセル").
    virtual void closeButtonClick() = 0;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Centres the dialog and gives the focus back to where it was at closing.
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QWidget> m_lastFocus;
};
