// The codecs of the JIS encodings, EUC-JP and ISO-2022-JP, over the JIS tables.
#include "CodecParts.h"
#include "JisTable.h"

#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
#include <emmintrin.h>
#endif
#include <cstring>

namespace {

using JisTable::kCells;
using JisTable::kUndefined;
constexpr char16_t kReplacement = 0xFFFD;

inline char16_t defined(char16_t u) { return u == kUndefined ? kReplacement : u; }
inline bool inGR(unsigned char b) { return b >= 0xA1 && b <= 0xFE; }

// ---------------------------------------------------------------- EUC-JP

class EucJpCodec final : public TextCodec {
public:
    EucJpCodec() : m_x0208(JisTable::x0208()), m_x0212(JisTable::x0212()) {}

    qint64 countUnits(const char* data, qint64 size) const override
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        qint64 n = 0;
        char16_t u;
        for (qint64 i = 0; i < size; ++n) {
            if (p[i] < 0x80) {
                ++i;
                continue;
            }
            i += charAt(p + i, size - i, &u);
        }
        return n;
    }

    void decode(const char* data, qint64 size, QString& out) const override
    {
        const qsizetype base = out.size();
        out.resize(base + qsizetype(size));
        char16_t* dst = reinterpret_cast<char16_t*>(out.data()) + base;
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        qsizetype n = 0;
        for (qint64 i = 0; i < size;) {
            if (p[i] < 0x80) {
                if (i + 8 <= size && CodecParts::allAscii8(p + i)) {
                    for (int k = 0; k < 8; ++k) dst[n + k] = p[i + k];
                    n += 8;
                    i += 8;
                } else {
                    dst[n++] = p[i++];
                }
                continue;
            }
            i += charAt(p + i, size - i, dst + n);
            ++n;
        }
        out.truncate(base + n);
    }

    qint64 boundaryBefore(const char* data, qint64 size, qint64 target) const override
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        // ASCII bytes are never part of a longer character.
        qint64 i = 0;
        for (qint64 k = target - 1; k >= 0 && k >= target - 4096; --k) {
            if (p[k] < 0x80) {
                i = k + 1;
                break;
            }
        }
        char16_t u;
        while (i < target) {
            const int len = charAt(p + i, size - i, &u);
            if (i + len > target) break;
            i += len;
        }
        return i;
    }

    bool uniqueBytes(const QString& text, QByteArray* out) const override
    {
        const JisTable::EucForms& forms = JisTable::eucForms();
        out->clear();
        for (QChar qc : text) {
            const char16_t u = qc.unicode();
            if (u == kReplacement || qc.isSurrogate() || forms.count[u] != 1) return false;
            const quint32 code = forms.code[u];
            if (code > 0xFFFF) out->append(char(code >> 16));
            if (code > 0xFF) out->append(char((code >> 8) & 0xFF));
            out->append(char(code & 0xFF));
        }
        return true;
    }

private:
    // The character at p (n > 0 bytes there): its code unit and length. A
    // sequence of the right shape takes its bytes even where the table has no
    // character; a byte that starts none is one U+FFFD.
    int charAt(const unsigned char* p, qint64 n, char16_t* u) const
    {
        const unsigned char b = p[0];
        if (b < 0x80) {
            *u = b;
            return 1;
        }
        if (inGR(b)) {
            if (n >= 2 && inGR(p[1])) {
                *u = defined(m_x0208[(b - 0xA1) * kCells + (p[1] - 0xA1)]);
                return 2;
            }
        } else if (b == 0x8E) {
            if (n >= 2 && p[1] >= 0xA1 && p[1] <= 0xDF) {
                *u = char16_t(0xFF61 + (p[1] - 0xA1));
                return 2;
            }
        } else if (b == 0x8F) {
            if (n >= 3 && inGR(p[1]) && inGR(p[2])) {
                *u = defined(m_x0212[(p[1] - 0xA1) * kCells + (p[2] - 0xA1)]);
                return 3;
            }
        }
        *u = kReplacement;
        return 1;
    }

    const JisTable::Plane& m_x0208;
    const JisTable::Plane& m_x0212;
};

// ---------------------------------------------------------------- ISO-2022-JP

// Read as the C library's converter reads it, ill-formed text included:
// escape sequences switch between ASCII, JIS Roman (0x5C the yen sign, 0x7E
// the overline), JIS X 0208 and, as the wider members of the family have
// them, half-width katakana, JIS X 0212 and the two planes of JIS X 0213 (a
// code of which may be two units). An ESC that starts no escape, SO and SI
// are control characters like any other, and eight-bit bytes are
// U+FFFD each. A line end does not reset the state, as some writers omit the
// final escape back to ASCII. Where that converter would stop at a byte, this
// one goes on as the rest of the file's readers do: spaces and line ends pass
// in every set (writers put them without switching back), a pair with no
// character is one U+FFFD, and so is each pair of a foreign set (Chinese,
// Korean), rather than showing its bytes as ASCII.
class Iso2022JpCodec final : public TextCodec {
public:
    Iso2022JpCodec() : m_x0208(JisTable::x0208()), m_x0212(JisTable::x0212()) {}

    bool stateful() const override { return true; }

    qint64 countUnits(const char* data, qint64 size) const override
    {
        State state = 0, decided = 0;
        return countFrom(state, decided, data, size);
    }

    void decode(const char* data, qint64 size, QString& out) const override { decodeFrom(0, data, size, out); }

    qint64 boundaryBefore(const char* data, qint64 size, qint64 target) const override
    {
        return boundaryFrom(0, data, size, target);
    }

    // Runs that cannot hold an escape are counted without being
    // decoded: in a one-byte set every other byte is a character, in a
    // two-byte set a run of n graphic bytes is n / 2 pairs and a lone byte.
    qint64 countFrom(State& state, State& decided, const char* data, qint64 size) const override
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        Shift st = unpack(state);
        qint64 n = 0;
        for (qint64 i = 0; i < size;) {
            if (twoByte(st)) {
                const qint64 j = nextNonGraphic(p, i, size);
                n += (j - i + 1) / 2;
                // JIS X 0213 has codes of two units: a kana and its mark, a kanji beyond the BMP.
                if (const quint32* wide = x0213(st))
                    for (qint64 k = i; k + 1 < j; k += 2)
                        n += wide[(p[k] - 0x21) * kCells + (p[k + 1] - 0x21)] > 0xFFFF;
                i = j;
            } else {
                const qint64 j = nextSpecial(p, i, size);
                n += j - i;
                i = j;
            }
            if (i >= size) break;
            const unsigned char b = p[i];
            if (b == 0x1B) {
                if (const qint64 len = escape(st, decided, p, i, size)) {
                    i += len;
                    continue;
                }
            }
            ++n; // a control, space or eight-bit byte, or an ESC that starts no escape: one character
            ++i;
        }
        state = pack(st);
        return n;
    }

    void decodeFrom(State state, const char* data, qint64 size, QString& out) const override
    {
        const qsizetype base = out.size();
        out.resize(base + qsizetype(size));   // never more units than bytes
        char16_t* dst = reinterpret_cast<char16_t*>(out.data()) + base;
        Shift st = unpack(state);
        qsizetype n = 0;
        qint64 u;
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        for (qint64 i = 0; i < size;) {
            if (st.set == Set::Ascii) {
                // Plain ASCII runs, the bulk of most mail, copied as they are.
                const qint64 j = nextSpecialOrHigh(p, i, size);
                for (qint64 k = i; k < j; ++k) dst[n++] = p[k];
                i = j;
            } else if (twoByte(st)) {
                // Runs of pairs, looked up without a step each.
                const qint64 j = nextNonGraphic(p, i, size);
                const JisTable::Plane* plane = st.set == Set::X0208 ? &m_x0208 : st.set == Set::X0212 ? &m_x0212 : nullptr;
                if (const quint32* wide = x0213(st)) {
                    for (; i + 1 < j; i += 2) {
                        const quint32 w = wide[(p[i] - 0x21) * kCells + (p[i + 1] - 0x21)];
                        dst[n++] = w ? char16_t(w) : kReplacement;
                        if (w > 0xFFFF) dst[n++] = char16_t(w >> 16);
                    }
                }
                for (; i + 1 < j; i += 2)
                    dst[n++] = plane ? defined((*plane)[(p[i] - 0x21) * kCells + (p[i + 1] - 0x21)]) : kReplacement;
            }
            if (i >= size) break;
            i += step(st, p, i, size, &u);
            if (u >= 0) dst[n++] = char16_t(u);
            if (u > 0xFFFF) dst[n++] = char16_t(u >> 16);
        }
        out.truncate(base + n);
    }

    qint64 boundaryFrom(State state, const char* data, qint64 size, qint64 target) const override
    {
        Shift st = unpack(state);
        qint64 i = 0;
        qint64 u;
        while (i < target) {
            const qint64 len = step(st, reinterpret_cast<const unsigned char*>(data), i, size, &u);
            if (i + len > target) break;
            i += len;
        }
        return i;
    }

    // Only runs of graphic bytes read differently in different sets; whatever
    // starts with another byte is the same unit in every set. So until an
    // escape decides the set, a start after such a unit, or an even distance
    // from it, is a start in every set.
    qint64 boundaryGuessed(State state, State guess, const char* data, qint64 size, qint64 target) const override
    {
        if (!(guess & kSetBits)) return boundaryFrom(state, data, size, target);
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        Shift st = unpack(state);
        State decided = 0;
        qint64 i = 0, anchor = 0;
        qint64 u;
        while (i < target) {
            const qint64 len = step(st, p, i, size, &u, &decided);
            if (i + len > target) break;
            i += len;
            if (decided & kSetBits) return boundaryFrom(pack(st), data + i, size - i, target - i) + i;
            if (p[i - len] < 0x21 || p[i - len] > 0x7E) anchor = i;
        }
        const qint64 end = i < target && (p[i] < 0x21 || p[i] > 0x7E) ? i : target;
        return anchor + ((end - anchor) & ~qint64(1));
    }

    // Every ESC byte starts an escape (or stands alone) when read from the
    // start, as no character holds one inside, so the last designation can be
    // found from the end.
    State stateAtEnd(const char* data, qint64 size, State* decided) const override
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        Shift st;
        State found = 0;
        for (qint64 i = size - 1; i >= 0 && found != kSetBits; --i) {
            if (p[i] == 0x1B) {
                Shift probe;
                State designated = 0;
                qint64 u;
                step(probe, p, i, size, &u, &designated);
                if (designated & kSetBits) {
                    st.set = probe.set;
                    found |= kSetBits;
                }
            }
        }
        *decided = State(found | ~kSetBits);
        return pack(st);
    }

    qint64 silentBytes(const char* data, qint64 size) const override
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        Shift st;
        qint64 i = 0;
        qint64 u = -1;
        while (i < size && p[i] == 0x1B) {
            const qint64 len = step(st, p, i, size, &u);
            if (u >= 0) break;
            i += len;
        }
        return i;
    }

    // The bytes of a character depend on the escapes before it.
    bool uniqueBytes(const QString&, QByteArray*) const override { return false; }

private:
    enum class Set : quint8 { Ascii, Kana, X0208, X0212, Foreign, Roman, X0213a, X0213b };
    struct Shift {
        Set set = Set::Ascii;
    };
    static constexpr State kSetBits = 0x07;
    static State pack(Shift st) { return State(quint8(st.set)); }
    static Shift unpack(State s)
    {
        Shift st;
        const int set = s & kSetBits;
        st.set = Set(set);
        return st;
    }

    // The first ESC at or after i, or size.
    static qint64 nextSpecial(const unsigned char* p, qint64 i, qint64 size)
    {
        const void* esc = std::memchr(p + i, 0x1B, size_t(size - i));
        return esc ? static_cast<const unsigned char*>(esc) - p : size;
    }

    // The first byte at or after i that is no graphic character of a two-byte
    // set (0x21..0x7E), or size.
    static qint64 nextNonGraphic(const unsigned char* p, qint64 i, qint64 size)
    {
#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
        const __m128i low = _mm_set1_epi8(0x21), del = _mm_set1_epi8(0x7F);
        for (; i + 16 <= size; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            // Bytes from 0x80 on are negative as signed bytes: below 0x21 too.
            const unsigned m =
                unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmplt_epi8(v, low), _mm_cmpeq_epi8(v, del))));
            if (m) return i + __builtin_ctz(m);
        }
#endif
        for (; i < size; ++i)
            if (p[i] < 0x21 || p[i] > 0x7E) return i;
        return size;
    }

    // The first ESC or byte from 0x80 on at or after i, or size.
    static qint64 nextSpecialOrHigh(const unsigned char* p, qint64 i, qint64 size)
    {
        for (; i + 8 <= size && CodecParts::allAscii8(p + i); i += 8) {
            quint64 w;
            std::memcpy(&w, p + i, 8);
            const quint64 ones = 0x0101010101010101ULL, y = w ^ (ones * 0x1B);
            if (((y - ones) & ~y & (ones * 0x80)) != 0) break;
        }
        for (; i < size; ++i)
            if (p[i] >= 0x80 || p[i] == 0x1B) return i;
        return size;
    }

    // Decodes what starts at p[i]: returns the bytes taken, and the code unit
    // in *u, or -1 when they were an escape or a shift; adds to *decided the
    // bits of the state a designation or a shift set.
    qint64 step(Shift& st, const unsigned char* p, qint64 i, qint64 size, qint64* u, State* decided = nullptr) const
    {
        State ignored = 0;
        State& d = decided ? *decided : ignored;
        auto at = [&](qint64 k) -> int { return k < size ? p[k] : -1; };
        const unsigned char b = p[i];
        *u = -1;
        if (b == 0x1B) {
            if (const qint64 len = escape(st, d, p, i, size)) return len;
            *u = b;
            return 1;
        }
        if (b >= 0x80) {
            *u = kReplacement;
            return 1;
        }
        if (b < 0x21 || b == 0x7F || st.set == Set::Ascii) {   // controls, space and line ends pass in every set
            *u = b;
            return 1;
        }
        if (st.set == Set::Roman) {
            *u = b == 0x5C ? 0x00A5 : b == 0x7E ? 0x203E : b;
            return 1;
        }
        if (st.set == Set::Kana) {
            *u = b <= 0x5F ? 0xFF61 + (b - 0x21) : kReplacement;
            return 1;
        }
        const int b2 = at(i + 1);
        if (b2 < 0x21 || b2 > 0x7E) {
            *u = kReplacement;
            return 1;
        }
        const int index = (b - 0x21) * kCells + (b2 - 0x21);
        if (const quint32* wide = x0213(st)) *u = wide[index] ? qint64(wide[index]) : kReplacement;
        else if (st.set == Set::X0208) *u = defined(m_x0208[index]);
        else if (st.set == Set::X0212) *u = defined(m_x0212[index]);
        else *u = kReplacement;
        return 2;
    }

    // The table of a JIS X 0213 plane in force, or null.
    static const quint32* x0213(Shift st)
    {
        if (st.set == Set::X0213a) return CodecParts::jisX0213(0);
        return st.set == Set::X0213b ? CodecParts::jisX0213(1) : nullptr;
    }

    static bool twoByte(Shift st) { return st.set != Set::Ascii && st.set != Set::Kana && st.set != Set::Roman; }

    // The escape sequence at p[i] (an ESC): its length, 0 when it starts none.
    static qint64 escape(Shift& st, State& d, const unsigned char* p, qint64 i, qint64 size)
    {
        auto at = [&](qint64 k) -> int { return k < size ? p[k] : -1; };
        const int c1 = at(i + 1), c2 = at(i + 2);
        if (c1 == '(') {
            if (c2 == 'B' || c2 == 'H') return designate(st, d, Set::Ascii, 3);
            if (c2 == 'J') return designate(st, d, Set::Roman, 3);
            if (c2 == 'I') return designate(st, d, Set::Kana, 3);
            return 0;
        }
        if (c1 == '$') {
            if (c2 == '@' || c2 == 'B') return designate(st, d, Set::X0208, 3);
            if (c2 == 'A') return designate(st, d, Set::Foreign, 3);
            if (c2 != '(') return 0;
            const int c3 = at(i + 3);
            if (c3 == '@' || c3 == 'B') return designate(st, d, Set::X0208, 4);
            if (c3 == 'O' || c3 == 'Q') return designate(st, d, Set::X0213a, 4);
            if (c3 == 'P') return designate(st, d, Set::X0213b, 4);
            if (c3 == 'D') return designate(st, d, Set::X0212, 4);
            if (c3 >= 0x40 && c3 <= 0x7E) return designate(st, d, Set::Foreign, 4);
            return 0;
        }
        if (c1 == '&' && c2 == '@') return 3;                       // announces a JIS revision; no change
        if (c1 == '.' && c2 >= 0x40 && c2 <= 0x7E) return 3;        // a G2 set, never invoked here
        return 0;
    }

    static qint64 designate(Shift& st, State& decided, Set set, qint64 length)
    {
        st.set = set;
        decided |= kSetBits;
        return length;
    }

    const JisTable::Plane& m_x0208;
    const JisTable::Plane& m_x0212;
};

} // namespace

std::unique_ptr<TextCodec> CodecParts::createEucJp() { return std::make_unique<EucJpCodec>(); }
std::unique_ptr<TextCodec> CodecParts::createIso2022Jp() { return std::make_unique<Iso2022JpCodec>(); }
