#include "ExtensionTable.h"

#include "LineBuffer.h"

namespace {
const QString kSep = QStringLiteral("**");
const QString kEnd = QStringLiteral("***");
}

void PatternGrid::clearCategories()
{
    for (int r = 0; r < Categories; ++r)
        for (int c = 0; c < Patterns; ++c) cell[r][c].clear();
}

QStringList PatternGrid::visiblePatterns(int row) const
{
    QStringList out;
    if (row < 0 || row >= Rows) return out;
    for (int c = 0; c < Cols && !cell[row][c].isEmpty(); ++c) out << cell[row][c];
    return out;
}

namespace ExtensionTable {

void parse(const LineBuffer& lines, QStringList* names, PatternGrid* grid)
{
    names->clear();
    grid->clearCategories();
    const int count = lines.count();
    int i = 0;
    // Names up to the separator. A file without one would never meet it (a line
    // past the end reads empty), so the reading stops at the end of the file.
    for (;;) {
        if (i >= count) return;
        const QString line = lines.line(i++);
        if (line == kSep) break;
        if (names->size() < PatternGrid::Categories) names->append(line);
    }
    // Blocks up to the end line, which is looked for only right after a block.
    for (int r = 0;; ++r) {
        int c = 0;
        for (;;) {
            if (i >= count) return;   // a block without its "**": stop at the end
            const QString line = lines.line(i++);
            if (line == kSep) break;
            if (r < PatternGrid::Categories && c < PatternGrid::Patterns) grid->cell[r][c] = line;
            ++c;
        }
        if (i >= count || lines.line(i) == kEnd) return;
    }
}

void write(const QStringList& names, const PatternGrid& grid, LineBuffer* lines)
{
    for (const QString& n : names) lines->append(n);
    lines->append(kSep);
    for (int r = 0; r < PatternGrid::Categories; ++r) {
        for (int c = 0; c < PatternGrid::Patterns; ++c)
            if (!grid.cell[r][c].isEmpty()) lines->append(grid.cell[r][c]);
        lines->append(kSep);
    }
    lines->append(kEnd);
}

} // namespace ExtensionTable
