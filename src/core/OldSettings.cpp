#include "OldSettings.h"

#include "AppSlots.h"
#include "FsPath.h"
#include "LineBuffer.h"

namespace OldSettings {

QString oldItemsFile() { return QStringLiteral("appitem.cfg"); }
QString oldIconFile(int n) { return QStringLiteral("gitem%1.bmp").arg(n); }
QString oldMainFile() { return QStringLiteral("appcfg.cfg"); }

QStringList appItemLines(const QStringList& oldLines)
{
    QStringList out = oldLines;
    for (int slot = 4; slot <= AppSlots::Count; ++slot)
        out << AppSlots::unregistered() << QString() << QString();
    return out;
}

QStringList mainSettingsLines(const QStringList& oldLines)
{
    QStringList out;
    out.reserve(oldLines.size() + 4);
    out << QStringLiteral("Vardolin Ver 1.05");
    out += oldLines;
    out << QStringLiteral("1") << QStringLiteral("1") << QStringLiteral("88");
    return out;
}

bool isPresent(const QString& path)
{
    return FsPath::kind(path) == FsPath::Kind::File;
}

namespace {
void fill(LineBuffer& buffer, const QStringList& lines)
{
    buffer.clear();
    for (const QString& l : lines) buffer.append(l);
}
} // namespace

AppsResult convertApps(const QString& dir, bool deleteOld, LineBuffer& buffer,
                       std::array<QImage, OldIconCount>& images)
{
    const QString oldItems = dir + oldItemsFile();
    if (!isPresent(oldItems)) return AppsResult::ItemsMissing;
    buffer.load(oldItems);
    fill(buffer, appItemLines(buffer.lines()));
    buffer.save(dir + AppSlots::itemsFile());

    bool iconsPresent = true;
    for (int n = 1; n <= OldIconCount; ++n) iconsPresent = iconsPresent && isPresent(dir + oldIconFile(n));
    // All three are read before anything old is deleted or any icon written:
    // a damaged bitmap then leaves every old file in place for another try and
    // the current icons as a set.
    if (iconsPresent)
        for (int n = 1; n <= OldIconCount; ++n) images[n - 1] = AppSlots::loadBitmap(dir + oldIconFile(n));
    if (deleteOld) FsPath::remove(oldItems);
    if (!iconsPresent) return AppsResult::ImagesMissing;

    for (int n = 1; n <= OldIconCount; ++n) AppSlots::saveBitmap(images[n - 1], dir + AppSlots::iconFile(n));
    if (deleteOld)
        for (int n = 1; n <= OldIconCount; ++n) FsPath::remove(dir + oldIconFile(n));
    return AppsResult::Converted;
}

bool convertMainSettings(const QString& dir, bool deleteOld, LineBuffer& oldLines, LineBuffer& newLines)
{
    const QString oldMain = dir + oldMainFile();
    if (!isPresent(oldMain)) return false;
    oldLines.load(oldMain);
    fill(newLines, mainSettingsLines(oldLines.lines()));
    newLines.save(dir + QStringLiteral("appcfgs.cfg"));
    if (deleteOld) FsPath::remove(oldMain);
    return true;
}

} // namespace OldSettings
