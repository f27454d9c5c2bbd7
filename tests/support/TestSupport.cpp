#include "TestSupport.h"

#include "Cp932.h"

#include <QDir>
#include <QFile>

QStringList FakeMessages::texts() const
{
    QStringList out;
    for (const auto& m : log) out << m.text;
    return out;
}

bool FakeDialogs::openFile(QWidget*, const QString& filter, const QString&, QString* path)
{
    lastFilter = filter;
    if (openFileAccept) *path = openFileResult;
    return openFileAccept;
}

bool FakeDialogs::chooseColor(QWidget*, QColor* color, QList<QColor>*)
{
    lastColorPreset = *color;
    if (colorAccept) *color = colorResult;
    return colorAccept;
}

bool FakeDialogs::chooseFont(QWidget*, QFont* font)
{
    lastFontShown = *font;
    if (fontAccept) *font = fontResult;
    return fontAccept;
}

QString sourceDir()
{
    return qEnvironmentVariable("VARDOLIN_SOURCE_DIR", QStringLiteral(VARDOLIN_SOURCE_DIR_DEFAULT));
}

TestEnv::TestEnv(bool withDefaults)
{
    if (!withDefaults) return;
    QDir data(sourceDir() + QStringLiteral("/data"));
    for (const QString& name : data.entryList(QDir::Files)) QFile::copy(data.filePath(name), path(name));
}

void TestEnv::writeFile(const QString& name, const QByteArray& bytes) const
{
    QFile f(path(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

QByteArray TestEnv::readFile(const QString& name) const
{
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestEnv::writeLines(const QString& name, const QStringList& lines) const
{
    writeFile(name, crlf(lines));
}

QByteArray crlf(const QStringList& lines)
{
    QByteArray out;
    for (const QString& l : lines) out += Cp932::encode(l) + "\r\n";
    return out;
}
