// The big-text index built in the background: a file indexed from its head on,
// in segments on workers, ends up exactly as if it had been indexed at once;
// character counts taken quickly are corrected where the text is not well
// formed; the work stops at once when cancelled, also on a file far larger
// than it could finish; a file that changes meanwhile gives a sensible text;
// a search goes on over what the index appends later.
#include "BigTextFiles.h"
#include "TextCodec.h"
#include "BigTextDocument.h"
#include "BigTextIndexer.h"
#include "BigTextScan.h"
#include "BigTextSearch.h"
#include "BigTextTasks.h"
#include "Cp932.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>


using namespace BigTextFiles;

namespace {

// Japanese text with every kind of line end, and now and then a line longer
// than a block.
QString sampleText(quint32 seed, int lines)
{
    QRandomGenerator rng(seed);
    const QString kanji = QStringLiteral("日本語文字列漢字表示検索編集行末改行位置変換符号化東京大阪表ソ能十予申");
    QString s;
    for (int l = 0; l < lines; ++l) {
        const int n = rng.bounded(100) == 0 ? 200'000 : int(rng.bounded(120));
        for (int i = 0; i < n; ++i) {
            switch (rng.bounded(6)) {
            case 0: s += QChar(char16_t(0x3041 + rng.bounded(0x53))); break;
            case 1: s += QChar(char16_t(0x30A1 + rng.bounded(0x56))); break;
            case 2: s += kanji[rng.bounded(int(kanji.size()))]; break;
            case 3: s += QChar(char16_t(0xFF61 + rng.bounded(0x3F))); break;
            default: s += QChar(char16_t(0x20 + rng.bounded(0x5F))); break;
            }
        }
        s += QStringList{"\r\n", "\n", "\r"}[rng.bounded(3)];
    }
    return s;
}

int openDescriptors() { return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size()); }

// Small pieces, so that a file of a few megabytes is many segments and chunks.
// How long a wait for the workers may last on a busy machine before the test
// gives up: a bound against hanging, never a figure under test.
constexpr int kWaitMs = 120'000;

BigTextIndexer::Options smallSteps()
{
    BigTextIndexer::Options o;
    o.headBytes = 40'000;
    o.segmentBytes = 300'000;
    o.chunkBytes = 70'000;
    o.workers = 3;
    return o;
}

// The two documents read the same, line by line.
void compareDocuments(const BigTextDocument& a, const BigTextDocument& b)
{
    QCOMPARE(a.length(), b.length());
    QCOMPARE(a.lineCount(), b.lineCount());
    QCOMPARE(a.text(0, a.length()), b.text(0, b.length()));
    QRandomGenerator rng(7);
    for (int k = 0; k < 300; ++k) {
        const qint64 line = rng.bounded(quint32(a.lineCount()));
        QCOMPARE(a.lineStart(line), b.lineStart(line));
        QCOMPARE(a.lineLength(line), b.lineLength(line));
    }
}

// A sparse file far larger than could be indexed during a test: a first line,
// then nothing but a hole.
bool makeHugeSparse(const QString& path, qint64 size)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    const bool ok = ::write(fd, "first line\n", 11) == 11 && ::ftruncate(fd, size) == 0;
    ::close(fd);
    return ok;
}

} // namespace

class TestBigTextIndex : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void cleanup()
    {
        BigTextTask::setImmediateLimit(2 << 20);
        QVERIFY(BigTextWorkers::waitIdle(kWaitMs));
    }

    void indexedInTheBackgroundLikeAtOnce_data()
    {
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QByteArray>("extra"); // bytes that are not well formed, put in now and then
        QTest::newRow("cp932") << TextEncoding::Cp932 << QByteArray();
        QTest::newRow("cp932 ill-formed") << TextEncoding::Cp932 << QByteArray("\x82\x40\x85\x40\x82\n\xFD\x81", 8);
        QTest::newRow("utf-8") << TextEncoding::Utf8 << QByteArray();
        QTest::newRow("utf-8 ill-formed") << TextEncoding::Utf8 << QByteArray("\xC3(\xE3\x81\n\xF0\x9F\x80\xED\xA0\x80", 12);
        QTest::newRow("utf-16le") << TextEncoding::Utf16LE << QByteArray();
    }
    void indexedInTheBackgroundLikeAtOnce()
    {
        QFETCH(TextEncoding, encoding);
        QFETCH(QByteArray, extra);
        QByteArray bytes;
        for (int part = 0; part < 12; ++part) {
            bytes += encodeAs(encoding, sampleText(quint32(part), 900));
            if (!extra.isEmpty()) bytes += extra;
        }
        const QString file = path(QStringLiteral("whole.txt"));
        writeFile(file, bytes);

        BigTextDocument whole;
        whole.openHead(openFd(file), file, encoding, -1);
        BigTextDocument grown;
        BigTextIndexer indexer(grown);
        indexer.setOptions(smallSteps());
        QSignalSpy finished(&indexer, &BigTextIndexer::finished);
        QSignalSpy exact(&indexer, &BigTextIndexer::exact);
        QSignalSpy corrected(&indexer, &BigTextIndexer::corrected);
        indexer.open(openFd(file), file, encoding);
        QVERIFY(!grown.isComplete());
        QVERIFY(grown.length() > 0 && grown.length() < whole.length()); // the head is there at once
        QVERIFY(finished.wait(kWaitMs));
        QVERIFY(grown.isComplete());
        if (!grown.isExact()) QVERIFY(exact.wait(kWaitMs));
        QVERIFY(grown.isExact());
        compareDocuments(grown, whole);
        // Counted quickly, the blocks with ill-formed text had to be corrected.
        QCOMPARE(corrected.isEmpty(), extra.isEmpty() || encoding == TextEncoding::Utf16LE);
    }

    void blocksReadBeforeTheCheckAreCheckedFirst()
    {
        // The rest of the file counted quickly, as the workers count it, and
        // no background check: the blocks a reader is about to read are
        // checked on the spot, corrected where the text is ill-formed, and
        // read exactly; the others wait for the check.
        QByteArray bytes;
        for (int part = 0; part < 10; ++part)
            bytes += Cp932::encode(sampleText(quint32(40 + part), 700)) + QByteArray("\x82\x40\x85\x40\x82\n\xFD\x81", 8);
        const QString file = path(QStringLiteral("quick.txt"));
        writeFile(file, bytes);
        BigTextDocument whole;
        whole.openHead(openFd(file), file, TextEncoding::Cp932, -1);
        BigTextDocument doc;
        doc.openHead(openFd(file), file, TextEncoding::Cp932, 40'000);
        std::vector<BigTextScan::Block> rest;
        BigTextScan::ScanControl control;
        control.quick = BigTextScan::QuickCount::Cp932;
        BigTextScan::scanRange(doc.source()->fd(), doc.indexedEnd(), doc.fileEnd(), doc.source()->codec(), rest, control);
        doc.appendBlocks(rest);
        QVERIFY(doc.isComplete());
        QVERIFY(!doc.isExact());
        QVERIFY(doc.length() != whole.length()); // the quick counts are off, or there is nothing to test

        BigTextIndexer indexer(doc);
        QSignalSpy corrected(&indexer, &BigTextIndexer::corrected);
        const int from = doc.blockCount() / 2, to = from + 3;
        indexer.checkNow(from, to);
        QVERIFY(!corrected.isEmpty());
        for (int i = 0; i < doc.blockCount(); ++i) QCOMPARE(doc.part(i).exact, i < from ? doc.part(i).exact : i < to);
        // Lines are exact everywhere; the text of the checked blocks is the file's.
        for (int i = from; i < to; ++i) {
            const qint64 line = doc.block(i).firstLine + 1;
            QCOMPARE(doc.lineLength(line), whole.lineLength(line));
            QCOMPARE(doc.text(doc.lineStart(line), doc.lineLength(line)), whole.text(whole.lineStart(line), whole.lineLength(line)));
        }
        // Checking everything leaves the text of the file.
        indexer.checkNow(0, doc.blockCount());
        QCOMPARE(doc.text(0, doc.length()), whole.text(0, whole.length()));
    }

    void holesReadLikeTheirZeros_data()
    {
        QTest::addColumn<TextEncoding>("encoding");
        for (TextEncoding e : {TextEncoding::Cp932, TextEncoding::Utf8, TextEncoding::Utf16LE})
            QTest::newRow(qPrintable(TextCodec::name(e))) << e;
    }
    void holesReadLikeTheirZeros()
    {
        // Text, a hole of a sparse file inside a line, text: the hole is counted
        // without being read, and reads as the zeros it holds.
        QFETCH(TextEncoding, encoding);
        const QByteArray head = encodeAs(encoding, sampleText(5, 400) + QStringLiteral("穴の前"));
        const QByteArray tail = encodeAs(encoding, QStringLiteral("穴の後\n") + sampleText(6, 400));
        const qint64 hole = 3 << 20;
        const QString file = path(QStringLiteral("holes.txt"));
        writeFile(file, head);
        {
            const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY);
            QVERIFY(fd >= 0);
            QCOMPARE(::pwrite(fd, tail.constData(), size_t(tail.size()), off_t(head.size() + hole)), tail.size());
            ::close(fd);
        }
        const QByteArray bytes = head + QByteArray(hole, '\0') + tail;
        const QString expected = BigTextScan::decode(*TextCodec::create(encoding), bytes.constData(), bytes.size()).text;

        BigTextDocument grown;
        BigTextIndexer indexer(grown);
        indexer.setOptions(smallSteps());
        QSignalSpy finished(&indexer, &BigTextIndexer::finished);
        indexer.open(openFd(file), file, encoding);
        QVERIFY(finished.wait(kWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(grown.isExact(), kWaitMs);
        QCOMPARE(grown.text(0, grown.length()), expected);
    }

    void cancellingStopsTheWorkAtOnce()
    {
        // Indexing this file whole would take minutes: only stopping makes the workers idle in time.
        const QString huge = path(QStringLiteral("huge.txt"));
        if (!makeHugeSparse(huge, qint64(64) << 30)) QSKIP("no room for a sparse 64 GB file");
        const QString small = path(QStringLiteral("small.txt"));
        writeFile(small, "one\ntwo\n");
        const int descriptors = openDescriptors();

        BigTextDocument doc;
        {
            // Another file shown in its place.
            BigTextIndexer indexer(doc);
            indexer.open(openFd(huge), huge, TextEncoding::Cp932);
            QVERIFY(indexer.running());
            QTRY_VERIFY(BigTextWorkers::busy() > 0);
            indexer.open(openFd(small), small, TextEncoding::Cp932);
            QVERIFY(BigTextWorkers::waitIdle(kWaitMs));
            QCOMPARE(doc.text(0, doc.length()), QStringLiteral("one\ntwo\n"));
            QCoreApplication::sendPostedEvents(); // what the workers handed back: nothing of the huge file
            QCOMPARE(doc.length(), 8);

            // Cancelled: the document keeps what it has and grows no more.
            indexer.open(openFd(huge), huge, TextEncoding::Utf8);
            QTRY_VERIFY(doc.length() > 11);
            indexer.cancel();
            QVERIFY(BigTextWorkers::waitIdle(kWaitMs));
            const qint64 length = doc.length();
            QCoreApplication::sendPostedEvents();
            QCOMPARE(doc.length(), length);
            QVERIFY(!doc.isComplete());

            // The indexer goes away while its workers run.
            indexer.open(openFd(huge), huge, TextEncoding::Cp932);
            QTRY_VERIFY(BigTextWorkers::busy() > 0);
        }
        QVERIFY(BigTextWorkers::waitIdle(kWaitMs));
        doc.clear();
        QCOMPARE(openDescriptors(), descriptors); // the huge file is closed, by the last worker that held it
    }

    void fileThatChangesWhileIndexed()
    {
        QByteArray bytes;
        for (int part = 0; part < 8; ++part) bytes += Cp932::encode(sampleText(quint32(100 + part), 700));
        const QString file = path(QStringLiteral("changing.txt"));

        // Grows: the text is the file as it was when opened.
        writeFile(file, bytes);
        BigTextDocument doc;
        BigTextIndexer indexer(doc);
        indexer.setOptions(smallSteps());
        QSignalSpy finished(&indexer, &BigTextIndexer::finished);
        {
            // The file changes after the head is read and before any worker reads on.
            BigTextWorkers::Hold hold;
            indexer.open(openFd(file), file, TextEncoding::Cp932);
            QFile f(file);
            QVERIFY(f.open(QIODevice::Append));
            f.write(QByteArray(1 << 20, 'x'));
        }
        QVERIFY(finished.wait(kWaitMs));
        QTRY_VERIFY(doc.isExact());
        QCOMPARE(doc.text(0, doc.length()), Cp932::decode(bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n'));

        // Shrinks to a third: the index stops and says so, holding the head
        // as it was read; nothing read short is appended to its last line.
        writeFile(file, bytes);
        finished.clear();
        QSignalSpy changed(&indexer, &BigTextIndexer::changed);
        {
            BigTextWorkers::Hold hold;
            indexer.open(openFd(file), file, TextEncoding::Cp932);
            QVERIFY(::truncate(QFile::encodeName(file).constData(), bytes.size() / 3) == 0);
        }
        QVERIFY(changed.wait(kWaitMs));
        QVERIFY(!indexer.running());
        QCOMPARE(finished.count(), 0);
        QVERIFY(doc.fileChanged());
        const auto normal = [](const QByteArray& b) {
            return Cp932::decode(b).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        };
        QVERIFY(normal(bytes).startsWith(doc.text(0, doc.length())));
        // Opened again over the same descriptor, it is the file as it is now.
        indexer.open(::fcntl(doc.source()->fd(), F_DUPFD_CLOEXEC, 0), file, TextEncoding::Cp932);
        QVERIFY(finished.wait(kWaitMs));
        QTRY_VERIFY(doc.isExact());
        QCOMPARE(doc.text(0, doc.length()), normal(bytes.left(bytes.size() / 3)));
    }

    void editsWhileIndexing()
    {
        // Typing into the part indexed so far, at its very end too: what is
        // indexed later joins on, and the text is the file with the edits.
        const QString original = sampleText(21, 6000).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        const QString file = path(QStringLiteral("edited.txt"));
        writeFile(file, original.toUtf8());
        BigTextDocument doc;
        BigTextIndexer indexer(doc);
        indexer.setOptions(smallSteps());
        QSignalSpy finished(&indexer, &BigTextIndexer::finished);
        indexer.open(openFd(file), file, TextEncoding::Utf8);
        QVERIFY(!doc.isComplete());
        QString expected = original;
        const qint64 end = doc.length();
        doc.insert(end, QStringLiteral("《末尾》"));
        expected.insert(end, QStringLiteral("《末尾》"));
        doc.remove(10, 5);
        expected.remove(10, 5);
        doc.insert(3, QStringLiteral("前\n"));
        expected.insert(3, QStringLiteral("前\n"));
        QVERIFY(finished.wait(kWaitMs));
        QTRY_VERIFY(doc.isExact());
        QCOMPARE(doc.text(0, doc.length()), expected);
        const qint64 at = expected.indexOf(QStringLiteral("《末尾》"));
        QCOMPARE(doc.lineOf(at + 4), doc.lineOf(at)); // the typed text runs on into the line indexed after it
    }

    void searchGoesOnOverWhatComesLater()
    {
        // A hit that runs across the seam between two calls: in a file, where a
        // line longer than a block is cut (looked for by its bytes first), and
        // in text held in memory, cut into pieces.
        const QString needle = QStringLiteral("目印のことば");
        const QString file = path(QStringLiteral("search.txt"));
        writeFile(file, QByteArray(BigTextScan::kMaxBlockBytes - 6, 'a') + Cp932::encode(needle + QStringLiteral("\n"))
                            + Cp932::encode(sampleText(5, 300)));
        BigTextDocument fromFile;
        fromFile.openHead(openFd(file), file, TextEncoding::Cp932, -1);
        BigTextDocument inMemory;
        inMemory.setText(QString(32 * 1024 - 3, u'a') + needle + QString(200'000, u'a') + sampleText(5, 300));
        for (const BigTextDocument* doc : {&fromFile, &inMemory}) {
            const qint64 expected = doc->find(needle, 0, -1);
            QVERIFY(expected > 0);
            const int seam = doc->blockAt(expected + 3); // inside the hit
            QCOMPARE(doc->blockAt(expected), seam - 1);
            BigTextSearch search(needle, doc->source() ? &doc->source()->codec() : nullptr);
            const qint64 end = std::numeric_limits<qint64>::max();
            QCOMPARE(search.run(doc->span(0, seam), 0, end, true), -1);
            QCOMPARE(search.run(doc->span(seam, doc->blockCount()), 0, end, false), expected);
            // Told to stop, it stops.
            std::atomic<bool> stop{true};
            BigTextSearch stopped(needle, nullptr);
            QCOMPARE(stopped.run(doc->span(0, doc->blockCount()), 0, end, false, &stop), BigTextSearch::kCancelled);
        }
    }

    void findAndCopyWhileIndexing()
    {
        QString text = sampleText(9, 9000);
        text += QStringLiteral("最後の目印\n");
        const QString file = path(QStringLiteral("late.txt"));
        writeFile(file, text.toUtf8());
        BigTextDocument whole;
        whole.openHead(openFd(file), file, TextEncoding::Utf8, -1);
        const qint64 expected = whole.find(QStringLiteral("最後の目印"), 0, -1);

        BigTextTask::setImmediateLimit(10'000);
        BigTextDocument doc;
        BigTextIndexer indexer(doc);
        indexer.setOptions(smallSteps());
        BigTextFindTask find(doc);
        connect(&indexer, &BigTextIndexer::grew, &find, &BigTextFindTask::grew);
        connect(&indexer, &BigTextIndexer::finished, &find, &BigTextFindTask::grew);
        connect(&indexer, &BigTextIndexer::exact, &find, &BigTextFindTask::grew); // the counts it waits for
        QSignalSpy found(&find, &BigTextFindTask::finished);
        indexer.open(openFd(file), file, TextEncoding::Utf8);
        find.start(QStringLiteral("最後の目印"), 0, -1); // to the end, not yet indexed
        QVERIFY(found.isEmpty());
        QVERIFY(find.active());
        QVERIFY(found.wait(kWaitMs));
        QCOMPARE(found.at(0).at(0).toLongLong(), expected);
        QVERIFY(doc.isComplete());

        // Not there at all: the answer comes once the whole text is searched.
        found.clear();
        indexer.open(openFd(file), file, TextEncoding::Utf8);
        find.start(QStringLiteral("どこにもない"), 0, -1);
        QVERIFY(found.wait(kWaitMs));
        QCOMPARE(found.at(0).at(0).toLongLong(), -1);
        QVERIFY(doc.isComplete());

        // A copy too long to be made at once is made on a worker, the same.
        BigTextCopyTask copy(doc);
        QSignalSpy copied(&copy, &BigTextCopyTask::finished);
        copy.start(5, doc.length() - 10);
        QVERIFY(copied.isEmpty());
        QVERIFY(copied.wait(kWaitMs));
        QCOMPARE(copied.at(0).at(0).toString(), whole.text(5, whole.length() - 10));
    }
};

QTEST_GUILESS_MAIN(TestBigTextIndex)
#include "tst_bigtextindex.moc"
