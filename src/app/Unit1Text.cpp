// The text view: showing files, caret position, word wrap, copy and find.
#include "Unit1.h"

#include "TextPane.h"

#include <QAction>

void TForm1::setupText() {}
bool TForm1::textEventFilter(QObject*, QEvent*) { return false; }
void TForm1::readfile() {}
void TForm1::PutCallet() {}
void TForm1::WWraps()
{
    const bool on = !REdit->wordWrap();
    N13->setChecked(on);
    N29->setChecked(on);
    REdit->setWordWrap(on);
}
void TForm1::LViewChange() {}
void TForm1::REditSelectionChange() {}
void TForm1::N13Click() { WWraps(); }
void TForm1::N29Click() { WWraps(); }
void TForm1::L1Click() {}
void TForm1::N26Click() { L1Click(); }
void TForm1::C1Click() {}
void TForm1::N27Click() { C1Click(); }
void TForm1::S1Click() {}
void TForm1::Find1Click() { S1Click(); }
void TForm1::FindDlgFind() {}
