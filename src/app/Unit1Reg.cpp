// Menu handlers that open the application registration dialog.
#include "Unit1.h"

int TForm1::F4Call() { return 0; }
void TForm1::X3Click() { F4Call(); }
void TForm1::N34Click() { F4Call(); }
