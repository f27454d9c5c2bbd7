#pragma once
#include <QtGlobal>

#include <array>

// The tables of the JIS character sets that EUC-JP and ISO-2022-JP read
// through, as the system's own converter reads them, so that a character of
// either reads as every other program on the system shows it. JIS X 0208 is
// the C library's EUC-JP table: the wave dash is U+301C, the minus sign
// U+2212 and so on (CP932 reads six codes as other look-alikes, U+FF5E, U+FF0D
// ..., with its own table). The NEC special row 13 and the NEC-selected IBM
// rows 89..92, which that table lacks, come from CP932 through the Shift_JIS
// arithmetic. JIS X 0212 (EUC-JP's three-byte form and ISO-2022-JP's
// supplementary set) is the C library's table with the IBM extensions that
// PCs wrote there, in their CP932 forms. User-defined areas are left undefined.
//
// Both are indexed by row and cell, each 0..93 (the byte minus 0x21 or 0xA1);
// 0xFFFF marks an undefined code. Built once, on first use.
namespace JisTable {

constexpr int kCells = 94;
using Plane = std::array<char16_t, kCells * kCells>;
constexpr char16_t kUndefined = 0xFFFF;

const Plane& x0208();
const Plane& x0212();

// The Shift_JIS code of a JIS X 0208 row and cell (0..93).
constexpr quint16 shiftJis(int row, int cell)
{
    const int j1 = row + 0x21, j2 = cell + 0x21;
    const int s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
    const int s2 = (j1 & 1) ? j2 + (j2 >= 0x60 ? 0x20 : 0x1F) : j2 + 0x7E;
    return quint16(s1 << 8 | s2);
}

// EUC-JP forms of every BMP code unit: the bytes of the first form (up to
// three, big-endian in the low bytes) and how many forms decode to it.
struct EucForms {
    const quint32* code;
    const quint8* count;
};
const EucForms& eucForms();

}
