#include "CommandLine.h"

namespace CommandLine {

QString quote(const QString& piece)
{
    if (!piece.contains(QLatin1Char(' ')) && !piece.contains(QLatin1Char('"')) && !piece.contains(QLatin1Char('\t')))
        return piece;
    QString out = QStringLiteral("\"");
    int backslashes = 0;
    for (QChar c : piece) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"')) {
            out += QString(backslashes * 2 + 1, QLatin1Char('\\'));
            out += c;
        } else {
            out += QString(backslashes, QLatin1Char('\\'));
            out += c;
        }
        backslashes = 0;
    }
    out += QString(backslashes * 2, QLatin1Char('\\'));
    out += QLatin1Char('"');
    return out;
}

namespace {
// A program path that the user already enclosed in double quotes (the usual way
// round blanks where the command line used to be handed over unquoted) is kept
// as typed, so such registrations go on working.
bool isPreQuoted(const QString& path)
{
    return path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"'))
           && path.count(QLatin1Char('"')) == 2;
}

QString programPiece(const QString& path)
{
    return isPreQuoted(path) ? path : quote(path);
}

bool isBlank(const QString& text) { return text.trimmed().isEmpty(); }

} // namespace

bool hasProgram(const QString& path)
{
    return !isBlank(isPreQuoted(path) ? path.mid(1, path.size() - 2) : path);
}

QString direct(const QString& path, const QString& option)
{
    if (!hasProgram(path)) return {};
    QString line = programPiece(path);
    if (!option.isEmpty()) line += QLatin1Char(' ') + option;
    return line;
}

QString withFile(const QString& path, const QString& file, const QString& option)
{
    if (!hasProgram(path)) return {};
    QString line = programPiece(path) + QLatin1Char(' ') + quote(file);
    if (!option.isEmpty()) line += QLatin1Char(' ') + option;
    return line;
}

QStringList split(const QString& commandLine)
{
    QStringList out;
    QString cur;
    bool inPiece = false, inQuotes = false;
    const qsizetype n = commandLine.size();
    for (qsizetype i = 0; i < n;) {
        QChar c = commandLine.at(i);
        if (!inQuotes && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (inPiece) {
                out << cur;
                cur.clear();
                inPiece = false;
            }
            ++i;
            continue;
        }
        inPiece = true;
        if (c == QLatin1Char('\\')) {
            qsizetype j = i;
            while (j < n && commandLine.at(j) == QLatin1Char('\\')) ++j;
            const qsizetype count = j - i;
            if (j < n && commandLine.at(j) == QLatin1Char('"')) {
                cur += QString(count / 2, QLatin1Char('\\'));
                if (count % 2) {
                    cur += QLatin1Char('"');
                    i = j + 1;
                } else {
                    i = j;   // the quote is handled below
                }
            } else {
                cur += QString(count, QLatin1Char('\\'));
                i = j;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            if (inQuotes && i + 1 < n && commandLine.at(i + 1) == QLatin1Char('"')) {
                cur += QLatin1Char('"');
                i += 2;
                continue;
            }
            inQuotes = !inQuotes;
            ++i;
            continue;
        }
        cur += c;
        ++i;
    }
    if (inPiece) out << cur;
    return out;
}

QString program(const QString& commandLine)
{
    if (commandLine.isEmpty() || commandLine.front().isSpace()) return {};
    const QStringList pieces = split(commandLine);
    if (pieces.isEmpty() || isBlank(pieces.first())) return {};
    return pieces.first();
}

} // namespace CommandLine
