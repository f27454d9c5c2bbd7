#include "Platform.h"

#include <QApplication>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>

namespace {

// Without a desktop session Qt names no icon theme (or only the bare fallback
// theme), and every theme lookup would fail; the scripts install Adwaita.
void ensureIconTheme()
{
    static bool done = false;
    if (done) return;
    done = true;
    const QString theme = QIcon::themeName();
    if (theme.isEmpty() || theme == QLatin1String("hicolor")) QIcon::setThemeName(QStringLiteral("Adwaita"));
}

QIcon themeIcon(const QString& name)
{
    return (!name.isEmpty() && QIcon::hasThemeIcon(name)) ? QIcon::fromTheme(name) : QIcon();
}

QIcon iconForType(const QMimeType& type)
{
    QIcon icon = themeIcon(type.iconName());
    if (icon.isNull()) icon = themeIcon(type.genericIconName());
    if (icon.isNull() && type.name().startsWith(QLatin1String("text/"))) icon = themeIcon(QStringLiteral("text-x-generic"));
    if (icon.isNull()) icon = themeIcon(QStringLiteral("application-x-generic"));
    if (icon.isNull()) icon = themeIcon(QStringLiteral("text-x-generic"));
    // The style's own file icon is built in, so something is always drawn.
    if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    return icon;
}

} // namespace

QString RealPlatform::fileType(const QString& path)
{
    static const QMimeDatabase db;
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const QList<QMimeType> types = db.mimeTypesForFileName(name);
    return types.isEmpty() ? QStringLiteral("application/octet-stream") : types.first().name();
}

QIcon RealPlatform::typeIcon(const QString& type)
{
    ensureIconTheme();
    static QHash<QString, QIcon> byType;
    auto it = byType.constFind(type);
    if (it != byType.constEnd()) return *it;
    static const QMimeDatabase db;
    const QIcon icon = iconForType(db.mimeTypeForName(type));
    byType.insert(type, icon);
    return icon;
}

QIcon RealPlatform::fileIcon(const QString& path)
{
    return typeIcon(fileType(path));
}
