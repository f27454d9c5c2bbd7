// Lines longer than a block of the index: one line however many blocks it
// runs over, for the caret's line and column, the count of lines, the line of
// a find hit and the numbering a view shows, whether the file was indexed at
// once, block by block as the background does, or the text is in memory.
#include "BigTextFiles.h"
#include "BigTextDocument.h"
#include "BigTextLayout.h"
#include "BigTextScan.h"
#include "Cp932.h"
#include "TextCodec.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <vector>

#include <fcntl.h>
#include <unistd.h>


using namespace BigTextFiles;

namespace {

// "line: column" of pos, as the status bar shows the caret.
QString caretText(qint64 line, qint64 column) { return QStringLiteral("%1: %2").arg(line).arg(column); }

// The line ends of a text, to number its lines independently of the document.
struct Model {
    QString text;
    std::vector<qint64> ends;
    explicit Model(QString t) : text(std::move(t))
    {
        for (qsizetype i = text.indexOf(u'\n'); i >= 0; i = text.indexOf(u'\n', i + 1)) ends.push_back(i);
    }
    qint64 lineOf(qint64 pos) const { return std::lower_bound(ends.begin(), ends.end(), pos) - ends.begin(); }
    qint64 lineStart(qint64 line) const { return line == 0 ? 0 : ends[size_t(line - 1)] + 1; }
    qint64 lineEnd(qint64 line) const { return size_t(line) < ends.size() ? ends[size_t(line)] : text.size(); }
    QString caret(qint64 pos) const { return caretText(lineOf(pos), pos - lineStart(lineOf(pos))); }
};

QString docCaret(const BigTextDocument& doc, qint64 pos)
{
    const qint64 line = doc.lineOf(pos);
    return caretText(line, pos - doc.lineStart(line));
}

enum class Way { Whole, ByBlocks, InMemory };

} // namespace

class TestBigTextLines : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Writes head, then a hole of hole bytes (read as NUL), then tail.
    void writeFile(const QString& file, const QByteArray& head, qint64 hole, const QByteArray& tail)
    {
        const int fd = ::open(QFile::encodeName(file).constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        QVERIFY(fd >= 0);
        bool ok = ::pwrite(fd, head.constData(), size_t(head.size()), 0) == head.size();
        ok = ok && ::pwrite(fd, tail.constData(), size_t(tail.size()), head.size() + hole) == tail.size();
        ::close(fd);
        QVERIFY(ok);
    }

    // Opens the file as the pane does: whole, or a head and then the rest
    // appended a few blocks at a time, as the background index does.
    void open(BigTextDocument& doc, const QString& file, TextEncoding encoding, Way way, const QString& model)
    {
        if (way == Way::InMemory) {
            doc.setText(model);
            return;
        }
        const int fd = openFd(file);
        QVERIFY(fd >= 0);
        doc.openHead(fd, file, encoding, way == Way::Whole ? -1 : 1);
        if (way == Way::Whole) return;
        std::vector<BigTextScan::Block> blocks;
        BigTextScan::scanRange(doc.source()->fd(), doc.indexedEnd(), doc.fileEnd(), doc.source()->codec(), blocks);
        for (size_t i = 0; i < blocks.size(); i += 3)
            doc.appendBlocks({blocks.begin() + qsizetype(i), blocks.begin() + qsizetype(std::min(i + 3, blocks.size()))});
        QVERIFY(doc.isComplete());
    }

private Q_SLOTS:
    void aLongLineIsOneLine_data()
    {
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QString>("head");
        QTest::addColumn<qint64>("hole"); // bytes of NUL left as a hole of the file
        QTest::addColumn<QString>("tail");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QString>("endCaret"); // the caret display at the end (Ctrl+End)
        QTest::addColumn<qint64>("hitLine");

        const QString as(1 << 20, u'a');
        const QString hiragana(400000, u'あ');
        const QString mark = QStringLiteral("目印");
        auto row = [&](const char* name, TextEncoding e, const QString& head, qint64 hole, const QString& tail,
                       const char* endCaret, qint64 hitLine) {
            QTest::newRow(name) << e << head << hole << tail << mark << QString::fromLatin1(endCaret) << hitLine;
        };
        row("1 MiB of a, no line end", TextEncoding::Cp932, as + mark, 0, {}, "0: 1048578", 0);
        row("CP932 あ", TextEncoding::Cp932, hiragana + mark, 0, {}, "0: 400002", 0);
        row("UTF-8 あ", TextEncoding::Utf8, hiragana + mark, 0, {}, "0: 400002", 0);
        row("UTF-16 between lines", TextEncoding::Utf16LE, "top\n" + QString(500000, u'x') + mark + "\nend", 0, {},
            "2: 3", 1);
        row("CR LF around a long line", TextEncoding::Cp932, "head\r\n" + as + "\r\n" + mark + " tail", 0, {},
            "2: 7", 2);
        row("NUL inside a line", TextEncoding::Cp932, "x" + QString(1 << 20, QChar(0)) + "y" + mark + "\nz", 0, {},
            "1: 1", 0);
        row("a hole inside a line", TextEncoding::Cp932, QStringLiteral("first\nx"), 3 << 20, "y" + mark + "\nz",
            "2: 1", 1);
    }
    void aLongLineIsOneLine()
    {
        QFETCH(TextEncoding, encoding);
        QFETCH(QString, head);
        QFETCH(qint64, hole);
        QFETCH(QString, tail);
        QFETCH(QString, needle);
        QFETCH(QString, endCaret);
        QFETCH(qint64, hitLine);
        const QString file = path(QStringLiteral("long.txt"));
        writeFile(file, encodeAs(encoding, head), hole, encodeAs(encoding, tail));
        const Model m(normalized(head + QString(qsizetype(hole), QChar(0)) + tail));
        const QString& model = m.text;
        QCOMPARE(m.caret(model.size()), endCaret);

        for (Way way : {Way::Whole, Way::ByBlocks, Way::InMemory}) {
            const QByteArray name = QByteArray::number(int(way));
            BigTextDocument doc;
            open(doc, file, encoding, way, model);
            QVERIFY2(doc.blockCount() >= 4, name); // the line runs over several blocks
            QCOMPARE(doc.length(), model.size());
            QCOMPARE(doc.lineCount(), qint64(m.ends.size()) + 1);
            QCOMPARE(docCaret(doc, doc.length()), endCaret);
            const qint64 hit = doc.find(needle, 0, doc.length());
            QCOMPARE(hit, model.indexOf(needle));
            QCOMPARE(doc.lineOf(hit), hitLine);
            // Around every block's start: the line, its start and its length.
            for (int b = 0; b < doc.blockCount(); ++b) {
                for (qint64 pos : {doc.block(b).start - 1, doc.block(b).start, doc.block(b).start + 1}) {
                    if (pos < 0 || pos > model.size()) continue;
                    QCOMPARE(docCaret(doc, pos), m.caret(pos));
                    const qint64 line = m.lineOf(pos);
                    QCOMPARE(doc.lineStart(line), m.lineStart(line));
                    QCOMPARE(doc.lineLength(line), m.lineEnd(line) - m.lineStart(line));
                }
            }
            QCOMPARE(doc.lineStart(doc.lineCount()), -1);
            // Folds stay within a block: what is laid out at a time is small.
            QVERIFY(doc.foldCount() > doc.lineCount());
            for (qint64 f = 0; f < doc.foldCount(); ++f) {
                QVERIFY(doc.foldLength(f) <= 256 * 1024);
                QCOMPARE(doc.foldOf(doc.foldStart(f)), f);
            }
        }
    }

    void editsSplitAndJoinALongLine()
    {
        BigTextDocument doc;
        doc.setText(QString(1 << 20, u'a'));
        QCOMPARE(doc.lineCount(), 1);
        doc.insert(500000, QStringLiteral("\n"));
        QCOMPARE(doc.lineCount(), 2);
        QCOMPARE(doc.lineLength(0), 500000);
        QCOMPARE(doc.lineStart(1), 500001);
        QCOMPARE(doc.lineLength(1), (1 << 20) - 500000);
        doc.remove(500000, 1);
        QCOMPARE(doc.lineCount(), 1);
        QCOMPARE(doc.lineLength(0), 1 << 20);
        doc.insert(doc.length(), QStringLiteral("\n"));
        QCOMPARE(docCaret(doc, doc.length()), QStringLiteral("1: 0"));
    }

    // What a view numbers: without wrapping, the document's lines; a long
    // line laid out a block at a time.
    void viewNumbersOneLine()
    {
        BigTextDocument doc;
        doc.setText("top\n" + QString(700000, u'w') + "\nend");
        BigTextLayout layout(doc);
        layout.setFont(QFont(QStringLiteral("Monospace"), 10));
        const qint64 end = doc.length();
        QCOMPARE(layout.visualLineOf(end), 2);
        QCOMPARE(end - layout.visualLineStart(2), 3);
        QCOMPARE(layout.visualLineOf(600000), 1);
        QCOMPARE(600000 - layout.visualLineStart(1), 600000 - 4);
        QVERIFY(layout.line(layout.visualOf(600000).line)->text.size() <= 256 * 1024);
        // Wrapped, rows are counted over the folds, each row once.
        layout.setWrapWidth(400);
        const qint64 rows = layout.visualLineOf(end);
        QVERIFY(rows > 3);
        QCOMPARE(layout.visualStart(layout.visualOf(end)), layout.visualLineStart(rows));
    }
};

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    TestBigTextLines t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_bigtextlines.moc"
