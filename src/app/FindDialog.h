#pragma once
#include <QDialog>

class Messages;
class QLineEdit;
class QPushButton;

// The find dialog: modeless, beside the main window until the user closes it.
// It asks only for the search text; the search itself always runs forwards and
// matches case, so the dialog offers no other choices.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(Messages& messages, QWidget* parent = nullptr);

    QString findText() const;
    void setFindText(const QString& text);
    // Shows the dialog (or brings it to the front) beside the given window; the
    // first showing picks the place, later ones keep where the user put it.
    void showBeside(QWidget* window);

    QPushButton* findButton() const { return m_find; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // "次を検索" was pressed (or Enter in the search text).
    void findNext();

private:
    QLineEdit* m_text;
    QPushButton* m_find;
    QPushButton* m_cancel;
    bool m_placed = false;
    // Shown by the user's command and not yet active: the request to make it
    // active is made again once it is on the screen (a window manager drops a
    // request for a window it has not mapped yet, and the typing would go on
    // into the main window).
    bool m_wantActive = false;
};
