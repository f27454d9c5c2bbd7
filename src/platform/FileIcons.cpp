#include "Platform.h"

#include <QApplication>
#include <QMimeDatabase>
#include <QStyle>

QIcon RealPlatform::fileIcon(const QString& path)
{
    QMimeDatabase db;
    QMimeType t = db.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(t.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(t.genericIconName());
    if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    return icon;
}
