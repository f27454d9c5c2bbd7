// Word wrap of lines longer than a block: the rows of a long line are those of
// wrapping the whole line, however many blocks it runs over, for the count of
// rows, the row of a position, where a row starts and what a view walks over,
// measured on the spot or counted by the workers. Unwrapped, such a line is
// one row, each character where the whole line has it.
#include "BigTextDocument.h"
#include "BigTextLayout.h"
#include "BigTextTasks.h"
#include "CoreSupport.h"
#include "Cp932.h"

#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <vector>

#include <fcntl.h>

Q_DECLARE_METATYPE(TextEncoding)

namespace {

// Where every row of the text starts when each of its lines is wrapped whole.
std::vector<qint64> rowsOfWholeLines(const BigTextLayout& layout, const QString& text)
{
    std::vector<qint64> rows;
    std::vector<qint32> breaks;
    for (qsizetype start = 0;;) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0) end = text.size();
        layout.wrap(QStringView(text).mid(start, end - start), breaks);
        for (qint32 b : breaks) rows.push_back(start + b);
        if (end == text.size()) return rows;
        start = end + 1;
    }
}

qint64 rowOf(const std::vector<qint64>& rows, qint64 pos)
{
    return std::upper_bound(rows.begin(), rows.end(), pos) - rows.begin() - 1;
}

} // namespace

class TestBigTextWrap : public QObject {
    Q_OBJECT

    TempFolder m_dir{false};

    // The layout agrees with wrapping whole lines: the count of rows, and the
    // row, its start and its place on screen around every block's start and
    // the rows next to it.
    void compareRows(const BigTextDocument& doc, const BigTextLayout& layout, const QString& text)
    {
        layout.newTurn(); // as a view's every event
        const std::vector<qint64> rows = rowsOfWholeLines(layout, text);
        QCOMPARE(layout.visualLineOf(doc.length()), qint64(rows.size()) - 1);
        for (int b = 0; b < doc.blockCount(); ++b) {
            const qint64 edge = doc.block(b).start;
            const qint64 row = rowOf(rows, edge);
            std::vector<qint64> at;
            for (qint64 r = std::max<qint64>(0, row - 1); r <= std::min<qint64>(qint64(rows.size()) - 1, row + 1); ++r)
                for (qint64 d : {-1, 0, 1}) at.push_back(rows[size_t(r)] + d);
            for (qint64 d : {-2, -1, 1, 2}) at.push_back(edge + d);
            for (qint64 pos : at) {
                if (pos < 0 || pos > doc.length()) continue;
                const qint64 want = rowOf(rows, pos);
                const QByteArray where = QByteArray::number(pos);
                QVERIFY2(layout.visualLineOf(pos) == want, where);
                QVERIFY2(layout.visualLineStart(want) == rows[size_t(want)], where);
                QVERIFY2(layout.visualStart(layout.visualOf(pos)) == rows[size_t(want)], where);
                // Drawn from where its row starts, and hit where it is drawn.
                const qint64 start = rows[size_t(want)];
                QVERIFY2(layout.xOf(pos) == layout.widthOf(QStringView(text).mid(start, pos - start), 0, pos - start), where);
                QVERIFY2(layout.positionAt(layout.visualOf(pos), layout.xOf(pos) + 0.1) == pos || pos == doc.length(), where);
            }
        }
        // A view walks the rows one by one, each where the whole line has it.
        BigTextLayout::Visual v;
        size_t n = 0;
        for (;; ++n) {
            QCOMPARE(layout.visualStart(v), rows[n]);
            const BigTextLayout::Visual next = layout.step(v, 1);
            if (next == v) break;
            v = next;
        }
        QCOMPARE(n + 1, rows.size());
    }

private Q_SLOTS:
    void aLongLineWrapsAsOneLine_data()
    {
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("inMemory");
        QTest::addColumn<int>("perRow"); // characters of the long line that fit in a row, 0, or -1 unwrapped

        const QString as(300 * 1024 + 7, u'a');
        const QString kana(300 * 1024 + 5, u'あ');
        QString words;
        while (words.size() < 600 * 1024) words += QStringLiteral("word%1 ").arg(words.size() % 97);
        QTest::newRow("a, no line end") << TextEncoding::Cp932 << as << false << 100;
        QTest::newRow("a in memory") << TextEncoding::Cp932 << as << true << 100;
        QTest::newRow("UTF-8 あ") << TextEncoding::Utf8 << kana << false << 50;
        QTest::newRow("CP932 あ between lines") << TextEncoding::Cp932 << "top\n" + kana + "\nend" << false << 0;
        QTest::newRow("words broken back over block edges") << TextEncoding::Cp932 << words << false << 0;
        QTest::newRow("words in memory") << TextEncoding::Cp932 << words + "\n" + words << true << 0;
        QTest::newRow("unwrapped CP932 あ between lines") << TextEncoding::Cp932 << "top\n" + kana + "\nend" << false << -1;
        QTest::newRow("unwrapped tabs") << TextEncoding::Cp932 << QString(words).replace(u' ', u'\t') << false << -1;
        QTest::newRow("unwrapped tabs in memory") << TextEncoding::Utf8 << QString(words).replace(u' ', u'\t') << true << -1;
    }
    void aLongLineWrapsAsOneLine()
    {
        QFETCH(TextEncoding, encoding);
        QFETCH(QString, text);
        QFETCH(bool, inMemory);
        QFETCH(int, perRow);
        BigTextDocument doc;
        if (inMemory) {
            doc.setText(text);
        } else {
            const QString file = m_dir.writeFile(QStringLiteral("long.txt"),
                                                 encoding == TextEncoding::Utf8 ? text.toUtf8() : Cp932::encode(text));
            doc.openHead(::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC), file, encoding, -1);
        }
        QVERIFY(doc.blockCount() >= 2);
        BigTextLayout layout(doc);
        layout.setFont(QFont(QStringLiteral("Monospace"), 10));
        const qreal wide = layout.widthOf(text, text.size() - 1, text.size());
        layout.setWrapWidth(perRow > 0 ? (perRow + 0.5) * wide : perRow < 0 ? 0 : 400);
        if (perRow > 0) // no break opportunity: rows of perRow characters
            QCOMPARE(layout.visualLineOf(doc.length()), (text.size() + perRow - 1) / perRow - 1);
        compareRows(doc, layout, text);
        if (QTest::currentTestFailed()) return;
        QVERIFY(!layout.numbersGuessed());

        // Edited inside the long line, before a block's edge.
        const qint64 at = doc.block(doc.blockCount() / 2).start - 3;
        doc.insert(at, QStringLiteral("あいう "));
        text.insert(at, QStringLiteral("あいう "));
        compareRows(doc, layout, text);
    }

    // Blanks hang past the edge, so a row of them could run on over a whole
    // line: it ends where the block after the one it began in ends.
    void aRowOfBlanksEndsWithItsBlock()
    {
        BigTextDocument doc;
        doc.setText(QString(200000, u' ') + u'x');
        BigTextLayout layout(doc);
        layout.setFont(QFont(QStringLiteral("Monospace"), 10));
        layout.setWrapWidth(400);
        const int blocks = doc.blockCount();
        QVERIFY(blocks > 2);
        QCOMPARE(layout.visualLineOf(doc.length()), blocks);
        for (int b = 0; b < blocks; ++b) QCOMPARE(layout.visualLineStart(b), doc.block(b).start);
        QCOMPARE(layout.visualLineStart(blocks), 200000);
        QCOMPARE(layout.step(BigTextLayout::Visual{}, blocks + 1), layout.lastVisual());
        QCOMPARE(layout.visualStart(layout.lastVisual()), 200000);
    }

    // More blocks than are measured on the spot: the layout guesses, the
    // workers count the blocks (those of the long line one after another),
    // and the numbers and rows (unwrapped: where its folds stand) then are
    // those of the whole line.
    void countedRowsOfALongLine_data()
    {
        QTest::addColumn<bool>("wrap");
        QTest::newRow("wrapped") << true;
        QTest::newRow("unwrapped") << false;
    }
    void countedRowsOfALongLine()
    {
        QFETCH(bool, wrap);
        const qint64 chars = (BigTextLayout::kSyncBlocks + 4) * 32768;
        const QString text = QStringLiteral("top\n") + QString(chars, u'a') + QStringLiteral("\nend");
        BigTextDocument doc;
        doc.setText(text);
        QVERIFY(doc.blockCount() > BigTextLayout::kSyncBlocks + 2);
        BigTextLayout layout(doc);
        layout.setFont(QFont(QStringLiteral("Monospace"), 10));
        layout.setWrapWidth(wrap ? 100.5 * layout.widthOf(QStringLiteral("a"), 0, 1) : 0);
        const qint64 rows = wrap ? 1 + (chars + 99) / 100 + 1 : 3;
        if (wrap) layout.visualLineOf(doc.length());
        else QVERIFY(layout.line(doc.foldOf(doc.length() - 5))->guessed);
        QCOMPARE(layout.numbersGuessed(), wrap);

        BigTextCountTask task(doc);
        QSignalSpy finished(&task, &BigTextCountTask::finished);
        connect(&task, &BigTextCountTask::counted, this,
                [&layout](quint64 key, const std::vector<BigTextMeasure::Counted>& counts) { layout.addCounts(key, counts); });
        task.start(layout.blocksToCount(), layout.font(), layout.wrapWidth(), layout.countsKey());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
        QCOMPARE(layout.visualLineOf(doc.length()), rows - 1);
        QVERIFY(!layout.numbersGuessed());
        QVERIFY(layout.blocksToCount().empty());
        compareRows(doc, layout, text);
    }
};

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    TestBigTextWrap t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_bigtextwrap.moc"
