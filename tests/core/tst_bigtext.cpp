// The big-text document: codecs that count what they decode, the block scan,
// lines, edits, find, and files that shrink or are larger than memory.
#include "BigTextFiles.h"
#include "BigTextDocument.h"
#include "BigTextScan.h"
#include "Cp932.h"
#include "TextCodec.h"
#include "VarError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <iconv.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>


using namespace BigTextFiles;

namespace {

// Opens a file and indexes it whole on this thread, as the pane indexes a head.
void openWhole(BigTextDocument& doc, const QString& file, TextEncoding encoding)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw VarError::cannotOpen(file);
    doc.openHead(fd, file, encoding, -1);
}

const QString kKanji = QStringLiteral(
    "日本語文字列漢字表示検索編集行末改行位置変換符号化方式東京大阪名古屋福岡札幌仙台広島京都神戸横浜川崎千葉"
    "埼玉茨城栃木群馬山梨長野新潟富山石川福井岐阜静岡愛知三重滋賀奈良和歌鳥取島根徳香媛高佐熊本宮崎鹿児沖縄"
    "表ソ能十予申");

// Random Japanese text: kana, kanji, full-width forms, ASCII, and when asked line
// ends of all three kinds, half-width katakana with vendor characters (extras)
// and characters beyond the BMP (of JIS X 0213, with its kana and marks).
QString japanese(QRandomGenerator& rng, int count, bool lineEnds, bool extras = true, bool astral = false,
                 bool x0213 = false)
{
    QString s;
    for (int i = 0; i < count; ++i) {
        const int kind = int(rng.bounded(lineEnds ? 12 : 10));
        switch (kind) {
        case 0: case 1: s += QChar(char16_t(0x3041 + rng.bounded(0x53))); break;  // hiragana
        case 2: s += QChar(char16_t(0x30A1 + rng.bounded(0x56))); break;          // katakana
        case 3: case 4: s += kKanji[rng.bounded(int(kKanji.size()))]; break;
        case 5: s += extras ? QChar(char16_t(0xFF61 + rng.bounded(0x3F))) : QChar(u'ア'); break;
        case 6: s += QChar(char16_t(0xFF21 + rng.bounded(26))); break;            // full-width letters
        case 7: s += extras ? QStringLiteral("①Ⅲ㈱")[rng.bounded(3)] : QChar(u'〒'); break;
        case 8: s += QChar(char16_t(0x20 + rng.bounded(0x5F))); break;             // ASCII
        case 9:
            if (x0213) s += QStringList{QStringLiteral("か\u309A"), QStringLiteral("ト\u309A"), QStringLiteral("𡚴"), QStringLiteral("𪎌")}[rng.bounded(4)];
            else if (astral) s += QString::fromUcs4(U"\U0001F600\U00020B9F" + rng.bounded(2), 1);
            else s += QChar(u'x');
            break;
        default: s += QStringList{"\r\n", "\n", "\r"}[rng.bounded(3)]; break;
        }
    }
    return s;
}

qint64 statusKb(const QByteArray& key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}
qint64 residentKb() { return statusKb("VmRSS:"); }

// Everything the document says about its lines agrees with the model text.
void compareWithModel(const BigTextDocument& doc, const QString& model, QRandomGenerator& rng, int probes)
{
    QCOMPARE(doc.length(), model.size());
    QCOMPARE(doc.lineCount(), model.count(u'\n') + 1);
    for (int k = 0; k < probes; ++k) {
        const qint64 pos = rng.bounded(int(model.size()) + 1);
        const qint64 line = model.left(pos).count(u'\n');
        QCOMPARE(doc.lineOf(pos), line);
        const qint64 start = pos == 0 ? 0 : model.lastIndexOf(u'\n', pos - 1) + 1;
        QCOMPARE(doc.lineStart(line), start);
        qint64 end = model.indexOf(u'\n', start);
        if (end < 0) end = model.size();
        QCOMPARE(doc.lineLength(line), end - start);
        const qint64 len = rng.bounded(200);
        QCOMPARE(doc.text(pos, len), model.mid(pos, len));
    }
}

} // namespace

class TestBigText : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void codecsCountWhatTheyDecode_data()
    {
        QTest::addColumn<TextEncoding>("encoding");
        QTest::newRow("CP932") << TextEncoding::Cp932;
        QTest::newRow("UTF-8") << TextEncoding::Utf8;
        QTest::newRow("UTF-16LE") << TextEncoding::Utf16LE;
        QTest::newRow("UTF-16BE") << TextEncoding::Utf16BE;
        QTest::newRow("EUC-JP") << TextEncoding::EucJp;
        QTest::newRow("EUC-JISX0213") << TextEncoding::EucJisX0213;
        QTest::newRow("Shift_JISX0213") << TextEncoding::ShiftJisX0213;
    }
    void codecsCountWhatTheyDecode()
    {
        QFETCH(TextEncoding, encoding);
        auto codec = TextCodec::create(encoding);
        QRandomGenerator rng(42);
        const bool unicode = encoding != TextEncoding::Cp932 && encoding != TextEncoding::EucJp;
        const bool x0213 = encoding == TextEncoding::EucJisX0213 || encoding == TextEncoding::ShiftJisX0213;
        for (int round = 0; round < 200; ++round) {
            const QString text = japanese(rng, 1 + int(rng.bounded(300)), true, true, unicode, x0213);
            const QByteArray bytes = encodeAs(encoding, text);
            QString decoded;
            codec->decode(bytes.constData(), bytes.size(), decoded);
            QCOMPARE(decoded, text);
            QCOMPARE(codec->countUnits(bytes.constData(), bytes.size()), text.size());

            // Damaged bytes: whatever the count says, it is what decoding gives.
            QByteArray bad = bytes;
            for (int k = 0; k < 1 + bad.size() / 20; ++k)
                bad[rng.bounded(int(bad.size()))] = char(rng.bounded(256));
            bad.truncate(rng.bounded(int(bad.size()) + 1));
            QString badText;
            codec->decode(bad.constData(), bad.size(), badText);
            const qint64 count = codec->countUnits(bad.constData(), bad.size());
            QVERIFY2(count == -1 || count == badText.size(), qPrintable(QString::number(round)));
            // A character boundary found from the start is one decoding agrees on.
            const qint64 cut = codec->boundaryBefore(bytes.constData(), bytes.size(), bytes.size() / 2);
            QString head, tail;
            codec->decode(bytes.constData(), cut, head);
            codec->decode(bytes.constData() + cut, bytes.size() - cut, tail);
            QCOMPARE(head + tail, text);
        }
    }

    void utf8EdgeSequencesAtEveryOffset()
    {
        auto codec = TextCodec::create(TextEncoding::Utf8);
        const QList<QByteArray> valid = {"\xF0\x9F\x98\x80", "\xEF\xBB\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF",
                                         "\xF4\x8F\xBF\xBF", "\xC2\x80", "\xE3\x81\x82"};
        const QList<QByteArray> invalid = {"\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC0\xAF",
                                           "\xF0\x8F\xBF\xBF", "\xE3\x81", "\x80", "\xFF", "\xF8\x88\x80\x80\x80"};
        for (int offset = 0; offset < 140; offset += offset < 70 ? 1 : 13) {
            for (const QByteArray& seq : valid + invalid) {
                for (const QByteArray& after : {QByteArray(), QByteArray("\xE3\x81\x82z")}) {
                    const QByteArray bytes = QByteArray(offset, 'a') + seq + after;
                    QString decoded;
                    codec->decode(bytes.constData(), bytes.size(), decoded);
                    const qint64 count = codec->countUnits(bytes.constData(), bytes.size());
                    if (valid.contains(seq)) QCOMPARE(count, decoded.size());
                    else QCOMPARE(count, -1);
                }
            }
        }
    }

    void byteFormsOnlyWhenUnique()
    {
        auto cp932 = TextCodec::create(TextEncoding::Cp932);
        QByteArray form;
        QVERIFY(cp932->uniqueBytes(QStringLiteral("表示"), &form));
        QCOMPARE(form, Cp932::encode(QStringLiteral("表示")));
        // "¬" and "∵" are written both as NEC and as IBM codes: a byte search
        // for one form would miss the other.
        QVERIFY(!cp932->uniqueBytes(QStringLiteral("a¬"), &form));
        QVERIFY(!cp932->uniqueBytes(QStringLiteral("∵"), &form));
        QVERIFY(!cp932->uniqueBytes(QStringLiteral("😀"), &form));
        auto euc = TextCodec::create(TextEncoding::EucJp);
        QVERIFY(euc->uniqueBytes(QStringLiteral("日本ｱ"), &form));
        QCOMPARE(form, QByteArray("\xC6\xFC\xCB\xDC\x8E\xB1"));
    }

    void iso2022jpIsDecodedWhole()
    {
        QRandomGenerator rng(7);
        const QString text = japanese(rng, 2000, true, false);
        const QByteArray bytes = encodeAs(TextEncoding::Iso2022Jp, text);
        QVERIFY(bytes.contains("\x1b$B"));
        const auto iso = TextCodec::create(TextEncoding::Iso2022Jp);
        auto decoded = [&](const char* data, qint64 size) {
            QString out;
            iso->decode(data, size, out);
            return out;
        };
        QCOMPARE(decoded(bytes.constData(), bytes.size()), text);
        // Stray bytes are replaced and unknown escapes kept, the rest still decodes.
        QCOMPARE(decoded("\x1b$B$\"\x1b(Ba\xff\x1b%z", 13), QStringLiteral("あa\uFFFD\u001B%z"));

        writeFile(path("iso.txt"), bytes);
        BigTextDocument doc;
        openWhole(doc, path("iso.txt"), TextEncoding::Iso2022Jp);
        QCOMPARE(doc.text(0, doc.length()), normalized(text));
    }

    void lineEnds_data()
    {
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QString>("text");
        const QStringList samples = {
            "", "a", "\r\n", "a\r\nb", "a\rb\nc\r\nd", "a\n\n\r\r\n\rb", "あ\r\nい\r\n", "\r\r\r", "\n\r",
            "行末\rなし",
        };
        for (auto e : {TextEncoding::Cp932, TextEncoding::Utf16LE, TextEncoding::Utf16BE}) {
            for (const QString& s : samples)
                QTest::addRow("%s %s", qPrintable(TextCodec::name(e)),
                              qPrintable(QString(s).replace("\r", "CR").replace("\n", "LF")))
                    << e << s;
        }
    }
    void lineEnds()
    {
        QFETCH(TextEncoding, encoding);
        QFETCH(QString, text);
        writeFile(path("lines.txt"), encodeAs(encoding, text));
        BigTextDocument doc;
        openWhole(doc, path("lines.txt"), encoding);
        const QString model = normalized(text);
        QCOMPARE(doc.text(0, doc.length()), model);
        QRandomGenerator rng(1);
        compareWithModel(doc, model, rng, 40);
        QCOMPARE(doc.lineStart(doc.lineCount()), -1);
    }

    void byteOrderMarksAreSkipped()
    {
        writeFile(path("bom8.txt"), "\xEF\xBB\xBF" + QStringLiteral("あ\r\nい").toUtf8());
        BigTextDocument doc;
        openWhole(doc, path("bom8.txt"), TextEncoding::Utf8);
        QCOMPARE(doc.text(0, 100), QStringLiteral("あ\nい"));
        writeFile(path("bom16.txt"), QByteArray("\xFE\xFF\x30\x42\x00\x0D\x00\x0A\x30\x44", 10));
        openWhole(doc, path("bom16.txt"), TextEncoding::Utf16BE);
        QCOMPARE(doc.text(0, 100), QStringLiteral("あ\nい"));
        QCOMPARE(doc.lineCount(), 2);
    }

    // Whatever the chunks read and however the file is split over threads, the
    // blocks decode on their own to exactly the text decoded whole, so a
    // character split by a chunk or a block boundary is never damaged.
    void blocksDecodeLikeTheWhole_data()
    {
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<int>("parts");
        for (auto e : {TextEncoding::Cp932, TextEncoding::Utf8, TextEncoding::Utf16LE,
                       TextEncoding::Utf16BE, TextEncoding::EucJp, TextEncoding::ShiftJisX0213}) {
            for (int chunk : {1, 3, 4093, 1 << 20})
                for (int parts : {1, 3})
                    QTest::addRow("%s chunk %d parts %d", qPrintable(TextCodec::name(e)), chunk, parts)
                        << e << chunk << parts;
        }
    }
    void blocksDecodeLikeTheWhole()
    {
        QFETCH(TextEncoding, encoding);
        QFETCH(int, chunk);
        QFETCH(int, parts);
        const bool unicode = encoding != TextEncoding::Cp932 && encoding != TextEncoding::EucJp;
        const bool x = encoding == TextEncoding::ShiftJisX0213;
        QRandomGenerator rng(3);
        // Short lines, then one line far longer than a block that starts at an odd
        // byte, so that the cut falls inside multi-byte characters.
        QString text = japanese(rng, 90000, true, true, unicode, x);
        text += QStringLiteral("\nx");
        text += japanese(rng, 200000, false, true, unicode, x);
        text += QStringLiteral("\r");
        text += japanese(rng, 20000, true, true, unicode, x);
        const QByteArray bytes = encodeAs(encoding, text);
        writeFile(path("scan.txt"), bytes);
        auto codec = TextCodec::create(encoding);
        const int fd = ::open(QFile::encodeName(path("scan.txt")).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        // Cut into parts at line starts near equal shares, as the indexer's segments are.
        std::vector<BigTextScan::Block> blocks;
        const qint64 size = bytes.size();
        qint64 begin = 0;
        for (int j = 1; j <= parts; ++j) {
            const qint64 end = j == parts ? size : BigTextScan::nextLineStart(fd, 0, std::max(begin, size * j / parts), size, *codec);
            if (end <= begin) continue;
            QCOMPARE(BigTextScan::scanRange(fd, begin, end, *codec, blocks, {}, chunk), end);
            begin = end;
        }
        ::close(fd);

        QString joined;
        qint64 offset = 0;
        bool sawCut = false;
        for (const auto& b : blocks) {
            QCOMPARE(b.offset, offset);
            QVERIFY(b.bytes <= BigTextScan::kMaxBlockBytes + 2);
            const auto d = BigTextScan::decode(*codec, bytes.constData() + b.offset, b.bytes);
            QCOMPARE(d.text.size(), b.chars);
            QCOMPARE(d.newlines(), b.newlines);
            QCOMPARE(d.endsWithNewline(), b.endsWithNewline);
            sawCut |= !b.endsWithNewline && &b != &blocks.back();
            joined += d.text;
            offset += b.bytes;
        }
        QCOMPARE(offset, bytes.size());
        QVERIFY(sawCut);
        QVERIFY(!joined.contains(QChar(0xFFFD)));
        QCOMPARE(joined, normalized(text));
    }

    void editsMatchAModel()
    {
        QRandomGenerator rng(11);
        QString text = japanese(rng, 300000, true);
        writeFile(path("edit.txt"), Cp932::encode(text));
        BigTextDocument doc;
        openWhole(doc, path("edit.txt"), TextEncoding::Cp932);
        QString model = normalized(text);
        QVERIFY(doc.blockCount() > 5);
        compareWithModel(doc, model, rng, 50);

        for (int step = 0; step < 400; ++step) {
            const qint64 pos = rng.bounded(int(model.size()) + 1);
            const int what = int(rng.bounded(10));
            if (what < 4) {
                const int count = step % 100 == 0 ? 20000 : what == 0 ? 6000 : 8;
                const QString ins = japanese(rng, int(rng.bounded(count)), true);
                doc.insert(pos, ins);
                model.insert(pos, normalized(ins));
            } else if (what < 8) {
                const qint64 len = rng.bounded(step % 100 == 50 ? 70000 : what == 4 ? 4000 : 6);
                doc.remove(pos, len);
                model.remove(pos, len);
            } else {
                // Around a block boundary: join two blocks' lines, split them again.
                const int b = int(rng.bounded(doc.blockCount()));
                const qint64 at = doc.block(b).start;
                if (at > 0) {
                    doc.remove(at - 1, 1);
                    model.remove(at - 1, 1);
                    doc.insert(at - 1, QStringLiteral("\r\n"));
                    model.insert(at - 1, u'\n');
                }
            }
            compareWithModel(doc, model, rng, 3);
        }
        QCOMPARE(doc.text(0, doc.length()), model);

        // A paste far larger than a block, then removing everything.
        const QString big = japanese(rng, 700000, true);
        doc.insert(5, big);
        model.insert(5, normalized(big));
        compareWithModel(doc, model, rng, 30);
        doc.remove(0, doc.length());
        QCOMPARE(doc.length(), 0);
        QCOMPARE(doc.lineCount(), 1);
        QCOMPARE(doc.lineStart(0), 0);
        doc.insert(0, QStringLiteral("a\r\nb"));
        QCOMPARE(doc.text(0, 10), QStringLiteral("a\nb"));
    }

    void editsBeforeAndAfterAPosition()
    {
        BigTextDocument doc;
        doc.setText(QStringLiteral("一行目\r\n二行目\r\n三行目"));
        const qint64 third = doc.lineStart(2);
        QCOMPARE(third, 8);
        // After the position: its line and offset stay.
        doc.insert(third + 1, QStringLiteral("\n挿入"));
        QCOMPARE(doc.lineOf(third), 2);
        QCOMPARE(doc.lineStart(2), third);
        // Before it: it moves by the inserted characters and lines.
        doc.insert(1, QStringLiteral("x\ny"));
        QCOMPARE(doc.lineStart(3), third + 3);
        QCOMPARE(doc.lineOf(third + 3), 3);
        doc.remove(0, 5);
        QCOMPARE(doc.lineStart(2), third - 2);
        QCOMPARE(doc.text(0, doc.length()), QStringLiteral("目\n二行目\n三\n挿入行目"));
    }

    void findMatchesIndexOf()
    {
        QRandomGenerator rng(5);
        // Plenty of "表" and "ソ", whose second byte is a backslash.
        QString text = japanese(rng, 400000, true) + QStringLiteral("\\末尾だけ");
        writeFile(path("find.txt"), Cp932::encode(text));
        BigTextDocument doc;
        openWhole(doc, path("find.txt"), TextEncoding::Cp932);
        const QString model = normalized(text);

        auto check = [&](const QString& needle, qint64 from, qint64 to) {
            qint64 want = model.indexOf(needle, from);
            if (want >= 0 && want + needle.size() > to) want = -1;
            QCOMPARE(doc.find(needle, from, to), want);
        };
        check(QStringLiteral("末尾だけ"), 0, model.size());
        check(QStringLiteral("\\末"), 0, model.size());
        check(QStringLiteral("\\"), 0, model.size());
        check(QStringLiteral("末尾だけ"), 0, model.size() - 1); // would end past the range
        check(QStringLiteral("ない文字列"), 0, model.size());
        for (int k = 0; k < 300; ++k) {
            const qint64 at = rng.bounded(int(model.size()) - 30);
            const QString needle = model.mid(at, 1 + rng.bounded(k % 3 == 0 ? 25 : 4));
            const qint64 from = rng.bounded(int(at) + 1);
            check(needle, from, model.size());
        }
        // Across block boundaries: a needle holding the line end that ends a block.
        for (int b = 1; b < std::min(doc.blockCount(), 12); ++b) {
            const qint64 at = doc.block(b).start;
            check(model.mid(at - 3, 6), 0, model.size());
            check(model.mid(at - 1, 2), at - 1, model.size());
        }
        // After edits the same search runs over text held in memory.
        doc.insert(100, QStringLiteral("挿入した¬"));
        QCOMPARE(doc.find(QStringLiteral("した¬"), 0, doc.length()), 102);
        QCOMPARE(doc.find(QStringLiteral("した¬"), 103, doc.length()), -1);
    }

    void findTakesEachLookAlikePairForOne()
    {
        // Typed either way, across a cut, in file blocks and in memory; the hit as the file has it.
        const QString full = QStringLiteral("～∥－￠￡￢"), jis = QStringLiteral("\u301C\u2016\u2212\u00A2\u00A3\u00AC");
        for (const auto& [e, forms] : {std::pair{TextEncoding::Cp932, full}, {TextEncoding::EucJp, jis},
                                       {TextEncoding::Iso2022Jp, jis}, {TextEncoding::Utf8, full.left(3) + jis.mid(3)}}) {
            const QString text = QStringLiteral("x\n") + QString(131067, u'あ') + forms + QString(170000, u'あ');
            const bool jisFile = e == TextEncoding::EucJp || e == TextEncoding::Iso2022Jp;
            writeFile(path("alike.txt"), jisFile ? iconvEncode(e == TextEncoding::EucJp ? "EUC-JP" : "ISO-2022-JP", text)
                                                 : encodeAs(e, text));
            BigTextDocument doc;
            openWhole(doc, path("alike.txt"), e);
            for (const QString& typed : {QStringLiteral("あ") + full, QStringLiteral("あ") + jis, jis.mid(2, 3)}) {
                const qint64 hit = text.indexOf(typed.size() > 3 ? QStringLiteral("あ") + forms : forms.mid(2, 3));
                QCOMPARE(doc.find(typed, 0, doc.length()), hit);
                QCOMPARE(doc.text(hit, typed.size()), text.mid(hit, typed.size()));
            }
            doc.insert(0, jis.left(1));
            QCOMPARE(doc.find(full.left(1), 0, doc.length()), 0);
        }
    }

    void findsJisX0213AcrossACut()
    {
        // Two units for one code, on both sides of the cut at 256 KB.
        const QString rare = QStringLiteral("か\u309A𪎌ト\u309A");
        for (TextEncoding e : {TextEncoding::EucJisX0213, TextEncoding::ShiftJisX0213}) {
            const QString text = QStringLiteral("x\n") + QString(131070, u'あ') + rare + QString(170000, u'あ');
            writeFile(path("x0213.txt"), encodeAs(e, text));
            BigTextDocument doc;
            openWhole(doc, path("x0213.txt"), e);
            for (const QString& typed : {QStringLiteral("あ") + rare, rare.mid(2, 3)}) {
                QCOMPARE(doc.find(typed, 0, doc.length()), text.indexOf(typed));
                QCOMPARE(doc.text(text.indexOf(typed), typed.size()), typed);
            }
        }
    }

    void findAcrossACutLongLine()
    {
        // A line cut into blocks has no line end at the cut; a hit across it counts.
        QString line(300000, u'あ');
        line[262140 / 2] = u'目';
        line[262140 / 2 + 3] = u'印';
        const QString text = QStringLiteral("x\n") + line;
        writeFile(path("long.txt"), Cp932::encode(text));
        BigTextDocument doc;
        openWhole(doc, path("long.txt"), TextEncoding::Cp932);
        QVERIFY(doc.blockCount() >= 3);
        const qint64 hit = text.indexOf(QStringLiteral("目ああ印"));
        QCOMPARE(doc.find(QStringLiteral("目ああ印"), 0, doc.length()), hit);
        QCOMPARE(doc.text(0, doc.length()), text);
        // The cut line is still one line; positions map both ways.
        QCOMPARE(doc.lineCount(), 2);
        for (qint64 l = 0; l < doc.lineCount(); ++l)
            QCOMPARE(doc.lineOf(doc.lineStart(l)), l);
    }

    void shrunkFileReadsShort()
    {
        QRandomGenerator rng(9);
        const QString text = japanese(rng, 200000, true);
        writeFile(path("shrink.txt"), Cp932::encode(text));
        BigTextDocument doc;
        openWhole(doc, path("shrink.txt"), TextEncoding::Cp932);
        const qint64 length = doc.length();
        const qint64 lines = doc.lineCount();
        QCOMPARE(::truncate(QFile::encodeName(path("shrink.txt")).constData(), 1000), 0);
        // Same length and lines as when opened, and the reading tells that
        // what it gives is not the file's text.
        const QString now = doc.text(0, length);
        QVERIFY(doc.fileChanged());
        QCOMPARE(now.size(), length);
        QCOMPARE(doc.lineCount(), lines);
        QCOMPARE(now.count(u'\n'), normalized(text).count(u'\n'));
        QCOMPARE(doc.lineOf(length), lines - 1);
        QCOMPARE(doc.find(QStringLiteral("存在しない"), 0, length), -1);
        doc.insert(length, QStringLiteral("末尾"));
        QCOMPARE(doc.text(length, 2), QStringLiteral("末尾"));

        // Rewritten with other lines, even longer: counts still hold.
        BigTextDocument other;
        openWhole(other, path("shrink.txt"), TextEncoding::Cp932);
        const qint64 otherLength = other.length();
        writeFile(path("shrink.txt"), QByteArray(5000, '\n'));
        QCOMPARE(other.text(0, otherLength).size(), otherLength);
        QCOMPARE(other.lineCount(), other.text(0, otherLength).count(u'\n') + 1);
    }

    void emptyAndInMemoryTexts()
    {
        BigTextDocument doc;
        QCOMPARE(doc.length(), 0);
        QCOMPARE(doc.lineCount(), 1);
        QCOMPARE(doc.lineOf(0), 0);
        QCOMPARE(doc.lineStart(0), 0);
        QCOMPARE(doc.lineStart(1), -1);
        QCOMPARE(doc.find(QStringLiteral("a"), 0, -1), -1);
        doc.setText(QStringLiteral("a\r\nb\r\n"));
        QCOMPARE(doc.length(), 4);
        QCOMPARE(doc.lineCount(), 3);
        QCOMPARE(doc.lineOf(4), 2);
        QCOMPARE(doc.lineStart(2), 4);
        writeFile(path("empty.txt"), QByteArray());
        openWhole(doc, path("empty.txt"), TextEncoding::Cp932);
        QCOMPARE(doc.length(), 0);
        QCOMPARE(doc.lineCount(), 1);
        writeFile(path("nul.txt"), QByteArray("a\0b", 3));
        openWhole(doc, path("nul.txt"), TextEncoding::Cp932);
        QCOMPARE(doc.text(0, 3), QStringLiteral("a\uFFFDb"));
    }

    void unopenableFiles()
    {
        BigTextDocument doc;
        doc.setText(QStringLiteral("keep"));
        try {
            openWhole(doc, m_dir.path(), TextEncoding::Cp932); // a folder
            QFAIL("no error");
        } catch (const VarError& e) {
            QCOMPARE(e.message(), QStringLiteral("ﾌｧｲﾙ %1 は開けません").arg(m_dir.path()));
        }
    }

    void devicesAndSwappedNames()
    {
        // A device that never ends is refused after a bounded read, under an
        // address-space limit far above the bound (in a child, so that the
        // limit and a failure stay there).
        const pid_t pid = ::fork();
        QVERIFY(pid >= 0);
        if (pid == 0) {
            ::alarm(120); // a hang ends the child rather than the suite
            struct rlimit lim;
            lim.rlim_cur = lim.rlim_max = rlim_t(statusKb("VmSize:") * 1024 + (qint64(1) << 30));
            ::setrlimit(RLIMIT_AS, &lim);
            try {
                BigTextDocument doc;
                openWhole(doc, QStringLiteral("/dev/zero"), TextEncoding::Cp932);
                ::_exit(2);
            } catch (const VarError& e) {
                ::_exit(e.message() == VarError::streamRead().message() ? 0 : 3);
            } catch (...) {
                ::_exit(4);
            }
        }
        int status = 0;
        QCOMPARE(::waitpid(pid, &status, 0), pid);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);

        // What was opened is what is read, whatever the name leads to since.
        for (TextEncoding enc : {TextEncoding::Cp932, TextEncoding::Iso2022Jp}) {
            writeFile(path("swap.txt"), "the file that was examined\n");
            const int fd = ::open(QFile::encodeName(path("swap.txt")).constData(), O_RDONLY | O_CLOEXEC);
            QVERIFY(fd >= 0);
            QVERIFY(QFile::remove(path("swap.txt")));
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path("swap.txt")));
            BigTextDocument doc;
            doc.openHead(fd, path("swap.txt"), enc, -1);
            QCOMPARE(doc.text(0, doc.length()), QStringLiteral("the file that was examined\n"));
            QVERIFY(QFile::remove(path("swap.txt")));
        }
    }

    void hugeSparseFileOpensInLittleMemory()
    {
        const QString huge = path("huge.txt");
        const qint64 size = (qint64(4) << 30) + 3;
        struct statvfs vfs;
        if (::statvfs(QFile::encodeName(m_dir.path()).constData(), &vfs) != 0)
            QSKIP("cannot examine the temporary folder");
        {
            const int fd = ::open(QFile::encodeName(huge).constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
            QVERIFY(fd >= 0);
            const bool made = ::ftruncate(fd, size - 3) == 0 && ::pwrite(fd, "a\nb", 3, size - 3) == 3;
            ::close(fd);
            if (!made) QSKIP("no room for a sparse 4 GB file");
        }
        const qint64 before = residentKb();
        QElapsedTimer timer;
        timer.start();
        BigTextDocument doc;
        openWhole(doc, huge, TextEncoding::Cp932);
        qDebug() << "4 GB sparse file opened in" << timer.elapsed() << "ms, resident memory grew by"
                 << (residentKb() - before) / 1024 << "MB, index" << doc.indexBytes() / 1024 << "KB";
        QVERIFY(residentKb() - before < 200 * 1024);
        QCOMPARE(doc.length(), size); // NUL bytes read as U+FFFD, one each
        QCOMPARE(doc.text(size - 3, 3), QStringLiteral("a\nb"));
        QCOMPARE(doc.lineOf(size), doc.lineCount() - 1);
        QCOMPARE(doc.lineStart(doc.lineCount() - 1), size - 1);
        QCOMPARE(doc.text(size / 2, 2), QStringLiteral("\uFFFD\uFFFD"));
        ::unlink(QFile::encodeName(huge).constData());
    }
};

QTEST_GUILESS_MAIN(TestBigText)
#include "tst_bigtext.moc"
