#pragma once
#include "BigTextScan.h"

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <limits>
#include <unordered_map>
#include <vector>

// Widths of text in one font, and where lines wrap at one width. Widths are
// sums of character advances with kerning off, so that measuring, wrapping,
// hit testing and painting agree without laying out whole lines. Each thread
// that measures has its own.
//
// A line longer than a block is wrapped a piece (a fold) at a time, each piece
// going on from where the wrap of the one before stood (WrapState), so that
// its rows are those of wrapping the whole line. One thing differs from a
// whole line: a row that began no later than the start of the piece it is
// leaving (it covers that piece whole: blanks or characters of no width) ends
// there, so that a row spans two pieces at most.
class BigTextMeasure {
public:
    // Where a wrap stands between two pieces of a line. Positions are the
    // document's; a state that has not started begins a line.
    struct WrapState {
        qint64 rowStart = 0;
        qint64 lastBreak = -1; // a break opportunity after rowStart, or -1
        qint64 pieceStart = 0; // of the piece wrapped last
        qreal x = 0;           // width of the row so far
        qreal xBreak = 0;      // width from lastBreak on
        char16_t prev = 0;     // the last character's first code unit
        bool started = false;
        bool operator==(const WrapState&) const = default;
    };
    // The rows of one block, counted with the state its first fold began in
    // (from the fold before, when the block goes on with a line) and the
    // state its last fold ended in. Rows count where they begin: a line's
    // first row in its first fold, any other in the fold whose wrapping broke
    // the line there (which may put its start a little before that fold).
    struct Counted {
        quint64 id = 0;
        qint64 folds = 0;
        qint64 start = 0; // where the block stood (the states hold positions)
        qint64 rows = 0;
        WrapState in, out;
    };
    // A block to count elsewhere: begun in the state in, or, chained, in the
    // state the block listed before it ends in.
    struct ToCount {
        int block = 0;
        bool chained = false;
        WrapState in;
    };

    BigTextMeasure();
    BigTextMeasure(const QFont& font, qreal wrapWidth);

    void setFont(const QFont& font);
    const QFont& font() const { return m_font; }
    // Width available to a line; 0 or less turns wrapping off.
    void setWrapWidth(qreal width);
    bool wraps() const { return m_wrapWidth > 0; }
    qreal wrapWidth() const { return m_wrapWidth; }
    qreal tabStop() const { return 80; }
    int lineHeight() const { return m_lineHeight; }
    qreal ascent() const { return m_fm.ascent(); }

    // Advance of the character at i standing at x (tabs depend on it); *len
    // gets its code units.
    qreal charAdvance(QStringView text, qsizetype i, qreal x, int* len) const
    {
        return advanceAt(text.utf16(), i, text.size(), x, len);
    }
    // Width of text[from, to), begun at x = start (tabs depend on it), and the
    // offset in it nearest to x (in the same terms as start).
    qreal widthOf(QStringView text, qsizetype from, qsizetype to, qreal start = 0) const;
    qsizetype hit(QStringView text, qsizetype from, qsizetype to, qreal x, qreal start = 0) const;
    // Offsets where the visual lines of a line start (the first is 0).
    void wrap(QStringView text, std::vector<qint32>& breaks) const;
    // Visual lines of a line: wrap(text).size(), quicker for lines that fit.
    int rowCount(QStringView text) const;
    // Wraps the next piece of a line (text, standing at position at) from s,
    // and appends where rows begin to starts (the line's first row is not
    // one); stops early once a row begins after position until (s is then
    // of no further use). Without wrapping, a line is one row: s.x only goes
    // on to where the piece ends.
    static constexpr qint64 kWhole = std::numeric_limits<qint64>::max();
    static constexpr qint64 kFirst = std::numeric_limits<qint64>::min();
    void wrapOn(WrapState& s, QStringView text, qint64 at, std::vector<qint64>& starts, qint64 until = kWhole) const;
    // Visual lines of the first lines lines of a decoded block standing at
    // position at, its first fold wrapped on from in, each counted into rows
    // (cumulative, from rows[0] = 0) when given; *out gets the state after the
    // last fold.
    qint64 blockRows(const BigTextScan::Decoded& d, qint64 lines, qint64 at, const WrapState& in, WrapState* out,
                     std::vector<qint64>* rows = nullptr) const;

private:
    qreal advance(char16_t c) const;
    qreal astral(char32_t c) const;
    qreal advanceAt(const char16_t* s, qsizetype i, qsizetype n, qreal x, int* len) const;

    QFont m_font;
    QFontMetricsF m_fm;
    int m_lineHeight = 1;
    qreal m_wrapWidth = 0;
    mutable std::vector<float> m_advances;
    mutable std::unordered_map<char32_t, float> m_astral;
    mutable std::vector<qint64> m_starts;
};
