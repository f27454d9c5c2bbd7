#pragma once
#include <QByteArray>
#include <QString>

// What a settings file's text alone cannot say about its bytes, kept per file
// from one reading of the file to the next writing of it.
//
// The lines of a settings file travel as text through models and widgets and
// come back to be written. Most lines give their bytes back when encoded again;
// those that do not (a character with several CP932 codes, written with one the
// encoder would not choose) are remembered here with their bytes, so that a
// line the user did not change is written exactly as it was read. The file's
// encoding is remembered too, so that a file read as UTF-8 is written as UTF-8.
//
// Process-wide and thread-safe. Bounded: when full, the files read longest ago
// are forgotten first; a line that does not fit is not remembered (it is then
// written in the encoder's own form, as the same text).
namespace SettingsMemo {
constexpr int MaxFiles = 16;
constexpr qint64 MaxBytes = 4ll * 1024 * 1024;

// A new reading of `file`: forgets its lines and records its encoding.
void beginFile(const QString& file, bool utf8);
// Remembers the bytes of a line of `file`; the first bytes seen for a text stay.
void remember(const QString& file, const QString& text, const QByteArray& bytes);
// The bytes remembered for exactly this text of `file`; a null array if none.
QByteArray recall(const QString& file, const QString& text);
// Whether `file` was last read as UTF-8 with a byte-order mark.
bool readAsUtf8(const QString& file);
// Current use, for tests of the bounds.
qint64 bytesInUse();
int filesInUse();
}
