// How a file's name reads when its bytes are not UTF-8.
#include "FsPath.h"
#include "ShownName.h"

#include <QTest>

class TestShownName : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsAsTheUserExpects_data();
    void readsAsTheUserExpects();
};

void TestShownName::readsAsTheUserExpects_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("stray");
    // UTF-8 names are shown as they are, also those whose bytes happen to be
    // valid Shift-JIS as well ("ソ" in UTF-8 is E3 82 BD: a double-byte
    // character and a half-width one).
    QTest::newRow("ascii") << QByteArray("readme.txt") << QStringLiteral("readme.txt") << false;
    QTest::newRow("utf-8 that is also cp932") << QStringLiteral("ソ.txt").toUtf8() << QStringLiteral("ソ.txt") << false;
    QTest::newRow("utf-8 japanese") << QStringLiteral("日本語のメモ.txt").toUtf8() << QStringLiteral("日本語のメモ.txt")
                                    << false;
    QTest::newRow("empty") << QByteArray() << QString() << false;
    // Shift-JIS names are read as such, whole: also the bytes that on their own
    // would have been UTF-8 or ASCII (the second byte of "ソ" is "\").
    QTest::newRow("sjis with 5C") << QByteArray("sjis_\x83\x5c.txt") << QStringLiteral("sjis_ソ.txt") << true;
    QTest::newRow("sjis half-width kana") << QByteArray("\xc3\xde\xbd\xb8\xc4\xaf\xcc\xdf")
                                          << QStringLiteral("ﾃﾞｽｸﾄｯﾌﾟ") << true;
    QTest::newRow("sjis kanji") << QByteArray("\x93\xfa\x96\x7b.txt") << QStringLiteral("日本.txt") << true;
    // Neither: each stray byte shows as a replacement character, the UTF-8
    // around it as it is.
    QTest::newRow("lead byte at the end") << QByteArray("odd_\x82") << QStringLiteral("odd_\uFFFD") << true;
    QTest::newRow("lead byte before a dot") << QByteArray("odd_\x82.txt") << QStringLiteral("odd_\uFFFD.txt") << true;
    QTest::newRow("lead byte before a blank") << QByteArray("a\x81 b") << QStringLiteral("a\uFFFD b") << true;
    QTest::newRow("utf-8 and a stray byte") << QStringLiteral("日本").toUtf8() + QByteArray("\x82.txt")
                                            << QStringLiteral("日本\uFFFD.txt") << true;
    QTest::newRow("undefined double byte") << QByteArray("\xfc\xfc") << QStringLiteral("\uFFFD\uFFFD") << true;
}

void TestShownName::readsAsTheUserExpects()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, shown);
    QFETCH(bool, stray);
    const QString name = FsPath::decodeName(raw);
    QCOMPARE(ShownName::hasStrayBytes(name), stray);
    QCOMPARE(ShownName::of(name), shown);
    // Showing it never touches the name itself.
    QCOMPARE(FsPath::encodeName(name), raw);
}

QTEST_GUILESS_MAIN(TestShownName)
#include "tst_shownname.moc"
