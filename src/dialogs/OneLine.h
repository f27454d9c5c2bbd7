#pragma once

class QLineEdit;

// A one-line field holds one line: text that arrives with a line break (a
// paste, a drop, a value set from code) keeps only what comes before the
// break, as a single-line edit of the desktop does. The settings files hold
// one value per line, so a break in a value would shift every later line.
namespace OneLine {
void keep(QLineEdit* field);
}
