// The plain-text codecs on arbitrary bytes: decoding never fails, and where a
// codec counts characters without decoding, the count must be exactly what
// decoding gives (positions in big files rest on it). A boundary search must
// land on a character start within the range. The quick count of a background
// index gives the line ends exactly, and the characters exactly wherever the
// text is well formed.
#include "BigTextBytes.h"
#include "TextCodec.h"

#include <cstdint>
#include <cstdlib>

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
