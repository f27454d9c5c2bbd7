#include "ExtensionTable.h"

#include "LineBuffer.h"
#include "LineSplitter.h"
#include "VarError.h"

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

Marker markerOf(const QString& line)
{
    return line == kSep ? Marker::Separator : line == kEnd ? Marker::End : Marker::None;
}

namespace {
// The markers are ASCII, so a line is one exactly when its bytes are, in CP932
// and in UTF-8 alike.
Marker markerOfBytes(QByteArrayView bytes)
{
    return bytes == QByteArrayView("**") ? Marker::Separator : bytes == QByteArrayView("***") ? Marker::End : Marker::None;
}
} // namespace

Reader::Step Reader::next(Marker marker)
{
    using Kind = Step::Kind;
    switch (m_state) {
    case State::Names:
        if (marker == Marker::Separator) {
            m_state = State::Block;   // block 0 is always read
            return {};
        }
        if (m_names >= PatternGrid::Categories) return {};
        return {Kind::Name, m_names++, 0};
    case State::AfterBlock:
        if (marker == Marker::End) return {Kind::Stop};
        // The next block begins with this very line.
        m_state = State::Block;
        ++m_row;
        m_col = 0;
        break;
    case State::Block:
        break;
    }
    if (marker == Marker::Separator) {
        m_state = State::AfterBlock;
        return {};
    }
    const qint64 col = m_col++;
    if (m_row >= PatternGrid::Categories || col >= PatternGrid::Patterns) return {};
    return {Kind::Pattern, int(m_row), int(col)};
}

void parse(const LineBuffer& lines, QStringList* names, PatternGrid* grid)
{
    names->clear();
    grid->clearCategories();
    Reader reader;
    for (int i = 0; i < lines.count(); ++i) {
        const QString line = lines.line(i);
        const Reader::Step step = reader.next(markerOf(line));
        if (step.kind == Reader::Step::Stop) return;
        if (step.kind == Reader::Step::Name) names->append(line);
        if (step.kind == Reader::Step::Pattern) grid->cell[step.row][step.col] = line;
    }
}

void load(const QString& path, QStringList* names, PatternGrid* grid)
{
    // The kept lines in file order with where each goes; at most 10 names and
    // 10 x 20 patterns, whatever the file holds.
    QList<QByteArray> kept;
    QList<Reader::Step> where;
    Reader reader;
    LineSplitter splitter([&](QByteArrayView line) {
        const Reader::Step step = reader.next(markerOfBytes(line));
        if (step.kind == Reader::Step::Stop) return false;
        if (step.kind != Reader::Step::Ignore) {
            kept.append(line.toByteArray());
            where.append(step);
        }
        return true;
    });
    if (!splitFile(path, splitter, LineBuffer::MaxFileBytes)) throw VarError::cannotOpen(path);
    // Decoded as the buffer decodes them, so that their bytes are remembered
    // for the next writing of the file.
    LineBuffer lines;
    lines.loadLines(kept, splitter.utf8() ? LineBuffer::Encoding::Utf8 : LineBuffer::Encoding::Cp932, path);
    names->clear();
    grid->clearCategories();
    for (int k = 0; k < lines.count(); ++k) {
        if (where[k].kind == Reader::Step::Name) names->append(lines.line(k));
        else grid->cell[where[k].row][where[k].col] = lines.line(k);
    }
}

void write(const QStringList& names, const PatternGrid& grid, LineBuffer* lines, const QString& path)
{
    // A value that would read back as a marker where it stands would cut the
    // table or shift it: "**" anywhere, and "***" as the first line of a
    // block after the first (where the reader takes it for the end).
    const QString file = path.isEmpty() ? QStringLiteral("exitem.cfg") : path;
    for (const QString& n : names)
        if (markerOf(n) == Marker::Separator) throw VarError::markerAsValue(file, n);
    for (int r = 0; r < PatternGrid::Categories; ++r) {
        bool first = true;
        for (int c = 0; c < PatternGrid::Patterns; ++c) {
            const QString& cell = grid.cell[r][c];
            if (cell.isEmpty()) continue;
            const Marker m = markerOf(cell);
            if (m == Marker::Separator || (m == Marker::End && first && r > 0)) throw VarError::markerAsValue(file, cell);
            first = false;
        }
    }
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
