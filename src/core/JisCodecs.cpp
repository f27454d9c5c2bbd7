// The codecs of the JIS encodings, EUC-JP and ISO-2022-JP, over the one JIS table.
#include "CodecParts.h"
#include "JisTable.h"

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

// Escape sequences switch between ASCII (JIS Roman read as ASCII, as the
// system's code page reads 0x5C and 0x7E), half-width katakana, JIS X 0208
// and JIS X 0212; SO and SI shift to katakana and back, as seven-bit JIS
// habitually does. A line end does not reset the state, as some writers omit
// the final escape back to ASCII. Bytes of a foreign set (Chinese, Korean)
// and stray bytes become U+FFFD; eight-bit JIS katakana (0xA1..0xDF) is read
// as the katakana it is.
class Iso2022JpCodec final : public TextCodec {
public:
    Iso2022JpCodec() : m_x0208(JisTable::x0208()) {}

    bool piecewise() const override { return false; }

    qint64 countUnits(const char* data, qint64 size) const override
    {
        State st;
        qint64 n = 0;
        int u;
        for (qint64 i = 0; i < size;) {
            i += step(st, reinterpret_cast<const unsigned char*>(data), i, size, &u);
            if (u >= 0) ++n;
        }
        return n;
    }

    void decode(const char* data, qint64 size, QString& out) const override
    {
        const qsizetype base = out.size();
        out.resize(base + qsizetype(size));   // never more units than bytes
        char16_t* dst = reinterpret_cast<char16_t*>(out.data()) + base;
        State st;
        qsizetype n = 0;
        int u;
        for (qint64 i = 0; i < size;) {
            i += step(st, reinterpret_cast<const unsigned char*>(data), i, size, &u);
            if (u >= 0) dst[n++] = char16_t(u);
        }
        out.truncate(base + n);
    }

    qint64 boundaryBefore(const char* data, qint64 size, qint64 target) const override
    {
        State st;
        qint64 i = 0;
        int u;
        while (i < target) {
            const qint64 len = step(st, reinterpret_cast<const unsigned char*>(data), i, size, &u);
            if (i + len > target) break;
            i += len;
        }
        return i;
    }

    // The bytes of a character depend on the escapes before it.
    bool uniqueBytes(const QString&, QByteArray*) const override { return false; }

private:
    enum class Set { Ascii, Kana, X0208, X0212, Foreign };
    struct State {
        Set set = Set::Ascii;
        bool shiftOut = false;
    };

    // Decodes what starts at p[i]: returns the bytes taken, and the code unit
    // in *u, or -1 when they were an escape or a shift.
    qint64 step(State& st, const unsigned char* p, qint64 i, qint64 size, int* u) const
    {
        auto at = [&](qint64 k) -> int { return k < size ? p[k] : -1; };
        const unsigned char b = p[i];
        *u = -1;
        if (b == 0x1B) {
            const int c1 = at(i + 1), c2 = at(i + 2), c3 = at(i + 3);
            if (c1 == '(' && (c2 == 'B' || c2 == 'J' || c2 == 'H')) return designate(st, Set::Ascii, 3);
            if (c1 == '(' && c2 == 'I') return designate(st, Set::Kana, 3);
            if (c1 == '$' && (c2 == '@' || c2 == 'B')) return designate(st, Set::X0208, 3);
            if (c1 == '$' && c2 == '(' && (c3 == '@' || c3 == 'B' || c3 == 'Q' || c3 == 'O'))
                return designate(st, Set::X0208, 4);
            if (c1 == '$' && c2 == '(' && c3 == 'D') return designate(st, Set::X0212, 4);
            if (c1 == '$' && c2 == 'A') return designate(st, Set::Foreign, 3);
            if (c1 == '$' && c2 == '(' && c3 >= 0x40 && c3 <= 0x7E) return designate(st, Set::Foreign, 4);
            if (c1 == '&' && c2 == '@') return 3;                       // announces a JIS revision; no change
            if (c1 == '.' && c2 >= 0x40 && c2 <= 0x7E) return 3;        // a G2 set, never invoked here
            *u = kReplacement;
            return 1;
        }
        if (b == 0x0E || b == 0x0F) {
            st.shiftOut = b == 0x0E;
            return 1;
        }
        if (b >= 0x80) {
            *u = b >= 0xA1 && b <= 0xDF ? 0xFF61 + (b - 0xA1) : kReplacement;
            return 1;
        }
        if (b < 0x21 || b == 0x7F || (st.set == Set::Ascii && !st.shiftOut)) {   // controls, space and line ends pass in every set
            *u = b;
            return 1;
        }
        if (st.shiftOut || st.set == Set::Kana) {
            *u = b <= 0x5F ? 0xFF61 + (b - 0x21) : kReplacement;
            return 1;
        }
        const int b2 = at(i + 1);
        if (b2 < 0x21 || b2 > 0x7E) {
            *u = kReplacement;
            return 1;
        }
        const int index = (b - 0x21) * kCells + (b2 - 0x21);
        if (st.set == Set::X0208) *u = defined(m_x0208[index]);
        else if (st.set == Set::X0212) *u = defined(JisTable::x0212()[index]);
        else *u = kReplacement;
        return 2;
    }

    static qint64 designate(State& st, Set set, qint64 length)
    {
        st.set = set;
        return length;
    }

    const JisTable::Plane& m_x0208;
};

} // namespace

std::unique_ptr<TextCodec> CodecParts::createEucJp() { return std::make_unique<EucJpCodec>(); }
std::unique_ptr<TextCodec> CodecParts::createIso2022Jp() { return std::make_unique<Iso2022JpCodec>(); }
