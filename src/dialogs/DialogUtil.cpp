#include "DialogUtil.h"

#include "Fonts.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QtMath>

namespace DialogUtil {

void makeFixedDialog(QDialog* dialog, int clientWidth, int clientHeight)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    dialog->setFont(Fonts::windowFont());
    dialog->setFixedSize(clientWidth, clientHeight);
    dialog->setModal(true);
}

void applyViewColors(QWidget* widget, const ViewColors& colors)
{
    QPalette pal = widget->palette();
    const QColor fg = TColor::toQColor(colors.text);
    const QColor bg = TColor::toQColor(colors.background);
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Text, fg);
        pal.setColor(group, QPalette::WindowText, fg);
        pal.setColor(group, QPalette::ButtonText, fg);
        pal.setColor(group, QPalette::Base, bg);
        pal.setColor(group, QPalette::Window, bg);
        pal.setColor(group, QPalette::Button, bg);
    }
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

void centreOnScreen(QWidget* widget)
{
    QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect area = screen->availableGeometry();
    QRect frame = widget->frameGeometry();
    widget->move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

QPushButton* plainButton(const QString& caption, const char* name, QWidget* parent, const QRect& geometry)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setGeometry(geometry);
    return b;
}

QIcon folderGlyph()
{
    QIcon icon;
    for (const qreal scale : GlyphScales) {
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

QIcon smoothGlyph(const QImage& image)
{
    if (image.isNull()) return {};
    QIcon icon;
    const QImage base = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (const qreal scale : GlyphScales) {
        QImage scaled = scale == 1.0 ? base
                                     : base.scaled(qRound(base.width() * scale), qRound(base.height() * scale),
                                                   Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(scale);
        icon.addPixmap(QPixmap::fromImage(scaled));
    }
    return icon;
}

} // namespace DialogUtil
