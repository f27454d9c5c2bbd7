// Rich text reading: runs, formats, code pages, skipped parts and bad input.
#include "Cp932.h"
#include "RtfReader.h"

#include <QtTest>

using RtfReader::Document;
using RtfReader::Run;

namespace {

Document mustRead(const QByteArray& rtf)
{
    std::optional<Document> d = RtfReader::read(rtf);
    if (!d) qWarning("not read as RTF: %s", rtf.left(80).constData());
    return d ? *d : Document{};
}

// The run holding the first occurrence of text.
const Run* runWith(const Document& d, const QString& text)
{
    for (const Run& r : d.runs)
        if (r.text.contains(text)) return &r;
    return nullptr;
}

} // namespace

class TestRtf : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void formatsFollowGroupsAndPlain();
    void fontAndColourTables();
    void japaneseBytesAndUnicodeEscapes();
    void rawDoubleByteText_data();
    void rawDoubleByteText();
    void piecesReadAsTheWhole();
    void paragraphsBreaksAndEscapes();
    void constructsShowTheirText_data();
    void constructsShowTheirText();
    void destinationsAreSkipped();
    void invalidDataIsNotRichText_data();
    void invalidDataIsNotRichText();
    void hostileInputStaysBounded();
};

void TestRtf::formatsFollowGroupsAndPlain()
{
    const Document d = mustRead(
        "{\\rtf1\\ansi plain {\\b bold {\\i both}} \\ul under\\ulnone  \\strike gone\\strike0  "
        "\\fs40 big\\b  B\\b0  \\plain reset}");
    QCOMPARE(d.plainText(), QStringLiteral("plain bold both under gone big B reset"));
    const Run* plain = runWith(d, QStringLiteral("plain"));
    QVERIFY(plain && !plain->format.bold && !plain->format.italic && plain->format.halfPoints == 0);
    const Run* bold = runWith(d, QStringLiteral("bold"));
    QVERIFY(bold && bold->format.bold && !bold->format.italic);
    const Run* both = runWith(d, QStringLiteral("both"));
    QVERIFY(both && both->format.bold && both->format.italic);
    const Run* under = runWith(d, QStringLiteral("under"));
    QVERIFY(under && under->format.underline && !under->format.bold);   // the group ended
    const Run* gone = runWith(d, QStringLiteral("gone"));
    QVERIFY(gone && gone->format.strike && !gone->format.underline);
    const Run* big = runWith(d, QStringLiteral("big"));
    QVERIFY(big && big->format.halfPoints == 40 && !big->format.strike);
    const Run* b = runWith(d, QStringLiteral("B"));
    QVERIFY(b && b->format.bold && b->format.halfPoints == 40);
    const Run* reset = runWith(d, QStringLiteral("reset"));
    QVERIFY(reset && reset->format == RtfReader::Format());
    // Neighbouring text of one format is one run.
    const Document merged = mustRead("{\\rtf1 a{b}c\\b0 d}");
    QCOMPARE(merged.runs.size(), size_t(1));
}

void TestRtf::fontAndColourTables()
{
    const Document d = mustRead(
        "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}{\\f1\\fswiss Arial{\\*\\panose 0}"
        ";}\\f2\\fmodern Courier;}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}"
        "\\plain default \\f0 times \\f2 courier \\cf1 red\\cf2 blue\\cf0 auto\\cf99 none}");
    QCOMPARE(d.plainText(), QStringLiteral("default times courier redblueautonone"));
    QCOMPARE(runWith(d, QStringLiteral("default"))->format.font, QStringLiteral("Arial"));
    QCOMPARE(runWith(d, QStringLiteral("times"))->format.font, QStringLiteral("Times New Roman"));
    QCOMPARE(runWith(d, QStringLiteral("courier"))->format.font, QStringLiteral("Courier"));
    const Run* red = runWith(d, QStringLiteral("red"));
    QVERIFY(red->format.hasColor);
    QCOMPARE(red->format.color, qRgb(255, 0, 0));
    QCOMPARE(runWith(d, QStringLiteral("blue"))->format.color, qRgb(0, 128, 255));
    QVERIFY(!runWith(d, QStringLiteral("auto"))->format.hasColor);
    QVERIFY(!runWith(d, QStringLiteral("none"))->format.hasColor);
}

void TestRtf::japaneseBytesAndUnicodeEscapes()
{
    // The typical Japanese document: code page 932 and a font of character set 128
    // whose name itself is in \'hh bytes.
    const Document jp = mustRead(
        "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 "
        "\\'96\\'be\\'92\\'a9;}{\\f1\\fnil\\fcharset0 Arial;}}"
        "\\f0 \\'93\\'fa\\'96\\'7b\\'8c\\'ea\\'82\\'cc\\'83\\'65\\'83\\'4c\\'83\\'58\\'83\\'67 "
        "\\f1 caf\\'e9}");
    QCOMPARE(jp.plainText(), QStringLiteral("日本語のテキスト café"));
    QCOMPARE(runWith(jp, QStringLiteral("日本語"))->format.font, QStringLiteral("ＭＳ 明朝"));
    // Text before any \f is in the default font, with that font's character set.
    QCOMPARE(mustRead("{\\rtf1\\ansi\\deff1{\\fonttbl{\\f1\\fcharset128 X;}}\\'82\\'a0}").plainText(), QStringLiteral("あ"));
    // No character set at all: the document's code page decides.
    QCOMPARE(mustRead("{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0}").plainText(), QStringLiteral("あ"));
    // Without \ansicpg the bytes are the system's code page, 932; a named one is
    // followed, and other character sets go through their code page.
    QCOMPARE(mustRead("{\\rtf1\\ansi \\'82\\'a0}").plainText(), QStringLiteral("あ"));
    QCOMPARE(mustRead("{\\rtf1\\ansi\\ansicpg1252 \\'e4\\'80}").plainText(), QStringLiteral("ä€"));
    QCOMPARE(mustRead("{\\rtf1{\\fonttbl{\\f0\\fcharset204 X;}}\\f0 \\'cf\\'f0\\'e8}").plainText(), QStringLiteral("При"));
    // \uN skips \ucN characters behind it; negative values and surrogate pairs.
    // The default \uc1 skips one byte: the second of a double-byte fallback is left over.
    QCOMPARE(mustRead("{\\rtf1\\ansicpg1252 \\u12354\\'82\\'a0x}").plainText(), QStringLiteral("あ\u00A0x"));
    QCOMPARE(mustRead("{\\rtf1 \\uc1\\u12354?x}").plainText(), QStringLiteral("あx"));
    QCOMPARE(mustRead("{\\rtf1 \\uc2\\u26085\\'93\\'fa\\u26412\\'96\\'7b!}").plainText(), QStringLiteral("日本!"));
    QCOMPARE(mustRead("{\\rtf1 \\uc0\\u-3\\u-10179\\u-8704}").plainText(), QStringLiteral("\uFFFD\U0001F600"));
    // Skipping stops at a group's end, and the count is per group.
    QCOMPARE(mustRead("{\\rtf1 {\\uc3\\u12354}ab}").plainText(), QStringLiteral("あab"));
}

void TestRtf::rawDoubleByteText_data()
{
    // Japanese written as raw CP932 bytes, as older writers do. ソ, 表 and 構
    // end in 0x5C ('\\'), 倍 and 本 in 0x7B ('{'), 図 and 党 in 0x7D ('}').
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<bool>("decoded");   // false: the bytes are single ones, not CP932
    QTest::newRow("ansicpg932") << QByteArray("{\\rtf1\\ansi\\ansicpg932 ") << true;
    QTest::newRow("no code page") << QByteArray("{\\rtf1\\ansi ") << true;
    QTest::newRow("no ansi either") << QByteArray("{\\rtf1 ") << true;
    QTest::newRow("Japanese font in a 1252 document")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fcharset128 Mincho;}}") << true;
    QTest::newRow("font named in raw bytes")
        << ("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset128 " + Cp932::encode(QStringLiteral("表示用明朝倍"))
            + ";}}\\f0 ")
        << true;
    QTest::newRow("title in raw bytes") << ("{\\rtf1\\ansi{\\info{\\title " + Cp932::encode(QStringLiteral("表図題")) + "}}")
                                        << true;
    QTest::newRow("Western document") << QByteArray("{\\rtf1\\ansi\\ansicpg1252 ") << false;
}

void TestRtf::rawDoubleByteText()
{
    QFETCH(QByteArray, head);
    QFETCH(bool, decoded);
    const QString text = QStringLiteral("ソフト表示構成倍本図党");
    const QByteArray rtf = head + Cp932::encode(text) + "{\\b " + Cp932::encode(QStringLiteral("太字表")) + "}\\par}";
    if (!decoded) {
        // Single bytes: the 0x7B and 0x7D among them are braces, which do not balance here.
        QVERIFY(!RtfReader::read(rtf).has_value());
        return;
    }
    const Document d = mustRead(rtf);
    QCOMPARE(d.plainText(), text + QStringLiteral("太字表\n"));
    const Run* bold = runWith(d, QStringLiteral("太字表"));
    QVERIFY(bold && bold->format.bold);
    QVERIFY(!runWith(d, text)->format.bold);
    if (QByteArray(QTest::currentDataTag()) == "font named in raw bytes")
        QCOMPARE(runWith(d, text)->format.font, QStringLiteral("表示用明朝倍"));
    // A lead byte takes its second byte also while \uN skips its fallback; a
    // lead byte at the very end is cut off.
    QCOMPARE(mustRead(head + "\\uc2\\u12354" + Cp932::encode(QStringLiteral("表")) + "x}").plainText(),
             QStringLiteral("あx"));
    QVERIFY(!RtfReader::read(head + "\x95").has_value());
}

void TestRtf::piecesReadAsTheWhole()
{
    // Every token cut at every place: a control word and its parameter, a
    // \'hh escape, "{\*", \bin data, a raw double-byte character.
    const QList<QByteArray> docs{
        "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fcharset128 \\'82\\'6c;}}{\\colortbl;\\red255\\green0\\blue0;}"
        "\\f0\\fs-24 \\'93\\'fa{\\*\\gen x}{\\b\\cf1 b}{\\pict\\bin6 }{}ab}\\uc2\\u26085\\'93\\'fa"
            + Cp932::encode(QStringLiteral("ソ倍図")) + "\\par\\\\\\{z\\}}",
        "{\\rtf1 cut \\b off",
        "{\\rtf1 x} trailing {{{",
        "{\\rt",
    };
    for (const QByteArray& doc : docs) {
        const std::optional<Document> whole = RtfReader::read(doc);
        for (qsizetype piece = 1; piece <= 8; ++piece) {
            RtfReader::Reader reader;
            std::vector<Run> runs;
            auto take = [&] {
                for (Run& r : reader.take()) runs.push_back(std::move(r));
            };
            for (qsizetype at = 0; at < doc.size(); at += piece) {
                reader.feed(doc.constData() + at, std::min(piece, doc.size() - at));
                take();
            }
            const RtfReader::Status status = reader.feed(nullptr, 0, true);
            take();
            QCOMPARE(status == RtfReader::Status::Done, whole.has_value());
            if (!whole) continue;
            const Document pieces{runs};
            QCOMPARE(pieces.plainText(), whole->plainText());
            for (const Run& r : whole->runs) {
                const Run* same = runWith(pieces, r.text);
                QVERIFY2(same && same->format == r.format, qPrintable(r.text));
            }
        }
    }
}

void TestRtf::paragraphsBreaksAndEscapes()
{
    const Document d = mustRead(
        "{\\rtf1 one\\par two\\line three\\tab four\r\n five \\{x\\} a\\\\b\\~c\\emdash\\bullet "
        "\\ldblquote q\\rdblquote\\\r\nlast\\par\n}");
    QCOMPARE(d.plainText(), QStringLiteral("one\ntwo\u2028three\tfour five {x} a\\b\u00A0c\u2014\u2022\u201Cq\u201D\nlast\n"));
}

void TestRtf::constructsShowTheirText_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    auto row = [](const char* name, const QByteArray& body, const QString& text) {
        QTest::newRow(name) << "{\\rtf1" + body + "}" << text;
    };
    // Hidden text ends where every character property does; its paragraph mark is hidden too.
    row("plain ends hidden", " A\\v B\\par\\pard\\plain C\\par", QStringLiteral("AC\n"));
    // No depth is too deep, with or without formatting between the braces.
    row("300 groups", " " + QByteArray(300, '{') + "x" + QByteArray(300, '}'), QStringLiteral("x"));
    row("200000 groups", " " + QByteArray(200000, '{') + "x" + QByteArray(200000, '}'), QStringLiteral("x"));
    row("deep formatted groups", " " + QByteArray("{\\b {\\b0 ").repeated(25000) + "x" + QByteArray(50000, '}'),
        QStringLiteral("x"));
    // Code pages named by the document and by each font.
    row("mac", "\\mac \\'8e", QStringLiteral("é"));
    row("pc", "\\pc \\'82", QStringLiteral("é"));
    row("pca", "\\pca \\'d5", QStringLiteral("ı"));
    row("mac japanese", "\\mac\\ansicpg10001{\\fonttbl{\\f0\\fcharset78 Osaka;}{\\f1\\fcharset128 Gothic;}}"
        "\\f0 SuperCollider \\'83\\'56\\'83\\'93\\f1\\'83\\'5a",
        QStringLiteral("SuperCollider シンセ"));
    row("mac japanese raw", "\\mac\\ansicpg10001 " + Cp932::encode(QStringLiteral("ソ表")), QStringLiteral("ソ表"));
    // Fonts of the Mac and OEM character sets.
    row("mac chinese font", "{\\fonttbl{\\f0\\fcharset81 Apple LiSung;}}\\f0 \\'a4\\'a4", QStringLiteral("中"));
    row("mac korean font", "{\\fonttbl{\\f0\\fcharset79 AppleGothic;}}\\f0 \\'c7\\'d1", QStringLiteral("한"));
    row("oem font", "{\\fonttbl{\\f0\\fcharset255 Terminal;}}\\f0 \\'d5", QStringLiteral("ı"));
    row("pc 437 font", "{\\fonttbl{\\f0\\fcharset254 Terminal;}}\\f0 \\'82", QStringLiteral("é"));
    // A letter that a converter keeps back for a combining mark still comes out.
    row("1258 at the end", "\\ansicpg1258 \\'c3", QStringLiteral("Ă"));
    // Nested tables: their cells and rows are apart; the text for readers without them is not shown.
    row("nested table", " A\\nestcell B\\nestcell{\\*\\nesttableprops\\trowd\\nestrow}{\\nonesttables A B\\par}\\cell\\row",
        QStringLiteral("A\tB\t\n\t\n"));
    // Footnote marks count in the text; the footnotes themselves are not shown.
    row("footnote marks", " massa.{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Note.} Fusce"
        "{\\super\\chftn}{\\footnote{\\super\\chftn} Two.}", QStringLiteral("massa.1 Fusce2"));
    // Old-style lists: the list text written out, or made from the list's properties.
    row("old-style lists",
        "\\pard{\\pntext\\pard\\plain 1.\\tab}{\\*\\pn\\pnlvlbody\\pnstart1\\pndec{\\pntxta .}}One\\par Two\\par"
        "\\pard{\\*\\pn\\pnlvlblt{\\pntxtb -}}B\\par\\pard{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}Three\\par"
        "\\pard Plain\\par\\pard{\\*\\pn\\pnlvlbody\\pnucrm\\pnstart4{\\pntxta )}}Four\\par",
        QStringLiteral("1.\tOne\n2.\tTwo\n-\tB\n3.\tThree\nPlain\nIV)\tFour\n"));
}

void TestRtf::constructsShowTheirText()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(mustRead(rtf).plainText(), text);
}

void TestRtf::destinationsAreSkipped()
{
    const Document d = mustRead(
        "{\\rtf1\\ansi{\\fonttbl{\\f0 F;}}{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{\\s0 Normal;}}"
        "{\\info{\\title T}{\\author A}}{\\*\\generator Gen 1.0;}{\\header head}{\\footer foot}"
        "A{\\pict\\pngblip\\bin4 }}{}89ab}B{\\object{\\*\\objdata 0102}{\\result R}}"
        "C{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}D{\\*\\unknown hidden}E{\\v secret}F}");
    QCOMPARE(d.plainText(), QStringLiteral("ABClinkDEF"));
}

void TestRtf::invalidDataIsNotRichText_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("cut off") << QByteArray("{\\rtf1\\ansi {\\b bold} and then");
    QTest::newRow("cut in a group") << QByteArray("{\\rtf1 {\\fonttbl{\\f0 A;}");
    QTest::newRow("not rtf") << QByteArray("{\\rt1 plain}");
    QTest::newRow("space first") << QByteArray(" {\\rtf1 x}");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut in \\bin") << QByteArray("{\\rtf1 {\\pict\\bin100 }}");
}

void TestRtf::invalidDataIsNotRichText()
{
    QFETCH(QByteArray, data);
    QVERIFY(!RtfReader::read(data).has_value());
}

void TestRtf::hostileInputStaysBounded()
{
    // Deep but within bounds; text behind the last brace is ignored.
    const QByteArray deep = "{\\rtf1 " + QByteArray(250, '{') + "x" + QByteArray(251, '}') + "trailing {{{";
    QCOMPARE(mustRead(deep).plainText(), QStringLiteral("x"));
    // Absurd parameters are clamped, huge tables are capped.
    const Document big = mustRead("{\\rtf1\\fs99999999999999999 \\uc99999 \\u99999999 a\\cf-5 b\\f-7 c\\'zz}");
    QVERIFY(big.runs.size() >= 1);
    QCOMPARE(big.runs.front().format.halfPoints, 3276);
    QByteArray fonts = "{\\rtf1{\\fonttbl";
    for (int i = 0; i < 6000; ++i) fonts += "{\\f" + QByteArray::number(i) + " F" + QByteArray::number(i) + ";}";
    fonts += "}\\f5999 x\\f3 y}";
    const Document capped = mustRead(fonts);
    QCOMPARE(capped.plainText(), QStringLiteral("xy"));
    QCOMPARE(runWith(capped, QStringLiteral("y"))->format.font, QStringLiteral("F3"));
    QVERIFY(runWith(capped, QStringLiteral("x"))->format.font.isEmpty());
    // Many format changes: the run count stays in proportion to the input.
    const QByteArray toggles = "{\\rtf1 " + QByteArray("\\b a\\b0 a").repeated(20000) + "}";
    const Document t = mustRead(toggles);
    QCOMPARE(t.plainText().size(), 40000);
    QVERIFY(t.runs.size() <= 40000);
}

QTEST_MAIN(TestRtf)
#include "tst_rtf.moc"
