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

// QDesktopServices hands the URL to xdg-open and returns at once; its result is
// deliberately ignored, as the user gets no message for these commands.
void RealPlatform::openFolder(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void RealPlatform::openDocument(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
