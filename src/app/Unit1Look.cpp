// Menu handlers of the colour and font dialogs and of the import.
#include "Unit1.h"

void TForm1::C2Click() {}
void TForm1::N31Click() { C2Click(); }
void TForm1::F1Click() {}
void TForm1::N32Click() { F1Click(); }
void TForm1::ImportClick() {}
