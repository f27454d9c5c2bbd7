#pragma once
// What every test needs, whatever layer it tests: a temporary settings folder
// (optionally with the shipped defaults copied in) and CP932 settings lines.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class TempFolder {
public:
    explicit TempFolder(bool withDefaults = true);
    QString settingsDir() const { return dir.path() + QStringLiteral("/"); }
    QString path(const QString& name) const { return settingsDir() + name; }
    // Writes a file in the folder and returns its path; a file that cannot be
    // written ends the test run, so that no test goes on over a missing file.
    QString writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;
    // Writes lines as CP932 with CR LF.
    void writeLines(const QString& name, const QStringList& lines) const;

    QTemporaryDir dir;
};

QByteArray crlf(const QStringList& lines);   // CP932 lines joined with CR LF after each
QString sourceDir();
