#include "BigTextJis.h"
#include "IconvChar.h"

#include <array>
#include <mutex>
#include <vector>

namespace {

constexpr int kCells = 94;

struct Tables {
    std::array<char16_t, kCells * kCells> x0208{};
    std::array<char16_t, kCells * kCells> x0212{};
    // For every BMP code unit: its EUC-JP bytes (up to 3, big-endian in the low
    // bytes) and how many byte forms decode to it.
    std::vector<quint32> reverse;
    std::vector<quint8> forms;
};

void addForm(Tables& t, char16_t u, quint32 bytes)
{
    if (u == 0xFFFF) return;
    if (t.forms[u] == 0) t.reverse[u] = bytes;
    if (t.forms[u] < 255) ++t.forms[u];
}

const Tables& tables()
{
    static Tables t;
    static std::once_flag once;
    std::call_once(once, [] {
        t.reverse.assign(65536, 0);
        t.forms.assign(65536, 0);
        // The plain table first; the vendor table only fills its gaps (circled
        // digits and the like that Japanese PCs wrote into EUC-JP files).
        iconv_t plain = iconv_open("UTF-16LE", "EUC-JP");
        iconv_t vendor = iconv_open("UTF-16LE", "EUC-JP-MS");
        for (int r = 0; r < kCells; ++r) {
            for (int c = 0; c < kCells; ++c) {
                unsigned char two[2] = {static_cast<unsigned char>(0xA1 + r), static_cast<unsigned char>(0xA1 + c)};
                char16_t u = iconvChar(plain, two, 2);
                if (u == 0xFFFF) u = iconvChar(vendor, two, 2);
                t.x0208[r * kCells + c] = u;
                unsigned char three[3] = {0x8F, two[0], two[1]};
                u = iconvChar(plain, three, 3);
                if (u == 0xFFFF) u = iconvChar(vendor, three, 3);
                t.x0212[r * kCells + c] = u;
            }
        }
        if (plain != reinterpret_cast<iconv_t>(-1)) iconv_close(plain);
        if (vendor != reinterpret_cast<iconv_t>(-1)) iconv_close(vendor);

        for (int b = 0; b < 0x80; ++b) addForm(t, char16_t(b), quint32(b));
        for (int k = 0xA1; k <= 0xDF; ++k) addForm(t, char16_t(0xFF61 + k - 0xA1), 0x8E00u | quint32(k));
        for (int r = 0; r < kCells; ++r)
            for (int c = 0; c < kCells; ++c)
                addForm(t, t.x0208[r * kCells + c], (quint32(0xA1 + r) << 8) | quint32(0xA1 + c));
        for (int r = 0; r < kCells; ++r)
            for (int c = 0; c < kCells; ++c)
                addForm(t, t.x0212[r * kCells + c], 0x8F0000u | (quint32(0xA1 + r) << 8) | quint32(0xA1 + c));
    });
    return t;
}

// One EUC-JP character at p (n bytes available): its code unit and length.
// An undecodable byte gives U+FFFD and length 1.
inline int eucChar(const Tables& t, const unsigned char* p, qsizetype n, char16_t* u)
{
    const unsigned char b = p[0];
    if (b < 0x80) { *u = b; return 1; }
    if (b == 0x8E) {
        if (n >= 2 && p[1] >= 0xA1 && p[1] <= 0xDF) { *u = char16_t(0xFF61 + p[1] - 0xA1); return 2; }
    } else if (b == 0x8F) {
        if (n >= 3 && p[1] >= 0xA1 && p[1] <= 0xFE && p[2] >= 0xA1 && p[2] <= 0xFE) {
            char16_t v = t.x0212[(p[1] - 0xA1) * kCells + (p[2] - 0xA1)];
            if (v != 0xFFFF) { *u = v; return 3; }
        }
    } else if (b >= 0xA1 && b <= 0xFE) {
        if (n >= 2 && p[1] >= 0xA1 && p[1] <= 0xFE) {
            char16_t v = t.x0208[(b - 0xA1) * kCells + (p[1] - 0xA1)];
            if (v != 0xFFFF) { *u = v; return 2; }
        }
    }
    *u = 0xFFFD;
    return 1;
}

} // namespace

namespace BigTextJis {

char16_t jis0208(int row, int cell)
{
    if (row < 0x21 || row > 0x7E || cell < 0x21 || cell > 0x7E) return 0xFFFF;
    return tables().x0208[(row - 0x21) * kCells + (cell - 0x21)];
}

char16_t jis0212(int row, int cell)
{
    if (row < 0x21 || row > 0x7E || cell < 0x21 || cell > 0x7E) return 0xFFFF;
    return tables().x0212[(row - 0x21) * kCells + (cell - 0x21)];
}

QString decodeEucJp(const char* data, qsizetype size)
{
    const Tables& t = tables();
    QString out(size, Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    qsizetype n = 0;
    for (qsizetype i = 0; i < size;) {
        if (p[i] < 0x80) { dst[n++] = p[i++]; continue; }
        i += eucChar(t, p + i, size - i, dst + n);
        ++n;
    }
    out.truncate(n);
    return out;
}

qint64 countEucJp(const char* data, qsizetype size)
{
    const Tables& t = tables();
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    qint64 n = 0;
    char16_t u;
    for (qsizetype i = 0; i < size; ++n) {
        if (p[i] < 0x80) { ++i; continue; }
        i += eucChar(t, p + i, size - i, &u);
    }
    return n;
}

int eucJpCharLength(const char* data, qsizetype size)
{
    char16_t u;
    return size > 0 ? eucChar(tables(), reinterpret_cast<const unsigned char*>(data), size, &u) : 0;
}

bool uniqueEucJp(const QString& text, QByteArray* out)
{
    const Tables& t = tables();
    out->clear();
    for (QChar qc : text) {
        char16_t u = qc.unicode();
        if (u == 0xFFFD || qc.isSurrogate() || t.forms[u] != 1) return false;
        quint32 code = t.reverse[u];
        if (code > 0xFFFF) out->append(char(code >> 16));
        if (code > 0xFF) out->append(char((code >> 8) & 0xFF));
        out->append(char(code & 0xFF));
    }
    return true;
}

QString decodeIso2022Jp(const char* data, qsizetype size)
{
    enum class Set { Ascii, Roman, Kana, X0208, X0212 };
    const Tables& t = tables();
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    QString out;
    out.reserve(size);
    Set set = Set::Ascii;
    Set beforeShiftOut = Set::Ascii;
    auto starts = [&](qsizetype i, const char* seq) {
        for (qsizetype k = 0; seq[k]; ++k)
            if (i + k >= size || p[i + k] != static_cast<unsigned char>(seq[k])) return qsizetype(0);
        return static_cast<qsizetype>(qstrlen(seq));
    };
    for (qsizetype i = 0; i < size;) {
        const unsigned char b = p[i];
        if (b == 0x1B) {
            static const struct { const char* seq; Set set; } escapes[] = {
                {"\x1b(B", Set::Ascii}, {"\x1b(J", Set::Roman}, {"\x1b(H", Set::Roman}, {"\x1b(I", Set::Kana},
                {"\x1b$@", Set::X0208}, {"\x1b$B", Set::X0208}, {"\x1b&@\x1b$B", Set::X0208},
                {"\x1b$(D", Set::X0212}, {"\x1b$(B", Set::X0208}, {"\x1b$(Q", Set::X0208},
            };
            qsizetype len = 0;
            for (const auto& e : escapes) {
                if ((len = starts(i, e.seq)) != 0) { set = e.set; break; }
            }
            if (len) { i += len; continue; }
            out.append(QChar(0xFFFD));
            ++i;
            continue;
        }
        if (b == 0x0E) { if (set != Set::Kana) beforeShiftOut = set; set = Set::Kana; ++i; continue; }
        if (b == 0x0F) { if (set == Set::Kana) set = beforeShiftOut; ++i; continue; }
        if (b >= 0x80) { out.append(QChar(0xFFFD)); ++i; continue; }
        if (b < 0x21 || b == 0x7F) { out.append(QChar(b)); ++i; continue; }
        switch (set) {
        case Set::Ascii: out.append(QChar(b)); ++i; break;
        case Set::Roman:
            out.append(QChar(b == 0x5C ? 0x00A5 : b == 0x7E ? 0x203E : b));
            ++i;
            break;
        case Set::Kana:
            out.append(QChar(b <= 0x5F ? char16_t(0xFF61 + b - 0x21) : char16_t(0xFFFD)));
            ++i;
            break;
        case Set::X0208:
        case Set::X0212: {
            if (i + 1 < size && p[i + 1] >= 0x21 && p[i + 1] <= 0x7E) {
                const auto& table = set == Set::X0208 ? t.x0208 : t.x0212;
                char16_t u = table[(b - 0x21) * kCells + (p[i + 1] - 0x21)];
                out.append(QChar(u == 0xFFFF ? char16_t(0xFFFD) : u));
                i += 2;
            } else {
                out.append(QChar(0xFFFD));
                ++i;
            }
            break;
        }
        }
    }
    return out;
}

} // namespace BigTextJis
