#include "FormDialog.h"

#include "DialogFrame.h"
#include "Guard.h"

#include <QKeyEvent>

FormDialog::FormDialog(Messages& messages, QWidget* parent) : QDialog(parent), m_messages(messages) {}

void FormDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    DialogFrame::centre(this);
    guarded(m_messages, this, [this] { FormShow(); });
}

void FormDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
