// Menu handlers that open the application registration dialog.
#include "OtherDialog.h"
#include "Unit1.h"

int TForm1::F4Call()
{
    if (!m_dialogs.form4) return QDialog::Rejected;
    m_dialogs.form4->copyFromMain();
    return m_dialogs.form4->exec();
}

void TForm1::X3Click() { F4Call(); }
void TForm1::N34Click() { F4Call(); }
