#pragma once
#include <QString>

class Messages;
class QLineEdit;

// A one-line field holds one line: text that arrives with a line break (a
// paste, a drop, a value set from code) keeps only what comes before the
// break, as a single-line edit of the desktop does. The settings files hold
// one value per line, so a break in a value would shift every later line.
//
// A change that would bring in a control character (as the import refuses
// them: C0 and C1 codes and DEL, a tab aside), or grow a value past what one
// line of its settings file holds, is refused whole: the field keeps what it
// had and a warning says why. A value set from code is kept as it is, so a
// value read from a file is never cut; only the user's changes are checked.
namespace OneLine {
// No byte limit: a field whose text is not written to a file.
constexpr int Unlimited = 0;

void keep(QLineEdit* field, Messages& messages, int maxBytes = Unlimited);

// The bytes a value takes in its file. The file is CP932 unless some value of
// it has no CP932 form, and then UTF-8; UTF-8 never takes fewer bytes than
// CP932 for the same text, so counting it holds whichever the file becomes.
int bytesInFile(const QString& text);
// The first control character of the text (0 when there is none).
char32_t firstControl(const QString& text);

QString tooLongWarning(int maxBytes);
QString controlWarning(char32_t code);
} // namespace OneLine
