#include "Platform.h"

#include <QDir>

// First version: QDir with a wildcard filter.
QStringList RealPlatform::findFiles(const QString& folder, const QString& pattern)
{
    if (pattern.isEmpty()) return {};
    QDir dir(folder);
    QStringList names = dir.entryList({pattern}, QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    return names;
}
