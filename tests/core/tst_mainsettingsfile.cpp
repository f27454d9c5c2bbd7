// The main settings file as a model: what a reading sets, how far a damaged
// file gets, and the bytes the writer produces.
#include "CoreSupport.h"
#include "MainSettings.h"
#include "VarError.h"

#include <QtTest>

namespace {
QStringList standardLines()
{
    return {"Vardolin Ver 1.05", "150", "120", "700", "500", "0", "ＭＳ ゴシック", "11",
            "-2147483640", "12632256", "0", "1", "140"};
}

QString readError(const QString& path, MainSettings::Read* read)
{
    try {
        MainSettings::load(path, read);
    } catch (const VarError& e) {
        return e.message();
    }
    return QString();
}
} // namespace

class TestMainSettingsFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsEveryValue()
    {
        TempFolder t(false);
        QStringList lines = standardLines();
        lines[8] = "$80000008";
        lines[9] = " $FF";
        lines << "extra line that is never read";
        t.writeLines("appcfgs.cfg", lines);
        MainSettings::Read r;
        QVERIFY(MainSettings::load(t.path("appcfgs.cfg"), &r));
        QCOMPARE(r.bounds->left, 120);
        QCOMPARE(r.bounds->top, 150);
        QCOMPARE(r.bounds->width, 700);
        QCOMPARE(r.bounds->height, 500);
        QCOMPARE(*r.wordWrap, true);
        QCOMPARE(*r.fontFace, QStringLiteral("ＭＳ ゴシック"));
        QCOMPARE(*r.fontSize, 11);
        QCOMPARE(*r.textColor, -2147483640);
        QCOMPARE(*r.fillColor, 255);
        QCOMPARE(*r.directEnabled, true);
        QCOMPARE(*r.directOn, false);
        QCOMPARE(*r.listWidth, 140);
    }

    // Flags are text, word wrap and sizes are integers, font sizes are kept
    // within what a font can have.
    void valueRules_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("wrap 2 is off") << 5 << "2" << QVariant(false);
        QTest::newRow("wrap -0 is on") << 5 << "-0" << QVariant(true);
        QTest::newRow("enabled ' 0' is not 0") << 10 << " 0" << QVariant(false);
        QTest::newRow("enabled 00 is not 0") << 10 << "00" << QVariant(false);
        QTest::newRow("on 0") << 11 << "0" << QVariant(true);
        QTest::newRow("size too large") << 7 << "2147483647" << QVariant(1638);
        QTest::newRow("size too small") << 7 << "$80000000" << QVariant(-1638);
        QTest::newRow("size in pixels") << 7 << "-16" << QVariant(-16);
        QTest::newRow("empty face") << 6 << "" << QVariant(QString());
    }
    void valueRules()
    {
        QFETCH(int, line);
        QFETCH(QString, text);
        QFETCH(QVariant, value);
        TempFolder t(false);
        QStringList lines = standardLines();
        lines[line] = text;
        t.writeLines("appcfgs.cfg", lines);
        MainSettings::Read r;
        QVERIFY(MainSettings::load(t.path("appcfgs.cfg"), &r));
        QVariant got;
        switch (line) {
        case 5: got = *r.wordWrap; break;
        case 6: got = *r.fontFace; break;
        case 7: got = *r.fontSize; break;
        case 10: got = *r.directEnabled; break;
        case 11: got = *r.directOn; break;
        }
        QCOMPARE(got, value);
    }

    void otherHeaderSetsNothing()
    {
        TempFolder t(false);
        QStringList lines = standardLines();
        lines[0] = "Vardolin Ver 1.05 ";
        t.writeLines("appcfgs.cfg", lines);
        MainSettings::Read r;
        r.listWidth = 5;   // from an earlier reading: cleared
        QVERIFY(!MainSettings::load(t.path("appcfgs.cfg"), &r));
        QVERIFY(!r.bounds && !r.wordWrap && !r.fontFace && !r.listWidth && !r.directOn);
    }

    // A damaged line ends the reading there; what came before it is set.
    void damagedFileStopsAtTheBadLine()
    {
        TempFolder t(false);
        MainSettings::Read r;
        QCOMPARE(readError(t.path("appcfgs.cfg"), &r),
                 VarError::cannotOpen(t.path("appcfgs.cfg")).message());
        QVERIFY(!r.bounds);

        // Twelve lines: everything but the list width.
        t.writeLines("appcfgs.cfg", standardLines().mid(0, 12));
        QCOMPARE(readError(t.path("appcfgs.cfg"), &r), QStringLiteral("'' は整数ではありません"));
        QVERIFY(r.bounds && r.directOn && !r.listWidth);

        // Ten lines: both flags read as empty text, so not "0".
        t.writeLines("appcfgs.cfg", standardLines().mid(0, 10));
        QCOMPARE(readError(t.path("appcfgs.cfg"), &r), QStringLiteral("'' は整数ではありません"));
        QCOMPARE(*r.directEnabled, false);
        QCOMPARE(*r.directOn, false);

        // The text colour is taken before a bad background colour stops it.
        QStringList lines = standardLines();
        lines[9] = "white";
        t.writeLines("appcfgs.cfg", lines);
        QCOMPARE(readError(t.path("appcfgs.cfg"), &r), QStringLiteral("'white' は整数ではありません"));
        QCOMPARE(*r.textColor, -2147483640);
        QVERIFY(!r.fillColor);

        // The bounds are one step, their width and height converted first.
        lines = standardLines();
        lines[1] = "top";
        lines[4] = "height";
        t.writeLines("appcfgs.cfg", lines);
        QCOMPARE(readError(t.path("appcfgs.cfg"), &r), QStringLiteral("'height' は整数ではありません"));
        QVERIFY(!r.bounds);
    }

    void writesThirteenLinesInDecimal()
    {
        TempFolder t(false);
        MainSettings::Values v;
        v.bounds = {-3000, 2147483647, 330, 136};
        v.wordWrap = false;
        v.fontFace = QStringLiteral("ＭＳ Ｐゴシック");
        v.fontSize = 9;
        v.textColor = -2147483640;
        v.fillColor = 0xFFFFFF;
        v.directEnabled = true;
        v.directOn = false;
        v.listWidth = 88;
        MainSettings::save(t.path("appcfgs.cfg"), v);
        QCOMPARE(t.readFile("appcfgs.cfg"),
                 crlf({"Vardolin Ver 1.05", "2147483647", "-3000", "330", "136", "1", "ＭＳ Ｐゴシック", "9",
                       "-2147483640", "16777215", "0", "1", "88"}));
    }

    // Lines read and written again unchanged keep their bytes, also those
    // that would not encode back the same.
    void roundTripKeepsTheBytes()
    {
        TempFolder t(false);
        QByteArray bytes = crlf(standardLines());
        bytes.replace(QByteArray("\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e"), "\xED\x40\xED\x41 \x87\x90");
        t.writeFile("appcfgs.cfg", bytes);
        MainSettings::Read r;
        QVERIFY(MainSettings::load(t.path("appcfgs.cfg"), &r));
        MainSettings::Values v;
        v.bounds = *r.bounds;
        v.wordWrap = *r.wordWrap;
        v.fontFace = *r.fontFace;
        v.fontSize = *r.fontSize;
        v.textColor = *r.textColor;
        v.fillColor = *r.fillColor;
        v.directEnabled = *r.directEnabled;
        v.directOn = *r.directOn;
        v.listWidth = *r.listWidth;
        MainSettings::save(t.path("appcfgs.cfg"), v);
        QCOMPARE(t.readFile("appcfgs.cfg"), bytes);

        // A folder that cannot be written: the create error.
        try {
            MainSettings::save(t.path("missing/appcfgs.cfg"), v);
            QFAIL("no error");
        } catch (const VarError& e) {
            QCOMPARE(e.message(), VarError::cannotCreate(t.path("missing/appcfgs.cfg")).message());
        }
    }
};

QTEST_MAIN(TestMainSettingsFile)
#include "tst_mainsettingsfile.moc"
