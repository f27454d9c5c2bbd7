// Menu handlers that open the extension settings dialog.
#include "KaDialog.h"
#include "Unit1.h"

void TForm1::E2Click()
{
    // Modal: the dialog reloads this window's table itself when it closes.
    if (m_dialogs.form2) m_dialogs.form2->exec();
}

void TForm1::N33Click() { E2Click(); }
