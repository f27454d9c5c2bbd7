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

// Eight bytes without the high bit.
inline bool allAscii8(const unsigned char* p)
{
    quint64 w;
    std::memcpy(&w, p, 8);
    return (w & 0x8080808080808080ULL) == 0;
}

}
