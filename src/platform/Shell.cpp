#include "Platform.h"

#include "FsPath.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

QString RealPlatform::homeFolder() const
{
    QString home = QDir::homePath();
    while (home.size() > 1 && home.endsWith(QLatin1Char('/'))) home.chop(1);
    return home;
}

namespace {
// The URL is built from the name's bytes, so a file name that is not valid
// UTF-8 reaches the desktop unchanged.
QUrl fileUrl(const QString& path)
{
    QString absolute = path;
    if (!absolute.startsWith(QLatin1Char('/'))) absolute = QDir::currentPath() + QLatin1Char('/') + absolute;
    const QByteArray encoded = FsPath::encodeName(absolute).toPercentEncoding("/");
    return QUrl(QStringLiteral("file://") + QString::fromLatin1(encoded), QUrl::StrictMode);
}
} // namespace

// QDesktopServices hands the URL to xdg-open and returns at once; its result is
// deliberately ignored, as the user gets no message for these commands.
void RealPlatform::openFolder(const QString& path)
{
    QDesktopServices::openUrl(fileUrl(path));
}

void RealPlatform::openDocument(const QString& path)
{
    QDesktopServices::openUrl(fileUrl(path));
}
