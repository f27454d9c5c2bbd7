#include "Glyphs.h"

#include <QPainter>
#include <QPixmap>
#include <QtMath>

namespace Glyphs {

QIcon folder()
{
    QIcon icon;
    for (const qreal scale : Scales) {
        QPixmap pm(qCeil(14 * scale), qCeil(15 * scale));
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        // One pixel of outline at the glyph's own size; at a fractional
        // density the edges are smoothed instead of falling unevenly.
        p.setRenderHint(QPainter::Antialiasing, scale != qFloor(scale));
        p.setPen(QPen(QColor(128, 128, 0), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(QColor(255, 255, 0));
        p.drawRect(QRectF(0.5, 4.5, 13, 9));
        p.drawRect(QRectF(1.5, 2.5, 5, 2));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QIcon smooth(const QImage& image)
{
    if (image.isNull()) return {};
    QIcon icon;
    const QImage base = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (const qreal scale : Scales) {
        QImage scaled = scale == 1.0 ? base
                                     : base.scaled(qRound(base.width() * scale), qRound(base.height() * scale),
                                                   Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(scale);
        icon.addPixmap(QPixmap::fromImage(scaled));
    }
    return icon;
}

} // namespace Glyphs
