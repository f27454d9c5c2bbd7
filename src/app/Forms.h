#pragma once

class TForm1;

// Creates, hidden and in the program's fixed order, the windows that live after
// the main window: about box, TForm2 .. TForm7.
void createForms(TForm1& main);
