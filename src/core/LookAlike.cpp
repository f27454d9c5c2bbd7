#include "LookAlike.h"

#include <algorithm>

namespace LookAlike {

bool any(QStringView text)
{
    for (QChar c : text)
        if (partner(c.unicode())) return true;
    return false;
}

QString folded(QStringView text)
{
    QString out = text.toString();
    for (QChar& c : out) c = QChar(fold(c.unicode()));
    return out;
}

qsizetype indexIn(QStringView hay, QStringView needle, qsizetype from)
{
    const qsizetype m = needle.size(), n = hay.size();
    if (m == 0) return from <= n ? from : -1;
    const char16_t* h = hay.utf16();
    const char16_t* nd = needle.utf16();
    // Only places that start with either form of the needle's first character
    // are compared.
    const char16_t first = nd[0], other = partner(first) ? partner(first) : first;
    for (qsizetype k = std::max<qsizetype>(from, 0); k + m <= n; ++k) {
        if (h[k] != first && h[k] != other) continue;
        qsizetype j = 1;
        while (j < m && fold(h[k + j]) == nd[j]) ++j;
        if (j == m) return k;
    }
    return -1;
}

} // namespace LookAlike
