#pragma once
// What the codec files share; not for use outside them.
#include "TextCodec.h"

#include <cstring>

namespace CodecParts {

std::unique_ptr<TextCodec> createCp932();
std::unique_ptr<TextCodec> createEucJp();
std::unique_ptr<TextCodec> createIso2022Jp();
std::unique_ptr<TextCodec> createEucJisX0213();
std::unique_ptr<TextCodec> createShiftJisX0213();
// A JIS X 0213 plane (0 or 1) by row and cell (0..93): one or two UTF-16
// units, the first in the low half; 0 for no character.
const quint32* jisX0213(int plane);

// Eight bytes without the high bit.
inline bool allAscii8(const unsigned char* p)
{
    quint64 w;
    std::memcpy(&w, p, 8);
    return (w & 0x8080808080808080ULL) == 0;
}

}
