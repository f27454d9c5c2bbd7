#pragma once
#include "BigTextDocument.h"
#include "BigTextMeasure.h"

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <compare>
#include <memory>
#include <unordered_map>
#include <vector>

// Where the lines of a big text wrap and where each character stands, in one
// font at one width. What is laid out is a fold of the document: a line, or
// the part of a longer line inside one block (see BigTextDocument), so that a
// screen of a line of any length is laid out from a block or two. Every row
// ("visual line") has one fixed height; unwrapped, a line is one row.
//
// Wrapped, a line longer than a block has the rows of the whole line: each
// fold is wrapped on from where the fold before left off (BigTextMeasure::
// WrapState), and the row that runs over a block's edge belongs to the fold
// after it, so that what is laid out for fold f (a Line) starts where the row
// holding the fold's first character starts, a little before the fold when
// the row began in the block before, and ends where the next one starts.
// Only lines that are shown or walked over are measured; the numbers of
// visual lines, and the state a wrap ends a block in, are kept per block of
// the document and reused until the font, the width or that block (or, for a
// block that goes on with a line, the state it begins in) changes.
//
// Unwrapped, a line is one row however long: its folds stand one after
// another in it, each where the one before ends (Line::x). Where a fold of a
// long line begins is the width of the blocks of the line before it, chained
// block to block like a wrap (the state's x); those missing are measured on
// the spot up to kSyncRowChars in all between two calls of newTurn() (a
// screen of many long lines is not measured at once), and beyond that taken as wide on average as
// the part measured; a fold laid out at such a guess (shown, or the caret's)
// has the blocks of its line counted in the background. Only the folds under
// the part of a row shown are laid out; the width of a row not measured
// whole is a guess too.
//
// Numbering visual lines over the whole text needs every block before a
// position measured, and laying out a fold inside a long line every block of
// that line before it. A few are measured on the spot; when more are missing,
// each of their folds counts as one visual line, and a fold inside a long
// line is laid out as if its line began there, until a background count
// (blocksToCount, addCounts; the blocks of one line one after another) brings
// the real numbers, so that a number is exact for the part counted so far and
// the numbering stays consistent.
class BigTextLayout {
public:
    // One fold of the document (called a line below): its text (without line
    // end) and the offsets at which its visual lines start (the first is 0).
    struct Line {
        qint64 start = 0;
        QString text;
        std::vector<qint32> breaks;
        qreal width = 0;      // of the whole fold, unwrapped
        qreal x = 0;          // unwrapped: where the fold begins in its row
        bool endsLine = true; // its end is the document line's end (not the next fold's start)
        bool guessed = false; // wrapped as if its line began at its fold, or placed at a guessed x (see above)
        quint64 counts = 0;   // the counts it was laid out with, when guessed
        // Unwrapped: x at about every kMark-th character, for painting from the part shown.
        std::vector<std::pair<qint32, qreal>> marks;
        static constexpr qint32 kMark = 4096;
    };
    using LinePtr = std::shared_ptr<const Line>;

    // A visual line: the fold laid out (unwrapped: the first fold of its
    // line) and which of its rows.
    struct Visual {
        qint64 line = 0;
        int sub = 0;
        auto operator<=>(const Visual&) const = default;
    };

    // Blocks measured on the spot at most when numbering; more are counted elsewhere.
    static constexpr int kSyncBlocks = 32;
    // Characters of a long line measured on the spot at most to place an unwrapped fold.
    static constexpr qint64 kSyncRowChars = 1 << 20;

    explicit BigTextLayout(const BigTextDocument& doc);

    void setFont(const QFont& font);
    const QFont& font() const { return m_measure.font(); }
    // Width available to a line; 0 or less turns wrapping off.
    void setWrapWidth(qreal width);
    bool wraps() const { return m_measure.wraps(); }
    qreal wrapWidth() const { return m_measure.wrapWidth(); }
    qreal tabStop() const { return m_measure.tabStop(); }
    int lineHeight() const { return m_measure.lineHeight(); }
    qreal ascent() const { return m_measure.ascent(); }

    LinePtr line(qint64 index) const;
    // The fold laid out as the line that holds pos.
    LinePtr lineHolding(qint64 pos) const { return line(lineAt(pos)); }
    int visualCount(qint64 line) const;
    Visual visualOf(qint64 pos) const;
    Visual lastVisual() const;
    // Moves delta visual lines down (negative: up), stopping at the text's ends.
    Visual step(Visual from, qint64 delta) const;
    // Visual lines from a to b (b after a), counting at most limit + 1.
    qint64 distance(Visual a, Visual b, qint64 limit) const;
    // Positions where the visual line starts and where its text ends.
    qint64 visualStart(Visual v) const;
    qint64 visualEnd(Visual v) const;
    // x of pos in its visual line; the position nearest to x in a visual line
    // (never the start of the next row).
    qreal xOf(qint64 pos) const;
    qint64 positionAt(Visual v, qreal x) const;
    // Unwrapped: the fold of the row v that holds x (the row's own fold when
    // wrapped), and the width of the whole row.
    qint64 foldAt(Visual v, qreal x) const;
    qreal rowWidth(Visual v) const;
    // What a vertical scroll bar counts: folds when wrapped, lines when not.
    qint64 scrollLines() const { return wraps() ? m_doc.foldCount() : m_doc.lineCount(); }
    qint64 scrollLine(Visual v) const { return wraps() ? v.line : m_doc.lineOfFold(v.line); }
    Visual atScrollLine(qint64 n) const;

    // Words (runs of one kind of character: letters and digits, hiragana,
    // katakana, kanji, other marks) for Ctrl+arrows and double clicks: where the
    // next word starts (forward) or where the word before pos starts, and the
    // word at pos.
    qint64 wordEdge(qint64 pos, bool forward) const;
    std::pair<qint64, qint64> wordAt(qint64 pos) const;

    // Numbers of visual lines over the whole text, as the pane counts its
    // lines: the document's lines when nothing wraps, rows when it does.
    qint64 visualLineOf(qint64 pos) const;
    qint64 visualLineStart(qint64 number) const;

    // Blocks a numbering or a layout had to guess since the last call, for a
    // background count; the answers come back through addCounts with the
    // countsKey() of the time.
    std::vector<BigTextMeasure::ToCount> blocksToCount() const;
    bool wantsCounts() const { return m_wanted >= 0; }
    // A new turn of the event loop: kSyncRowChars may be measured on the spot again.
    void newTurn() const { m_spot = kSyncRowChars; }
    // Whether the last numbering rested on a guess anywhere.
    bool numbersGuessed() const { return wraps() && m_guessed; }
    quint64 countsKey() const { return m_countsKey; }
    void addCounts(quint64 key, const std::vector<BigTextMeasure::Counted>& counts);
    const BigTextMeasure& measure() const { return m_measure; }

    // Geometry of a piece of text, see BigTextMeasure.
    qreal charAdvance(QStringView text, qsizetype i, qreal x, int* len) const
    {
        return m_measure.charAdvance(text, i, x, len);
    }
    qreal widthOf(QStringView text, qsizetype from, qsizetype to, qreal start = 0) const
    {
        return m_measure.widthOf(text, from, to, start);
    }
    qsizetype hit(QStringView text, qsizetype from, qsizetype to, qreal x, qreal start = 0) const
    {
        return m_measure.hit(text, from, to, x, start);
    }
    void wrap(QStringView text, std::vector<qint32>& breaks) const { m_measure.wrap(text, breaks); }
    int rowCount(QStringView text) const { return m_measure.rowCount(text); }

private:
    using WrapState = BigTextMeasure::WrapState;
    using Counted = BigTextMeasure::Counted;

    // Unwrapped: the blocks of a line begun in block first (at its last fold)
    // and running on into the next, with where each begins in the row.
    struct Row {
        int first = -1, last = -1;
        quint64 id = 0, revision = 0, version = 0;
        std::vector<qreal> x; // of blocks first..last, the line's start being 0
        size_t exact = 0;     // x is measured up to this one, guessed after it
        qreal each = 0;       // the width a character is guessed at
    };
    const Row& row(int first) const;
    // Unwrapped: whether fold (of block) is the start of a line that runs on
    // into the next block; the last fold of the row it begins.
    bool runsOn(int block, qint64 fold) const;
    qint64 lastFoldOf(qint64 fold) const;
    // Unwrapped: puts the first fold of a block that goes on with a line where it stands in its row.
    // (measured: its width and marks are those at its x before, moved along when no tab depends on x.)
    void place(Line& l, int block, bool measured = false) const;
    // The width of a fold (and its marks) from where it begins.
    void measureLine(Line& l) const;

    void forgetCounts();
    void checkValid() const;
    // The fold laid out as the line that holds pos.
    qint64 lineAt(qint64 pos) const;
    bool continues(int block) const { return block > 0 && !m_doc.part(block - 1).endsWithNewline; }
    // The count of a block begun in the state in: kept, or null; counted now.
    const Counted* counted(int block, const WrapState& in) const;
    const Counted& count(int block, const WrapState& in) const;
    // The state block begins in, counting at most budget blocks of its line
    // now; false (a line begun there) when more would be needed.
    bool stateAt(int block, int budget, WrapState* in) const;
    // Where the Line of the first fold of block starts, and the state the
    // block begins in; false when guessed.
    bool lineStartAt(int block, qint64* start, WrapState* in) const;
    // The decoded text of fold r of a block.
    QStringView foldText(const BigTextDocument::DecodedPtr& d, size_t r) const;
    qint64 blockVisualStart(int block) const;
    void extendPrefix(int block) const;
    // Visual lines before each fold of one block (cumulative), for lookups inside it.
    const std::vector<qint64>& blockLineCounts(int block, const WrapState& in) const;

    const BigTextDocument& m_doc;
    BigTextMeasure m_measure;
    mutable std::vector<qint64> m_found;

    mutable quint64 m_revision = 0;
    mutable quint64 m_editRevision = 0;
    mutable qint64 m_lineCount = 0;
    mutable std::unordered_map<qint64, LinePtr> m_lines;
    mutable std::unordered_map<quint64, Counted> m_blockCounts; // by block id
    mutable quint64 m_countsVersion = 0;                         // changes with every count kept
    mutable std::vector<qint64> m_prefix;                      // visual lines before each block
    mutable quint64 m_prefixRevision = ~quint64(0);
    mutable int m_prefixBlocks = 0;
    mutable int m_wanted = -1; // the last block whose numbers were guessed
    mutable int m_wantedFirst = 0; // unwrapped: the first block of the line guessed
    mutable Row m_row;
    mutable qint64 m_spot = kSyncRowChars; // characters still to be measured on the spot this turn
    mutable bool m_guessed = false;
    quint64 m_countsKey = 0;
    mutable quint64 m_lastBlockId = 0;
    mutable WrapState m_lastBlockIn;
    mutable std::vector<qint64> m_lastBlockLines;
};
