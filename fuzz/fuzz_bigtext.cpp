// The plain-text codecs on arbitrary bytes: decoding never fails, and where a
// codec counts characters without decoding, the count must be exactly what
// decoding gives (positions in big files rest on it). A boundary search must
// land on a character start within the range.
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
    return 0;
}
