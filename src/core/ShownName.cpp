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
    // Where every byte belongs to a CP932 character, the name is CP932.
    const QString cp932 = Cp932::decodeKeepingBytes(FsPath::encodeName(name));
    if (!hasStrayBytes(cp932)) return cp932;
    QString shown = name;
    for (QChar& c : shown)
        if (isStray(c)) c = QChar::ReplacementCharacter;
    return shown;
}

} // namespace ShownName
