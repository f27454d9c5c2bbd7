#pragma once
#include "TextCodec.h"
#include "BigTextScan.h"
#include "BigTextSource.h"

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
// one position and read back as '\n'. Lines are the file's lines, at any
// length. A text that ends with a line end has an empty last line after it.
//
// A line longer than a block (a quarter megabyte of the file) runs on over
// several blocks. What is laid out and painted at a time is a fold: a line, or
// the part of a long line inside one block, so that no line is ever held whole
// to be shown. Folds are numbered like lines (foldOf, foldStart, ...); where no
// line is longer than a block, they are the lines.
//
// Reading never runs past the end of a file that shrank after opening. A file
// that shrank or was rewritten since it was opened is no longer read as it was:
// fileChanged() tells, and whatever was read since is not the file's text (it
// is neither kept decoded nor to be shown or handed on); the text is to be
// opened anew.
//
// A large file can also be opened with only its head indexed (openHead); the
// rest is then appended block by block as a background scan finds it, and
// until it is complete, length, lines and positions are those of the part
// indexed so far.
class BigTextDocument {
public:
    using Decoded = BigTextScan::Decoded;
    using DecodedPtr = std::shared_ptr<const Decoded>;

    struct Block {
        qint64 start = 0;     // position of its first character
        qint64 length = 0;
        qint64 firstLine = 0; // line that holds start (begun in a block before, when continues)
        qint64 lines = 0;     // lines that start inside it
        qint64 firstFold = 0; // fold that starts at start
        qint64 folds = 0;     // folds that start inside it: the lines of its decoded text, less
                              // the empty one behind its last line end when the text goes on
        bool continues = false; // starts inside a line begun before it
        quint64 id = 0;       // changes whenever its text changes
    };

    BigTextDocument();
    ~BigTextDocument();
    BigTextDocument(const BigTextDocument&) = delete;
    BigTextDocument& operator=(const BigTextDocument&) = delete;

    // Opens a file over a descriptor the caller opened (and already examined)
    // in an encoding found by the caller; a byte-order mark of that encoding is
    // skipped. The document owns fd from here on, also when this throws.
    // Everything is read through it, so what is shown is the file that was
    // examined, even if the name now points elsewhere; path is for messages
    // only. Indexes about headBytes of it (whole blocks; all of it when
    // negative), on this thread; the rest is for appendBlocks(), from
    // indexedEnd() on. Throws VarError (cannot open / read failure).
    void openHead(int fd, const QString& path, TextEncoding encoding, qint64 headBytes);
    // Whether the whole file is indexed (always, for a text not opened by openHead).
    bool isComplete() const { return m_indexedEnd >= m_fileEnd; }
    // Bytes of the file indexed (from its start, a byte-order mark included),
    // and where the index will end: the file's size when it was opened.
    qint64 indexedEnd() const { return m_indexedEnd; }
    qint64 fileEnd() const { return m_fileEnd; }
    // Blocks that follow the indexed part in the file, in order.
    void appendBlocks(const std::vector<BigTextScan::Block>& blocks);
    // The rest of the file is not to be had (it shrank, or could not be read):
    // the text ends where the index ends.
    void finishIndex();
    // Whether every block's count of characters is known to be what decoding
    // gives. Blocks indexed in the background may be counted quickly (see
    // BigTextScan::QuickCount); their counts are checked afterwards and the
    // few that differ (text that is not well formed) corrected.
    bool isExact() const { return m_exact; }
    // The block with this id holds chars characters. Returns where it starts
    // and by how much the positions behind it moved (0: no such block now).
    std::pair<qint64, qint64> correctBlock(quint64 id, qint64 chars);
    void markExact() { m_exact = true; }
    // The count of block index was checked and found right.
    void confirmBlock(int index) { m_pieces[size_t(index)].exact = true; }

    // Most a pipe or device is read; more is refused.
    static constexpr qint64 kMaxStreamBytes = 64 << 20;
    // Replaces the content with text held in memory.
    void setText(const QString& text);
    void clear();

    bool isFile() const { return m_source != nullptr; }
    // Whether the file was found shrunk or rewritten (see BigTextSource::verify).
    bool fileChanged() const { return m_source && m_source->changed(); }
    const std::shared_ptr<const BigTextSource>& source() const { return m_source; }
    TextEncoding encoding() const { return m_encoding; }
    // Changes with every change of the text; editRevision() only when text
    // that was there changes (not when the index grows).
    quint64 revision() const { return m_revision; }
    quint64 editRevision() const { return m_editRevision; }

    qint64 length() const;
    qint64 lineCount() const;
    // Line holding pos (a line end belongs to the line it ends).
    qint64 lineOf(qint64 pos) const;
    // Position of the line's first character; -1 past the last line.
    qint64 lineStart(qint64 line) const;
    // Characters of the line without its line end.
    qint64 lineLength(qint64 line) const;
    QString text(qint64 pos, qint64 length) const;
    // The whole line, however long: for small texts and tests.
    QString lineText(qint64 line) const;

    // The same for folds (see above): what a view lays out at a time.
    qint64 foldCount() const;
    qint64 foldOf(qint64 pos) const;
    qint64 foldStart(qint64 fold) const;
    qint64 foldLength(qint64 fold) const;
    // The line a fold is part of, and the fold a line begins with (no block decoded).
    qint64 lineOfFold(qint64 fold) const;
    qint64 foldOfLine(qint64 line) const;
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
    int blockOfFold(qint64 fold) const;
    // keep: whether the block stays decoded for the next call (not for bulk passes).
    DecodedPtr decoded(int index, bool keep = true) const;

    // The blocks [from, to) as they are now, for reading on another thread.
    BigTextSpan span(int from, int to) const;
    const BigTextPart& part(int index) const { return m_pieces[size_t(index)]; }
    // Folds that start in a block (Block::folds, without the rest of block()).
    qint64 blockFolds(int index) const { return piecesFolds(index); }
    // The decoded text of a block when it is held decoded now (null otherwise).
    DecodedPtr cachedText(const BigTextPart& part) const;

    // Memory held by the index of blocks (not the decoded ones).
    qint64 indexBytes() const;

private:
    using Piece = BigTextPart;

    void reset();
    // Opens fd after examining it; false when it is for an index of blocks.
    bool openSmall(int fd, const QString& path, TextEncoding encoding, qint64* size);
    void appendPieces(const std::vector<BigTextScan::Block>& blocks);
    void ensurePrefix() const;
    void invalidate(int from);
    bool continues(size_t index) const { return index > 0 && !m_pieces[index - 1].endsWithNewline; }
    qint64 piecesLines(int index) const;
    qint64 piecesFolds(int index) const;
    // The line that holds the start of block i (after ensurePrefix).
    qint64 holdingLine(size_t i) const { return m_firstLines[i] - (continues(i) ? 1 : 0); }
    DecodedPtr fetch(int index, bool keep) const;
    Decoded& materialize(int index);
    void refresh(int index);
    void settle(int index);
    void splitLarge(int index);
    std::vector<Piece> piecesOf(QString text) const;

    std::shared_ptr<const BigTextSource> m_source;
    TextEncoding m_encoding = TextEncoding::Utf8;
    std::vector<Piece> m_pieces;
    quint64 m_revision = 0;
    quint64 m_editRevision = 0;
    qint64 m_indexedEnd = 0;
    qint64 m_fileEnd = 0;
    bool m_exact = true;
    TextCodec::State m_shiftState = 0; // a stateful encoding's state at the end of what is indexed
    size_t m_correctAt = 0; // where the last correction was found

    // Start position, lines and folds begun before every piece, and one past the end.
    mutable std::vector<qint64> m_starts;
    mutable std::vector<qint64> m_firstLines;
    mutable std::vector<qint64> m_firstFolds;
    mutable size_t m_validPrefix = 0;

    // Decoded file blocks, most recently used first.
    mutable std::list<std::pair<qint64, DecodedPtr>> m_cache;
    mutable std::unordered_map<qint64, std::list<std::pair<qint64, DecodedPtr>>::iterator> m_cacheIndex;
    mutable qint64 m_cacheChars = 0;
};
