#pragma once
#include <QString>
#include <QStringList>

// Command lines of started programs. A program path or a file path that holds a
// blank or a double quote is enclosed in double quotes (so it reaches the
// program whole); the option is appended exactly as typed. A program path
// already enclosed in double quotes as a whole is kept as it stands.
namespace CommandLine {
// Quotes one piece by the Windows command-line rules when it needs it.
QString quote(const QString& piece);
// Direct mode: path, then " " + option when the option is not empty.
QString direct(const QString& path, const QString& option);
// File mode: path, " ", the file (folder + name), then " " + option when the
// option is not empty.
QString withFile(const QString& path, const QString& file, const QString& option);
// Splits a command line by the Windows rules: blanks separate, double quotes
// group, backslashes are literal except before a double quote (2n backslashes +
// quote: n backslashes and a quote toggle; 2n+1 + quote: n backslashes and a
// literal quote), "" inside quotes is a literal quote.
QStringList split(const QString& commandLine);
}
