#include "RtfListLabel.h"

#include <array>

namespace {

QString letters(int n, char a)
{
    // 1 is A, 26 is Z, 27 is AA: the letter repeated, as word processors count.
    const int repeat = (n - 1) / 26 + 1;
    return QString(repeat, QChar(a + (n - 1) % 26));
}

QString roman(int n, bool upper)
{
    static constexpr std::array<std::pair<int, const char*>, 13> kDigits{{{1000, "m"}, {900, "cm"}, {500, "d"},
        {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"}, {40, "xl"}, {10, "x"}, {9, "ix"}, {5, "v"}, {4, "iv"}, {1, "i"}}};
    QString out;
    for (const auto& [value, digits] : kDigits)
        for (; n >= value; n -= value) out += QLatin1String(digits);
    return upper ? out.toUpper() : out;
}

} // namespace

QString RtfListLabel::number(int n) const
{
    if (n < 1 || n > 3999) return QString::number(n);
    switch (style) {
    case 'A': case 'a': return n <= 26 * 8 ? letters(n, style) : QString::number(n);
    case 'I': return roman(n, true);
    case 'i': return roman(n, false);
    default: return QString::number(n);
    }
}
