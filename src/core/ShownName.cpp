#include "ShownName.h"

#include "Cp932.h"
#include "FsPath.h"

namespace ShownName {

namespace {
constexpr char16_t kStrayFirst = 0xDC80, kStrayLast = 0xDCFF;

bool isStray(QChar c)
{
    return c.unicode() >= kStrayFirst && c.unicode() <= kStrayLast;
}

// Every byte belongs to a defined CP932 character.
bool isCp932(const QByteArray& bytes)
{
    const Cp932::Table& t = Cp932::table();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char b = p[i];
        if (t.lead[b]) {
            if (i + 1 >= n || t.doubleByte[(b << 8) | p[i + 1]] == 0xFFFF) return false;
            ++i;
        } else if (t.single[b] == 0xFFFF) {
            return false;
        }
    }
    return true;
}
} // namespace

bool hasStrayBytes(const QString& name)
{
    for (QChar c : name)
        if (isStray(c)) return true;
    return false;
}

QString of(const QString& name)
{
    if (!hasStrayBytes(name)) return name;
    const QByteArray raw = FsPath::encodeName(name);
    if (isCp932(raw)) return Cp932::decode(raw);
    QString shown = name;
    for (QChar& c : shown)
        if (isStray(c)) c = QChar::ReplacementCharacter;
    return shown;
}

} // namespace ShownName
