#pragma once
#include <QString>

// The toolkit's integer conversion: optional leading blanks, an optional sign,
// then decimal digits or "$" and hexadecimal digits, and nothing after.
// Decimal must fit a signed 32-bit integer; hexadecimal may use all 32 bits
// ("$80000008" is the window-text colour). Throws VarError::notInteger.
int strToInt(const QString& text);
bool tryStrToInt(const QString& text, int* value);
