// The plain-text codecs on arbitrary bytes: decoding never fails, and where a
// codec counts characters without decoding, the count must be exactly what
// decoding gives (positions in big files rest on it). A boundary search must
// land on a character start within the range. The quick count of a background
// index gives the line ends exactly, and the characters exactly wherever the
// text is well formed. A stateful codec (ISO-2022-JP) counts and decodes the
// same from any state, finds the state at a place from the escapes before it
// as reading from the start does, and the scan of a file in two parts (the
// second from a line start inside it, its state looked for behind it) gives
// blocks whose texts, each read from its state, make the whole text.
#include "BigTextBytes.h"
#include "BigTextScan.h"
#include "TextCodec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// The text of [0, split) and [split, n) of bytes scanned as a file (split
// after an LF), joined block by block, against the whole decoded at once.
void scanInParts(const TextCodec& codec, const char* bytes, qint64 n, qint64 split)
{
    const int fd = ::memfd_create("fuzz_bigtext", MFD_CLOEXEC);
    if (fd < 0) return;
    if (::write(fd, bytes, size_t(n)) != n) {
        ::close(fd);
        return;
    }
    std::vector<BigTextScan::Block> blocks;
    if (BigTextScan::scanRange(fd, 0, split, codec, blocks, {}, 7) != split
        || BigTextScan::scanRange(fd, split, n, codec, blocks, {}, 5) != n)
        std::abort();
    ::close(fd);
    QString joined;
    qint64 offset = 0;
    TextCodec::State known = 0;
    for (const auto& b : blocks) {
        if (b.offset != offset) std::abort();
        const auto start = TextCodec::State((b.state & ~b.guess) | (known & b.guess));
        const auto d = BigTextScan::decode(codec, bytes + b.offset, b.bytes, start);
        if ((start == b.state && d.text.size() != b.chars) || d.newlines() != b.newlines
            || d.endsWithNewline() != b.endsWithNewline)
            std::abort();
        known = TextCodec::State((b.endState & ~b.endGuess) | (start & b.endGuess));
        joined += d.text;
        offset += b.bytes;
    }
    if (offset != n || joined != BigTextScan::decode(codec, bytes, n).text) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const auto encoding = static_cast<TextEncoding>(data[0] % 6);
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const qint64 n = static_cast<qint64>(size - 1);
    std::unique_ptr<TextCodec> codec = TextCodec::create(encoding);
    if (!codec) return 0;
    QString out;
    codec->decode(bytes, n, out);
    const qint64 counted = codec->countUnits(bytes, n);
    if (counted >= 0 && counted != out.size()) std::abort();
    if (n > 0) {
        const qint64 b = codec->boundaryBefore(bytes, n, n / 2);
        if (b < 0 || b > n / 2) std::abort();
    }
    QByteArray unique;
    (void)codec->uniqueBytes(out.left(16), &unique);

    if (codec->stateful() && n > 0) {
        // From any state: the count is the decoded length.
        TextCodec::State state = TextCodec::State(quint8(bytes[0]) & 0x0F), decided = 0;
        QString from;
        codec->decodeFrom(state, bytes, n, from);
        if (codec->countFrom(state, decided, bytes, n) != from.size()) std::abort();
        // The state where the first half ends, read forwards and found backwards.
        TextCodec::State forward = 0;
        const qint64 half = n / 2;
        codec->countFrom(forward, decided, bytes, half);
        if (codec->stateAtEnd(bytes, half, &decided) != forward) std::abort();
        if (codec->silentBytes(bytes, n) > n) std::abort();
        // A cut made while the state was guessed is a character start whatever the state was.
        const qint64 cut = codec->boundaryGuessed(state, 0xFF, bytes, n, half);
        if (cut < 0 || cut > half) std::abort();
        for (TextCodec::State s = 0; s < 8; ++s)
            if (codec->boundaryFrom(s, bytes, n, cut) != cut) std::abort();
    }
    if (codec->unitBytes() == 1) {
        const void* lf = std::memchr(bytes, '\n', size_t(n));
        if (lf) scanInParts(*codec, bytes, n, static_cast<const char*>(lf) - bytes + 1);
    }

    if (codec->unitBytes() == 1) {
        const auto quick = BigTextScan::quickCountFor(encoding);
        const auto* p = reinterpret_cast<const unsigned char*>(bytes);
        const BigTextScan::ByteCounts c = BigTextScan::countBytes(p, n, quick);
        qint64 lf = 0, cr = 0, crlf = 0;
        for (qint64 i = 0; i < n; ++i) {
            lf += p[i] == '\n';
            cr += p[i] == '\r';
            crlf += p[i] == '\r' && i + 1 < n && p[i + 1] == '\n';
        }
        if (c.lf != lf || c.cr != cr || c.crlf != crlf) std::abort();
        // Well formed: UTF-8 the codec could count; CP932 that decoded without a replacement.
        const bool wellFormed = quick == BigTextScan::QuickCount::Utf8 ? counted >= 0
                              : quick == BigTextScan::QuickCount::Cp932 && !out.contains(QChar(0xFFFD));
        if (wellFormed && BigTextScan::quickChars(quick, bytes, n) != out.size() - crlf) std::abort();
    }
    return 0;
}
