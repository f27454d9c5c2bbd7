#include "KaFixedDialog.h"

#include "DialogFrame.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

KaButton::KaButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
    setAutoDefault(false);
    setDefault(false);
}

void KaButton::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void KaFixedDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // No default button: only a focused button takes Enter, and it does so itself.
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void KaFixedDialog::closeEvent(QCloseEvent* event)
{
    // The window manager's close (its title-bar button, a keyboard shortcut)
    // is the dialog's own closing button, which closes it or, when it fails,
    // keeps it open; the program's own requests, such as quitting the
    // application, still close.
    if (!event->spontaneous()) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    closeButtonClick();
}

void KaFixedDialog::done(int result)
{
    // Hiding may pass the focus on to the next control; take it before that.
    if (QWidget* w = focusWidget(); w && isAncestorOf(w)) m_lastFocus = w;
    QDialog::done(result);
}

void KaFixedDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    DialogFrame::centre(this);
    if (m_lastFocus) m_lastFocus->setFocus();
}
