#include "AppSlots.h"

#include "FsPath.h"
#include "LineBuffer.h"
#include "TColor.h"
#include "VarError.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace AppSlots {

QString itemsFile() { return QStringLiteral("appitems.cfg"); }
QString iconFile(int n) { return QStringLiteral("IconImg%1.bmp").arg(n); }

const Slot& Table::at(int n) const
{
    static const Slot none;
    return valid(n) ? m_slots[n - 1] : none;
}

void Table::setTexts(int n, const Row& row)
{
    if (!valid(n)) return;
    Slot& s = m_slots[n - 1];
    s.title = row.title;
    s.path = row.path;
    s.option = row.option;
}

void Table::setIcon(int n, const QImage& icon)
{
    if (valid(n)) m_slots[n - 1].icon = icon;
}

void Table::confirm(int n, const Row& row, const QImage& icon)
{
    if (!valid(n)) return;
    const bool registered = isRegistered(row.title);
    setTexts(n, Row{row.title, registered ? row.path : QString(), registered ? row.option : QString()});
    setIcon(n, icon);
}

Row rowFromLines(const LineBuffer& lines, int n)
{
    const int base = 3 * (n - 1);
    return Row{lines.line(base), lines.line(base + 1), lines.line(base + 2)};
}

void save(const QString& settingsDir, const std::array<Row, Count>& rows, const std::array<QImage, Count>& images)
{
    LineBuffer buffer;
    for (const Row& r : rows) {
        buffer.append(r.title);
        buffer.append(r.path);
        buffer.append(r.option);
    }
    buffer.save(settingsDir + itemsFile());
    for (int n = 1; n <= Count; ++n) {
        QImage img = images[n - 1].isNull() ? blankIcon() : images[n - 1];
        saveBitmap(img, settingsDir + iconFile(n));
    }
}

QImage loadBitmap(const QString& path)
{
    QByteArray bytes;
    if (!FsPath::readFile(path, &bytes, 64ll * 1024 * 1024)) throw VarError::cannotOpen(path);
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf, "bmp");
    // A hostile header must not make the reader allocate gigabytes.
    reader.setAllocationLimit(64);
    QImage img = reader.read();
    if (img.isNull()) {
        // The sentence of the failed read, then which file and why.
        const QString why = bytes.isEmpty()              ? QStringLiteral("ファイルが空です")
                            : !bytes.startsWith("BM")    ? QStringLiteral("ビットマップではありません")
                            : reader.error() == QImageReader::InvalidDataError
                                ? QStringLiteral("ビットマップが壊れているか、大きすぎます")
                                : QStringLiteral("このビットマップの形式は読めません");
        throw VarError(VarError::streamRead().message() + QStringLiteral("（ﾌｧｲﾙ %1: %2）").arg(path, why));
    }
    return img;
}

void saveBitmap(const QImage& image, const QString& path, Durability durability)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    QImageWriter writer(&buf, "bmp");
    if (!writer.write(image.convertToFormat(QImage::Format_RGB888))) throw VarError::cannotCreate(path);
    saveFileAtomically(path, bytes, durability);
}

QImage blankIcon()
{
    QImage img(17, 17, QImage::Format_RGB32);
    img.fill(TColor::toQColor(TColor::BtnFace));
    return img;
}

namespace {
QImage& canvas(QImage* picture)
{
    if (picture->isNull()) *picture = blankIcon();
    return *picture;
}
} // namespace

void fillButtonFace(QImage* picture)
{
    canvas(picture).fill(TColor::toQColor(TColor::BtnFace));
}

void drawOpaque(QImage* picture, const QImage& source)
{
    if (source.isNull()) return;
    QPainter p(&canvas(picture));
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, source.convertToFormat(QImage::Format_RGB32));
}

void drawOver(QImage* picture, const QImage& image)
{
    if (image.isNull()) return;
    QPainter p(&canvas(picture));
    p.drawImage(0, 0, image);
}

} // namespace AppSlots
