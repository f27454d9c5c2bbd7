#include "Platform.h"

#include "FsPath.h"

#include <QFileInfo>
#include <QMimeDatabase>

#include <sys/stat.h>

namespace {

// The Icon= key of the [Desktop Entry] group (not a translated Icon[xx]=).
QString desktopIconKey(const QString& path)
{
    QByteArray bytes;
    // A launcher file is small; a huge file named .desktop is read only this far.
    if (!FsPath::readFile(path, &bytes, 256 * 1024)) return {};
    bool inEntry = false;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || !line.startsWith("Icon")) continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0 || line.left(eq).trimmed() != "Icon") continue;
        return QString::fromUtf8(line.mid(eq + 1).trimmed());
    }
    return {};
}

// An Icon= value: an absolute file, or a theme name (older files sometimes add
// the picture's extension to the name).
QIcon iconFromDesktopValue(const QString& value)
{
    if (value.isEmpty()) return {};
    if (value.startsWith(QLatin1Char('/'))) {
        if (FsPath::kind(value) != FsPath::Kind::File) return {};
        QIcon icon(value);
        return icon.pixmap(QSize(17, 17)).isNull() ? QIcon() : icon;
    }
    QString name = value;
    for (const char* ext : {".png", ".svg", ".xpm"})
        if (name.endsWith(QLatin1String(ext), Qt::CaseInsensitive)) name.chop(qsizetype(qstrlen(ext)));
    return QIcon::hasThemeIcon(name) ? QIcon::fromTheme(name) : QIcon();
}

bool isExecutableFile(const QString& path)
{
    struct stat st;
    if (::stat(FsPath::encodeName(path).constData(), &st) != 0) return false;
    return S_ISREG(st.st_mode) && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH));
}

// A program known to the icon theme by its name, or by the name of the file a
// link such as /usr/bin/editor finally points to.
QIcon themeIconOfProgram(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    if (!name.isEmpty() && QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    const QString target = QFileInfo(path).canonicalFilePath();
    const QString targetName = QFileInfo(target).fileName();
    if (!targetName.isEmpty() && targetName != name && QIcon::hasThemeIcon(targetName))
        return QIcon::fromTheme(targetName);
    return {};
}

} // namespace

QIcon RealPlatform::programIcon(const QString& path)
{
    if (FsPath::kind(path) == FsPath::Kind::Folder) {
        QIcon folder = QIcon::fromTheme(QStringLiteral("folder"));
        if (!folder.isNull()) return folder;
    }
    if (path.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive)) {
        QIcon icon = iconFromDesktopValue(desktopIconKey(path));
        if (!icon.isNull()) return icon;
    }
    if (isExecutableFile(path)) {
        QIcon icon = themeIconOfProgram(path);
        if (!icon.isNull()) return icon;
        // A binary without a telling extension: the desktop's generic program
        // icon says more than the unknown-file one.
        QMimeDatabase db;
        if (db.mimeTypeForFile(path, QMimeDatabase::MatchExtension).isDefault()) {
            icon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
            if (!icon.isNull()) return icon;
        }
    }
    return fileIcon(path);
}
