#pragma once
#include "TextCodec.h"

#include <QtGlobal>

// Counting the line ends and characters of bytes 64 at a time, without
// walking them line by line or character by character.
namespace BigTextScan {

// Counting characters from the bytes alone, as if the text were well formed
// (every CP932 pair one the code page has, every UTF-8 sequence complete):
// several times quicker than checking every character; blocks so counted are
// not exact.
enum class QuickCount { None, Cp932, Utf8 };
QuickCount quickCountFor(TextEncoding encoding);
// Characters of a byte range (line ends one each) as the quick count gives them.
qint64 quickChars(QuickCount quick, const char* data, qint64 size);

// Line ends of a byte range and, when asked, what its characters take beyond
// one byte each: CP932 double-byte pairs, or UTF-8 continuation bytes less the
// second unit of a four-byte form.
struct ByteCounts {
    qint64 lf = 0, cr = 0, crlf = 0, pairs = 0;
};
ByteCounts countBytes(const unsigned char* p, qint64 n, QuickCount quick);

}
