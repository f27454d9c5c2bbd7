#pragma once
#include <QFrame>

class QLabel;
class QToolButton;

// A strip along the top of a text view that tells the user what became of
// the file shown: changed since it was opened, gone from its name, or what a
// reload met. It stays until it is closed or another text is shown; when the
// text shown still holds and the name leads somewhere, it offers to read the
// file again (also by F5). Its buttons follow the text in the Tab order, and
// a screen reader is told to read it out when it appears.
class BigTextNotice : public QFrame {
    Q_OBJECT
public:
    explicit BigTextNotice(QWidget* parent);

    // Shows text; offerReload: with the button that asks for a reload.
    void tell(const QString& text, bool offerReload);
    void dismiss();
    bool shown() const { return m_shown; }
    bool reloadOffered() const;
    QString text() const;

Q_SIGNALS:
    void reloadRequested();
    // The user closed it.
    void closed();
    // Shown or dismissed: the view makes room for it, or gives the room back.
    void shownChanged();

private:
    QLabel* m_label;
    QToolButton* m_reload;
    bool m_shown = false;
};
