#pragma once
#include <QByteArray>
#include <QString>

// The code pages of rich text: which one a font's character set names, which
// bytes lead a double-byte character in it, and how its bytes are decoded
// (glibc iconv; CP932 through the program's own table). A code page glibc
// has no converter for is read with its closest one: Mac Japanese as CP932,
// the Mac Chinese and Korean ones as their Windows code pages, and so on.
namespace RtfCodePages {

// The code page of a Windows or Mac character set of the font table (\fcharsetN);
// ansiCodePage for the default set and for sets not known.
int ofCharset(int charset, int ansiCodePage);

// Whether c starts a double-byte character in the code page.
bool isLeadByte(int codePage, unsigned char c);

// An invalid or cut-off sequence becomes one U+FFFD and reading goes on.
QString decode(int codePage, const QByteArray& bytes);

}
