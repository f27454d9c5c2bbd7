#include "TextCodec.h"

#include "CodecParts.h"

#include <QStringDecoder>

#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
#include <emmintrin.h>
#endif
#include <cstring>

namespace {

using CodecParts::allAscii8;

// A text without U+FFFD and without a lone surrogate has exactly one byte form
// in the Unicode encodings.
bool wellFormed(const QString& text)
{
    for (qsizetype k = 0; k < text.size(); ++k) {
        const QChar c = text[k];
        if (c.unicode() == 0xFFFD) return false;
        if (c.isHighSurrogate() && k + 1 < text.size() && text[k + 1].isLowSurrogate()) { ++k; continue; }
        if (c.isSurrogate()) return false;
    }
    return true;
}

// ---------------------------------------------------------------- UTF-8

class Utf8Codec final : public TextCodec {
public:
    qint64 countUnits(const char* data, qint64 size) const override
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
        return fastCount(p, size);
#else
        return exactCount(p, size);
#endif
    }

    // Only well-formed text is counted; anything else is left to the decoder,
    // whose replacement rule then decides (-1).
    static qint64 exactCount(const unsigned char* p, qint64 size)
    {
        qint64 units = 0;
        qint64 i = 0;
        while (i < size) {
            const unsigned char b = p[i];
            if (b < 0x80) {
                ++i;
                ++units;
                while (i + 8 <= size && allAscii8(p + i)) { i += 8; units += 8; }
                continue;
            }
            int len;
            quint32 min;
            if (b >= 0xC2 && b <= 0xDF) { len = 2; min = 0x80; }
            else if (b >= 0xE0 && b <= 0xEF) { len = 3; min = 0x800; }
            else if (b >= 0xF0 && b <= 0xF4) { len = 4; min = 0x10000; }
            else return -1;
            if (i + len > size) return -1;
            quint32 cp = b & (0x7F >> len);
            for (int k = 1; k < len; ++k) {
                if ((p[i + k] & 0xC0) != 0x80) return -1;
                cp = (cp << 6) | (p[i + k] & 0x3F);
            }
            if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
            // A byte-order mark inside the text is kept by the decoder as U+FEFF.
            units += len == 4 ? 2 : 1;
            i += len;
        }
        return units;
    }

#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
    static __m128i inRange(__m128i v, int lo, int hi)
    {
        const __m128i d = _mm_sub_epi8(v, _mm_set1_epi8(char(lo)));
        return _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(char(hi - lo))), d);
    }

    // The same count over 64 bytes at a time: every lead byte must be followed
    // by exactly as many continuation bytes as it announces, which is a
    // comparison of bit masks; the few leads that also limit the next byte
    // (overlong forms, surrogates, beyond U+10FFFF) are checked one by one.
    static qint64 fastCount(const unsigned char* p, qint64 size)
    {
        qint64 continuations = 0, fours = 0;
        quint64 expectCarry = 0;
        unsigned char tail[64];
        for (qint64 i = 0; i < size; i += 64) {
            const unsigned char* q = p + i;
            if (size - i < 64) {
                std::memset(tail, 0, sizeof tail);
                std::memcpy(tail, q, size_t(size - i));
                q = tail;
            }
            quint64 cont = 0, two = 0, three = 0, four = 0, rare = 0, high = 0;
            for (int k = 0; k < 4; ++k) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16 * k));
                const unsigned hi = unsigned(_mm_movemask_epi8(v));
                if (!hi) continue;
                high |= quint64(hi) << (16 * k);
                const __m128i c = _mm_cmplt_epi8(v, _mm_set1_epi8(char(0xC0)));
                cont |= quint64(unsigned(_mm_movemask_epi8(_mm_and_si128(c, v)))) << (16 * k);
                two |= quint64(unsigned(_mm_movemask_epi8(inRange(v, 0xC2, 0xDF)))) << (16 * k);
                three |= quint64(unsigned(_mm_movemask_epi8(inRange(v, 0xE0, 0xEF)))) << (16 * k);
                four |= quint64(unsigned(_mm_movemask_epi8(inRange(v, 0xF0, 0xF4)))) << (16 * k);
                const __m128i r = _mm_or_si128(_mm_or_si128(inRange(v, 0xC0, 0xC1), inRange(v, 0xF0, 0xFF)),
                                               _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(char(0xE0))),
                                                            _mm_cmpeq_epi8(v, _mm_set1_epi8(char(0xED)))));
                rare |= quint64(unsigned(_mm_movemask_epi8(r))) << (16 * k);
            }
            if (!high && !expectCarry) continue;
            const quint64 expect = (two << 1) | (three << 1) | (three << 2) | (four << 1) | (four << 2) | (four << 3)
                                 | expectCarry;
            if (expect != cont) return -1;
            expectCarry = (two >> 63) | (three >> 63) | (three >> 62) | (four >> 63) | (four >> 62) | (four >> 61);
            continuations += __builtin_popcountll(cont);
            fours += __builtin_popcountll(four);
            while (rare) {
                const qint64 at = i + __builtin_ctzll(rare);
                rare &= rare - 1;
                if (at + 1 >= size) return -1;
                const unsigned char b = p[at], n = p[at + 1];
                if (b == 0xC0 || b == 0xC1 || b > 0xF4 || (b == 0xE0 && n < 0xA0) || (b == 0xED && n >= 0xA0)
                    || (b == 0xF0 && n < 0x90) || (b == 0xF4 && n >= 0x90))
                    return -1;
            }
        }
        if (expectCarry) return -1;
        return size - continuations + fours;
    }
#endif

    void decode(const char* data, qint64 size, QString& out) const override
    {
        // A byte-order mark inside the file is a character (U+FEFF) like any other;
        // the one at the start of the file was skipped before.
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        if (out.isEmpty()) out = decoder.decode(QByteArrayView(data, size));
        else out += decoder.decode(QByteArrayView(data, size));
    }

    qint64 boundaryBefore(const char* data, qint64 size, qint64 target) const override
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        qint64 i = qMin(target, size);
        for (int back = 0; back < 3 && i > 0 && i < size && (p[i] & 0xC0) == 0x80; ++back) --i;
        return i;
    }

    bool uniqueBytes(const QString& text, QByteArray* out) const override
    {
        if (!wellFormed(text)) return false;
        *out = text.toUtf8();
        return true;
    }
};

// ---------------------------------------------------------------- UTF-16

class Utf16Codec final : public TextCodec {
public:
    explicit Utf16Codec(bool big) : m_big(big) {}
    int unitBytes() const override { return 2; }
    bool bigEndian() const override { return m_big; }

    qint64 countUnits(const char*, qint64 size) const override { return (size + 1) / 2; }

    void decode(const char* data, qint64 size, QString& out) const override
    {
        const qsizetype base = out.size();
        const qsizetype units = (size + 1) / 2;
        out.resize(base + units);
        char16_t* dst = reinterpret_cast<char16_t*>(out.data()) + base;
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        const qsizetype whole = size / 2;
        for (qsizetype k = 0; k < whole; ++k)
            dst[k] = m_big ? char16_t(p[2 * k] << 8 | p[2 * k + 1]) : char16_t(p[2 * k + 1] << 8 | p[2 * k]);
        if (units > whole) dst[whole] = 0xFFFD;
        // A surrogate without its partner cannot be shown; it becomes U+FFFD,
        // one unit for one, so that counts stay those of the bytes.
        for (qsizetype k = 0; k < whole; ++k) {
            const char16_t u = dst[k];
            if (u < 0xD800 || u > 0xDFFF) continue;
            if (u <= 0xDBFF && k + 1 < whole && dst[k + 1] >= 0xDC00 && dst[k + 1] <= 0xDFFF) { ++k; continue; }
            dst[k] = 0xFFFD;
        }
    }

    qint64 boundaryBefore(const char* data, qint64 size, qint64 target) const override
    {
        qint64 i = qMin(target, size) & ~qint64(1);
        if (i >= 2) {
            const auto* p = reinterpret_cast<const unsigned char*>(data) + i - 2;
            const char16_t u = m_big ? char16_t(p[0] << 8 | p[1]) : char16_t(p[1] << 8 | p[0]);
            if (u >= 0xD800 && u <= 0xDBFF) i -= 2;
        }
        return i;
    }

    bool uniqueBytes(const QString& text, QByteArray* out) const override
    {
        if (!wellFormed(text)) return false;
        out->resize(text.size() * 2);
        for (qsizetype k = 0; k < text.size(); ++k) {
            const char16_t u = text[k].unicode();
            (*out)[2 * k] = char(m_big ? u >> 8 : u & 0xFF);
            (*out)[2 * k + 1] = char(m_big ? u & 0xFF : u >> 8);
        }
        return true;
    }

private:
    bool m_big;
};

} // namespace

std::unique_ptr<TextCodec> TextCodec::create(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Cp932: return CodecParts::createCp932();
    case TextEncoding::Utf8: return std::make_unique<Utf8Codec>();
    case TextEncoding::Utf16LE: return std::make_unique<Utf16Codec>(false);
    case TextEncoding::Utf16BE: return std::make_unique<Utf16Codec>(true);
    case TextEncoding::EucJp: return CodecParts::createEucJp();
    case TextEncoding::Iso2022Jp: return CodecParts::createIso2022Jp();
    case TextEncoding::EucJisX0213: return CodecParts::createEucJisX0213();
    case TextEncoding::ShiftJisX0213: return CodecParts::createShiftJisX0213();
    }
    return nullptr;
}

int TextCodec::bomLength(TextEncoding encoding, const char* data, qint64 size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    switch (encoding) {
    case TextEncoding::Utf8: return size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF ? 3 : 0;
    case TextEncoding::Utf16LE: return size >= 2 && p[0] == 0xFF && p[1] == 0xFE ? 2 : 0;
    case TextEncoding::Utf16BE: return size >= 2 && p[0] == 0xFE && p[1] == 0xFF ? 2 : 0;
    default: return 0;
    }
}

QString TextCodec::name(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Cp932: return QStringLiteral("CP932");
    case TextEncoding::Utf8: return QStringLiteral("UTF-8");
    case TextEncoding::Utf16LE: return QStringLiteral("UTF-16LE");
    case TextEncoding::Utf16BE: return QStringLiteral("UTF-16BE");
    case TextEncoding::EucJp: return QStringLiteral("EUC-JP");
    case TextEncoding::Iso2022Jp: return QStringLiteral("ISO-2022-JP");
    case TextEncoding::EucJisX0213: return QStringLiteral("EUC-JISX0213");
    case TextEncoding::ShiftJisX0213: return QStringLiteral("Shift_JISX0213");
    }
    return QString();
}
