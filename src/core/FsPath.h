#pragma once
#include <QByteArray>
#include <QString>

// File names on Linux are bytes. Names that are not valid UTF-8 are decoded with
// each stray byte kept as a lone surrogate (U+DC80 + byte), so that a name shown
// in the list can be turned back into the very same bytes and opened.
namespace FsPath {
QString decodeName(const QByteArray& bytes);
QByteArray encodeName(const QString& name);
// The path as Qt's own file classes should see it.
inline QString toQtPath(const QString& path) { return path; }

enum class Kind { Missing, Folder, File, Other };
// Follows symbolic links; Missing when the path cannot be examined at all.
Kind kind(const QString& path);
inline bool isFolder(const QString& path) { return kind(path) == Kind::Folder; }
// "The attributes include the folder attribute or cannot be read."
inline bool folderOrUnreadable(const QString& path)
{
    Kind k = kind(path);
    return k == Kind::Folder || k == Kind::Missing;
}
bool exists(const QString& path);
bool remove(const QString& path);
// Reads at most maxBytes of a regular file; false when it cannot be opened or read.
bool readFile(const QString& path, QByteArray* out, qint64 maxBytes);
}
