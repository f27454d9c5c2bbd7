// Every reader of the settings files on arbitrary bytes: the line splitter, the
// integer conversion of each line, the extension table and the slot rows.
#include "AppSlots.h"
#include "ExtensionTable.h"
#include "IntConv.h"
#include "LineBuffer.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LineBuffer lines;
    lines.loadBytes(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    for (int i = 0; i < lines.count(); ++i) {
        if (lines.line(i).toUtf8().size() > 4 * LineBuffer::MaxLineBytes) std::abort();
        int v = 0;
        tryStrToInt(lines.line(i), &v);
    }
    QStringList names;
    PatternGrid grid;
    ExtensionTable::parse(lines, &names, &grid);
    if (names.size() > PatternGrid::Categories) std::abort();
    for (int r = 0; r < PatternGrid::Rows; ++r)
        if (!grid.cell[r][PatternGrid::Cols - 1].isEmpty() || (r >= PatternGrid::Categories && !grid.cell[r][0].isEmpty()))
            std::abort();
    LineBuffer out;
    ExtensionTable::write(names, grid, &out);
    (void)out.toBytes();
    for (int n = 1; n <= AppSlots::Count; ++n) (void)AppSlots::rowFromLines(lines, n);
    (void)lines.toBytes();
    return 0;
}
