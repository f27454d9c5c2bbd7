#include "SettingsLeftovers.h"

#include "AppSlots.h"
#include "FsPath.h"
#include "MainSettings.h"

#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

namespace SettingsLeftovers {

QStringList savedFiles()
{
    QStringList out{MainSettings::fileName(), QStringLiteral("exitem.cfg"), AppSlots::itemsFile()};
    for (int n = 1; n <= AppSlots::Count; ++n) out << AppSlots::iconFile(n);
    return out;
}

bool isLeftover(const QString& name)
{
    // The suffix mkostemp fills in: exactly six ASCII letters or digits.
    constexpr int kSuffix = 6;
    if (name.size() < kSuffix + 2 || name.at(name.size() - kSuffix - 1) != QLatin1Char('.')) return false;
    for (qsizetype i = name.size() - kSuffix; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        const bool alnum = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        if (!alnum) return false;
    }
    return savedFiles().contains(name.left(name.size() - kSuffix - 1));
}

int removeFrom(const QString& dir)
{
    int removed = 0;
    const QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (!isLeftover(name)) continue;
        const QByteArray path = FsPath::encodeName(dir + name);
        // A link of that name is someone's, not a save's.
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (::unlink(path.constData()) == 0) ++removed;
    }
    return removed;
}

} // namespace SettingsLeftovers
