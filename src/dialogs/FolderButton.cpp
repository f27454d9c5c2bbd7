#include "FolderButton.h"

#include <QPainter>
#include <QPixmap>
#include <QToolButton>

namespace {
QIcon folderGlyph()
{
    QPixmap pm(14, 15);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(128, 128, 0));
    p.setBrush(QColor(255, 255, 0));
    p.drawRect(0, 4, 13, 9);
    p.drawRect(1, 2, 5, 2);
    return QIcon(pm);
}
} // namespace

QToolButton* folderButton(QWidget* parent, const QRect& geometry, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QStringLiteral("FolderBtn"));
    b->setIcon(folderGlyph());
    b->setIconSize(QSize(14, 15));
    b->setGeometry(geometry);
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolTip(hint);
    return b;
}
