// The codecs of JIS X 0213, EUC-JISX0213 and Shift_JISX0213: the JIS X 0208
// grid completed to the full first plane, and a second plane of rare kanji.
// A code of it reads as one or two code units: a kana with a semi-voiced mark
// (か゚) is two characters, the base and U+309A, and the kanji beyond the BMP
// are a surrogate pair. Both come as one piece: the codec never cuts between
// them, so counts and decoding agree range by range.
#include "CodecParts.h"

#include "IconvChar.h"
#include <iconv.h>

#include <mutex>
#include <vector>

namespace {

constexpr int kCells = 94;
constexpr char16_t kReplacement = 0xFFFD;

// What the C library's converter makes of one code: up to two UTF-16 units,
// the first in the low half; 0 when it is no character.
quint32 iconvUnits(iconv_t cd, const unsigned char* in, size_t inLen)
{
    char16_t out[4] = {};
    const int units = iconvUnitsOf(cd, in, inLen, out, true);
    if (units == 1 && out[0] != kReplacement) return out[0];
    if (units == 2) return quint32(out[0]) | quint32(out[1]) << 16;
    return 0;
}

// Two-byte codes, indexed by the code's first two bytes (EUC: plus 0x8F's
// plane), each as iconvUnits gives it. Built once, on first use.
struct Tables {
    std::vector<quint32> euc;     // [plane * 94 * 94 + row * 94 + cell]
    std::vector<quint32> shift;   // [lead << 8 | trail]
};
const Tables& tables()
{
    static Tables t;
    static std::once_flag once;
    std::call_once(once, [] {
        t.euc.assign(2 * kCells * kCells, 0);
        iconv_t cd = iconv_open("UTF-16LE", "EUC-JISX0213");
        for (int plane = 0; plane < 2; ++plane)
            for (int row = 0; row < kCells; ++row)
                for (int cell = 0; cell < kCells; ++cell) {
                    const unsigned char in[3] = {0x8F, static_cast<unsigned char>(row + 0xA1),
                                                 static_cast<unsigned char>(cell + 0xA1)};
                    t.euc[(plane * kCells + row) * kCells + cell] = iconvUnits(cd, in + 1 - plane, size_t(2 + plane));
                }
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
        t.shift.assign(65536, 0);
        cd = iconv_open("UTF-16LE", "SHIFT_JISX0213");
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (lead >= 0xA0 && lead < 0xE0) continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const unsigned char in[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
                if (trail != 0x7F) t.shift[size_t(lead << 8 | trail)] = iconvUnits(cd, in, 2);
            }
        }
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    });
    return t;
}

// Bytes below 0x80 are ASCII in both, as in the rest of the file's readers
// (0x5C a backslash), and single-byte katakana is that of JIS X 0201.
class X0213Codec final : public TextCodec {
public:
    explicit X0213Codec(bool shift) : m_shift(shift), m_t(tables()) {}

    qint64 countUnits(const char* data, qint64 size) const override
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        qint64 n = 0;
        quint32 u;
        for (qint64 i = 0; i < size;) {
            if (p[i] < 0x80) {
                ++i;
                ++n;
                continue;
            }
            i += charAt(p + i, size - i, &u);
            n += u > 0xFFFF ? 2 : 1;
        }
        return n;
    }

    void decode(const char* data, qint64 size, QString& out) const override
    {
        const qsizetype base = out.size();
        out.resize(base + qsizetype(size));   // a code of n bytes is never more than n units
        char16_t* dst = reinterpret_cast<char16_t*>(out.data()) + base;
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        qsizetype n = 0;
        quint32 u;
        for (qint64 i = 0; i < size;) {
            if (p[i] < 0x80) {
                dst[n++] = p[i++];
                continue;
            }
            i += charAt(p + i, size - i, &u);
            dst[n++] = char16_t(u);
            if (u > 0xFFFF) dst[n++] = char16_t(u >> 16);
        }
        out.truncate(base + n);
    }

    qint64 boundaryBefore(const char* data, qint64 size, qint64 target) const override
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        // A byte that cannot lead a code ends a character wherever it stands.
        qint64 i = 0;
        for (qint64 k = target - 1; k >= 0 && k >= target - 4096; --k) {
            if (!leads(p[k])) {
                i = k + 1;
                break;
            }
        }
        quint32 u;
        while (i < target) {
            const int len = charAt(p + i, size - i, &u);
            if (i + len > target) break;
            i += len;
        }
        return i;
    }

    // Left to the decoding search: a character may have another code that
    // combines, and the rare kanji are no single code unit.
    bool uniqueBytes(const QString&, QByteArray*) const override { return false; }

private:
    bool leads(unsigned char b) const
    {
        if (m_shift) return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        return b == 0x8E || b == 0x8F || (b >= 0xA1 && b <= 0xFE);
    }

    static quint32 defined(quint32 u) { return u ? u : kReplacement; }

    // The character at p (n > 0 bytes there, p[0] >= 0x80): its units and
    // length. A code of the right shape takes its bytes even where the table
    // has no character; a byte that starts none is one U+FFFD.
    int charAt(const unsigned char* p, qint64 n, quint32* u) const
    {
        const unsigned char b = p[0];
        if (m_shift) {
            if (b >= 0xA1 && b <= 0xDF) {
                *u = 0xFF61 + (b - 0xA1);
                return 1;
            }
            if (leads(b) && n >= 2 && p[1] >= 0x40 && p[1] <= 0xFC && p[1] != 0x7F) {
                *u = defined(m_t.shift[size_t(b << 8 | p[1])]);
                return 2;
            }
        } else {
            auto gr = [](unsigned char c) { return c >= 0xA1 && c <= 0xFE; };
            if (gr(b) && n >= 2 && gr(p[1])) {
                *u = defined(m_t.euc[(b - 0xA1) * kCells + (p[1] - 0xA1)]);
                return 2;
            }
            if (b == 0x8E && n >= 2 && p[1] >= 0xA1 && p[1] <= 0xDF) {
                *u = 0xFF61 + (p[1] - 0xA1);
                return 2;
            }
            if (b == 0x8F && n >= 3 && gr(p[1]) && gr(p[2])) {
                *u = defined(m_t.euc[(kCells + p[1] - 0xA1) * kCells + (p[2] - 0xA1)]);
                return 3;
            }
        }
        *u = kReplacement;
        return 1;
    }

    bool m_shift;
    const Tables& m_t;
};

} // namespace

const quint32* CodecParts::jisX0213(int plane) { return tables().euc.data() + plane * kCells * kCells; }

std::unique_ptr<TextCodec> CodecParts::createEucJisX0213() { return std::make_unique<X0213Codec>(false); }
std::unique_ptr<TextCodec> CodecParts::createShiftJisX0213() { return std::make_unique<X0213Codec>(true); }
