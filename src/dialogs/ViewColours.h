#pragma once
#include "TColor.h"

class QComboBox;
class QWidget;

// The shared text and background colours on a control: the text colour as its
// font colour, the background colour as its fill colour. Every window colours
// its viewing and input controls through here.
namespace ViewColours {
void apply(QWidget* widget, const ViewColors& colors);
// A drop-down list shows its chosen item on a flat field of its fill colour,
// as an input field does, beside its arrow button (the style would paint the
// whole box as a shaded button, lighter than the fill colour).
void paintAsField(QComboBox* box);
}
