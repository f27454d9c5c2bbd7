#pragma once
#include "SaveFile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The list of text lines through which every settings file is read and written.
// On disk the lines are CP932; a file that starts with a UTF-8 byte-order mark is
// read as UTF-8, and a file whose lines cannot all be written in CP932 is saved
// as UTF-8 with a byte-order mark so that nothing is silently damaged.
//
// The bytes of a settings file are never altered behind the user's back: a byte
// that is not valid in the file's encoding reads as a lone surrogate and is
// written back as that byte; a line read from a file and written to it again
// unchanged (also after a trip through a model or a widget) is written with
// exactly the bytes it was read with (see SettingsMemo); a file read as CP932
// stays CP932 and one read as UTF-8 stays UTF-8. Lines can also be copied from
// one buffer to another as bytes.
class LineBuffer {
public:
    static constexpr int MaxLineBytes = 4096;
    // Larger files are read only this far: a settings file is never that big,
    // and a wrong file picked up by name must not exhaust memory.
    static constexpr qint64 MaxFileBytes = 64ll * 1024 * 1024;
    static constexpr int AllLines = -1;

    enum class Encoding : quint8 { Cp932, Utf8 };

    // Replaces the content with the file's lines; throws VarError::cannotOpen
    // (and then leaves the content as it was). With maxLines, only the first
    // maxLines lines are kept and the reading stops there: a reader that uses
    // lines 0..maxLines-1 sees exactly what it would see in the whole file,
    // whatever size the file has. The file is streamed, never held whole.
    void load(const QString& path, int maxLines = AllLines);
    // The same for bytes that come from no named file.
    void loadBytes(const QByteArray& bytes);
    // Replaces the content with lines already split from `file` (bytes as
    // read, at most MaxLineBytes each), as load() would have kept them.
    void loadLines(const QList<QByteArray>& raw, Encoding encoding, const QString& file);
    void clear();
    // Line i (from 0); an index past the end (or negative) reads as empty text.
    QString line(int i) const { return (i >= 0 && i < m_lines.size()) ? m_lines.at(i) : QString(); }
    // The bytes of line i as read (at most MaxLineBytes, without the line end),
    // in the encoding lineEncoding(i); for a line appended as text, its CP932
    // form. Past the end: empty.
    QByteArray lineBytes(int i) const;
    Encoding lineEncoding(int i) const;
    // The encoding of the file last loaded (CP932 before any load).
    Encoding encoding() const { return m_encoding; }
    void append(const QString& line);
    // Appends a line given as bytes; it is saved with exactly these bytes
    // whenever the file is written in that encoding.
    void appendBytes(const QByteArray& bytes, Encoding encoding = Encoding::Cp932);
    // Appends line i of another buffer with its bytes and their encoding.
    void appendLineOf(const LineBuffer& other, int i);
    int count() const { return static_cast<int>(m_lines.size()); }
    const QStringList& lines() const { return m_lines; }
    // Writes every line followed by CR LF and replaces the file atomically;
    // throws VarError::cannotCreate and leaves the old file whole on failure.
    void save(const QString& path) const;
    // The bytes save() would write to a file of no name (the one loadBytes reads).
    QByteArray toBytes() const;
    // The bytes save() would write to `path`.
    QByteArray bytesFor(const QString& path) const;

private:
    // How a line is held besides its text.
    enum class Kind : quint8 { Text, Cp932Bytes, Utf8Bytes };
    struct Raw {
        QByteArray bytes;
        Kind kind = Kind::Text;
    };
    bool encodeCp932(const QString& file, QByteArray* out) const;
    QByteArray encodeUtf8() const;

    QStringList m_lines;
    QList<Raw> m_raw;   // parallel to m_lines
    Encoding m_encoding = Encoding::Cp932;
};
