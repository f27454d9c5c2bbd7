// The settings-file layer: line splitting, the CP932 round trip, the integer
// conversion and the atomic save.
#include "AppSlots.h"
#include "Cp932.h"
#include "ExtensionTable.h"
#include "FsPath.h"
#include "IntConv.h"
#include "LineBuffer.h"
#include "LineSplitter.h"
#include "SettingsLeftovers.h"
#include "SettingsMemo.h"
#include "VarError.h"
#include "CoreSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <thread>
#include <vector>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

// What the program does with a settings file: read it, keep its lines as text
// somewhere else (a model, a widget), clear the buffer, append the texts and
// save. `edit` may change the texts on the way.
QByteArray throughText(const QString& path, const std::function<void(QStringList&)>& edit = {})
{
    LineBuffer b;
    b.load(path);
    QStringList kept;
    for (int i = 0; i < b.count(); ++i) kept << QString(b.line(i).constData(), b.line(i).size());
    if (edit) edit(kept);
    b.clear();
    for (const QString& l : kept) b.append(l);
    b.save(path);
    return readAll(path);
}

// Lines whose bytes the CP932 encoder would not choose by itself, or that are
// not CP932 at all.
const QByteArray kOddBytes =
    "bad \x80 \xA0 \xFD\xFE\xFF end\r\n"            // bytes that are no character
    "lead at end \x81\r\n"                          // a lead byte without its trail
    "bad trail \x85\x40 and \x81\x7F\r\n"               // lead bytes with impossible trails
    "\xED\x40\xED\x41 \xEE\xEC\r\n"                     // NEC-selected IBM extensions
    "\x87\x90\x87\x91\x87\x92\x87\x95\x87\x96\x87\x97\x87\x9A\x87\x9B\x87\x9C\r\n"   // NEC row 13 twins of row 2
    "\x81\xCA \xEE\xF9 \xFA\x54 \x87\x54 \xFA\x4A\r\n"      // one sign, several codes
    "\xFA\x5C \x81\xE0\r\n"                             // the encoder's own choice stays too
    "\xB1\xB2\xDF \xC3\xDE\xBD\xB8\r\n"                   // half-width katakana
    "C:\\\x83\x5C\x95\x5C\\x\r\n"                       // 0x5C as a trail byte and as itself
    "\r\n"
    "plain\r\n";

// The lines a splitter gives for these bytes, fed `chunk` bytes at a time.
QList<QByteArray> splitInChunks(const QByteArray& bytes, qsizetype chunk, bool* utf8 = nullptr)
{
    QList<QByteArray> out;
    LineSplitter s([&](QByteArrayView line) {
        out.append(line.toByteArray());
        return true;
    });
    for (qsizetype i = 0; i < bytes.size(); i += chunk) s.feed(QByteArrayView(bytes).sliced(i, std::min(chunk, bytes.size() - i)));
    s.finish();
    if (utf8) *utf8 = s.utf8();
    return out;
}

} // namespace

class TestSettingsFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lineEndings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n\r\nc\r\n");
        QTest::newRow("lf") << QByteArray("a\nb\n\nc\n");
        QTest::newRow("cr") << QByteArray("a\rb\r\rc\r");
        QTest::newRow("mixed, no final end") << QByteArray("a\rb\n\r\nc");
    }
    void lineEndings()
    {
        QFETCH(QByteArray, bytes);
        LineBuffer b;
        b.loadBytes(bytes);
        QCOMPARE(b.lines(), (QStringList{"a", "b", "", "c"}));
        // Past the end reads empty, never an error.
        QCOMPARE(b.line(4), QString());
        QCOMPARE(b.line(1000), QString());
        QCOMPARE(b.line(-1), QString());
    }

    // Wherever the pieces of a file happen to end (a CR LF torn apart, a
    // byte-order mark in two reads, a long line over several), the lines are
    // the ones the whole file gives.
    void linesDoNotDependOnHowTheFileArrives_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<bool>("utf8");
        const QByteArray x4096(4096, 'x');
        QTest::newRow("line ends") << QByteArray("a\r\nb\r\r\nc\n\rd\re") << QList<QByteArray>{"a", "b", "", "c", "", "d", "e"}
                                   << false;
        QTest::newRow("CR last") << QByteArray("a\r") << QList<QByteArray>{"a"} << false;
        QTest::newRow("empty last line not counted") << QByteArray("a\r\n") << QList<QByteArray>{"a"} << false;
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF\xE8\xA1\xA8\r\nz") << QList<QByteArray>{"\xE8\xA1\xA8", "z"}
                                         << true;
        QTest::newRow("byte-order mark alone") << QByteArray("\xEF\xBB\xBF") << QList<QByteArray>{} << true;
        QTest::newRow("two bytes of a mark") << QByteArray("\xEF\xBB") << QList<QByteArray>{"\xEF\xBB"} << false;
        QTest::newRow("mark past the start is text") << QByteArray("a\r\n\xEF\xBB\xBF") << QList<QByteArray>{"a", "\xEF\xBB\xBF"}
                                                     << false;
        QTest::newRow("long CP932 line") << x4096 + "yz\r\nnext" << QList<QByteArray>{x4096, "next"} << false;
        QTest::newRow("exactly 4096") << x4096 + "\nnext" << QList<QByteArray>{x4096, "next"} << false;
        QTest::newRow("long last line") << "q\n" + x4096 + x4096 << QList<QByteArray>{"q", x4096} << false;
        // A three-byte sequence across the limit is left out whole.
        const QByteArray cut = QByteArray(4094, 'u');
        QTest::newRow("UTF-8 sequence at the limit")
            << "\xEF\xBB\xBF" + cut + "\xE8\xA1\xA8tail\r\nn" << QList<QByteArray>{cut, "n"} << true;
    }
    void linesDoNotDependOnHowTheFileArrives()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<QByteArray>, lines);
        QFETCH(bool, utf8);
        for (qsizetype chunk : {qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(5), qsizetype(4095),
                                qsizetype(4097), bytes.size() + 1}) {
            bool isUtf8 = !utf8;
            QCOMPARE(splitInChunks(bytes, chunk, &isUtf8), lines);
            QCOMPARE(isUtf8, utf8);
        }
        LineBuffer b;
        b.loadBytes(bytes);
        QCOMPARE(b.count(), lines.size());
        for (int i = 0; i < b.count(); ++i) QCOMPARE(b.lineBytes(i), lines.at(i));
        // No line, nothing written: not even a byte-order mark.
        QCOMPARE(b.toBytes().isEmpty(), lines.isEmpty());
    }

    // A loader that uses the first n lines sees exactly them, whatever follows,
    // and the reading stops there.
    void lineLimitKeepsTheFirstLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("appcfgs.cfg"));
        QByteArray bytes = "\xEF\xBB\xBF";
        for (int i = 0; i < 40; ++i) bytes += "line " + QByteArray::number(i) + (i % 2 ? "\r\n" : "\n");
        writeAll(path, bytes);
        LineBuffer all, first;
        all.load(path);
        first.load(path, 13);
        QCOMPARE(first.count(), 13);
        QCOMPARE(first.encoding(), LineBuffer::Encoding::Utf8);
        QCOMPARE(first.lines(), all.lines().mid(0, 13));
        for (int i = 0; i < 13; ++i) QCOMPARE(first.lineBytes(i), all.lineBytes(i));
        QCOMPARE(first.line(13), QString());   // as past the end of a short file
        // A file shorter than the limit is read whole.
        first.load(path, 1000);
        QCOMPARE(first.lines(), all.lines());
        // A missing file is an open error and leaves the content alone.
        first.load(path, 2);
        QVERIFY_THROWS_EXCEPTION(VarError, first.load(dir.filePath(QStringLiteral("none")), 13));
        QCOMPARE(first.count(), 2);
    }

    void longLineIsCutAt4096Bytes()
    {
        LineBuffer b;
        b.loadBytes(QByteArray(5000, 'x') + "\r\nnext");
        QCOMPARE(b.line(0).size(), 4096);
        QCOMPARE(b.line(1), QStringLiteral("next"));
    }

    void cp932RoundTrip()
    {
        // Backslash stays a backslash; "ソ" and "表" have 0x5C as second byte;
        // half-width katakana are single bytes.
        const QString text = QStringLiteral("C:\\ソ表\\ﾃﾞｽｸﾄｯﾌﾟ\\（未登録）ﾌｧｲﾙ %s は開けません①ⅰ");
        bool ok = false;
        const QByteArray bytes = Cp932::encode(text, &ok);
        QVERIFY(ok);
        QVERIFY(bytes.startsWith("C:\\\x83\x5c\x95\x5c\\\xc3\xde"));
        QCOMPARE(Cp932::encode(QStringLiteral("（未登録）")).size(), 10);
        QCOMPARE(Cp932::decode(bytes), text);
        // Invalid and truncated sequences become replacement characters.
        QCOMPARE(Cp932::decode(QByteArray("a\x81")), QStringLiteral("a\uFFFD"));
        QCOMPARE(Cp932::decode(QByteArray("\xa0" "b")), QStringLiteral("\uFFFDb"));
    }

    // A line the program did not change goes back with exactly the bytes it was
    // read with, whatever they are; a file stays in its encoding.
    void unchangedLinesKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("odd CP932") << kOddBytes;
        QTest::newRow("UTF-8 with stray bytes")
            << QByteArray("\xEF\xBB\xBF/home/\xC3\xBC/\r\nbad \xFF\xC3 \xED\xA0\x80 \xF0\x9F\r\n\xE8\xA1\xA8\r\n");
        QTest::newRow("UTF-8 of text CP932 could hold") << QByteArray("\xEF\xBB\xBF" "abc\r\n\xE8\xA1\xA8\r\n");
        QTest::newRow("UTF-8 with more byte-order marks") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx\r\ny\xEF\xBB\xBF\r\n");
        QTest::newRow("empty") << QByteArray();
    }
    void unchangedLinesKeepTheirBytes()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.cfg"));
        writeAll(path, bytes);
        QCOMPARE(throughText(path), bytes);
        QCOMPARE(throughText(path), bytes);
    }

    void everyCodeSurvivesTheTrip()
    {
        // Every byte and every lead/trail pair, each on a line of its own, then
        // all of them on one line.
        QByteArray all;
        for (int b = 0x80; b <= 0xFF; ++b) all += char(b);
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (lead >= 0xA0 && lead <= 0xDF) continue;
            for (int trail = 0x40; trail <= 0xFF; ++trail) all += char(lead) + QByteArray(1, char(trail)) + ' ';
        }
        QByteArray file;
        for (int i = 0; i < all.size(); i += 3) file += all.mid(i, 3) + "\r\n";
        for (int i = 0; i < all.size(); i += LineBuffer::MaxLineBytes) file += all.mid(i, LineBuffer::MaxLineBytes) + "\r\n";
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.cfg"));
        writeAll(path, file);
        const QByteArray out = throughText(path);
        QVERIFY(!out.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(out.size(), file.size());
        QVERIFY(out == file);
    }

    void longLinesKeepTheirFirst4096Bytes()
    {
        QByteArray kanji;
        for (int i = 0; i < 2500; ++i) kanji += "\x95\x5C";
        const QByteArray odd = "x" + kanji;   // the cut falls right after a lead byte
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.cfg"));
        writeAll(path, kanji + "\r\n" + odd + "\r\ntail");
        LineBuffer b;
        b.load(path);
        QCOMPARE(b.line(0).size(), 2048);
        QCOMPARE(b.lineBytes(1), odd.left(4096));
        QCOMPARE(throughText(path), kanji.left(4096) + "\r\n" + odd.left(4096) + "\r\ntail\r\n");

        // UTF-8: a character the limit would split is left out whole; stray
        // continuation bytes are bytes like any other.
        QByteArray utf8;
        for (int i = 0; i < 2000; ++i) utf8 += "\xE8\xA1\xA8";
        const QByteArray stray(5000, '\x80');
        writeAll(path, "\xEF\xBB\xBF" + utf8 + "\r\n" + stray + "\r\n");
        QCOMPARE(throughText(path), "\xEF\xBB\xBF" + utf8.left(4095) + "\r\n" + stray.left(4096) + "\r\n");
    }

    void changedLinesAreEncodedAsUsual()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a.cfg"));
        const QString b = dir.filePath(QStringLiteral("b.cfg"));
        writeAll(a, "\x87\x90\r\n\xA0\r\n");
        writeAll(b, "x\r\n");
        // A text that equals a remembered line is written as that line was; a
        // changed line takes the usual codes.
        QCOMPARE(throughText(a, [](QStringList& l) { l << QStringLiteral("≒") << l[0] + QStringLiteral("≒"); }),
                 QByteArray("\x87\x90\r\n\xA0\r\n\x87\x90\r\n\x81\xE0\x81\xE0\r\n"));
        // What one file remembers does not leak into another.
        QCOMPARE(throughText(b, [](QStringList& l) { l << QStringLiteral("≒"); }), QByteArray("x\r\n\x81\xE0\r\n"));
        // Reading a file anew forgets what its former content needed.
        writeAll(a, "y\r\n");
        QCOMPARE(throughText(a, [](QStringList& l) { l << QStringLiteral("≒"); }), QByteArray("y\r\n\x81\xE0\r\n"));
    }

    void textWithoutCp932FormStillTurnsTheFileUtf8()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.cfg"));
        writeAll(path, "\xA0\r\n\xED\x40\r\n");
        const QString emoji = QStringLiteral("😀");
        const QByteArray out = throughText(path, [&](QStringList& l) { l << emoji; });
        // The stray byte stays that byte; the rest is the same text in UTF-8.
        QCOMPARE(out, QByteArray("\xEF\xBB\xBF\xA0\r\n") + QStringLiteral("\u7E8A").toUtf8() + "\r\n" + emoji.toUtf8()
                          + "\r\n");
        LineBuffer c;
        c.load(path);
        QCOMPARE(c.lines(), (QStringList{QString(QChar(0xDCA0)), QStringLiteral("\u7E8A"), emoji}));
        // Once UTF-8, it stays UTF-8 when the text needing it is gone.
        QCOMPARE(throughText(path, [](QStringList& l) { l.removeLast(); }),
                 QByteArray("\xEF\xBB\xBF\xA0\r\n") + QStringLiteral("\u7E8A").toUtf8() + "\r\n");
    }

    void linesCopyAsBytes()
    {
        LineBuffer a;
        a.loadBytes(kOddBytes);
        // A byte that is no character reads as U+DC00 + byte.
        auto lone = [](int b) { return QString(QChar(char16_t(0xDC00 + b))); };
        QCOMPARE(a.line(0), "bad " + lone(0x80) + " " + lone(0xA0) + " " + lone(0xFD) + lone(0xFE) + lone(0xFF) + " end");
        QCOMPARE(a.lineBytes(3), QByteArray("\xED\x40\xED\x41 \xEE\xEC"));
        QCOMPARE(a.lineBytes(a.count()), QByteArray());
        LineBuffer b;
        b.append(QStringLiteral("表"));
        QCOMPARE(b.lineBytes(0), QByteArray("\x95\x5C"));
        for (int i = 0; i < a.count(); ++i) b.appendLineOf(a, i);
        b.append(QStringLiteral("≒"));
        QCOMPARE(b.toBytes(), "\x95\x5C\r\n" + kOddBytes + "\x81\xE0\r\n");

        // Lines copied from a UTF-8 file keep the copy UTF-8.
        a.loadBytes("\xEF\xBB\xBF\xC3\xBC\xFF\r\n");
        QCOMPARE(a.encoding(), LineBuffer::Encoding::Utf8);
        b.clear();
        b.append(QStringLiteral("表"));
        b.appendLineOf(a, 0);
        QCOMPARE(b.toBytes(), QByteArray("\xEF\xBB\xBF\xE8\xA1\xA8\r\n\xC3\xBC\xFF\r\n"));
        b.clear();
        b.appendBytes("\x83\x5C\xA0");
        QCOMPARE(b.line(0), QStringLiteral("ソ") + lone(0xA0));
        QCOMPARE(b.toBytes(), QByteArray("\x83\x5C\xA0\r\n"));
    }

    void memoryForBytesIsBounded()
    {
        QTemporaryDir dir;
        for (int n = 0; n < SettingsMemo::MaxFiles + 5; ++n) {
            const QString path = dir.filePath(QStringLiteral("f%1.cfg").arg(n));
            writeAll(path, "\x87\x90\r\n");
            QCOMPARE(throughText(path), QByteArray("\x87\x90\r\n"));
        }
        QVERIFY(SettingsMemo::filesInUse() <= SettingsMemo::MaxFiles);
        // A file of far more remembered lines than fit.
        QByteArray big;
        for (int i = 0; i < 100000; ++i) big += "\x87\x90" + QByteArray::number(i) + "\r\n";
        const QString path = dir.filePath(QStringLiteral("big.cfg"));
        writeAll(path, big);
        LineBuffer b;
        b.load(path);
        QVERIFY(SettingsMemo::bytesInUse() <= SettingsMemo::MaxBytes);
        QVERIFY(SettingsMemo::bytesInUse() > SettingsMemo::MaxBytes / 2);
        QCOMPARE(b.count(), 100000);
        // Files read after it are remembered as before.
        const QString small = dir.filePath(QStringLiteral("small.cfg"));
        writeAll(small, "\xED\x40\r\n");
        QCOMPARE(throughText(small), QByteArray("\xED\x40\r\n"));
    }

    void filesReadAndWrittenFromSeveralThreads()
    {
        QTemporaryDir dir;
        constexpr int Threads = 4;
        QList<int> failures(Threads, 0);
        std::vector<std::thread> threads;
        for (int t = 0; t < Threads; ++t) {
            threads.emplace_back([&, t] {
                const QString path = dir.filePath(QStringLiteral("t%1.cfg").arg(t));
                const QByteArray bytes = kOddBytes + QByteArray::number(t) + "\x87\x90\r\n";
                writeAll(path, bytes);
                for (int i = 0; i < 50; ++i)
                    if (throughText(path) != bytes) ++failures[t];
            });
        }
        for (std::thread& th : threads) th.join();
        QCOMPARE(failures, QList<int>(Threads, 0));
    }

    // exitem.cfg and appitems.cfg through their readers, the models and their
    // writers come out as they went in.
    void tablesKeepTheirBytes()
    {
        QTemporaryDir dir;
        const QString settings = dir.path() + QStringLiteral("/");
        QByteArray ext = "\xC3\xB7\xBD\xC4\r\n\xED\x40\x87\x90 \xEE\xF9\r\nbad \xA0\x81\r\n**\r\n"
                         "*.\x83\x5C\r\n*.\xFD\r\n**\r\n\x87\x54*.\xFA\x4A\r\n**\r\n";
        for (int r = 2; r < PatternGrid::Categories; ++r) ext += "**\r\n";
        ext += "***\r\n";
        const QString extPath = settings + QStringLiteral("exitem.cfg");
        writeAll(extPath, ext);
        LineBuffer lines;
        lines.load(extPath);
        QStringList names;
        PatternGrid grid;
        ExtensionTable::parse(lines, &names, &grid);
        QCOMPARE(names.size(), 3);
        lines.clear();
        ExtensionTable::write(names, grid, &lines);
        lines.save(extPath);
        QCOMPARE(readAll(extPath), ext);
        // The same through the streaming reader the main window uses.
        names.clear();
        ExtensionTable::load(extPath, &names, &grid);
        lines.clear();
        ExtensionTable::write(names, grid, &lines);
        lines.save(extPath);
        QCOMPARE(readAll(extPath), ext);

        const QByteArray items = "\xED\x40\xED\x41\r\n/opt/\xA0\x83\x5C/bin\r\n-x \x87\x90\r\n"
                                 "\x81\x69\x96\xA2\x93\x6F\x98\x5E\x81\x6A\r\n\r\n\r\n"
                                 "\xB1\xB2\r\n/usr/bin/\xFF\r\n\xEE\xF9\xFA\x54\x81\xCA\r\n"
                                 "t\r\np\r\no\r\n\x81\x69\x96\xA2\x93\x6F\x98\x5E\x81\x6A\r\n\x85\x40\r\n\r\n";
        const QString itemsPath = settings + AppSlots::itemsFile();
        writeAll(itemsPath, items);
        lines.load(itemsPath);
        std::array<AppSlots::Row, AppSlots::Count> rows;
        for (int n = 1; n <= AppSlots::Count; ++n) rows[n - 1] = AppSlots::rowFromLines(lines, n);
        QVERIFY(!AppSlots::isRegistered(rows[1].title));
        std::array<QImage, AppSlots::Count> images;
        for (QImage& img : images) {
            img = QImage(17, 17, QImage::Format_RGB32);
            img.fill(Qt::gray);
        }
        AppSlots::save(settings, rows, images);
        QCOMPARE(readAll(itemsPath), items);
    }

    void saveWritesCrLfAfterEveryLine()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.cfg"));
        LineBuffer b;
        b.append(QStringLiteral("Vardolin Ver 1.05"));
        b.append(QString());
        b.append(QStringLiteral("ＭＳ Ｐゴシック"));
        b.save(path);
        QCOMPARE(readAll(path), QByteArray("Vardolin Ver 1.05\r\n\r\n\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e\r\n"));
        LineBuffer c;
        c.load(path);
        QCOMPARE(c.lines(), b.lines());
    }

    void textOutsideCp932IsSavedAsUtf8WithBom()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.cfg"));
        LineBuffer b;
        b.append(QStringLiteral("/home/ü/😀/"));
        b.append(QStringLiteral("表"));
        b.save(path);
        QVERIFY(readAll(path).startsWith("\xEF\xBB\xBF/home/"));
        LineBuffer c;
        c.load(path);
        QCOMPARE(c.lines(), b.lines());
    }

    void missingFileIsAnOpenError()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("none.cfg"));
        LineBuffer b;
        b.append(QStringLiteral("kept?"));
        try {
            b.load(path);
            QFAIL("no error");
        } catch (const VarError& e) {
            QCOMPARE(e.message(), QStringLiteral("ﾌｧｲﾙ %1 は開けません").arg(path));
        }
        // A folder is not a file either.
        QVERIFY_THROWS_EXCEPTION(VarError, b.load(dir.path()));
    }

    void failedWriteLeavesOldFileWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("appcfgs.cfg"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old\r\n");
        f.close();
        LineBuffer b;
        b.append(QStringLiteral("new"));
        // The parent "folder" is a file: nothing can be created there.
        const QString bad = path + QStringLiteral("/inner.cfg");
        try {
            b.save(bad);
            QFAIL("no error");
        } catch (const VarError& e) {
            QCOMPARE(e.message(), QStringLiteral("ﾌｧｲﾙ %1 を作成できません").arg(bad));
        }
        QCOMPARE(readAll(path), QByteArray("old\r\n"));
        // A read-only folder (as a normal user) keeps the old file as well.
        if (::geteuid() != 0) {
            QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0555) == 0);
            QVERIFY_THROWS_EXCEPTION(VarError, b.save(path));
            ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
            QCOMPARE(readAll(path), QByteArray("old\r\n"));
        }
    }

    void integerConversion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "123" << true << 123;
        QTest::newRow("blanks and sign") << "  -45" << true << -45;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("hex") << "$FF" << true << 255;
        QTest::newRow("hex system colour") << "$80000008" << true << -2147483640;
        QTest::newRow("negative hex") << "-$10" << true << -16;
        QTest::newRow("min") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("max") << "2147483647" << true << 2147483647;
        QTest::newRow("overflow") << "2147483648" << false << 0;
        QTest::newRow("hex overflow") << "$100000000" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blank only") << "  " << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("trailing blank") << "1 " << false << 0;
        QTest::newRow("trailing text") << "12a" << false << 0;
        QTest::newRow("dollar only") << "$" << false << 0;
        QTest::newRow("full-width digit") << "１" << false << 0;
        QTest::newRow("tab is not a blank") << "\t1" << false << 0;
    }
    void integerConversion()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        if (ok) {
            QCOMPARE(strToInt(text), value);
        } else {
            try {
                strToInt(text);
                QFAIL("accepted");
            } catch (const VarError& e) {
                QCOMPARE(e.message(), QStringLiteral("'%1' は整数ではありません").arg(text));
            }
        }
    }

    void oddFileNamesRoundTrip()
    {
        const QByteArray raw("caf\xe9-\x83\x5c.txt");   // Latin-1 and CP932 bytes, not UTF-8
        const QString name = FsPath::decodeName(raw);
        QCOMPARE(FsPath::encodeName(name), raw);
        QCOMPARE(FsPath::encodeName(QStringLiteral("表.txt")), QByteArray("\xe8\xa1\xa8.txt"));
        QTemporaryDir dir;
        const QByteArray full = QFile::encodeName(dir.path()) + "/" + raw;
        FILE* f = ::fopen(full.constData(), "wb");
        QVERIFY(f);
        ::fputs("hello", f);
        ::fclose(f);
        QByteArray content;
        QVERIFY(FsPath::readFile(dir.path() + QStringLiteral("/") + name, &content, 100));
        QCOMPARE(content, QByteArray("hello"));
        QVERIFY(FsPath::remove(dir.path() + QStringLiteral("/") + name));
    }
    // No value can become two lines of a settings file or a marker of the
    // extension table: the writers refuse it, name the file, and leave it as it was.
    void writersRefuseValuesThatBreakTheFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("at");   // appitems.cfg: the line of the value; exitem.cfg: -1 a name, else the row
        QTest::addColumn<QString>("value");
        QTest::newRow("title CR LF") << AppSlots::itemsFile() << 3 << QStringLiteral("Title2\r\n/path/rec.sh");
        QTest::newRow("path LF") << AppSlots::itemsFile() << 7 << QStringLiteral("/a\n/b");
        QTest::newRow("option CR") << AppSlots::itemsFile() << 14 << QStringLiteral("-x\r-y");
        QTest::newRow("category split") << QStringLiteral("exitem.cfg") << -1 << QStringLiteral("メモ\r\n日記");
        QTest::newRow("category **") << QStringLiteral("exitem.cfg") << -1 << QStringLiteral("**");
        QTest::newRow("pattern **") << QStringLiteral("exitem.cfg") << 0 << QStringLiteral("**");
        QTest::newRow("*** first in a later row") << QStringLiteral("exitem.cfg") << 1 << QStringLiteral("***");
    }
    void writersRefuseValuesThatBreakTheFile()
    {
        QFETCH(QString, file);
        QFETCH(int, at);
        QFETCH(QString, value);
        TempFolder t;
        const QByteArray before = t.readFile(file);
        const QString path = t.path(file);
        try {
            if (file == AppSlots::itemsFile()) {
                std::array<AppSlots::Row, AppSlots::Count> rows;
                QString* fields[] = {&rows[at / 3].title, &rows[at / 3].path, &rows[at / 3].option};
                *fields[at % 3] = value;
                AppSlots::save(t.settingsDir(), rows, {});
            } else {
                QStringList names{QStringLiteral("ソース"), QStringLiteral("テキスト")};
                PatternGrid grid;
                (at < 0 ? names[0] : grid.cell[at][0]) = value;
                LineBuffer lines;
                ExtensionTable::write(names, grid, &lines, path);
                lines.save(path);
            }
            QFAIL("the value was written");
        } catch (const VarError& e) {
            QVERIFY2(e.message().contains(path) && !e.message().contains(QLatin1Char('\n')), qPrintable(e.message()));
        }
        QCOMPARE(t.readFile(file), before);
    }

    // Where "***" does not read as the end (a name, a pattern after the first
    // of its block) it goes round as it was read.
    void harmlessMarkerLookalikesStay()
    {
        QStringList names{QStringLiteral("***")}, back;
        PatternGrid grid, again;
        grid.cell[0][0] = grid.cell[1][1] = QStringLiteral("***");
        grid.cell[1][0] = QStringLiteral("*.txt");
        LineBuffer lines;
        ExtensionTable::write(names, grid, &lines);
        ExtensionTable::parse(lines, &back, &again);
        QCOMPARE(back, names);
        QCOMPARE(again.cell[0][0] + again.cell[1][1], QStringLiteral("******"));
    }

    // Temporary files of killed saves go at start; nothing else does: no
    // file of a name the user might choose, no link, none a save still holds.
    void leftoversOfKilledSavesAreRemoved()
    {
        TempFolder t(false);
        const QStringList gone{".appcfgs.cfg.vardolin-tmp-a1B2c3", ".exitem.cfg.vardolin-tmp-XXXXXX",
                               ".appitems.cfg.vardolin-tmp-000000", ".IconImg5.bmp.vardolin-tmp-zzZZ99"};
        QStringList kept{"appcfgs.cfg", "appitems.cfg.backup", "appcfgs.cfg.ABCDEF", "exitem.cfg.MYCOPY",
                         "exitem.cfg.mysave", "appitems.cfg.before", "IconImg1.bmp.ORIG12", "IconImg1.bmp.2026v1",
                         "appcfgs.cfg.vardolin-tmp-a1B2c3", ".appcfgs.cfg.vardolin-tmp-a1B2c",
                         ".appcfgs.cfg.vardolin-tmp-a1B2c3d", ".appcfgs.cfg.vardolin-tmp-a1-2c3",
                         ".appcfgs.cfg.Vardolin-tmp-a1B2c3", "..appcfgs.cfg.vardolin-tmp-a1B2c3",
                         ".notes.txt.vardolin-tmp-a1B2c3", ".IconImg6.bmp.vardolin-tmp-a1B2c3",
                         ".appitems.cfg.vardolin-tmp-Held00", ".exitem.cfg.vardolin-tmp-L1nk00"};
        for (const QString& n : gone + kept.mid(0, kept.size() - 1)) t.writeFile(n, "x");
        // A link of a leftover's name is not one: neither it nor what it names goes.
        QVERIFY(QFile::link(t.path(".notes.txt.vardolin-tmp-a1B2c3"), t.path(".exitem.cfg.vardolin-tmp-L1nk00")));
        // One that a save (here the test) holds locked is being written.
        const int held = ::open(QFile::encodeName(t.path(".appitems.cfg.vardolin-tmp-Held00")).constData(), O_RDWR);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
        const int removed = SettingsLeftovers::removeFrom(t.settingsDir());
        ::close(held);
        QCOMPARE(removed, gone.size());
        QStringList left = QDir(t.settingsDir()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        left.sort();
        kept.sort();
        QCOMPARE(left, kept);
    }
};

QTEST_GUILESS_MAIN(TestSettingsFiles)
#include "tst_settingsfiles.moc"
