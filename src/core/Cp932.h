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

// For settings text, where the bytes matter more than their look: a byte that
// is not CP932 becomes the lone surrogate U+DC00 + byte (as file names do, see
// FsPath), and the encoder writes such a surrogate back as that byte. So
// encodeKeepingBytes(decodeKeepingBytes(b)) == b, except where a character has
// several CP932 codes and the encoder picks another one.
QString decodeKeepingBytes(const char* data, qsizetype size);
inline QString decodeKeepingBytes(const QByteArray& bytes) { return decodeKeepingBytes(bytes.constData(), bytes.size()); }
QByteArray encodeKeepingBytes(const QString& text, bool* ok = nullptr);

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
