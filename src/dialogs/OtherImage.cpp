#include "OtherImage.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QPixmap>

namespace {
QAccessibleInterface* pictureInterface(const QString& className, QObject* object)
{
    if (className != QLatin1String("ImageBox") || !object || !object->isWidgetType()) return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
}
} // namespace

ImageBox::ImageBox(QWidget* parent) : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(pictureInterface);
        return true;
    }();
    Q_UNUSED(installed);
    setFixedSize(Side, Side);
}

void ImageBox::setPicture(const QImage& image)
{
    m_picture = image;
    update();
}

void ImageBox::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull()) return;
    QPainter p(this);
    // On a screen of higher density the 17 x 17 picture is enlarged smoothly.
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(0, 0, m_picture);
}

namespace OtherImage {

QImage iconImage(const QIcon& icon)
{
    if (icon.isNull()) return {};
    const QSize side(ImageBox::Side, ImageBox::Side);
    QImage img = icon.pixmap(side, 1.0).toImage();
    if (img.isNull()) return {};
    img.setDevicePixelRatio(1.0);
    // Themes ship 16 and 22 pixel sizes; the cell is 17 like the shell's list.
    if (img.size() != side) img = img.scaled(side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace OtherImage
