// Rich text reading of arbitrary bytes: never a crash, and never more text
// than there were bytes.
#include "RtfReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::optional<RtfReader::Document> doc = RtfReader::read(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!doc) return 0;
    qsizetype chars = 0;
    for (const RtfReader::Run& run : doc->runs) {
        if (run.text.isEmpty()) __builtin_trap();
        chars += run.text.size();
    }
    if (chars > qsizetype(size)) __builtin_trap();
    return 0;
}
