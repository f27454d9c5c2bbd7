// Menu handlers of the colour and font dialogs and of the import.
#include "Unit1.h"

#include "CFC.h"
#include "ColDlg.h"
#include "CommonDialogs.h"
#include "Fonts.h"
#include "TextPane.h"

// The view colours go to the pane and to the path field, the selectors and
// the list, which mirror the state (Unit1State.cpp).
void TForm1::ColorSet() { m_state.applyViewColors(); }

void TForm1::C2Click()
{
    if (m_dialogs.form6) m_dialogs.form6->exec();
}

void TForm1::N31Click() { C2Click(); }

void TForm1::F1Click()
{
    // The dialog starts from its own last confirmed font, not from the pane's.
    QFont chosen = FontDlgFont;
    if (!m_env.dialogs.chooseFont(this, &chosen)) return;
    // Keeping the family that stood in for the stored face keeps that face's
    // name, so a change of size alone does not rename the font.
    chosen.setFamilies(QStringList{Fonts::keptFace(chosen.family(), FontDlgFont.family())});
    FontDlgFont = chosen;
    REdit->setPaneFont(FontDlgFont);
    // The dialog offers no colour: the pane takes the window-text colour.
    m_state.setPaneTextColor(TColor::WindowText);
}

void TForm1::N32Click() { F1Click(); }

void TForm1::ImportClick()
{
    if (m_dialogs.form7) m_dialogs.form7->exec();
}
