#include "BigTextCodec.h"

#include "BigTextJis.h"
#include "Cp932.h"

#include <QStringDecoder>

#include <bitset>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>
#include <mutex>
#include <vector>

namespace {

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

inline bool allAscii8(const unsigned char* p)
{
    quint64 w;
    std::memcpy(&w, p, 8);
    return (w & 0x8080808080808080ULL) == 0;
}

// ---------------------------------------------------------------- CP932

class Cp932Codec final : public BigTextCodec {
public:
    Cp932Codec() { tables(); }

    qint64 countUnits(const char* data, qint64 size) const override
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
#if defined(__SSE2__)
        const qint64 pairs = fastPairs(p, size);
        if (pairs >= 0) return size - pairs;
#endif
        return size - exactPairs(p, size);
    }

    void decode(const char* data, qint64 size, QString& out) const override
    {
        if (out.isEmpty()) out = Cp932::decode(data, size);
        else out += Cp932::decode(data, size);
    }

    qint64 boundaryBefore(const char* data, qint64 size, qint64 target) const override
    {
        const Tables& t = tables();
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        // A byte that cannot lead a pair ends a character wherever it stands, so
        // the walk may start behind the last such byte.
        qint64 i = 0;
        for (qint64 k = target - 1; k >= 0 && k >= target - 4096; --k) {
            if (!t.lead[p[k]]) {
                i = k + 1;
                break;
            }
        }
        while (i < target) {
            qint64 len = (t.lead[p[i]] && i + 1 < size && t.pair[(p[i] << 8) | p[i + 1]]) ? 2 : 1;
            if (i + len > target) break;
            i += len;
        }
        return i;
    }

    bool uniqueBytes(const QString& text, QByteArray* out) const override
    {
        const Tables& t = tables();
        for (QChar c : text)
            if (c.unicode() == 0xFFFD || c.isSurrogate() || t.forms[c.unicode()] != 1) return false;
        bool ok = false;
        *out = Cp932::encode(text, &ok);
        return ok && Cp932::decode(*out) == text;
    }

private:
    // Double-byte characters the decoder finds, walking byte by byte.
    static qint64 exactPairs(const unsigned char* p, qint64 size)
    {
        const Tables& t = tables();
        qint64 pairs = 0;
        qint64 i = 0;
        while (i < size) {
            const unsigned char b = p[i];
            if (b < 0x80) {
                ++i;
                while (i + 8 <= size && allAscii8(p + i)) i += 8;
                continue;
            }
            if (t.lead[b] && i + 1 < size && t.pair[(b << 8) | p[i + 1]]) {
                ++pairs;
                i += 2;
            } else {
                ++i;
            }
        }
        return pairs;
    }

#if defined(__SSE2__)
    // Lead-byte candidates (0x81..0x9F, 0xE0..0xFC) of 64 bytes as a bit mask.
    static quint64 leadMask(const unsigned char* p)
    {
        quint64 m = 0;
        for (int k = 0; k < 4; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
            const __m128i a = _mm_sub_epi8(v, _mm_set1_epi8(char(0x81)));
            const __m128i inA = _mm_cmpeq_epi8(_mm_min_epu8(a, _mm_set1_epi8(0x1E)), a);
            const __m128i b = _mm_sub_epi8(v, _mm_set1_epi8(char(0xE0)));
            const __m128i inB = _mm_cmpeq_epi8(_mm_min_epu8(b, _mm_set1_epi8(0x1C)), b);
            m |= quint64(unsigned(_mm_movemask_epi8(_mm_or_si128(inA, inB)))) << (16 * k);
        }
        return m;
    }

    // Double-byte characters without walking byte by byte. A byte that cannot
    // lead a pair is always followed by a character start, so in a run of lead
    // candidates the pairs start at even offsets from the run's start (the last
    // one of an odd run takes the byte after the run). Those pair starts come out
    // of 64-bit masks with carries; each pair is then looked up, and -1 (walk
    // instead) is returned as soon as one is not a character.
    static qint64 fastPairs(const unsigned char* p, qint64 size)
    {
        constexpr quint64 kEven = 0x5555555555555555ULL;
        const Tables& t = tables();
        const quint64* valid = reinterpret_cast<const quint64*>(t.pairWords.data());
        qint64 pairs = 0;
        bool inRun = false;   // the previous 64 bytes ended inside a run
        bool runOdd = false;  // ... that started at an odd offset
        unsigned char tail[64 + 1];
        for (qint64 i = 0; i < size; i += 64) {
            const unsigned char* q = p + i;
            if (size - i < 64) {
                std::memset(tail, 0, sizeof tail);
                std::memcpy(tail, q, size_t(size - i));
                q = tail;
            }
            const quint64 lead = leadMask(q);
            if (!lead && !inRun) continue;
            const quint64 continued = inRun ? lead & ~(lead + 1) : 0;
            const quint64 runs = lead & ~continued;
            const quint64 starts = runs & ~(runs << 1);
            quint64 evenRuns = runs & ~(runs + (starts & kEven));
            quint64 oddRuns = runs & ~(runs + (starts & ~kEven));
            (runOdd ? oddRuns : evenRuns) |= continued;
            quint64 pairStarts = (evenRuns & kEven) | (oddRuns & ~kEven);
            inRun = lead >> 63;
            if (inRun && !(continued >> 63)) runOdd = (oddRuns >> 63) & 1;
            pairs += __builtin_popcountll(pairStarts);
            bool bad = false;
            while (pairStarts) {
                const qint64 at = i + __builtin_ctzll(pairStarts);
                pairStarts &= pairStarts - 1;
                if (at + 1 >= size) return -1;
                const unsigned code = unsigned(p[at]) << 8 | p[at + 1];
                bad |= !((valid[code >> 6] >> (code & 63)) & 1);
            }
            if (bad) return -1;
        }
        return pairs;
    }
#endif

    struct Tables {
        std::vector<quint64> pairWords; // the same as pair, as words for the masks
        std::bitset<256> lead;
        std::bitset<65536> pair;   // lead << 8 | trail decodes to one character
        std::vector<quint8> forms; // byte forms per BMP code unit
    };
    static const Tables& tables()
    {
        static Tables t;
        static std::once_flag once;
        std::call_once(once, [] {
            t.forms.assign(65536, 0);
            t.pairWords.assign(1024, 0);
            auto add = [](const QString& s) {
                if (s.size() == 1 && s[0].unicode() != 0xFFFD && t.forms[s[0].unicode()] < 255)
                    ++t.forms[s[0].unicode()];
            };
            for (int b = 0; b < 256; ++b) {
                t.lead[b] = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
                if (!t.lead[b]) {
                    char c = char(b);
                    add(Cp932::decode(&c, 1));
                }
            }
            for (int l = 0; l < 256; ++l) {
                if (!t.lead[l]) continue;
                for (int tr = 0x40; tr <= 0xFC; ++tr) {
                    const char two[2] = {char(l), char(tr)};
                    QString s = Cp932::decode(two, 2);
                    if (s.size() == 1 && s[0].unicode() != 0xFFFD) {
                        t.pair[(l << 8) | tr] = true;
                        t.pairWords[size_t((l << 8) | tr) >> 6] |= quint64(1) << (((l << 8) | tr) & 63);
                        add(s);
                    }
                }
            }
        });
        return t;
    }
};

// ---------------------------------------------------------------- UTF-8

class Utf8Codec final : public BigTextCodec {
public:
    qint64 countUnits(const char* data, qint64 size) const override
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
#if defined(__SSE2__)
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

#if defined(__SSE2__)
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

class Utf16Codec final : public BigTextCodec {
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

// ---------------------------------------------------------------- EUC-JP

class EucJpCodec final : public BigTextCodec {
public:
    qint64 countUnits(const char* data, qint64 size) const override { return BigTextJis::countEucJp(data, size); }
    void decode(const char* data, qint64 size, QString& out) const override
    {
        if (out.isEmpty()) out = BigTextJis::decodeEucJp(data, size);
        else out += BigTextJis::decodeEucJp(data, size);
    }
    qint64 boundaryBefore(const char* data, qint64 size, qint64 target) const override
    {
        // ASCII bytes are never part of a longer character.
        qint64 i = 0;
        for (qint64 k = target - 1; k >= 0 && k >= target - 4096; --k) {
            if (static_cast<unsigned char>(data[k]) < 0x80) {
                i = k + 1;
                break;
            }
        }
        while (i < target) {
            const int len = BigTextJis::eucJpCharLength(data + i, size - i);
            if (i + len > target) break;
            i += len;
        }
        return i;
    }
    bool uniqueBytes(const QString& text, QByteArray* out) const override
    {
        return BigTextJis::uniqueEucJp(text, out);
    }
};

} // namespace

std::unique_ptr<BigTextCodec> BigTextCodec::create(BigTextEncoding encoding)
{
    switch (encoding) {
    case BigTextEncoding::Cp932: return std::make_unique<Cp932Codec>();
    case BigTextEncoding::Utf8: return std::make_unique<Utf8Codec>();
    case BigTextEncoding::Utf16LE: return std::make_unique<Utf16Codec>(false);
    case BigTextEncoding::Utf16BE: return std::make_unique<Utf16Codec>(true);
    case BigTextEncoding::EucJp: return std::make_unique<EucJpCodec>();
    case BigTextEncoding::Iso2022Jp: return nullptr;
    }
    return nullptr;
}

int BigTextCodec::bomLength(BigTextEncoding encoding, const char* data, qint64 size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    switch (encoding) {
    case BigTextEncoding::Utf8: return size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF ? 3 : 0;
    case BigTextEncoding::Utf16LE: return size >= 2 && p[0] == 0xFF && p[1] == 0xFE ? 2 : 0;
    case BigTextEncoding::Utf16BE: return size >= 2 && p[0] == 0xFE && p[1] == 0xFF ? 2 : 0;
    default: return 0;
    }
}

QString BigTextCodec::name(BigTextEncoding encoding)
{
    switch (encoding) {
    case BigTextEncoding::Cp932: return QStringLiteral("CP932");
    case BigTextEncoding::Utf8: return QStringLiteral("UTF-8");
    case BigTextEncoding::Utf16LE: return QStringLiteral("UTF-16LE");
    case BigTextEncoding::Utf16BE: return QStringLiteral("UTF-16BE");
    case BigTextEncoding::EucJp: return QStringLiteral("EUC-JP");
    case BigTextEncoding::Iso2022Jp: return QStringLiteral("ISO-2022-JP");
    }
    return QString();
}
