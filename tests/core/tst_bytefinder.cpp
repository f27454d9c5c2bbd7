// The byte search a find runs over raw file bytes must find exactly what the
// C library's general search finds, whichever byte of the needle it looks for
// first and when it gives up on that byte as too common.
#include "ByteFinder.h"

#include <QRandomGenerator>
#include <QTest>

#include <cstring>

class TestByteFinder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void agreesWithTheGeneralSearch_data()
    {
        QTest::addColumn<QByteArray>("alphabet");
        QTest::addColumn<int>("maxNeedle");
        // Japanese CP932 bytes with a rare capital: memchr on the capital.
        QTest::newRow("kana and a capital") << QByteArray("\x82\xA0\x82\xA2\x83\x41Z\r\n") << 6;
        // Only common bytes: candidates everywhere, so the fallback is taken.
        QTest::newRow("common bytes only") << QByteArray("\x82\x81 ") << 4;
        QTest::newRow("two letters") << QByteArray("ab") << 9;
        QTest::newRow("one byte needles") << QByteArray("\x82xQ\n") << 1;
    }

    void agreesWithTheGeneralSearch()
    {
        QFETCH(QByteArray, alphabet);
        QFETCH(int, maxNeedle);
        QRandomGenerator rng(7);
        auto draw = [&](int n) {
            QByteArray s(n, '\0');
            for (char& c : s) c = alphabet[rng.bounded(int(alphabet.size()))];
            return s;
        };
        for (int round = 0; round < 3000; ++round) {
            const QByteArray hay = draw(rng.bounded(400));
            const QByteArray needle = draw(1 + rng.bounded(maxNeedle));
            const ByteFinder finder(needle);
            const void* want = memmem(hay.constData(), size_t(hay.size()), needle.constData(), size_t(needle.size()));
            const char* got = finder.find(hay.constData(), size_t(hay.size()));
            QCOMPARE(static_cast<const void*>(got), want);
        }
    }

    void edges()
    {
        const QByteArray hay("Z..........Z");
        QCOMPARE(ByteFinder(QByteArray("Z")).find(hay.constData(), size_t(hay.size())), hay.constData());
        QCOMPARE(ByteFinder(QByteArray(".Z")).find(hay.constData(), size_t(hay.size())), hay.constData() + 10);
        QCOMPARE(ByteFinder(QByteArray("ZZ")).find(hay.constData(), size_t(hay.size())), nullptr);
        QCOMPARE(ByteFinder(hay + "!").find(hay.constData(), size_t(hay.size())), nullptr); // longer than the bytes
        // The rarest byte is the one looked for: the capital, not the kana.
        QCOMPARE(ByteFinder(QByteArray("\x82\xA0X\x82\xA2")).pivot(), size_t(2));
    }
};

QTEST_APPLESS_MAIN(TestByteFinder)
#include "tst_bytefinder.moc"
