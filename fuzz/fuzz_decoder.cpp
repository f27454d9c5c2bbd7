// Encoding detection and decoding of arbitrary bytes: never a crash, never a
// NUL in the text, and with unified line breaks never a CR.
#include "TextLoad.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* p = reinterpret_cast<const char*>(data);
    TextLoad::Options unify;
    unify.unifyLineBreaks = true;
    const TextLoad::Decoded r = TextLoad::decode(p, qsizetype(size), unify);
    if (r.text.contains(QChar(u'\0')) || r.text.contains(QChar(u'\r'))) __builtin_trap();
    if (r.text.size() > qsizetype(size)) __builtin_trap();   // no encoding makes more characters than bytes
    using E = TextEncoding;
    for (E e : {E::Cp932, E::EucJp, E::Iso2022Jp, E::Utf8, E::Utf16LE, E::Utf16BE, E::EucJisX0213, E::ShiftJisX0213}) {
        const QString t = TextLoad::decodeAs(e, p, qsizetype(size));
        if (t.contains(QChar(u'\0'))) __builtin_trap();
    }
    return 0;
}
