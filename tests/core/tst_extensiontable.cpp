// Reading and writing the extension table file, including hand-made files.
#include "Cp932.h"
#include "ExtensionTable.h"
#include "LineBuffer.h"

#include <QtTest>

namespace {

QByteArray crlfBytes(const QStringList& lines)
{
    QByteArray out;
    for (const QString& l : lines) out += Cp932::encode(l) + "\r\n";
    return out;
}

struct Table {
    QStringList names;
    PatternGrid grid;
};

Table parseBytes(const QByteArray& bytes)
{
    LineBuffer lines;
    lines.loadBytes(bytes);
    Table t;
    // Poison what the reader owns (names, rows 0..9, entries 0..19) so that a
    // reader that forgets to clear it shows; entry 20 and row 10 start empty.
    t.names << QStringLiteral("stale");
    for (int r = 0; r < PatternGrid::Categories; ++r)
        for (int c = 0; c < PatternGrid::Patterns; ++c) t.grid.cell[r][c] = QStringLiteral("stale");
    ExtensionTable::parse(lines, &t.names, &t.grid);
    return t;
}

Table parseLines(const QStringList& lines)
{
    return parseBytes(crlfBytes(lines));
}

QByteArray writeBytes(const Table& t)
{
    LineBuffer lines;
    ExtensionTable::write(t.names, t.grid, &lines);
    return lines.toBytes();
}

// The reader never writes entry 20 of a row or row 10, whatever the file holds.
void checkGridBounds(const PatternGrid& g)
{
    for (int r = 0; r < PatternGrid::Rows; ++r) QVERIFY2(g.cell[r][20].isEmpty(), qPrintable(QString::number(r)));
    for (int c = 0; c < PatternGrid::Cols; ++c) QVERIFY(g.cell[10][c].isEmpty());
}

QStringList blocks(int empty)
{
    QStringList out;
    for (int i = 0; i < empty; ++i) out << QStringLiteral("**");
    return out;
}

const QStringList kWorkedExample = QStringList{QStringLiteral("Text"), QStringLiteral("Source"), QStringLiteral("**"),
                                               QStringLiteral("*.txt"), QStringLiteral("*.log"), QStringLiteral("**"),
                                               QStringLiteral("*.c"), QStringLiteral("*.h"), QStringLiteral("**")}
    + blocks(8) + QStringList{QStringLiteral("***")};

} // namespace

class TstExtensionTable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void workedExampleRoundTrip();
    void writerShape();
    void japaneseNamesRoundTrip();
    void markers_data();
    void markers();
    void emptyLines();
    void lineEndings();
    void handMadeFiles_data();
    void handMadeFiles();
    void oversizedFilesStayInsideTheGrid();
};

void TstExtensionTable::workedExampleRoundTrip()
{
    QCOMPARE(kWorkedExample.size(), 18);
    const QByteArray file = crlfBytes(kWorkedExample);
    const Table t = parseBytes(file);
    QCOMPARE(t.names, (QStringList{QStringLiteral("Text"), QStringLiteral("Source")}));
    QCOMPARE(t.grid.visiblePatterns(0), (QStringList{QStringLiteral("*.txt"), QStringLiteral("*.log")}));
    QCOMPARE(t.grid.visiblePatterns(1), (QStringList{QStringLiteral("*.c"), QStringLiteral("*.h")}));
    for (int r = 2; r < PatternGrid::Rows; ++r) QVERIFY(t.grid.visiblePatterns(r).isEmpty());
    checkGridBounds(t.grid);
    QCOMPARE(writeBytes(t), file);
}

void TstExtensionTable::writerShape()
{
    // Three categories, a gap in a row: names, separator, always ten blocks, end;
    // the gap is closed up and nothing past entry 19 or row 9 is written.
    Table t;
    t.names = {QStringLiteral("A"), QString(), QStringLiteral("C")};
    t.grid.cell[0][0] = QStringLiteral("*.a");
    t.grid.cell[0][2] = QStringLiteral("*.b");
    t.grid.cell[2][19] = QStringLiteral("*.z");
    t.grid.cell[2][20] = QStringLiteral("never");
    t.grid.cell[10][0] = QStringLiteral("never");
    LineBuffer lines;
    ExtensionTable::write(t.names, t.grid, &lines);
    const QStringList expected = QStringList{QStringLiteral("A"), QString(), QStringLiteral("C"), QStringLiteral("**"),
                                             QStringLiteral("*.a"), QStringLiteral("*.b"), QStringLiteral("**"),
                                             QStringLiteral("**"), QStringLiteral("*.z"), QStringLiteral("**")}
        + blocks(7) + QStringList{QStringLiteral("***")};
    QCOMPARE(lines.lines(), expected);
    QCOMPARE(lines.count(), 3 + 3 + 12);
}

void TstExtensionTable::japaneseNamesRoundTrip()
{
    const QStringList file = QStringList{QStringLiteral("テキスト"), QStringLiteral("ｿｰｽ"), QStringLiteral("**"),
                                         QStringLiteral("*.txt"), QStringLiteral("**"), QStringLiteral("表*.c"),
                                         QStringLiteral("**")}
        + blocks(8) + QStringList{QStringLiteral("***")};
    const QByteArray bytes = crlfBytes(file);
    const Table t = parseBytes(bytes);
    QCOMPARE(t.names, (QStringList{QStringLiteral("テキスト"), QStringLiteral("ｿｰｽ")}));
    QCOMPARE(t.grid.cell[1][0], QStringLiteral("表*.c"));
    QCOMPARE(writeBytes(t), bytes);

    // The end line as a category name, and as a pattern after a block's
    // first, is written and read back where it stood.
    Table ends;
    ends.names = {QStringLiteral("***"), QStringLiteral("B")};
    ends.grid.cell[1][0] = QStringLiteral("*.b");
    ends.grid.cell[1][1] = QStringLiteral("***");
    const Table back = parseBytes(writeBytes(ends));
    QCOMPARE(back.names, ends.names);
    QCOMPARE(back.grid.visiblePatterns(1), (QStringList{QStringLiteral("*.b"), QStringLiteral("***")}));
}

void TstExtensionTable::markers_data()
{
    QTest::addColumn<QStringList>("file");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("row0");
    QTest::addColumn<QStringList>("row1");
    QTest::addColumn<QStringList>("row2");

    const QString sep = QStringLiteral("**"), end = QStringLiteral("***");
    QTest::newRow("first line is the separator")
        << (QStringList{sep, QStringLiteral("*.txt"), sep, QStringLiteral("*.c"), sep, end}) << QStringList{}
        << QStringList{QStringLiteral("*.txt")} << QStringList{QStringLiteral("*.c")} << QStringList{};
    QTest::newRow("block of only the separator")
        << (QStringList{QStringLiteral("A"), QStringLiteral("B"), sep, sep, QStringLiteral("*.b"), sep, end})
        << QStringList{QStringLiteral("A"), QStringLiteral("B")} << QStringList{} << QStringList{QStringLiteral("*.b")}
        << QStringList{};
    QTest::newRow("blanks around markers make them plain text")
        << (QStringList{QStringLiteral(" **"), QStringLiteral("** "), sep, QStringLiteral(" **"), QStringLiteral("*** "), sep,
                        end})
        << QStringList{QStringLiteral(" **"), QStringLiteral("** ")}
        << QStringList{QStringLiteral(" **"), QStringLiteral("*** ")} << QStringList{} << QStringList{};
    QTest::newRow("end line first in block 0 is a pattern")
        << (QStringList{QStringLiteral("A"), sep, end, QStringLiteral("*.x"), sep, QStringLiteral("*.y"), sep, end})
        << QStringList{QStringLiteral("A")} << QStringList{end, QStringLiteral("*.x")}
        << QStringList{QStringLiteral("*.y")} << QStringList{};
    QTest::newRow("end line first in block 1 ends the file")
        << (QStringList{QStringLiteral("A"), sep, QStringLiteral("*.x"), sep, end, QStringLiteral("*.y"), sep})
        << QStringList{QStringLiteral("A")} << QStringList{QStringLiteral("*.x")} << QStringList{} << QStringList{};
    QTest::newRow("end line among the names is a name")
        << (QStringList{end, QStringLiteral("B"), sep, QStringLiteral("*.x"), sep, QStringLiteral("*.y"), sep, end})
        << QStringList{end, QStringLiteral("B")} << QStringList{QStringLiteral("*.x")}
        << QStringList{QStringLiteral("*.y")} << QStringList{};
    QTest::newRow("end line inside a block is a pattern")
        << (QStringList{QStringLiteral("A"), sep, QStringLiteral("*.x"), end, sep, QStringLiteral("*.y"), sep, end})
        << QStringList{QStringLiteral("A")} << QStringList{QStringLiteral("*.x"), end}
        << QStringList{QStringLiteral("*.y")} << QStringList{};
    QTest::newRow("fewer than ten blocks")
        << (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), sep, QStringLiteral("*.a"), sep, end})
        << QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")} << QStringList{QStringLiteral("*.a")}
        << QStringList{} << QStringList{};
    QTest::newRow("case kept")
        << (QStringList{QStringLiteral("A"), sep, QStringLiteral("*.TXT"), QStringLiteral("*.txt"), sep, end})
        << QStringList{QStringLiteral("A")} << QStringList{QStringLiteral("*.TXT"), QStringLiteral("*.txt")}
        << QStringList{} << QStringList{};
    QTest::newRow("lines after the end line ignored")
        << (QStringList{QStringLiteral("A"), sep, QStringLiteral("*.a"), sep, end, QStringLiteral("*.b"), sep, end})
        << QStringList{QStringLiteral("A")} << QStringList{QStringLiteral("*.a")} << QStringList{} << QStringList{};
}

void TstExtensionTable::markers()
{
    QFETCH(QStringList, file);
    const Table t = parseLines(file);
    QTEST(t.names, "names");
    QTEST(t.grid.visiblePatterns(0), "row0");
    QTEST(t.grid.visiblePatterns(1), "row1");
    QTEST(t.grid.visiblePatterns(2), "row2");
    checkGridBounds(t.grid);
}

void TstExtensionTable::emptyLines()
{
    const Table t = parseLines({QStringLiteral("A"), QString(), QStringLiteral("C"), QStringLiteral("**"),
                                QStringLiteral("*.a"), QString(), QStringLiteral("*.b"), QStringLiteral("**"),
                                QStringLiteral("***")});
    // An empty name is an item; an empty pattern hides the ones after it,
    // which are kept all the same.
    QCOMPARE(t.names, (QStringList{QStringLiteral("A"), QString(), QStringLiteral("C")}));
    QCOMPARE(t.grid.visiblePatterns(0), QStringList{QStringLiteral("*.a")});
    QCOMPARE(t.grid.cell[0][2], QStringLiteral("*.b"));
}

void TstExtensionTable::lineEndings()
{
    const QByteArray crlf = crlfBytes(kWorkedExample);
    QByteArray lf = crlf, cr = crlf;
    lf.replace("\r\n", "\n");
    cr.replace("\r\n", "\r");
    const Table a = parseBytes(crlf), b = parseBytes(lf), c = parseBytes(cr);
    QCOMPARE(b.names, a.names);
    QCOMPARE(c.names, a.names);
    for (int r = 0; r < PatternGrid::Rows; ++r) {
        QCOMPARE(b.grid.cell[r], a.grid.cell[r]);
        QCOMPARE(c.grid.cell[r], a.grid.cell[r]);
    }
    // Written back, every line ends in CR LF again.
    QCOMPARE(writeBytes(b), crlf);
}

// Files the program never writes: whatever fits is read, the reading ends at
// the end of the file.
void TstExtensionTable::handMadeFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("row0");
    QTest::addColumn<QStringList>("row1");

    QTest::newRow("empty file") << QByteArray() << QStringList{} << QStringList{} << QStringList{};
    QTest::newRow("no separator") << crlfBytes({QStringLiteral("A"), QStringLiteral("B")})
                                  << QStringList{QStringLiteral("A"), QStringLiteral("B")} << QStringList{}
                                  << QStringList{};
    QTest::newRow("separator only") << crlfBytes({QStringLiteral("**")}) << QStringList{} << QStringList{}
                                    << QStringList{};
    QTest::newRow("ends inside a block")
        << crlfBytes({QStringLiteral("A"), QStringLiteral("**"), QStringLiteral("*.a"), QStringLiteral("**"),
                      QStringLiteral("*.b")})
        << QStringList{QStringLiteral("A")} << QStringList{QStringLiteral("*.a")} << QStringList{QStringLiteral("*.b")};
    QTest::newRow("no end line") << crlfBytes({QStringLiteral("A"), QStringLiteral("**"), QStringLiteral("*.a"),
                                               QStringLiteral("**"), QStringLiteral("*.b"), QStringLiteral("**")})
                                 << QStringList{QStringLiteral("A")} << QStringList{QStringLiteral("*.a")}
                                 << QStringList{QStringLiteral("*.b")};
    QTest::newRow("no final line break") << QByteArray("A\r\n**\r\n*.a\r\n**\r\n***")
                                         << QStringList{QStringLiteral("A")} << QStringList{QStringLiteral("*.a")}
                                         << QStringList{};
    QTest::newRow("UTF-8 with byte-order mark") << QByteArray("\xEF\xBB\xBF\xE8\xA1\xA8\r\n**\r\n*.a\r\n**\r\n***\r\n")
                                                << QStringList{QStringLiteral("表")} << QStringList{QStringLiteral("*.a")}
                                                << QStringList{};
}

void TstExtensionTable::handMadeFiles()
{
    QFETCH(QByteArray, file);
    const Table t = parseBytes(file);
    QTEST(t.names, "names");
    QTEST(t.grid.visiblePatterns(0), "row0");
    QTEST(t.grid.visiblePatterns(1), "row1");
    checkGridBounds(t.grid);
}

void TstExtensionTable::oversizedFilesStayInsideTheGrid()
{
    // 12 names, 12 blocks and a block of 25 patterns: the first 10 names, rows
    // 0..9 and entries 0..19 are kept; the reading still finds the end line.
    QStringList file;
    for (int i = 0; i < 12; ++i) file << QStringLiteral("cat%1").arg(i);
    file << QStringLiteral("**");
    for (int i = 0; i < 25; ++i) file << QStringLiteral("*.p%1").arg(i);
    file << QStringLiteral("**");
    for (int r = 1; r < 12; ++r) file << QStringLiteral("*.r%1").arg(r) << QStringLiteral("**");
    file << QStringLiteral("***");
    const Table t = parseLines(file);
    QCOMPARE(t.names.size(), 10);
    QCOMPARE(t.names.last(), QStringLiteral("cat9"));
    QCOMPARE(t.grid.visiblePatterns(0).size(), 20);
    QCOMPARE(t.grid.visiblePatterns(0).last(), QStringLiteral("*.p19"));
    QCOMPARE(t.grid.visiblePatterns(9), QStringList{QStringLiteral("*.r9")});
    checkGridBounds(t.grid);

    // Written back, it is a well-formed file of what was kept.
    const Table again = parseBytes(writeBytes(t));
    QCOMPARE(again.names, t.names);
    for (int r = 0; r < PatternGrid::Categories; ++r) QCOMPARE(again.grid.visiblePatterns(r), t.grid.visiblePatterns(r));

    // A long run of lines without any marker ends with the file.
    QStringList endless;
    for (int i = 0; i < 5000; ++i) endless << QStringLiteral("x%1").arg(i);
    const Table big = parseLines(endless);
    QCOMPARE(big.names.size(), 10);
    checkGridBounds(big.grid);
}

QTEST_MAIN(TstExtensionTable)
#include "tst_extensiontable.moc"
