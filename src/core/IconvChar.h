#pragma once
#include <iconv.h>

// Converts the bytes of one code to UTF-16LE into out: the count of units
// made, or -1 when the converter does not take them whole. With flush, also
// what the converter holds back (a base character it waits to combine).
inline int iconvUnitsOf(iconv_t cd, const unsigned char* in, size_t inLen, char16_t (&out)[4], bool flush)
{
    if (cd == reinterpret_cast<iconv_t>(-1)) return -1;
    char* inp = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
    char* outp = reinterpret_cast<char*>(out);
    size_t inLeft = inLen, outLeft = sizeof(out);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return -1;
    if (flush) iconv(cd, nullptr, nullptr, &outp, &outLeft);
    return int((sizeof(out) - outLeft) / 2);
}

// The one character that a converter to UTF-16LE makes of these bytes, or
// 0xFFFF when they are not exactly one BMP character. The code tables of the
// Japanese encodings are built from the C library's converters this way, once.
inline char16_t iconvChar(iconv_t cd, const unsigned char* in, size_t inLen)
{
    char16_t out[4] = {};
    return iconvUnitsOf(cd, in, inLen, out, false) == 1 ? out[0] : 0xFFFF;
}
