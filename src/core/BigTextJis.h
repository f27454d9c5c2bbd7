#pragma once
#include <QByteArray>
#include <QString>

// EUC-JP and ISO-2022-JP straight to UTF-16 through tables built once from the
// C library's converter. Undecodable bytes become U+FFFD, one per byte that
// could not start a character; nothing ever fails.
namespace BigTextJis {

// JIS X 0208 (with the vendor rows 13 and 89..92 where the plain table has gaps)
// and JIS X 0212 by row and cell, each 0x21..0x7E; 0xFFFF when undefined.
char16_t jis0208(int row, int cell);
char16_t jis0212(int row, int cell);

QString decodeEucJp(const char* data, qsizetype size);
// Code units decodeEucJp gives for the same bytes, without building them.
qint64 countEucJp(const char* data, qsizetype size);
// Bytes of the character at data (1 for an undecodable byte).
int eucJpCharLength(const char* data, qsizetype size);
// Bytes of the only EUC-JP form of text; false when a character has none or more
// than one (so that a byte search could miss it).
bool uniqueEucJp(const QString& text, QByteArray* out);

// Escape sequences switch between ASCII, JIS X 0201 Roman and katakana, JIS X 0208
// and JIS X 0212; a line end does not reset the state, as some writers omit the
// final escape back to ASCII.
QString decodeIso2022Jp(const char* data, qsizetype size);

}
