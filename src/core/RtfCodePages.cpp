#include "RtfCodePages.h"

#include "Cp932.h"

#include <cerrno>
#include <map>
#include <mutex>

#include <iconv.h>

namespace RtfCodePages {

int ofCharset(int charset, int ansiCodePage)
{
    switch (charset) {
    case 0: return 1252;
    case 2: return 1252;    // symbol fonts: the bytes themselves
    case 77: return 10000;  // the Mac character sets
    case 78: return 10001;
    case 79: return 10003;
    case 80: return 10008;
    case 81: return 10002;
    case 82: return 10003;
    case 83: return 10005;
    case 84: return 10004;
    case 85: return 10006;
    case 86: return 10081;
    case 87: return 10021;
    case 88: return 10029;
    case 89: return 10007;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: case 181: return 1255;
    case 178: case 179: case 180: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;   // OEM
    default: return ansiCodePage;   // 1 (default) and sets not known
    }
}

namespace {

// The code page whose table is used for one glibc has none of.
int closest(int codePage)
{
    switch (codePage) {
    case 10001: return 932;     // Mac Japanese: Shift_JIS as CP932 reads it
    case 10002: return 950;
    case 10003: return 949;
    case 10004: return 1256;
    case 10005: return 1255;
    case 10006: return 1253;
    case 10008: return 936;
    case 10021: return 874;
    case 10081: return 1254;
    default: return codePage;
    }
}

QByteArray iconvName(int codePage)
{
    switch (codePage) {
    case 10000: return "MACINTOSH";
    case 10007: return "MAC-CYRILLIC";
    case 10017: return "MAC-UK";
    case 10029: return "MAC-CENTRALEUROPE";
    case 10079: return "MAC-IS";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 20932: case 51932: return "EUC-JP";
    case 50220: case 50221: case 50222: return "ISO-2022-JP";
    case 51936: return "EUC-CN";
    case 51949: return "EUC-KR";
    case 52936: return "HZ";
    case 54936: return "GB18030";
    default: break;
    }
    if (codePage >= 28591 && codePage <= 28606) return "ISO-8859-" + QByteArray::number(codePage - 28590);
    return "CP" + QByteArray::number(codePage);
}

QString decodeWithIconv(int codePage, const QByteArray& bytes)
{
    // One converter a code page, opened when first needed and closed at exit.
    static struct Converters {
        std::mutex lock;
        std::map<int, iconv_t> byCodePage;
        ~Converters()
        {
            for (const auto& [page, cd] : byCodePage)
                if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
        }
    } converters;
    std::lock_guard<std::mutex> guard(converters.lock);
    auto it = converters.byCodePage.find(codePage);
    if (it == converters.byCodePage.end())
        it = converters.byCodePage.emplace(codePage, iconv_open("UTF-16LE", iconvName(codePage).constData())).first;
    iconv_t cd = it->second;
    if (cd == reinterpret_cast<iconv_t>(-1)) return QString::fromLatin1(bytes);
    QString out;
    out.reserve(bytes.size());
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = bytes.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        char16_t buf[512];
        char* o = reinterpret_cast<char*>(buf);
        size_t oLeft = sizeof buf;
        const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(reinterpret_cast<const QChar*>(buf), qsizetype((sizeof buf - oLeft) / 2));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // An invalid or cut-off sequence: one replacement, then go on.
            out.append(QChar(0xFFFD));
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    // What a converter keeps back (a base letter that a combining mark may follow).
    char16_t buf[16];
    char* o = reinterpret_cast<char*>(buf);
    size_t oLeft = sizeof buf;
    iconv(cd, nullptr, nullptr, &o, &oLeft);
    out.append(reinterpret_cast<const QChar*>(buf), qsizetype((sizeof buf - oLeft) / 2));
    return out;
}

} // namespace

bool isLeadByte(int codePage, unsigned char c)
{
    switch (closest(codePage)) {
    case 932: return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936: case 949: case 950: case 1361: return c >= 0x81 && c <= 0xFE;
    default: return false;
    }
}

QString decode(int codePage, const QByteArray& bytes)
{
    codePage = closest(codePage);
    if (codePage == 932) return Cp932::decode(bytes);
    if (codePage == 65001) return QString::fromUtf8(bytes);
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) { ascii = false; break; }
    if (ascii) return QString::fromLatin1(bytes);
    return decodeWithIconv(codePage, bytes);
}

} // namespace RtfCodePages
