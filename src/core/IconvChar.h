#pragma once
#include <iconv.h>

// The one character that a converter to UTF-16LE makes of these bytes, or
// 0xFFFF when they are not exactly one BMP character. The code tables of the
// Japanese encodings are built from the C library's converters this way, once.
inline char16_t iconvChar(iconv_t cd, const unsigned char* in, size_t inLen)
{
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0xFFFF;
    char16_t out[4] = {};
    char* inp = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
    char* outp = reinterpret_cast<char*>(out);
    size_t inLeft = inLen, outLeft = sizeof(out);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    if (r == static_cast<size_t>(-1) || inLeft != 0 || outLeft != sizeof(out) - 2) return 0xFFFF;
    return out[0];
}
