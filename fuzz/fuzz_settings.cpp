// Every reader of the settings files on arbitrary bytes: the line splitter, the
// integer conversion of each line, the extension table and the slot rows; and
// the promise that lines taken out as text and put back are written with the
// bytes they were read with.
#include "AppSlots.h"
#include "ExtensionTable.h"
#include "IntConv.h"
#include "LineBuffer.h"

#include <QHash>

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

    // Lines through text come back as their bytes, unless two lines of one text
    // were read with different bytes (the text cannot tell them apart).
    QByteArray expected = lines.encoding() == LineBuffer::Encoding::Utf8 ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    QHash<QString, QByteArray> seen;
    bool ambiguous = false;
    LineBuffer text;
    for (int i = 0; i < lines.count(); ++i) {
        const QByteArray bytes = lines.lineBytes(i);
        if (bytes.size() > LineBuffer::MaxLineBytes) std::abort();
        expected += bytes + "\r\n";
        auto it = seen.find(lines.line(i));
        if (it == seen.end()) seen.insert(lines.line(i), bytes);
        else ambiguous = ambiguous || *it != bytes;
        text.append(lines.line(i));
    }
    if (lines.toBytes() != expected) std::abort();
    if (!ambiguous && text.toBytes() != expected) std::abort();
    LineBuffer copy;
    for (int i = 0; i < lines.count(); ++i) copy.appendLineOf(lines, i);
    if (copy.toBytes() != expected) std::abort();
    return 0;
}
