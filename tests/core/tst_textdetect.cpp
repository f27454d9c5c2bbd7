// Encoding detection and decoding of text files.
#include "Cp932.h"
#include "TextDetect.h"
#include "TextLoad.h"

#include <QRandomGenerator>
#include <QtTest>

#include <iconv.h>

using Encoding = TextEncoding;

namespace {

// Reference conversion through the C library, independent of the decoder's tables.
QByteArray iconvConvert(const QByteArray& in, const char* to, const char* from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    QByteArray out(in.size() * 4 + 16, '\0');
    char* inp = const_cast<char*>(in.constData());
    char* outp = out.data();
    size_t inLeft = in.size(), outLeft = out.size();
    size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return {};
    out.truncate(out.size() - outLeft);
    return out;
}

QByteArray encode(const QString& text, Encoding e)
{
    switch (e) {
    case Encoding::Cp932: return Cp932::encode(text);
    case Encoding::EucJp: return iconvConvert(text.toUtf8(), "EUC-JP", "UTF-8");
    case Encoding::Iso2022Jp: return iconvConvert(text.toUtf8(), "ISO-2022-JP", "UTF-8");
    case Encoding::EucJisX0213: return iconvConvert(text.toUtf8(), "EUC-JISX0213", "UTF-8");
    case Encoding::ShiftJisX0213: return iconvConvert(text.toUtf8(), "SHIFT_JISX0213", "UTF-8");
    case Encoding::Utf8: return text.toUtf8();
    case Encoding::Utf16LE: return iconvConvert(text.toUtf8(), "UTF-16LE", "UTF-8");
    case Encoding::Utf16BE: return iconvConvert(text.toUtf8(), "UTF-16BE", "UTF-8");
    }
    return {};
}

QString name(Encoding e) { return TextCodec::name(e); }

} // namespace

class TestTextDetect : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void detectsEachEncodingOfJapaneseText_data();
    void detectsEachEncodingOfJapaneseText();
    void byteOrderMarkWinsAndIsDropped();
    void asciiIsReadAsCp932();
    void halfWidthKatakanaAgainstEucJp();
    void nulAndInvalidBytesBecomeReplacementCharacters();
    void binaryDataIsNotTakenForUtf16();
    void lineBreaksAreUnifiedAcrossBlockEdges();
    void eucJpAgreesWithTheCLibrary();
    void iso2022JpShiftsAndDesignations();
    void largeDataIsSampledThroughout();
};

void TestTextDetect::detectsEachEncodingOfJapaneseText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("encoding");
    const QStringList texts = {
        QStringLiteral("日本語"),
        QStringLiteral("こんにちは"),
        QStringLiteral("カタカナ"),
        QStringLiteral("設定を保存しました。"),
        QStringLiteral("ファイル名: readme.txt"),
        QStringLiteral("東京都千代田区"),
        QStringLiteral("「検索」ボタンを押してください。\r\n次の行です。\r\n"),
        QStringLiteral("Version 1.05 の変更点：文字コードの自動判別を追加"),
    };
    const Encoding all[] = {Encoding::Cp932, Encoding::EucJp, Encoding::Iso2022Jp,
                            Encoding::Utf8,  Encoding::Utf16LE, Encoding::Utf16BE};
    for (const QString& t : texts)
        for (Encoding e : all)
            QTest::addRow("%s %s", qPrintable(t.left(6)), qPrintable(TextCodec::name(e))) << t << int(e);
    // Kanji pairs that read as nothing plausible: the designations decide.
    QString soup;
    for (int k = 0; k < 60; ++k)
        soup += QString::fromUtf8(iconvConvert(QByteArray(1, char(0xD0 + k % 36)) + char(0xA1 + k * 37 % 94), "UTF-8", "EUC-JP"));
    QTest::addRow("kanji soup ISO-2022-JP") << soup << int(Encoding::Iso2022Jp);
    // Codes only JIS X 0213 has: a kana with the semi-voiced mark is two
    // characters, and two kanji lie beyond the BMP.
    for (Encoding e : {Encoding::EucJisX0213, Encoding::ShiftJisX0213})
        QTest::addRow("x0213 %s", qPrintable(name(e))) << QStringLiteral("か゚とト゚、𡚴と𪎌を探す。\n") << int(e);
    // Half-width katakana exists in CP932, EUC-JP and UTF-8 only.
    for (Encoding e : {Encoding::Cp932, Encoding::EucJp, Encoding::Utf8})
        QTest::addRow("hw %s", qPrintable(TextCodec::name(e))) << QStringLiteral("ﾃﾞｰﾀﾌｧｲﾙを開く") << int(e);
}

void TestTextDetect::detectsEachEncodingOfJapaneseText()
{
    QFETCH(QString, text);
    QFETCH(int, encoding);
    const Encoding e = static_cast<Encoding>(encoding);
    const QByteArray bytes = encode(text, e);
    QVERIFY(!bytes.isEmpty());
    const TextLoad::Decoded r = TextLoad::decode(bytes);
    QCOMPARE(name(r.encoding), name(e));
    QVERIFY(!r.bom);
    QCOMPARE(r.text, text);
}

void TestTextDetect::byteOrderMarkWinsAndIsDropped()
{
    const QString text = QStringLiteral("ＢＯＭ付きのテキスト abc");
    struct Case { QByteArray bom; Encoding e; };
    const Case cases[] = {{QByteArray("\xEF\xBB\xBF"), Encoding::Utf8},
                          {QByteArray("\xFF\xFE"), Encoding::Utf16LE},
                          {QByteArray("\xFE\xFF"), Encoding::Utf16BE}};
    for (const Case& c : cases) {
        const TextLoad::Decoded r = TextLoad::decode(c.bom + encode(text, c.e));
        QCOMPARE(name(r.encoding), name(c.e));
        QVERIFY(r.bom);
        QCOMPARE(r.text, text);
    }
    // A mark alone is an empty text, and a mark followed by bytes that are not
    // valid in its encoding still decides the encoding.
    QCOMPARE(TextLoad::decode(QByteArray("\xEF\xBB\xBF")).text, QString());
    const TextLoad::Decoded bad = TextLoad::decode(QByteArray("\xEF\xBB\xBF\x82\xA0"));
    QCOMPARE(name(bad.encoding), name(Encoding::Utf8));
    QCOMPARE(bad.text, QString(QStringLiteral("\uFFFD\uFFFD")));
}

void TestTextDetect::asciiIsReadAsCp932()
{
    const QByteArray ascii("C:\\path\\to\\file.txt ~ tilde\r\n");
    const TextLoad::Decoded r = TextLoad::decode(ascii);
    QCOMPARE(name(r.encoding), name(Encoding::Cp932));
    QCOMPARE(r.text, QString::fromLatin1(ascii));
    QCOMPARE(name(TextDetect::detect(QByteArray()).encoding), name(Encoding::Cp932));
    // An escape that is no ISO-2022 designation leaves plain ASCII alone.
    QCOMPARE(name(TextDetect::detect(QByteArray("\x1B[31mred\x1B[0m")).encoding), name(Encoding::Cp932));
}

void TestTextDetect::halfWidthKatakanaAgainstEucJp()
{
    // Even runs of half-width katakana are also valid EUC-JP, and EUC-JP kana
    // are also valid CP932: the plausible reading must win both ways.
    for (const QString& hw : {QStringLiteral("ﾃﾞｽｸﾄｯﾌﾟ"), QStringLiteral("ｺﾝﾋﾟｭｰﾀ"), QStringLiteral("ﾌｧｲﾙ ﾃﾞｰﾀ"),
                              QStringLiteral("ｼｽﾃﾑ設定")}) {
        const TextLoad::Decoded r = TextLoad::decode(Cp932::encode(hw));
        QVERIFY2(r.encoding == Encoding::Cp932, qPrintable(hw));
        QCOMPARE(r.text, hw);
    }
    for (const QString& kana : {QStringLiteral("あいうえ"), QStringLiteral("ひらがな"), QStringLiteral("データ"),
                                QStringLiteral("漢字")}) {
        const TextLoad::Decoded r = TextLoad::decode(encode(kana, Encoding::EucJp));
        QCOMPARE(name(r.encoding), name(Encoding::EucJp));
        QCOMPARE(r.text, kana);
    }
}

void TestTextDetect::nulAndInvalidBytesBecomeReplacementCharacters()
{
    // NUL bytes in otherwise plain text; the load goes on behind them.
    QByteArray bin("ab\0\0cd\0", 7);
    bin += Cp932::encode(QStringLiteral("表示"));
    bin += QByteArray("\x82", 1);   // a lead byte cut off at the end
    const TextLoad::Decoded r = TextLoad::decode(bin);
    QCOMPARE(name(r.encoding), name(Encoding::Cp932));
    QCOMPARE(r.text, QString(QStringLiteral("ab\uFFFD\uFFFDcd\uFFFD表示\uFFFD")));

    // Invalid sequences in each decoder.
    QCOMPARE(TextLoad::decodeAs(Encoding::Cp932, QByteArray("\x80\xA0\xFD\x81\x20x")),
             QString(QStringLiteral("\uFFFD\uFFFD\uFFFD\uFFFD x")));
    QCOMPARE(TextLoad::decodeAs(Encoding::EucJp, QByteArray("\xA4\xA2\x8E\x20\x8F\xA1\xA4\xFF")),
             QString(QStringLiteral("あ\uFFFD \uFFFD\uFFFD")));
    QVERIFY(TextLoad::decodeAs(Encoding::Utf8, QByteArray("a\0b\xE3\x81", 5))
                .startsWith(QStringLiteral("a\uFFFDb\uFFFD")));
    // Overlong forms, encoded surrogates and values past U+10FFFF are no characters;
    // four-byte sequences become surrogate pairs.
    QCOMPARE(TextLoad::decodeAs(Encoding::Utf8, QByteArray("\xC0\x80|\xED\xA0\x80|\xF4\x90\x80\x80|\xF0\x9F\x98\x80")),
             QString(QStringLiteral("\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD\uFFFD|\U0001F600")));
    // Valid UTF-8 decodes as Qt decodes it.
    QString sample;
    for (char32_t cp : {U'a', U'\u00E9', U'\u0800', U'\u3042', U'\uFFFC', U'\U00010000', U'\U0010FFFF'})
        sample += QString::fromUcs4(&cp, 1);
    QCOMPARE(TextLoad::decodeAs(Encoding::Utf8, sample.toUtf8()), sample);
    // An unpaired surrogate, a valid pair and an odd last byte in UTF-16.
    const QByteArray u16("\x00\xD8\x41\x00\x3D\xD8\x00\xDE\x00\x00\x42", 11);
    QCOMPARE(TextLoad::decodeAs(Encoding::Utf16LE, u16),
             QString(QStringLiteral("\uFFFDA\U0001F600\uFFFD\uFFFD")));

    // Random bytes decode in every encoding without stopping, and NUL never survives.
    QRandomGenerator rng(4711);
    QByteArray noise(4096, '\0');
    for (char& c : noise) c = static_cast<char>(rng.bounded(256));
    for (Encoding e : {Encoding::Cp932, Encoding::EucJp, Encoding::Iso2022Jp, Encoding::Utf8, Encoding::Utf16LE,
                       Encoding::Utf16BE}) {
        const QString t = TextLoad::decodeAs(e, noise);
        QVERIFY(!t.isEmpty());
        QVERIFY(!t.contains(QChar(u'\0')));
    }
}

void TestTextDetect::binaryDataIsNotTakenForUtf16()
{
    // Typical binary: header, little-endian integers, runs of zeros, some text.
    QByteArray bin("\x7F" "ELF\x02\x01\x01", 7);
    QRandomGenerator rng(99);
    for (int i = 0; i < 2000; ++i) {
        quint32 v = rng.bounded(i % 3 == 0 ? 0x10000u : 0x100u);
        bin.append(reinterpret_cast<const char*>(&v), 4);
    }
    bin += QByteArray(300, '\0');
    bin += "GCC: (Debian 12.2.0) 12.2.0";
    const TextLoad::Decoded r = TextLoad::decode(bin);
    QCOMPARE(name(r.encoding), name(Encoding::Cp932));
    QVERIFY(r.text.startsWith(QStringLiteral("\x7F" "ELF")));
    QVERIFY(r.text.endsWith(QStringLiteral("12.2.0")));
}

void TestTextDetect::lineBreaksAreUnifiedAcrossBlockEdges()
{
    TextLoad::Options unify;
    unify.unifyLineBreaks = true;
    // CR LF pairs placed on every offset around the 8-byte blocks of the ASCII path.
    for (int pad = 0; pad < 10; ++pad) {
        const QByteArray bytes = QByteArray(pad, 'x') + "\r\n" + QByteArray(9, 'y') + "\r\r\n\n" + "z\r";
        const QString expected = QString(pad, u'x') + u'\n' + QString(9, u'y') + QStringLiteral("\n\n\nz\n");
        QCOMPARE(TextLoad::decodeAs(Encoding::Cp932, bytes, unify), expected);
        QCOMPARE(TextLoad::decodeAs(Encoding::EucJp, bytes, unify), expected);
        QCOMPARE(TextLoad::decodeAs(Encoding::Iso2022Jp, bytes, unify), expected);
        QCOMPARE(TextLoad::decodeAs(Encoding::Utf8, bytes, unify), expected);
        QCOMPARE(TextLoad::decodeAs(Encoding::Utf16LE, encode(QString::fromLatin1(bytes), Encoding::Utf16LE), unify),
                 expected);
        // Without the option the breaks stay as they are.
        QCOMPARE(TextLoad::decodeAs(Encoding::Cp932, bytes), QString::fromLatin1(bytes));
    }
    const QString jp = QStringLiteral("一行目\r\n二行目\r三行目\n");
    QCOMPARE(TextLoad::decode(Cp932::encode(jp), unify).text, QStringLiteral("一行目\n二行目\n三行目\n"));
}

void TestTextDetect::eucJpAgreesWithTheCLibrary()
{
    // Every kana and kanji of JIS X 0208 (rows 4-5 and 16-84) and half-width
    // katakana decode as the C library decodes them.
    QByteArray euc;
    for (int row = 0xA4; row <= 0xF4; ++row) {
        if (row > 0xA5 && row < 0xB0) continue;
        for (int cell = 0xA1; cell <= 0xFE; ++cell) {
            QByteArray ch;
            ch.append(static_cast<char>(row));
            ch.append(static_cast<char>(cell));
            if (!iconvConvert(ch, "UTF-8", "EUC-JP").isEmpty()) euc += ch;
        }
    }
    for (int k = 0xA1; k <= 0xDF; ++k) {
        euc.append('\x8E');
        euc.append(static_cast<char>(k));
    }
    QVERIFY(euc.size() > 13000);
    const QString expected = QString::fromUtf8(iconvConvert(euc, "UTF-8", "EUC-JP"));
    QCOMPARE(TextLoad::decodeAs(Encoding::EucJp, euc), expected);
    // The same characters through ISO-2022-JP.
    const QByteArray jis = iconvConvert(expected.left(expected.size() - 63).toUtf8(), "ISO-2022-JP", "UTF-8");
    QCOMPARE(TextLoad::decodeAs(Encoding::Iso2022Jp, jis), expected.left(expected.size() - 63));
    // Supplementary kanji in the three-byte form.
    const QByteArray sup("\x8F\xB0\xA1", 3);
    QCOMPARE(TextLoad::decodeAs(Encoding::EucJp, sup), QString::fromUtf8(iconvConvert(sup, "UTF-8", "EUC-JP")));
}

void TestTextDetect::iso2022JpShiftsAndDesignations()
{
    // Half-width katakana by designation, JIS X 0212, JIS Roman (yen sign and
    // overline), a line break inside a kanji run; SO, SI and a lone ESC are
    // controls and an eight-bit byte U+FFFD, as the C library reads them.
    const QByteArray bytes("\x1B$B$\"\x1B(I1\x1B(Bx\x0E\x32\x0Fy\x1B$(D0!\x1B(J!\\~\x1B%Gz\x1B$BF|\nK\\\x1B(J\xB1\x1B(B");
    const TextLoad::Decoded r = TextLoad::decode(bytes);
    QCOMPARE(name(r.encoding), name(Encoding::Iso2022Jp));
    const QString sup = TextLoad::decodeAs(Encoding::EucJp, QByteArray("\x8F\xB0\xA1", 3));
    QCOMPARE(r.text, QStringLiteral("あｱx\u000E2\u000Fy") + sup + QStringLiteral("!¥‾\u001B%Gz日\n本\uFFFD"));
    // The planes of JIS X 0213, as its own member of the family writes them.
    const QString x0213 = QStringLiteral("か\u309Aト\u309A𡚴𪎌");
    const TextLoad::Decoded j3 = TextLoad::decode(iconvConvert(x0213.toUtf8(), "ISO-2022-JP-3", "UTF-8"));
    QCOMPARE(name(j3.encoding), name(Encoding::Iso2022Jp));
    QCOMPARE(j3.text, x0213);
}

void TestTextDetect::largeDataIsSampledThroughout()
{
    // 200 KB of ASCII and then Japanese: the sample must not stop at the head.
    const QByteArray head = QByteArray("plain ascii line\r\n").repeated(12000);
    const QString tail = QStringLiteral("ここから日本語の行が続きます。\r\n").repeated(20);
    for (Encoding e : {Encoding::Utf8, Encoding::EucJp, Encoding::Cp932}) {
        const QByteArray bytes = head + encode(tail, e);
        const TextLoad::Decoded r = TextLoad::decode(bytes);
        QCOMPARE(name(r.encoding), name(e));
        QCOMPARE(r.text.size(), head.size() + tail.size());
        QVERIFY(r.text.endsWith(tail));
    }
    // A long EUC-JP text with only a few characters that CP932 cannot read.
    const QString body = QStringLiteral("ﾃﾞｰﾀ を よみこみます あいうえお かきくけこ\n").repeated(4000);
    const QByteArray euc = encode(body, Encoding::EucJp);
    QCOMPARE(name(TextDetect::detect(euc).encoding), name(Encoding::EucJp));
}

QTEST_MAIN(TestTextDetect)
#include "tst_textdetect.moc"
