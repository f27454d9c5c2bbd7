#include "Cp932.h"
#include "IconvChar.h"

#include <array>
#include <cstring>
#include <mutex>
#include <vector>

// Both directions are table driven: the tables are built once from the C
// library's converter, so every later call is a plain lookup.
namespace {

struct Tables {
    // single[b]: code unit for a one-byte character, 0xFFFF when b is a lead byte
    // or undefined.
    std::array<char16_t, 256> single{};
    std::array<bool, 256> lead{};
    // doubleByte[(lead << 8) | trail]
    std::vector<char16_t> doubleByte;
    // reverse map for the BMP: 0 means "no CP932 form" (except for U+0000).
    std::vector<quint16> reverse;
};

const Tables& tables()
{
    static Tables t;
    static std::once_flag once;
    std::call_once(once, [] {
        t.doubleByte.assign(65536, 0xFFFF);
        t.reverse.assign(65536, 0);
        iconv_t cd = iconv_open("UTF-16LE", "CP932");
        for (int b = 0; b < 256; ++b) {
            unsigned char c = static_cast<unsigned char>(b);
            t.single[b] = iconvChar(cd, &c, 1);
        }
        for (int l = 0x81; l <= 0xFC; ++l) {
            if (l >= 0xA0 && l <= 0xDF) continue;
            t.lead[l] = true;
            t.single[l] = 0xFFFF;
            for (int tr = 0x40; tr <= 0xFC; ++tr) {
                if (tr == 0x7F) continue;
                unsigned char in[2] = {static_cast<unsigned char>(l), static_cast<unsigned char>(tr)};
                t.doubleByte[(l << 8) | tr] = iconvChar(cd, in, 2);
            }
        }
        iconv_close(cd);
        // Reverse: single bytes first, then the lowest double-byte code wins.
        for (int b = 0; b < 256; ++b)
            if (t.single[b] != 0xFFFF && t.reverse[t.single[b]] == 0)
                t.reverse[t.single[b]] = static_cast<quint16>(b);
        for (int code = 0x8140; code <= 0xFCFC; ++code) {
            char16_t u = t.doubleByte[code];
            if (u != 0xFFFF && t.reverse[u] == 0) t.reverse[u] = static_cast<quint16>(code);
        }
        // NEC-selected IBM extensions (0xED/0xEE) duplicate IBM extensions
        // (0xFA..0xFC); Windows encodes to the latter.
        for (int code = 0xFA40; code <= 0xFC4B; ++code) {
            char16_t u = t.doubleByte[code];
            if (u != 0xFFFF && t.reverse[u] >= 0xED40 && t.reverse[u] <= 0xEEFC)
                t.reverse[u] = static_cast<quint16>(code);
        }
        t.reverse[0] = 0;
    });
    return t;
}

} // namespace

namespace Cp932 {

const Table& table()
{
    static const Table view = [] {
        const Tables& t = tables();
        return Table{t.single.data(), t.lead.data(), t.doubleByte.data(), t.reverse.data()};
    }();
    return view;
}

namespace {

// One loop for both decoders; `keepBytes` only changes what an undecodable byte
// becomes, so the viewer's decoder compiles to the same code as before.
template <bool keepBytes> QString decodeWith(const char* data, qsizetype size)
{
    const Tables& t = tables();
    QString out(size, Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    qsizetype n = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    qsizetype i = 0;
    auto bad = [](unsigned char b) { return keepBytes ? char16_t(0xDC00 + b) : char16_t(0xFFFD); };
    while (i < size) {
        // Runs of ASCII are copied eight bytes at a time.
        if (i + 8 <= size) {
            quint64 word;
            memcpy(&word, p + i, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                for (int k = 0; k < 8; ++k) dst[n + k] = p[i + k];
                n += 8;
                i += 8;
                continue;
            }
        }
        unsigned char b = p[i];
        if (b < 0x80) {
            dst[n++] = b;
            ++i;
        } else if (t.lead[b]) {
            if (i + 1 < size) {
                char16_t u = t.doubleByte[(b << 8) | p[i + 1]];
                if (u != 0xFFFF) {
                    dst[n++] = u;
                    i += 2;
                    continue;
                }
            }
            dst[n++] = bad(b);
            ++i;
        } else {
            char16_t u = t.single[b];
            dst[n++] = (u == 0xFFFF) ? bad(b) : u;
            ++i;
        }
    }
    out.truncate(n);
    return out;
}

template <bool keepBytes> QByteArray encodeWith(const QString& text, bool* ok)
{
    const Tables& t = tables();
    QByteArray out;
    out.reserve(text.size() * 2);
    bool good = true;
    const QChar* s = text.constData();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        char16_t u = s[i].unicode();
        if (u < 0x80) { out.append(static_cast<char>(u)); continue; }
        if (keepBytes && u >= 0xDC80 && u <= 0xDCFF && !(i > 0 && s[i - 1].isHighSurrogate())) {
            out.append(static_cast<char>(u - 0xDC00));
            continue;
        }
        quint16 code = t.reverse[u];
        if (code == 0) { out.append('?'); good = false; continue; }
        if (code > 0xFF) out.append(static_cast<char>(code >> 8));
        out.append(static_cast<char>(code & 0xFF));
    }
    if (ok) *ok = good;
    return out;
}

} // namespace

QString decode(const char* data, qsizetype size)
{
    return decodeWith<false>(data, size);
}

QString decodeKeepingBytes(const char* data, qsizetype size)
{
    return decodeWith<true>(data, size);
}

QByteArray encode(const QString& text, bool* ok)
{
    return encodeWith<false>(text, ok);
}

QByteArray encodeKeepingBytes(const QString& text, bool* ok)
{
    return encodeWith<true>(text, ok);
}

bool canEncode(const QString& text)
{
    bool ok = true;
    encode(text, &ok);
    return ok;
}

} // namespace Cp932
