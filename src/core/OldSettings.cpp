#include "OldSettings.h"

#include "AppSlots.h"
#include "FsPath.h"
#include "LineBuffer.h"
#include "MainSettings.h"
#include "VarError.h"

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
// Direct launching unavailable, direct launching off, the default list width.
const QStringList kMainTail = {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("88")};
} // namespace

QStringList appItemLines(const QStringList& oldLines)
{
    return oldLines + newSlotLines();
}

QStringList mainSettingsLines(const QStringList& oldLines)
{
    return QStringList{MainSettings::header()} + oldLines + kMainTail;
}

bool isPresent(const QString& path)
{
    return FsPath::kind(path) == FsPath::Kind::File;
}

namespace {
const QByteArray kBom("\xEF\xBB\xBF");
// The largest old file taken: MaxOldLines full lines with their ends.
constexpr qint64 kMaxOldBytes = 3 + MaxOldLines * (LineBuffer::MaxLineBytes + 2);

bool isControl(unsigned char c)
{
    return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F;
}

// Reads an old text file into `lines` when it is plausible; throws
// VarError::cannotOpen when it cannot be read. Read once, so that what was
// checked is what is converted.
bool readOld(const QString& path, LineBuffer& lines, Fault* fault)
{
    QByteArray bytes;
    if (!FsPath::readFile(path, &bytes, kMaxOldBytes + 1)) throw VarError::cannotOpen(path);
    const Fault found = oldFileFault(bytes);
    if (fault) *fault = found;
    if (found.kind != Fault::None) return false;
    lines.loadBytes(bytes);
    return true;
}

// Saves the lines and reads the file back: only a file that holds every
// copied line with its bytes lets the old one go.
void saveWhole(const LineBuffer& lines, int first, int copied, const QString& path, Durability durability)
{
    const QByteArray bytes = lines.bytesFor(path);
    saveFileAtomically(path, bytes, durability);
    QByteArray back;
    if (!FsPath::readFile(path, &back, bytes.size() + 1) || back != bytes || !copiedWhole(lines, first, copied, back))
        throw VarError::cannotCreate(path);
}
} // namespace

bool plausibleOldFile(const QByteArray& bytes)
{
    return oldFileFault(bytes).kind == Fault::None;
}

Fault oldFileFault(const QByteArray& bytes)
{
    if (bytes.size() > kMaxOldBytes) return Fault{Fault::TooBig};
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype run = 0;
    int line = 1;
    for (qsizetype i = bytes.startsWith(kBom) ? kBom.size() : 0; i < n; ++i) {
        if (isControl(p[i])) return Fault{Fault::ControlByte, line, p[i]};
        const bool end = p[i] == '\r' || p[i] == '\n';
        // CR LF ends one line, as a lone CR or LF does.
        if (end && !(p[i] == '\n' && i > 0 && p[i - 1] == '\r')) ++line;
        run = end ? 0 : run + 1;
        if (run > LineBuffer::MaxLineBytes) return Fault{Fault::LineTooLong, line};
    }
    LineBuffer lines;
    lines.loadBytes(bytes);
    if (lines.count() > MaxOldLines) return Fault{Fault::TooManyLines, MaxOldLines + 1};
    return Fault{};
}

QString faultText(const Fault& fault)
{
    switch (fault.kind) {
    case Fault::TooBig:
        return QStringLiteral("ファイルが大きすぎます（%1 バイトを超えています）。").arg(kMaxOldBytes);
    case Fault::ControlByte:
        return QStringLiteral("%1 行目に制御文字 (0x%2) があります。")
            .arg(fault.line)
            .arg(QString::number(fault.byte, 16).rightJustified(2, QLatin1Char('0')).toUpper());
    case Fault::LineTooLong:
        return QStringLiteral("%1 行目が長すぎます（%2 バイトを超えています）。").arg(fault.line).arg(LineBuffer::MaxLineBytes);
    case Fault::TooManyLines:
        return QStringLiteral("行が多すぎます（%1 行を超えています）。").arg(MaxOldLines);
    case Fault::None:
        break;
    }
    return QString();
}

bool copiedWhole(const LineBuffer& written, int first, int copied, const QByteArray& onDisk)
{
    LineBuffer back;
    back.loadBytes(onDisk);
    if (back.count() != written.count()) return false;
    for (int i = first; i < first + copied; ++i)
        if (back.lineBytes(i) != written.lineBytes(i) || back.lineEncoding(i) != written.lineEncoding(i)) return false;
    return true;
}

AppsResult convertApps(const QString& dir, bool deleteOld, LineBuffer& buffer,
                       std::array<QImage, OldIconCount>& images, Fault* fault, Durability durability)
{
    const QString oldItems = dir + oldItemsFile();
    if (!isPresent(oldItems)) return AppsResult::ItemsMissing;
    // The old lines stay in the buffer as they were read, byte for byte; the
    // new slots follow them.
    if (!readOld(oldItems, buffer, fault)) return AppsResult::ItemsImplausible;
    const int copied = buffer.count();
    for (const QString& l : newSlotLines()) buffer.append(l);
    saveWhole(buffer, 0, copied, dir + AppSlots::itemsFile(), durability);

    bool iconsPresent = true;
    for (int n = 1; n <= OldIconCount; ++n) iconsPresent = iconsPresent && isPresent(dir + oldIconFile(n));
    // All three are read before anything old is deleted or any icon written:
    // a damaged bitmap then leaves every old file in place for another try and
    // the current icons as a set.
    if (iconsPresent)
        for (int n = 1; n <= OldIconCount; ++n) images[n - 1] = AppSlots::loadBitmap(dir + oldIconFile(n));
    if (deleteOld) FsPath::remove(oldItems);
    if (!iconsPresent) return AppsResult::ImagesMissing;

    for (int n = 1; n <= OldIconCount; ++n) AppSlots::saveBitmap(images[n - 1], dir + AppSlots::iconFile(n), durability);
    if (deleteOld)
        for (int n = 1; n <= OldIconCount; ++n) FsPath::remove(dir + oldIconFile(n));
    return AppsResult::Converted;
}

MainResult convertMainSettings(const QString& dir, bool deleteOld, LineBuffer& oldLines, LineBuffer& newLines,
                               Fault* fault, Durability durability)
{
    const QString oldMain = dir + oldMainFile();
    if (!isPresent(oldMain)) return MainResult::Missing;
    if (!readOld(oldMain, oldLines, fault)) return MainResult::Implausible;
    newLines.clear();
    newLines.append(MainSettings::header());
    for (int i = 0; i < oldLines.count(); ++i) newLines.appendLineOf(oldLines, i);   // byte for byte
    for (const QString& l : kMainTail) newLines.append(l);
    // The header comes first: the copied lines are 1..count.
    saveWhole(newLines, 1, oldLines.count(), dir + QStringLiteral("appcfgs.cfg"), durability);
    if (deleteOld) FsPath::remove(oldMain);
    return MainResult::Converted;
}

} // namespace OldSettings
