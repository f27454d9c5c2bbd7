#include "JisTable.h"

#include "Cp932.h"
#include "IconvChar.h"

#include <mutex>
#include <vector>

namespace JisTable {

namespace {
bool privateUse(char16_t u) { return u >= 0xE000 && u <= 0xF8FF; }
} // namespace

const Plane& x0208()
{
    static Plane t;
    static std::once_flag once;
    std::call_once(once, [] {
        // The C library's EUC-JP reading, which every other program on the
        // system shares; the NEC and IBM rows it lacks come from CP932.
        iconv_t cd = iconv_open("UTF-16LE", "EUC-JP");
        const Cp932::Table& cp = Cp932::table();
        for (int row = 0; row < kCells; ++row) {
            for (int cell = 0; cell < kCells; ++cell) {
                const unsigned char in[2] = {static_cast<unsigned char>(row + 0xA1),
                                             static_cast<unsigned char>(cell + 0xA1)};
                char16_t u = iconvChar(cd, in, 2);
                if (u == kUndefined) u = cp.doubleByte[shiftJis(row, cell)];
                t[row * kCells + cell] = privateUse(u) ? kUndefined : u;
            }
        }
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    });
    return t;
}

const Plane& x0212()
{
    static Plane t;
    static std::once_flag once;
    std::call_once(once, [] {
        t.fill(kUndefined);
        // The PC flavour of EUC-JP holds the plain JIS X 0212 table plus the IBM
        // extensions; where the two differ (the broken bar) it has CP932's form.
        iconv_t cd = iconv_open("UTF-16LE", "EUC-JP-MS");
        if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-16LE", "EUC-JP");
        for (int row = 0; row < kCells; ++row) {
            for (int cell = 0; cell < kCells; ++cell) {
                const unsigned char in[3] = {0x8F, static_cast<unsigned char>(row + 0xA1),
                                             static_cast<unsigned char>(cell + 0xA1)};
                const char16_t u = iconvChar(cd, in, 3);
                t[row * kCells + cell] = privateUse(u) ? kUndefined : u;
            }
        }
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    });
    return t;
}

const EucForms& eucForms()
{
    static std::vector<quint32> code;
    static std::vector<quint8> count;
    static EucForms forms;
    static std::once_flag once;
    std::call_once(once, [] {
        code.assign(65536, 0);
        count.assign(65536, 0);
        auto add = [](char16_t u, quint32 bytes) {
            if (u == kUndefined) return;
            if (count[u] == 0) code[u] = bytes;
            if (count[u] < 255) ++count[u];
        };
        for (int b = 0; b < 0x80; ++b) add(char16_t(b), quint32(b));
        for (int k = 0xA1; k <= 0xDF; ++k) add(char16_t(0xFF61 + k - 0xA1), 0x8E00u | quint32(k));
        const Plane& a = x0208();
        const Plane& b = x0212();
        for (int row = 0; row < kCells; ++row)
            for (int cell = 0; cell < kCells; ++cell)
                add(a[row * kCells + cell], (quint32(0xA1 + row) << 8) | quint32(0xA1 + cell));
        for (int row = 0; row < kCells; ++row)
            for (int cell = 0; cell < kCells; ++cell)
                add(b[row * kCells + cell], 0x8F0000u | (quint32(0xA1 + row) << 8) | quint32(0xA1 + cell));
        forms = {code.data(), count.data()};
    });
    return forms;
}

} // namespace JisTable
