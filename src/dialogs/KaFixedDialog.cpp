#include "KaFixedDialog.h"

#include "DialogUtil.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

QPushButton* KaFixedDialog::plainButton(const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

void KaFixedDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Without a default button, Enter presses only the button that has the focus.
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            if (auto* b = qobject_cast<QPushButton*>(focusWidget()); b && b->isEnabled()) b->click();
        }
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void KaFixedDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void KaFixedDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) DialogUtil::centreOnScreen(this);
}
