#include "FolderGlyph.h"

#include <QPainter>
#include <QPixmap>

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
