// Conversion of the Ver1.02 settings files.
#include "AppSlots.h"
#include "LineBuffer.h"
#include "OldSettings.h"
#include "CoreSupport.h"
#include "VarError.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QtTest>

#include <sys/stat.h>

namespace {
const QString kFree = QStringLiteral("（未登録）");

QByteArray bmpBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    QImageWriter(&buf, "bmp").write(image);
    return bytes;
}

// Old icons of the depths and sizes Ver1.02 left behind.
QImage oldIcon(int n)
{
    switch (n) {
    case 1: {   // 8-bit palette, 16 x 16
        QImage img(16, 16, QImage::Format_Indexed8);
        img.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
        img.fill(0);
        img.setPixel(3, 4, 1);
        return img;
    }
    case 2: {   // monochrome, 17 x 17
        QImage img(17, 17, QImage::Format_Mono);
        img.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        img.fill(1);
        img.setPixel(0, 0, 0);
        return img;
    }
    default: {  // 32-bit, 20 x 18
        QImage img(20, 18, QImage::Format_RGB32);
        img.fill(QColor(10, 200, 30));
        img.setPixel(19, 17, qRgb(1, 2, 3));
        return img;
    }
    }
}

void writeOldIcons(TempFolder& t)
{
    for (int n = 1; n <= 3; ++n) t.writeFile(OldSettings::oldIconFile(n), bmpBytes(oldIcon(n)));
}

bool samePixels(const QImage& a, const QImage& b)
{
    return a.size() == b.size()
        && a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

const QStringList kOldItems = {QStringLiteral("エディタ"), QStringLiteral("/usr/bin/ed"), QStringLiteral("-x ｶﾅ"),
                               kFree, QString(), QString(),
                               QStringLiteral("表示"), QStringLiteral("/opt/表示/view"), QString()};
} // namespace

class TestOldSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void mappingOfLines()
    {
        QStringList items = OldSettings::appItemLines(kOldItems);
        QCOMPARE(items.size(), 15);
        QCOMPARE(items.mid(0, 9), kOldItems);
        QCOMPARE(items.mid(9), (QStringList{kFree, QString(), QString(), kFree, QString(), QString()}));

        // The old lines are not counted: whatever their number, the six lines follow the last one.
        QCOMPARE(OldSettings::appItemLines({}).size(), 6);
        QCOMPARE(OldSettings::appItemLines({QStringLiteral("a")}).first(), QStringLiteral("a"));

        const QStringList nine = {QStringLiteral("107"), QStringLiteral("200"), QStringLiteral("640"),
                                  QStringLiteral("480"), QStringLiteral("0"), QStringLiteral("ＭＳ ゴシック"),
                                  QStringLiteral("10"), QStringLiteral("-2147483640"), QStringLiteral("$FF")};
        QStringList main = OldSettings::mainSettingsLines(nine);
        QCOMPARE(main.size(), 13);
        QCOMPARE(main.first(), QStringLiteral("Vardolin Ver 1.05"));
        QCOMPARE(main.mid(1, 9), nine);
        QCOMPARE(main.mid(10), (QStringList{QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("88")}));

        QCOMPARE(OldSettings::mainSettingsLines({}),
                 (QStringList{QStringLiteral("Vardolin Ver 1.05"), QStringLiteral("1"), QStringLiteral("1"),
                              QStringLiteral("88")}));
        QStringList eleven = nine;
        eleven << QStringLiteral(" x ") << QString();
        main = OldSettings::mainSettingsLines(eleven);
        QCOMPARE(main.size(), 15);
        QCOMPARE(main.mid(1, 11), eleven);
        QCOMPARE(main.last(), QStringLiteral("88"));
    }

    void fullConversionWritesNewFilesAndKeepsOthers()
    {
        TempFolder t;
        t.writeLines(OldSettings::oldItemsFile(), kOldItems);
        writeOldIcons(t);
        const QByteArray icon4 = t.readFile(QStringLiteral("IconImg4.bmp"));
        const QByteArray icon5 = t.readFile(QStringLiteral("IconImg5.bmp"));
        const QByteArray ext = t.readFile(QStringLiteral("exitem.cfg"));
        QVERIFY(!icon4.isEmpty());

        LineBuffer buffer;
        std::array<QImage, 3> images;
        QCOMPARE(OldSettings::convertApps(t.settingsDir(), false, buffer, images),
                 OldSettings::AppsResult::Converted);

        QCOMPARE(t.readFile(QStringLiteral("appitems.cfg")), crlf(OldSettings::appItemLines(kOldItems)));
        for (int n = 1; n <= 3; ++n) {
            const QString written = t.path(AppSlots::iconFile(n));
            QVERIFY(t.readFile(AppSlots::iconFile(n)).startsWith("BM"));
            QVERIFY2(samePixels(AppSlots::loadBitmap(written), oldIcon(n)), qPrintable(written));
        }
        QCOMPARE(t.readFile(QStringLiteral("IconImg4.bmp")), icon4);
        QCOMPARE(t.readFile(QStringLiteral("IconImg5.bmp")), icon5);
        QCOMPARE(t.readFile(QStringLiteral("exitem.cfg")), ext);
        QVERIFY(QFile::exists(t.path(QStringLiteral("appitem.cfg"))));
        for (int n = 1; n <= 3; ++n) QVERIFY(QFile::exists(t.path(OldSettings::oldIconFile(n))));
        const QByteArray items = t.readFile(QStringLiteral("appitems.cfg"));

        // Ticked: the old files go once the new ones are there.
        QCOMPARE(OldSettings::convertApps(t.settingsDir(), true, buffer, images),
                 OldSettings::AppsResult::Converted);
        QVERIFY(!QFile::exists(t.path(QStringLiteral("appitem.cfg"))));
        for (int n = 1; n <= 3; ++n) QVERIFY(!QFile::exists(t.path(OldSettings::oldIconFile(n))));
        QCOMPARE(t.readFile(QStringLiteral("appitems.cfg")), items);
    }

    void oldLinesAreCopiedAsTheyStand()
    {
        // Lone CR and LF end lines too; blanks and a missing final line end stay as they are.
        TempFolder t;
        t.writeFile(OldSettings::oldItemsFile(), QByteArray("  a \rb\n\x95\\\r\nlast"));
        LineBuffer buffer;
        std::array<QImage, 3> images;
        QCOMPARE(OldSettings::convertApps(t.settingsDir(), false, buffer, images),
                 OldSettings::AppsResult::ImagesMissing);
        QByteArray expected("  a \r\nb\r\n\x95\\\r\nlast\r\n");
        expected += crlf({kFree, QString(), QString(), kFree, QString(), QString()});
        QCOMPARE(t.readFile(QStringLiteral("appitems.cfg")), expected);
    }

    void oddBytesAreCopiedAsTheyStand()
    {
        // Bytes that are no CP932 character and characters with several codes
        // reach the new files exactly; an old UTF-8 file gives a UTF-8 one.
        TempFolder t;
        LineBuffer a, b;
        std::array<QImage, 3> images;
        const QByteArray oldItems("\xED\x40\xED\x41\r\n/opt/\xA0\x83\x5C/x\r\n\x87\x90\xEE\xF9 \x81");
        t.writeFile(OldSettings::oldItemsFile(), oldItems);
        QCOMPARE(OldSettings::convertApps(t.settingsDir(), false, a, images), OldSettings::AppsResult::ImagesMissing);
        QCOMPARE(t.readFile(QStringLiteral("appitems.cfg")),
                 oldItems + "\r\n" + crlf({kFree, QString(), QString(), kFree, QString(), QString()}));

        const QByteArray oldMain("10\r\n20\r\n\xED\x40\x87\x90 \xFF\r\n");
        t.writeFile(OldSettings::oldMainFile(), oldMain);
        QCOMPARE(OldSettings::convertMainSettings(t.settingsDir(), false, a, b), OldSettings::MainResult::Converted);
        QCOMPARE(t.readFile(QStringLiteral("appcfgs.cfg")), "Vardolin Ver 1.05\r\n" + oldMain + "1\r\n1\r\n88\r\n");

        const QByteArray bom("\xEF\xBB\xBF");
        t.writeFile(OldSettings::oldMainFile(), bom + "\xC3\xBC \xFF\r\n");
        QCOMPARE(OldSettings::convertMainSettings(t.settingsDir(), false, a, b), OldSettings::MainResult::Converted);
        QCOMPARE(t.readFile(QStringLiteral("appcfgs.cfg")), bom + "Vardolin Ver 1.05\r\n\xC3\xBC \xFF\r\n1\r\n1\r\n88\r\n");
        t.writeFile(OldSettings::oldItemsFile(), bom + "\xC3\xBC\r\n");
        QCOMPARE(OldSettings::convertApps(t.settingsDir(), false, a, images), OldSettings::AppsResult::ImagesMissing);
        QByteArray free;
        for (int slot = 4; slot <= 5; ++slot) free += kFree.toUtf8() + "\r\n\r\n\r\n";
        QCOMPARE(t.readFile(QStringLiteral("appitems.cfg")), bom + "\xC3\xBC\r\n" + free);
    }

    // Old files the old version cannot have written are refused before
    // anything is written or deleted; bytes that are no CP932 character are
    // not by themselves a reason.
    void implausibleOldFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");   // empty: any reason
        QByteArray random(4096, Qt::Uninitialized);
        quint32 seed = 14;
        for (char& c : random) c = char((seed = seed * 1103515245u + 12345u) >> 24);
        QTest::newRow("random bytes") << random << QString();
        QTest::newRow("NUL") << QByteArray("a\r\nb\0c\r\n", 8) << QStringLiteral("2 行目に制御文字 (0x00) があります。");
        QTest::newRow("escape") << QByteArray("a\r\n\x1B[0m\r\n") << QStringLiteral("2 行目に制御文字 (0x1B) があります。");
        QTest::newRow("delete") << QByteArray("a\x7F\r\n") << QStringLiteral("1 行目に制御文字 (0x7F) があります。");
        QTest::newRow("lone CR and LF count as line ends") << QByteArray("a\rb\nc\r\n\x01")
                                                           << QStringLiteral("4 行目に制御文字 (0x01) があります。");
        QByteArray many;
        for (int i = 0; i <= OldSettings::MaxOldLines; ++i) many += QByteArray::number(i) + "\r\n";
        QTest::newRow("more lines than any old file") << many << QStringLiteral("行が多すぎます（64 行を超えています）。");
        QTest::newRow("line of 4097 bytes") << QByteArray(4097, 'x')
                                            << QStringLiteral("1 行目が長すぎます（4096 バイトを超えています）。");
        QTest::newRow("UTF-8 line of 4097 bytes") << "\xEF\xBB\xBF" + QByteArray(4097, 'x')
                                                  << QStringLiteral("1 行目が長すぎます（4096 バイトを超えています）。");
        QTest::newRow("far too long") << QByteArray(2 * 1024 * 1024, 'x').replace(1000, 1, "\n")
                                      << QStringLiteral("ファイルが大きすぎます（262275 バイトを超えています）。");
    }
    void implausibleOldFilesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QVERIFY(!OldSettings::plausibleOldFile(bytes));
        TempFolder t;
        t.writeFile(OldSettings::oldItemsFile(), bytes);
        t.writeFile(OldSettings::oldMainFile(), bytes);
        writeOldIcons(t);
        const QByteArray items = t.readFile(QStringLiteral("appitems.cfg"));
        const QByteArray main = t.readFile(QStringLiteral("appcfgs.cfg"));
        const QByteArray icon1 = t.readFile(AppSlots::iconFile(1));
        LineBuffer a, b;
        std::array<QImage, 3> images;
        OldSettings::Fault appsFault, mainFault;
        QCOMPARE(OldSettings::convertApps(t.settingsDir(), true, a, images, &appsFault),
                 OldSettings::AppsResult::ItemsImplausible);
        QCOMPARE(OldSettings::convertMainSettings(t.settingsDir(), true, a, b, &mainFault),
                 OldSettings::MainResult::Implausible);
        for (const auto& fault : {appsFault, mainFault}) {
            const QString said = OldSettings::faultText(fault);
            if (reason.isEmpty()) QVERIFY(!said.isEmpty());
            else QCOMPARE(said, reason);
        }
        QCOMPARE(t.readFile(QStringLiteral("appitems.cfg")), items);
        QCOMPARE(t.readFile(QStringLiteral("appcfgs.cfg")), main);
        QCOMPARE(t.readFile(AppSlots::iconFile(1)), icon1);
        for (const QString& old : {OldSettings::oldItemsFile(), OldSettings::oldMainFile(), OldSettings::oldIconFile(1)})
            QCOMPARE(t.readFile(old).size() > 0, true);
        QCOMPARE(t.readFile(OldSettings::oldItemsFile()), bytes);
    }

    void fullOldFilesAreConverted()
    {
        // Nine lines, one of them 4096 bytes, with a tab, bytes that are no
        // character and a lead byte at the very end: all of it reaches the new
        // file, and only then does the old one go.
        QByteArray bytes;
        for (int i = 0; i < 8; ++i) bytes += "line\t" + QByteArray::number(i) + " \x80\xA0\xFD\r\n";
        bytes += QByteArray(4095, 'y') + "\x81";
        QVERIFY(OldSettings::plausibleOldFile(bytes));
        TempFolder t;
        t.writeFile(OldSettings::oldItemsFile(), bytes);
        t.writeFile(OldSettings::oldMainFile(), bytes);
        LineBuffer a, b;
        std::array<QImage, 3> images;
        QCOMPARE(OldSettings::convertApps(t.settingsDir(), true, a, images), OldSettings::AppsResult::ImagesMissing);
        QCOMPARE(t.readFile(QStringLiteral("appitems.cfg")),
                 bytes + "\r\n" + crlf({kFree, QString(), QString(), kFree, QString(), QString()}));
        QCOMPARE(OldSettings::convertMainSettings(t.settingsDir(), true, a, b), OldSettings::MainResult::Converted);
        QCOMPARE(t.readFile(QStringLiteral("appcfgs.cfg")), "Vardolin Ver 1.05\r\n" + bytes + "\r\n1\r\n1\r\n88\r\n");
        QVERIFY(!QFile::exists(t.path(OldSettings::oldItemsFile())));
        QVERIFY(!QFile::exists(t.path(OldSettings::oldMainFile())));
    }

    // The check made before an old file is deleted: every copied line back
    // with its bytes, and nothing more or less.
    void lossIsNoticed()
    {
        LineBuffer written;
        written.append(QStringLiteral("Vardolin Ver 1.05"));
        written.appendBytes("\x87\x90\xA0");
        written.appendBytes("two");
        written.append(QStringLiteral("1"));
        const QByteArray good = written.toBytes();
        QVERIFY(OldSettings::copiedWhole(written, 1, 2, good));
        QByteArray changed = good;
        changed.replace("\x87\x90", "\x81\xE0");   // the same sign, other bytes
        QVERIFY(!OldSettings::copiedWhole(written, 1, 2, changed));
        QVERIFY(!OldSettings::copiedWhole(written, 1, 2, good.left(good.size() - 3)));
        QVERIFY(!OldSettings::copiedWhole(written, 1, 2, good + "more\r\n"));
        QVERIFY(!OldSettings::copiedWhole(written, 1, 2, "\xEF\xBB\xBF" + good));
        // Lines that were not copied may be written in another form.
        QVERIFY(OldSettings::copiedWhole(written, 1, 2, QByteArray(good).replace("Vardolin", "V")));
    }

    void missingOldFilesWriteNothingOfTheirOwn()
    {
        TempFolder t;
        const QByteArray items = t.readFile(QStringLiteral("appitems.cfg"));
        const QByteArray icon1 = t.readFile(QStringLiteral("IconImg1.bmp"));
        const QByteArray cfg = t.readFile(QStringLiteral("appcfgs.cfg"));
        LineBuffer a, b;
        std::array<QImage, 3> images;

        // A folder or a FIFO of the old name is not the old file.
        QVERIFY(QDir(t.dir.path()).mkdir(QStringLiteral("appitem.cfg")));
        writeOldIcons(t);
        QCOMPARE(OldSettings::convertApps(t.settingsDir(), true, a, images),
                 OldSettings::AppsResult::ItemsMissing);
        QCOMPARE(t.readFile(QStringLiteral("appitems.cfg")), items);
        QCOMPARE(t.readFile(QStringLiteral("IconImg1.bmp")), icon1);
        QVERIFY(QFile::exists(t.path(QStringLiteral("gitem1.bmp"))));

        QVERIFY(::mkfifo(QFile::encodeName(t.path(QStringLiteral("appcfg.cfg"))).constData(), 0600) == 0);
        QCOMPARE(OldSettings::convertMainSettings(t.settingsDir(), true, a, b), OldSettings::MainResult::Missing);
        QCOMPARE(t.readFile(QStringLiteral("appcfgs.cfg")), cfg);
    }

    void unwritableNewFileKeepsTheOldOne()
    {
        TempFolder t;
        t.writeLines(OldSettings::oldItemsFile(), kOldItems);
        t.writeLines(OldSettings::oldMainFile(), {QStringLiteral("1")});
        QFile::remove(t.path(QStringLiteral("appitems.cfg")));
        QFile::remove(t.path(QStringLiteral("appcfgs.cfg")));
        // A folder in the way of the new file makes it unwritable, even for root.
        QVERIFY(QDir(t.dir.path()).mkdir(QStringLiteral("appitems.cfg")));
        QVERIFY(QDir(t.dir.path()).mkdir(QStringLiteral("appcfgs.cfg")));
        LineBuffer a, b;
        std::array<QImage, 3> images;
        QVERIFY_THROWS_EXCEPTION(VarError, OldSettings::convertApps(t.settingsDir(), true, a, images));
        QVERIFY_THROWS_EXCEPTION(VarError, OldSettings::convertMainSettings(t.settingsDir(), true, a, b));
        QVERIFY(QFile::exists(t.path(QStringLiteral("appitem.cfg"))));
        QVERIFY(QFile::exists(t.path(QStringLiteral("appcfg.cfg"))));
    }

};

QTEST_MAIN(TestOldSettings)
#include "tst_oldsettings.moc"
