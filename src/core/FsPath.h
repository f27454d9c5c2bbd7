#pragma once
#include <QByteArray>
#include <QString>

#include <functional>

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
// Hands the file's bytes to `sink` in chunks, at most maxBytes in all, together
// with the size a regular file has (0 for anything else); `sink` returns false
// to stop early. False when the file cannot be opened or read.
bool readChunks(const QString& path, qint64 maxBytes, const std::function<bool(QByteArrayView, qint64)>& sink);
// Reads at most maxBytes of a regular file; false when it cannot be opened or read.
bool readFile(const QString& path, QByteArray* out, qint64 maxBytes);
}
