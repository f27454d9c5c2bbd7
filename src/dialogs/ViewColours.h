#pragma once
#include "TColor.h"

class QWidget;

// The shared text and background colours on a control: the text colour as its
// font colour, the background colour as its fill colour. Every window colours
// its viewing and input controls through here.
namespace ViewColours {
void apply(QWidget* widget, const ViewColors& colors);
}
