// Menu handlers that open the extension settings dialog.
#include "Unit1.h"

void TForm1::E2Click() {}
void TForm1::N33Click() { E2Click(); }
