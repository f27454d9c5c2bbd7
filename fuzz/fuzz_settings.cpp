// Every reader of the settings files on arbitrary bytes: the line splitter (in
// one piece and in chunks), the integer conversion of each line, the extension
// table (streamed from a file, against the rules applied to all the lines) and
// the slot rows; the promise that lines taken out as text and put back are
// written with the bytes they were read with; and the import of the old files,
// which either converts without losing a byte or refuses and touches nothing.
#include "AppSlots.h"
#include "ExtensionTable.h"
#include "IntConv.h"
#include "LineBuffer.h"
#include "LineSplitter.h"
#include "OldSettings.h"
#include "VarError.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <array>
#include <cstdint>
#include <cstdlib>

namespace {

// The reading rules of exitem.cfg over a list of lines, by index, as the file
// format states them: the oracle for the streaming reader.
void referenceParse(const LineBuffer& lines, QStringList* names, PatternGrid* grid)
{
    names->clear();
    grid->clearCategories();
    const int count = lines.count();
    int i = 0;
    for (;;) {
        if (i >= count) return;
        const QString line = lines.line(i++);
        if (line == QLatin1String("**")) break;
        if (names->size() < PatternGrid::Categories) names->append(line);
    }
    for (int r = 0;; ++r) {
        int c = 0;
        for (;;) {
            if (i >= count) return;
            const QString line = lines.line(i++);
            if (line == QLatin1String("**")) break;
            if (r < PatternGrid::Categories && c < PatternGrid::Patterns) grid->cell[r][c] = line;
            ++c;
        }
        if (i >= count || lines.line(i) == QLatin1String("***")) return;
    }
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) std::abort();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

const QString& scratch()
{
    // On a memory file system where there is one.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/fuzz-settings-XXXXXX")
                                                                       : QDir::tempPath() + QStringLiteral("/fuzz-settings-XXXXXX"));
    static const QString path = dir.path() + QLatin1Char('/');
    return path;
}

void checkFileReaders(const QByteArray& bytes, const LineBuffer& whole)
{
    const QString dir = scratch();
    const QString path = dir + QStringLiteral("exitem.cfg");
    writeFile(path, bytes);
    QStringList names, expectedNames;
    PatternGrid grid, expectedGrid;
    ExtensionTable::load(path, &names, &grid);
    referenceParse(whole, &expectedNames, &expectedGrid);
    if (names != expectedNames || grid.cell != expectedGrid.cell) std::abort();
    LineBuffer first;
    first.load(path, 13);
    if (first.lines() != whole.lines().mid(0, 13)) std::abort();
}

// The import: a plausible old file is converted with every byte of every line
// and then deleted; any other is refused with nothing written or deleted.
void checkImport(const QByteArray& bytes, const LineBuffer& whole)
{
    const QString dir = scratch();
    const QByteArray sentinel("untouched\r\n");
    writeFile(dir + AppSlots::itemsFile(), sentinel);
    writeFile(dir + QStringLiteral("appcfgs.cfg"), sentinel);
    writeFile(dir + OldSettings::oldItemsFile(), bytes);
    writeFile(dir + OldSettings::oldMainFile(), bytes);
    const bool plausible = OldSettings::plausibleOldFile(bytes);
    LineBuffer a, b;
    std::array<QImage, OldSettings::OldIconCount> images;
    // Scratch files read back at once: nothing waits for the disk.
    const auto apps = OldSettings::convertApps(dir, true, a, images, nullptr, Durability::Unsynced);
    const auto main = OldSettings::convertMainSettings(dir, true, a, b, nullptr, Durability::Unsynced);
    if (!plausible) {
        if (apps != OldSettings::AppsResult::ItemsImplausible || main != OldSettings::MainResult::Implausible) std::abort();
        if (readFile(dir + AppSlots::itemsFile()) != sentinel || readFile(dir + QStringLiteral("appcfgs.cfg")) != sentinel)
            std::abort();
        if (readFile(dir + OldSettings::oldItemsFile()) != bytes || readFile(dir + OldSettings::oldMainFile()) != bytes)
            std::abort();
        return;
    }
    if (whole.count() > OldSettings::MaxOldLines) std::abort();
    if (apps != OldSettings::AppsResult::ImagesMissing || main != OldSettings::MainResult::Converted) std::abort();
    if (QFile::exists(dir + OldSettings::oldItemsFile()) || QFile::exists(dir + OldSettings::oldMainFile())) std::abort();
    LineBuffer items, settings;
    items.load(dir + AppSlots::itemsFile());
    settings.load(dir + QStringLiteral("appcfgs.cfg"));
    if (items.count() != whole.count() + 6 || settings.count() != whole.count() + 4) std::abort();
    for (int i = 0; i < whole.count(); ++i)
        if (items.lineBytes(i) != whole.lineBytes(i) || settings.lineBytes(i + 1) != whole.lineBytes(i)) std::abort();
    if (settings.line(0) != QLatin1String("Vardolin Ver 1.05") || settings.line(whole.count() + 3) != QLatin1String("88"))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    LineBuffer lines;
    lines.loadBytes(input);

    // The same lines whatever the pieces the bytes arrive in.
    const qsizetype chunk = size > 0 ? 1 + data[0] % 7 : 1;
    int k = 0;
    bool differs = false;
    LineSplitter splitter([&](QByteArrayView line) {
        differs = differs || k >= lines.count() || line != QByteArrayView(lines.lineBytes(k));
        ++k;
        return true;
    });
    for (qsizetype i = 0; i < input.size(); i += chunk)
        splitter.feed(QByteArrayView(input).sliced(i, std::min(chunk, input.size() - i)));
    splitter.finish();
    if (differs || k != lines.count()) std::abort();
    checkFileReaders(input, lines);
    checkImport(input, lines);
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
    // The writer refuses only a pattern that would read back as the end marker
    // once the empty cells before it are dropped; anything else it writes.
    LineBuffer out;
    try {
        ExtensionTable::write(names, grid, &out);
        (void)out.toBytes();
    } catch (const VarError&) {
        bool endAsPattern = false;
        for (int r = 1; r < PatternGrid::Categories; ++r)
            for (int c = 0; c < PatternGrid::Patterns; ++c)
                endAsPattern = endAsPattern || grid.cell[r][c] == QLatin1String("***");
        if (!endAsPattern) std::abort();
    }
    for (int n = 1; n <= AppSlots::Count; ++n) (void)AppSlots::rowFromLines(lines, n);
    (void)lines.toBytes();

    // Lines through text come back as their bytes, unless two lines of one text
    // were read with different bytes (the text cannot tell them apart).
    // A UTF-8 file keeps its byte-order mark; with no line at all there is
    // nothing to mark and the file is written empty.
    QByteArray expected = lines.encoding() == LineBuffer::Encoding::Utf8 && lines.count() > 0
        ? QByteArray("\xEF\xBB\xBF") : QByteArray();
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
