#pragma once
#include <QString>

// The six characters that Japanese text carries in two forms, depending on
// which converter made it: CP932 reads the JIS codes as the full-width forms,
// the JIS encodings' converter as the others. Find treats each pair as one
// character.
namespace LookAlike {

// The other form of u, or 0 when u has none.
constexpr char16_t partner(char16_t u)
{
    switch (u) {
    case 0x301C: return 0xFF5E;   // 〜 ～
    case 0xFF5E: return 0x301C;
    case 0x2016: return 0x2225;   // ‖ ∥
    case 0x2225: return 0x2016;
    case 0x2212: return 0xFF0D;   // − －
    case 0xFF0D: return 0x2212;
    case 0x00A2: return 0xFFE0;   // ¢ ￠
    case 0xFFE0: return 0x00A2;
    case 0x00A3: return 0xFFE1;   // £ ￡
    case 0xFFE1: return 0x00A3;
    case 0x00AC: return 0xFFE2;   // ¬ ￢
    case 0xFFE2: return 0x00AC;
    default: return 0;
    }
}

// One form for both: the full-width one.
constexpr char16_t fold(char16_t u)
{
    const char16_t p = partner(u);
    return p != 0 && p > u ? p : u;
}

// Whether text holds a character with a look-alike.
bool any(QStringView text);
// text with every look-alike in its one form.
QString folded(QStringView text);
// The first place at or after from where hay holds needle (folded) with
// either form of each look-alike; -1 when none does. Both forms are one code
// unit, so a hit is as long as the needle.
qsizetype indexIn(QStringView hay, QStringView needle, qsizetype from = 0);

}
