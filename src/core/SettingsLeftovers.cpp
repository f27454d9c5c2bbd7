#include "SettingsLeftovers.h"

#include "AppSlots.h"
#include "FsPath.h"
#include "MainSettings.h"
#include "SaveFile.h"

#include <QDir>

#include <algorithm>

namespace SettingsLeftovers {

QStringList savedFiles()
{
    QStringList out{MainSettings::fileName(), QStringLiteral("exitem.cfg"), AppSlots::itemsFile()};
    for (int n = 1; n <= AppSlots::Count; ++n) out << AppSlots::iconFile(n);
    return out;
}

bool isLeftover(const QString& name)
{
    const QStringList saved = savedFiles();
    return std::any_of(saved.cbegin(), saved.cend(), [&](const QString& f) { return SaveTemp::isTempOf(name, f); });
}

int removeFrom(const QString& dir)
{
    int removed = 0;
    const QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        if (isLeftover(name) && SaveTemp::removeIfAbandoned(FsPath::encodeName(dir + name))) ++removed;
    return removed;
}

} // namespace SettingsLeftovers
