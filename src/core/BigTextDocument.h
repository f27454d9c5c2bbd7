#pragma once
#include "TextCodec.h"
#include "BigTextScan.h"

#include <QString>

#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

// A plain text of any size over a file's bytes. Opening reads the file once in
// chunks to find its blocks of lines and their character counts; text is decoded
// only when it is shown, searched or copied, a few blocks kept decoded. Edits go
// into blocks of their own that replace the file's blocks they touch, so the file
// is never changed and never needed whole.
//
// Positions are UTF-16 code units from 0, with every line end (CR LF, CR or LF)
// one position and read back as '\n'. Lines are the file's lines, except that a
// line longer than a block (a quarter megabyte) is cut into lines of that size.
// A text that ends with a line end has an empty last line after it.
//
// Reading never runs past the end of a file that shrank after opening: the
// missing part shows as blank.
class BigTextDocument {
public:
    using Decoded = BigTextScan::Decoded;
    using DecodedPtr = std::shared_ptr<const Decoded>;

    struct Block {
        qint64 start = 0;     // position of its first character
        qint64 length = 0;
        qint64 firstLine = 0; // line that starts at start
        qint64 lines = 0;     // lines that start inside it
        quint64 id = 0;       // changes whenever its text changes
    };

    BigTextDocument();
    ~BigTextDocument();
    BigTextDocument(const BigTextDocument&) = delete;
    BigTextDocument& operator=(const BigTextDocument&) = delete;

    // Opens a file in an encoding found by the caller; a byte-order mark of that
    // encoding is skipped. Throws VarError (cannot open / read failure).
    void open(const QString& path, TextEncoding encoding);
    // The same over a descriptor the caller opened (and already examined); the
    // document owns it from here on, also when this throws. Everything is read
    // through it, so what is shown is the file that was examined, even if the
    // name now points elsewhere. path is for messages only.
    void open(int fd, const QString& path, TextEncoding encoding);

    // Most a pipe or device is read; more is refused.
    static constexpr qint64 kMaxStreamBytes = 64 << 20;
    // Replaces the content with text held in memory.
    void setText(const QString& text);
    void clear();

    bool isFile() const { return m_fd >= 0; }
    TextEncoding encoding() const { return m_encoding; }
    quint64 revision() const { return m_revision; }

    qint64 length() const;
    qint64 lineCount() const;
    // Line holding pos (a line end belongs to the line it ends).
    qint64 lineOf(qint64 pos) const;
    // Position of the line's first character; -1 past the last line.
    qint64 lineStart(qint64 line) const;
    // Characters of the line without its line end.
    qint64 lineLength(qint64 line) const;
    QString text(qint64 pos, qint64 length) const;
    QString lineText(qint64 line) const;
    // First occurrence of what (exact, case-sensitive) starting in [from, to) and
    // ending by to; -1 if none.
    qint64 find(const QString& what, qint64 from, qint64 to) const;

    // Line ends in text may be CR LF, CR or LF; each becomes one '\n'.
    void insert(qint64 pos, const QString& text);
    void remove(qint64 pos, qint64 length);

    // Blocks, for views that walk the text line by line.
    int blockCount() const { return int(m_pieces.size()); }
    Block block(int index) const;
    int blockAt(qint64 pos) const;
    int blockOfLine(qint64 line) const;
    // keep: whether the block stays decoded for the next call (not for bulk passes).
    DecodedPtr decoded(int index, bool keep = true) const;

    // Memory held by the index of blocks (not the decoded ones).
    qint64 indexBytes() const;

private:
    struct Piece {
        qint64 offset = 0; // file bytes, while not edited
        qint64 bytes = 0;
        qint64 chars = 0;
        qint64 newlines = 0;
        bool endsWithNewline = false;
        std::shared_ptr<Decoded> own; // text held in memory instead
        quint64 id = 0;
    };

    void reset();
    void ensurePrefix() const;
    void invalidate(int from);
    qint64 piecesLines(int index) const;
    DecodedPtr fetch(int index, bool keep) const;
    Decoded readPiece(const Piece& piece) const;
    Decoded& materialize(int index);
    void refresh(int index);
    void settle(int index);
    void splitLarge(int index);
    std::vector<Piece> piecesOf(QString text) const;
    qint64 findInPieces(const QString& what, qint64 from, qint64 to) const;
    bool runsOn(int index, const char* bytes, qint64 size, const QByteArray& form) const;

    int m_fd = -1;
    TextEncoding m_encoding = TextEncoding::Utf8;
    std::unique_ptr<TextCodec> m_codec;
    std::vector<Piece> m_pieces;
    quint64 m_revision = 0;

    // Start position and first line of every piece, and one past the end.
    mutable std::vector<qint64> m_starts;
    mutable std::vector<qint64> m_firstLines;
    mutable size_t m_validPrefix = 0;

    // Decoded file blocks, most recently used first.
    mutable std::list<std::pair<qint64, DecodedPtr>> m_cache;
    mutable std::unordered_map<qint64, std::list<std::pair<qint64, DecodedPtr>>::iterator> m_cacheIndex;
    mutable qint64 m_cacheChars = 0;
};
