#pragma once
#include <QString>
#include <QStringList>

#include <array>

class LineBuffer;

// The pattern grid of the extension table: 11 rows of 21 entries. Rows 0..9 are
// categories 0..9, row 10 is spare; entry 20 of a row always stays empty, so a
// full row still ends with an empty entry. A row's visible patterns run from
// entry 0 up to the first empty entry.
struct PatternGrid {
    static constexpr int Rows = 11;
    static constexpr int Cols = 21;
    static constexpr int Categories = 10;
    static constexpr int Patterns = 20;
    std::array<std::array<QString, Cols>, Rows> cell;

    QString at(int row, int col) const
    {
        return (row >= 0 && row < Rows && col >= 0 && col < Cols) ? cell[row][col] : QString();
    }
    void clearCategories();
    // The run of entries from 0 up to the first empty one.
    QStringList visiblePatterns(int row) const;
};

namespace ExtensionTable {
enum class Marker { None, Separator, End };   // "**", "***"
Marker markerOf(const QString& line);

// The reading rules of exitem.cfg, one line at a time, so that a file of any
// size is read in bounded memory: names up to the separator, then blocks, each
// up to its separator, until a block is followed by the end line (which is
// looked for only there). Says where each line goes; extra names, blocks or
// patterns go nowhere. The reading ends with the file if no end line comes.
class Reader {
public:
    struct Step {
        enum Kind { Ignore, Name, Pattern, Stop } kind = Ignore;
        int row = 0;   // for a pattern: its entry in the grid
        int col = 0;
    };
    Step next(Marker marker);

private:
    enum class State { Names, Block, AfterBlock } m_state = State::Names;
    int m_names = 0;
    qint64 m_row = 0;
    qint64 m_col = 0;
};

// Reads the lines of exitem.cfg into category names and grid (the reading rules of
// the file, including its odd cases). Never loops without end and never writes
// outside the grid: extra names, blocks or patterns are dropped.
void parse(const LineBuffer& lines, QStringList* names, PatternGrid* grid);
// The same straight from the file, streamed: only the lines that are kept are
// held, and the reading stops at the end line. Throws VarError::cannotOpen and
// then leaves names and grid as they were.
void load(const QString& path, QStringList* names, PatternGrid* grid);
// Appends the lines of exitem.cfg for these names and grid rows 0..9.
// Throws VarError (naming `path`, exitem.cfg when empty) for a value that
// would read back as a marker where it stands.
void write(const QStringList& names, const PatternGrid& grid, LineBuffer* lines, const QString& path = QString());
}
