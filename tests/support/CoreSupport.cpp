#include "CoreSupport.h"

#include "Cp932.h"

#include <QDir>
#include <QFile>

QString sourceDir()
{
    return qEnvironmentVariable("VARDOLIN_SOURCE_DIR", QStringLiteral(VARDOLIN_SOURCE_DIR_DEFAULT));
}

TempFolder::TempFolder(bool withDefaults)
{
    if (!withDefaults) return;
    QDir data(sourceDir() + QStringLiteral("/data"));
    for (const QString& name : data.entryList(QDir::Files)) QFile::copy(data.filePath(name), path(name));
}

QString TempFolder::writeFile(const QString& name, const QByteArray& bytes) const
{
    const QString file = path(name);
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file));
    return file;
}

QByteArray TempFolder::readFile(const QString& name) const
{
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TempFolder::writeLines(const QString& name, const QStringList& lines) const
{
    writeFile(name, crlf(lines));
}

QByteArray crlf(const QStringList& lines)
{
    QByteArray out;
    for (const QString& l : lines) out += Cp932::encode(l) + "\r\n";
    return out;
}
