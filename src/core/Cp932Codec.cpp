// The CP932 codec: the system's code page, and that of most Japanese text files.
#include "CodecParts.h"
#include "Cp932.h"
#include "Cp932Pairs.h"

#include <bitset>
#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
#include <emmintrin.h>
#endif
#include <cstring>
#include <mutex>
#include <vector>

namespace {

using CodecParts::allAscii8;

class Cp932Codec final : public TextCodec {
public:
    Cp932Codec() { tables(); }

    qint64 countUnits(const char* data, qint64 size) const override
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
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

#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
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

    // Double-byte characters without walking byte by byte: the pair starts come
    // out of 64-bit masks (Cp932Pairs); each pair is then looked up, and -1 (walk
    // instead) is returned as soon as one is not a character.
    static qint64 fastPairs(const unsigned char* p, qint64 size)
    {
        const Tables& t = tables();
        const quint64* valid = reinterpret_cast<const quint64*>(t.pairWords.data());
        qint64 pairs = 0;
        Cp932Pairs run;
        unsigned char tail[64 + 1];
        for (qint64 i = 0; i < size; i += 64) {
            const unsigned char* q = p + i;
            if (size - i < 64) {
                std::memset(tail, 0, sizeof tail);
                std::memcpy(tail, q, size_t(size - i));
                q = tail;
            }
            const quint64 lead = leadMask(q);
            if (!lead && !run.inRun()) continue;
            quint64 pairStarts = run.starts(lead);
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

} // namespace

std::unique_ptr<TextCodec> CodecParts::createCp932() { return std::make_unique<Cp932Codec>(); }
