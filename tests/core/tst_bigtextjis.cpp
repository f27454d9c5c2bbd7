// ISO-2022-JP read block by block: whatever the escapes before a block, and
// wherever the blocks and the workers' segments fall (inside a long line,
// between CR and LF, far behind the escape that set the state), the big-text
// document reads exactly as the codec reads the whole file, and so do copying
// (the document's text) and finding.
#include "BigTextFiles.h"
#include "BigTextDocument.h"
#include "BigTextIndexer.h"
#include "BigTextScan.h"
#include "TextCodec.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

using namespace BigTextFiles;

namespace {

const QByteArray kJis("\x1B$B"), kAscii("\x1B(B"), kKana("\x1B(I"), kX0212("\x1B$(D");
constexpr int kWaitMs = 120'000; // a bound against hanging, never a figure under test

// n JIS X 0208 characters (hiragana and the first kanji rows), as seven-bit pairs.
QByteArray pairs(QRandomGenerator& rng, int n)
{
    QByteArray out;
    out.reserve(2 * n);
    for (int i = 0; i < n; ++i) {
        const int row = rng.bounded(4) == 0 ? 0x24 : 0x30 + int(rng.bounded(0x20));
        out += char(row);
        out += char(0x21 + rng.bounded(row == 0x24 ? 0x53 : 0x5E));
    }
    return out;
}

QByteArray ascii(QRandomGenerator& rng, int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i) out += char(0x20 + rng.bounded(0x5F));
    return out;
}

QByteArray lineEnd(QRandomGenerator& rng)
{
    static const QByteArray ends[] = {"\r\n", "\n", "\r"};
    return ends[rng.bounded(3)];
}

// Lines as mail writes them: every run of Japanese between its escapes, back
// to ASCII before the line ends; now and then kana, JIS X 0212, SO and SI.
QByteArray mail(quint32 seed, qint64 size)
{
    QRandomGenerator rng(seed);
    QByteArray out;
    while (out.size() < size) {
        for (int run = int(rng.bounded(4)); run >= 0; --run) {
            out += ascii(rng, int(rng.bounded(12)));
            switch (rng.bounded(5)) {
            case 0: out += kKana + QByteArray(int(rng.bounded(6)) + 1, char(0x21 + rng.bounded(0x3F))) + kAscii; break;
            case 1: out += kX0212 + "\x30\x21\x30\x22" + kAscii; break;
            case 2: out += "\x0E" + QByteArray(3, char(0x31)) + "\x0F"; break;
            default: out += kJis + pairs(rng, int(rng.bounded(40))) + kAscii; break;
            }
        }
        out += lineEnd(rng);
    }
    return out;
}

// One designation at the start and Japanese lines ever after, never back to ASCII.
QByteArray designatedOnce(quint32 seed, qint64 size)
{
    QRandomGenerator rng(seed);
    QByteArray out = "head\n" + kJis;
    while (out.size() < size) out += pairs(rng, int(rng.bounded(60))) + lineEnd(rng);
    return out;
}

// A line longer than the longest block, with escapes or pairs around the places it is cut.
QByteArray longLine(bool escapeAtCut)
{
    QRandomGenerator rng(5);
    QByteArray out;
    for (qint64 cut = BigTextScan::kMaxBlockBytes; out.size() < 3 * BigTextScan::kMaxBlockBytes;
         cut += BigTextScan::kMaxBlockBytes) {
        // An escape spanning the cut, or a pair one byte short of it.
        const qint64 before = cut - out.size() - (escapeAtCut ? 2 : 5);
        out += kJis + pairs(rng, int(before - 3) / 2);
        if (escapeAtCut) out += kAscii + "x" + kJis;
        else out += kAscii + "xx" + kJis + pairs(rng, 3);
    }
    return out + kAscii + "\r\n" + mail(9, 4000);
}

// Lines longer than a block where the state is guessed, each pair one byte off
// the line start: a cut made in the guessed state would split a pair.
QByteArray longLinesFarBehind()
{
    QRandomGenerator rng(7);
    QByteArray out = designatedOnce(6, BigTextScan::kLookBackBytes + 200'000);
    for (int k = 0; k < 3; ++k) out += " " + pairs(rng, int(BigTextScan::kMaxBlockBytes * 3 / 4)) + "\n";
    return out + pairs(rng, 1000);
}

// Lines whose CR LF falls on every byte of a chunk's or block's end in turn.
QByteArray crlfEverywhere()
{
    QRandomGenerator rng(11);
    QByteArray out;
    for (int n = 1; out.size() < 600'000; n = n % 97 + 1)
        out += kJis + pairs(rng, n) + (n % 2 ? kAscii + "z" : QByteArray()) + "\r\n";
    return out;
}

// What no writer should write: stray and eight-bit bytes, escapes cut by a
// line end or unknown, foreign sets, a lead byte without its second.
QByteArray illFormed(quint32 seed, qint64 size)
{
    static const QByteArray junk[] = {"\x1B", "\x1B$", "\x1B$(", "\x1B(", "\x1B%z", "\x1B$A!!", "\x1B$(Q!!",
                                      "\xB1\xDF\xE0\xFF", "\x7F", "\x1B&@", "\x1B.A", QByteArray("\0", 1), "\x0E",
                                      "\x0F", "\x1B$(D", "\x1B(I", "\x1B(J\\~", "\x1B$(O$w%~", "\x1B$(P~X"};
    QRandomGenerator rng(seed);
    QByteArray out;
    while (out.size() < size) {
        out += pairs(rng, int(rng.bounded(9)));
        out += junk[rng.bounded(int(std::size(junk)))];
        if (rng.bounded(3) == 0) out += kJis;
        if (rng.bounded(4) == 0) out += lineEnd(rng);
    }
    return out;
}

QString wholeDecode(const QByteArray& bytes)
{
    return BigTextScan::decode(*TextCodec::create(TextEncoding::Iso2022Jp), bytes.constData(), bytes.size()).text;
}

} // namespace

class TestBigTextJis : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void cleanup() { QVERIFY(BigTextWorkers::waitIdle(kWaitMs)); }

    void indexedInTheBackgroundLikeTheWhole_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        // Whether some segment starts farther behind the escape that decides
        // its state than a worker looks back, so that a count made from an
        // assumed state is corrected.
        QTest::addColumn<bool>("corrected");
        QTest::newRow("mail") << mail(1, 1'500'000) << false;
        QTest::newRow("designation far behind") << designatedOnce(2, 3'000'000) << true;
        QTest::newRow("long lines far behind the designation") << longLinesFarBehind() << true;
        QTest::newRow("escape cut by a block end") << longLine(true) << false;
        QTest::newRow("pair cut by a block end") << longLine(false) << false;
        QTest::newRow("CR LF on every edge") << crlfEverywhere() << false;
        QTest::newRow("ill-formed") << illFormed(3, 1'200'000) << false;
        QTest::newRow("ill-formed, escapes between CR and LF")
            << illFormed(4, 900'000).replace("\x0E", "\r\x1B(B\x0F").replace("\x7F", "\x1B$B\n") << false;
    }

    void indexedInTheBackgroundLikeTheWhole()
    {
        // Small segments, each scanned from a line start inside the file, in
        // chunks whose ends fall between CR and LF and inside escapes.
        QFETCH(QByteArray, bytes);
        QFETCH(bool, corrected);
        const QString file = path(QStringLiteral("indexed.txt"));
        writeFile(file, bytes);
        const QString whole = wholeDecode(bytes);

        BigTextDocument doc;
        BigTextIndexer indexer(doc);
        BigTextIndexer::Options o;
        o.headBytes = 40'000;
        o.segmentBytes = 300'000;
        o.chunkBytes = 16'381;
        o.workers = 3;
        indexer.setOptions(o);
        QSignalSpy finished(&indexer, &BigTextIndexer::finished);
        QSignalSpy exact(&indexer, &BigTextIndexer::exact);
        QSignalSpy corrections(&indexer, &BigTextIndexer::corrected);
        indexer.open(openFd(file), file, TextEncoding::Iso2022Jp);
        QVERIFY(finished.wait(kWaitMs));
        if (!doc.isExact()) QVERIFY(exact.wait(kWaitMs));
        QCOMPARE(doc.length(), whole.size());
        QCOMPARE(doc.lineCount(), qint64(whole.count(u'\n')) + 1);
        QCOMPARE(doc.text(0, doc.length()), whole);
        QCOMPARE(!corrections.isEmpty(), corrected);

        // Found where the whole text has it, far into the file.
        const QString tail = whole.right(whole.size() / 7);
        const QString what = tail.mid(tail.indexOf(u'\n') + 1, 6);
        QVERIFY(!what.isEmpty());
        QCOMPARE(doc.find(what, whole.size() / 2, doc.length()), qint64(whole.indexOf(what, whole.size() / 2)));
    }
};

QTEST_GUILESS_MAIN(TestBigTextJis)
#include "tst_bigtextjis.moc"
