// Rich text reading of arbitrary bytes: never a crash, never more than a few
// characters of text a byte (a footnote's number and a list's label are made
// from a few bytes), and the same text whether read whole or in pieces (of a
// size taken from the input's last byte).
#include "RtfReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto* bytes = reinterpret_cast<const char*>(data);
    const std::optional<RtfReader::Document> doc = RtfReader::read(bytes, qsizetype(size));

    RtfReader::Reader reader;
    QString pieces;
    const qsizetype piece = size ? 1 + data[size - 1] % 61 : 1;
    for (qsizetype at = 0; at < qsizetype(size); at += piece) {
        reader.feed(bytes + at, std::min<qsizetype>(piece, qsizetype(size) - at));
        for (const RtfReader::Run& run : reader.take()) pieces += run.text;
    }
    const bool done = reader.feed(nullptr, 0, true) == RtfReader::Status::Done;
    for (const RtfReader::Run& run : reader.take()) pieces += run.text;
    if (done != doc.has_value()) __builtin_trap();

    if (!doc) return 0;
    qsizetype chars = 0;
    for (const RtfReader::Run& run : doc->runs) {
        if (run.text.isEmpty()) __builtin_trap();
        chars += run.text.size();
    }
    if (chars > 8 * qsizetype(size)) __builtin_trap();
    if (pieces != doc->plainText()) __builtin_trap();
    return 0;
}
