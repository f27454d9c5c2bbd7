#pragma once
#include <QByteArray>
#include <QString>

// Windows-31J (CP932), the code page of every settings file: 0x5C is the
// backslash, 0xA1..0xDF are half-width katakana.
namespace Cp932 {
// Undecodable bytes become U+FFFD; never fails.
QString decode(const char* data, qsizetype size);
inline QString decode(const QByteArray& bytes) { return decode(bytes.constData(), bytes.size()); }
// Returns false in *ok (when given) if a character has no CP932 form; such
// characters are written as '?'.
QByteArray encode(const QString& text, bool* ok = nullptr);
bool canEncode(const QString& text);

// The code tables, for decoders that need to walk bytes themselves. Built once
// on first use; 0xFFFF marks an undefined entry.
struct Table {
    const char16_t* single;      // [byte]: one-byte character, 0xFFFF for a lead byte or undefined
    const bool* lead;            // [byte]: starts a two-byte character
    const char16_t* doubleByte;  // [(lead << 8) | trail]
    const quint16* reverse;      // [BMP code unit]: CP932 code, 0 when there is none
};
const Table& table();
}
