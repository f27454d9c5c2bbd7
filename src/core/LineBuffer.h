#pragma once
#include <QString>
#include <QStringList>

// The list of text lines through which every settings file is read and written.
// On disk the lines are CP932; a file that starts with a UTF-8 byte-order mark is
// read as UTF-8, and a file whose lines cannot all be written in CP932 is saved
// as UTF-8 with a byte-order mark so that nothing is silently damaged.
class LineBuffer {
public:
    static constexpr int MaxLineBytes = 4096;
    // Larger files are read only this far: a settings file is never that big,
    // and a wrong file picked up by name must not exhaust memory.
    static constexpr qint64 MaxFileBytes = 64ll * 1024 * 1024;

    // Replaces the content with the file's lines; throws VarError::cannotOpen.
    void load(const QString& path);
    void loadBytes(const QByteArray& bytes);
    void clear() { m_lines.clear(); }
    // Line i (from 0); an index past the end (or negative) reads as empty text.
    QString line(int i) const { return (i >= 0 && i < m_lines.size()) ? m_lines.at(i) : QString(); }
    void append(const QString& line) { m_lines.append(line); }
    int count() const { return static_cast<int>(m_lines.size()); }
    const QStringList& lines() const { return m_lines; }
    // Writes every line followed by CR LF and replaces the file atomically;
    // throws VarError::cannotCreate and leaves the old file whole on failure.
    void save(const QString& path) const;
    QByteArray toBytes() const;

private:
    QStringList m_lines;
};

// Replaces a file atomically with the given bytes; throws VarError::cannotCreate.
void saveFileAtomically(const QString& path, const QByteArray& bytes);
