#include "OldSettings.h"

#include "AppSlots.h"
#include "FsPath.h"
#include "LineBuffer.h"

namespace OldSettings {

QString oldItemsFile() { return QStringLiteral("appitem.cfg"); }
QString oldIconFile(int n) { return QStringLiteral("gitem%1.bmp").arg(n); }
QString oldMainFile() { return QStringLiteral("appcfg.cfg"); }

namespace {
// Slots 4 and 5, which Ver1.02 did not have: unregistered.
QStringList newSlotLines()
{
    QStringList out;
    for (int slot = 4; slot <= AppSlots::Count; ++slot) out << AppSlots::unregistered() << QString() << QString();
    return out;
}
const QString kMainHeader = QStringLiteral("Vardolin Ver 1.05");
// Direct launching unavailable, direct launching off, the default list width.
const QStringList kMainTail = {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("88")};
} // namespace

QStringList appItemLines(const QStringList& oldLines)
{
    return oldLines + newSlotLines();
}

QStringList mainSettingsLines(const QStringList& oldLines)
{
    return QStringList{kMainHeader} + oldLines + kMainTail;
}

bool isPresent(const QString& path)
{
    return FsPath::kind(path) == FsPath::Kind::File;
}

AppsResult convertApps(const QString& dir, bool deleteOld, LineBuffer& buffer,
                       std::array<QImage, OldIconCount>& images)
{
    const QString oldItems = dir + oldItemsFile();
    if (!isPresent(oldItems)) return AppsResult::ItemsMissing;
    // The old lines stay in the buffer as they were read, byte for byte; the
    // new slots follow them.
    buffer.load(oldItems);
    for (const QString& l : newSlotLines()) buffer.append(l);
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
    newLines.clear();
    newLines.append(kMainHeader);
    for (int i = 0; i < oldLines.count(); ++i) newLines.appendLineOf(oldLines, i);   // byte for byte
    for (const QString& l : kMainTail) newLines.append(l);
    newLines.save(dir + QStringLiteral("appcfgs.cfg"));
    if (deleteOld) FsPath::remove(oldMain);
    return true;
}

} // namespace OldSettings
