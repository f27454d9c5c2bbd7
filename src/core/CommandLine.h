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
// True when a slot's path names something to run: not empty, not only blanks
// (a pair of quotes round nothing but blanks counts as blank too).
bool hasProgram(const QString& path);
// Direct mode: path, then " " + option when the option is not empty.
// Empty when the path has no program.
QString direct(const QString& path, const QString& option);
// File mode: path, " ", the file (folder + name), then " " + option when the
// option is not empty. Empty when the path has no program: the file must
// never move up into the program's place.
QString withFile(const QString& path, const QString& file, const QString& option);
// Splits a command line by the Windows rules: blanks separate, double quotes
// group, backslashes are literal except before a double quote (2n backslashes +
// quote: n backslashes and a quote toggle; 2n+1 + quote: n backslashes and a
// literal quote), "" inside quotes is a literal quote.
QStringList split(const QString& commandLine);
// The program of a command line as a launcher must take it: the first piece,
// which has to start at the very first character (a line that begins with a
// blank has lost its program piece) and must not be blank. Empty otherwise.
QString program(const QString& commandLine);
}
