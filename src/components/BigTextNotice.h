#pragma once
#include <QFrame>

class QLabel;
class QToolButton;

// A strip along the top of a text view that tells the user the file shown
// has changed since it was opened. It stays until it is closed or another
// text is shown; when the text shown still holds (the file grew, was renamed
// away or deleted), it offers to read the file again.
class BigTextNotice : public QFrame {
    Q_OBJECT
public:
    explicit BigTextNotice(QWidget* parent);

    // Shows the notice; offerReload: with the button that asks for a reload.
    void tell(bool offerReload);
    void dismiss();
    bool shown() const { return m_shown; }
    bool reloadOffered() const;
    QString text() const;

Q_SIGNALS:
    void reloadRequested();
    // Shown or dismissed: the view makes room for it, or gives the room back.
    void shownChanged();

private:
    QLabel* m_label;
    QToolButton* m_reload;
    bool m_shown = false;
};
