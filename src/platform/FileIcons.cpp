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

// The type comes from the name alone (never from the content, which would mean
// opening every listed file); one icon per type is looked up and kept.
QIcon RealPlatform::fileIcon(const QString& path)
{
    ensureIconTheme();
    static QMimeDatabase db;
    static QHash<QString, QIcon> byType;
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const QList<QMimeType> types = db.mimeTypesForFileName(name);
    const QMimeType type = types.isEmpty() ? db.mimeTypeForName(QStringLiteral("application/octet-stream"))
                                           : types.first();
    auto it = byType.constFind(type.name());
    if (it != byType.constEnd()) return *it;
    const QIcon icon = iconForType(type);
    byType.insert(type.name(), icon);
    return icon;
}
