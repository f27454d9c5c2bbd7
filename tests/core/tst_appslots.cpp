#include "AppSlots.h"
#include "LineBuffer.h"
#include "TColor.h"
#include "CoreSupport.h"
#include "VarError.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QTest>

#include <functional>

namespace {

// Builds a BMP file by hand, so that the reader is tried on layouts that the
// toolkit's own writer never produces.
struct BmpLayout {
    int width = 17;
    int height = 17;
    int bpp = 24;
    bool topDown = false;
    bool rle8 = false;
    bool coreHeader = false;   // the old 12-byte header with 3-byte palette entries
};

void put16(QByteArray& b, int v)
{
    char c[2];
    qToLittleEndian<quint16>(quint16(v), c);
    b.append(c, 2);
}
void put32(QByteArray& b, qint64 v)
{
    char c[4];
    qToLittleEndian<quint32>(quint32(v), c);
    b.append(c, 4);
}

QRgb paletteEntry(int i) { return qRgb((i * 37 + 11) % 256, (i * 91 + 3) % 256, (i * 53 + 200) % 256); }
int paletteIndex(int x, int y, int bpp) { return (x * 3 + y) % (1 << bpp); }

// The colour the reader must give for a pixel of a file made by makeBmp.
QRgb expectedPixel(const BmpLayout& s, int x, int y)
{
    if (s.bpp <= 8) return paletteEntry(paletteIndex(x, y, s.bpp));
    if (s.bpp == 16) return qRgb((x & 1) ? 255 : 0, (y & 1) ? 255 : 0, ((x + y) % 3 == 0) ? 255 : 0);
    return qRgb(x * 15 % 256, y * 15 % 256, (x + y) * 7 % 256);
}

// Five-bit channels widen by a shift, so full intensity may read as 0xF8.
bool samePixel(QRgb got, QRgb want, int tolerance)
{
    return std::abs(qRed(got) - qRed(want)) <= tolerance && std::abs(qGreen(got) - qGreen(want)) <= tolerance
           && std::abs(qBlue(got) - qBlue(want)) <= tolerance;
}

QByteArray makeBmp(const BmpLayout& s)
{
    QByteArray palette;
    if (s.bpp <= 8) {
        for (int i = 0; i < (1 << s.bpp); ++i) {
            const QRgb c = paletteEntry(i);
            palette.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
            if (!s.coreHeader) palette.append('\0');
        }
    }
    QByteArray pixels;
    const int stride = ((s.width * s.bpp + 31) / 32) * 4;
    for (int row = 0; row < s.height; ++row) {
        const int y = s.topDown ? row : s.height - 1 - row;
        if (s.rle8) {
            for (int x = 0; x < s.width; ++x) pixels.append('\1').append(char(paletteIndex(x, y, 8)));
            pixels.append('\0').append('\0');
            continue;
        }
        QByteArray line(stride, '\0');
        for (int x = 0; x < s.width; ++x) {
            if (s.bpp <= 8) {
                const int bit = x * s.bpp;
                line[bit / 8] = char(uchar(line[bit / 8]) | (paletteIndex(x, y, s.bpp) << (8 - s.bpp - bit % 8)));
            } else if (s.bpp == 16) {
                const int v = ((x & 1) ? 31 << 10 : 0) | ((y & 1) ? 31 << 5 : 0) | (((x + y) % 3 == 0) ? 31 : 0);
                line[x * 2] = char(v & 0xFF);
                line[x * 2 + 1] = char(v >> 8);
            } else {
                const QRgb c = expectedPixel(s, x, y);
                const int at = x * (s.bpp / 8);
                line[at] = char(qBlue(c));
                line[at + 1] = char(qGreen(c));
                line[at + 2] = char(qRed(c));
            }
        }
        pixels += line;
    }
    if (s.rle8) pixels.append('\0').append('\1');

    QByteArray info;
    if (s.coreHeader) {
        put32(info, 12);
        put16(info, s.width);
        put16(info, s.height);
        put16(info, 1);
        put16(info, s.bpp);
    } else {
        put32(info, 40);
        put32(info, s.width);
        put32(info, s.topDown ? -s.height : s.height);
        put16(info, 1);
        put16(info, s.bpp);
        put32(info, s.rle8 ? 1 : 0);
        put32(info, pixels.size());
        put32(info, 2835);
        put32(info, 2835);
        put32(info, 0);
        put32(info, 0);
    }
    const int offset = 14 + int(info.size()) + int(palette.size());
    QByteArray file("BM");
    put32(file, offset + pixels.size());
    put32(file, 0);
    put32(file, offset);
    return file + info + palette + pixels;
}

QStringList fileLines(const QByteArray& bytes)
{
    LineBuffer b;
    b.loadBytes(bytes);
    return b.lines();
}

} // namespace

class TestAppSlots : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bitmapsOfEveryDepthLoad_data();
    void bitmapsOfEveryDepthLoad();
    void badBitmapsGiveAnError_data();
    void badBitmapsGiveAnError();
    void saveWritesFifteenLinesAndFiveIcons();
    void saveAfterResettingEveryRow();
    void saveStopsAtTheFirstFileItCannotWrite();
    void tableKeepsTextsAndIconTogether();
};

void TestAppSlots::bitmapsOfEveryDepthLoad_data()
{
    QTest::addColumn<int>("bpp");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("topDown");
    QTest::addColumn<bool>("rle8");
    QTest::addColumn<bool>("core");
    QTest::newRow("1 bit") << 1 << 17 << false << false << false;
    QTest::newRow("4 bit") << 4 << 17 << false << false << false;
    QTest::newRow("8 bit") << 8 << 17 << false << false << false;
    QTest::newRow("16 bit") << 16 << 17 << false << false << false;
    QTest::newRow("24 bit") << 24 << 17 << false << false << false;
    QTest::newRow("32 bit") << 32 << 17 << false << false << false;
    QTest::newRow("24 bit top-down") << 24 << 17 << true << false << false;
    QTest::newRow("8 bit run-length") << 8 << 17 << false << true << false;
    QTest::newRow("8 bit old header") << 8 << 17 << false << false << true;
    QTest::newRow("24 bit, other size") << 24 << 32 << false << false << false;
}

void TestAppSlots::bitmapsOfEveryDepthLoad()
{
    QFETCH(int, bpp);
    QFETCH(int, width);
    QFETCH(bool, topDown);
    QFETCH(bool, rle8);
    QFETCH(bool, core);
    BmpLayout s;
    s.bpp = bpp;
    s.width = width;
    s.topDown = topDown;
    s.rle8 = rle8;
    s.coreHeader = core;
    TempFolder t(false);
    t.writeFile("IconImg1.bmp", makeBmp(s));
    const QImage img = AppSlots::loadBitmap(t.path("IconImg1.bmp"));
    QCOMPARE(img.size(), QSize(s.width, s.height));
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (!samePixel(img.pixel(x, y), expectedPixel(s, x, y), s.bpp == 16 ? 7 : 0))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3 instead of %4")
                                     .arg(x).arg(y).arg(img.pixel(x, y), 8, 16).arg(expectedPixel(s, x, y), 8, 16)));
}

void TestAppSlots::badBitmapsGiveAnError_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("reason");
    const QByteArray good = makeBmp(BmpLayout{});
    QByteArray huge = good;
    qToLittleEndian<qint32>(200000, huge.data() + 18);
    qToLittleEndian<qint32>(200000, huge.data() + 22);
    QTest::newRow("missing") << QByteArray() << false << QString();
    QTest::newRow("empty") << QByteArray() << true << QStringLiteral("ファイルが空です");
    QTest::newRow("text") << QByteArray("Title\r\n/usr/bin/ed\r\n") << true << QStringLiteral("ビットマップではありません");
    QTest::newRow("header only") << good.left(30) << true << QStringLiteral("ビットマップが壊れているか、大きすぎます");
    QTest::newRow("huge dimensions") << huge << true << QStringLiteral("ビットマップが壊れているか、大きすぎます");
}

void TestAppSlots::badBitmapsGiveAnError()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, present);
    QFETCH(QString, reason);
    TempFolder t(false);
    const QString path = t.path("IconImg2.bmp");
    if (present) t.writeFile("IconImg2.bmp", bytes);
    try {
        AppSlots::loadBitmap(path);
        QFAIL("no error");
    } catch (const VarError& e) {
        if (!present) QCOMPARE(e.message(), VarError::cannotOpen(path).message());
        // The sentence of a failed read, then the file and why.
        else QCOMPARE(e.message(), QStringLiteral("ｽﾄﾘｰﾑからの読み込みに失敗しました（ﾌｧｲﾙ %1: %2）").arg(path, reason));
    }
}

void TestAppSlots::saveWritesFifteenLinesAndFiveIcons()
{
    TempFolder t(false);
    std::array<AppSlots::Row, 5> rows;
    std::array<QImage, 5> images;
    for (int n = 0; n < 5; ++n) {
        rows[n] = {QStringLiteral("アプリ%1").arg(n + 1), QStringLiteral("/opt/app %1/run").arg(n + 1),
                   n % 2 ? QStringLiteral("-x %1").arg(n) : QString()};
        images[n] = QImage(17, 17, QImage::Format_RGB32);
        images[n].fill(QColor(40 * n, 255 - 40 * n, 17));
    }
    rows[3].title = AppSlots::unregistered();
    images[4] = QImage();   // a row that never got an image
    AppSlots::save(t.dir.path() + "/", rows, images);

    const QByteArray written = t.readFile("appitems.cfg");
    QVERIFY(written.endsWith("\r\n"));
    const QStringList lines = fileLines(written);
    QCOMPARE(lines.size(), 15);
    for (int n = 0; n < 5; ++n) {
        QCOMPARE(lines[3 * n], rows[n].title);
        QCOMPARE(lines[3 * n + 1], rows[n].path);
        QCOMPARE(lines[3 * n + 2], rows[n].option);
    }
    QCOMPARE(written.left(7), crlf({"アプリ1"}).left(7));   // CP932, no byte-order mark
    for (int n = 1; n <= 5; ++n) {
        const QImage back = AppSlots::loadBitmap(t.path(AppSlots::iconFile(n)));
        const QImage want = images[n - 1].isNull() ? AppSlots::blankIcon() : images[n - 1];
        QCOMPARE(back.size(), QSize(17, 17));
        QCOMPARE(back.convertToFormat(QImage::Format_RGB32), want.convertToFormat(QImage::Format_RGB32));
    }
}

void TestAppSlots::saveAfterResettingEveryRow()
{
    TempFolder t(false);
    std::array<AppSlots::Row, 5> rows;
    std::array<QImage, 5> images;
    for (int n = 0; n < 5; ++n) {
        rows[n] = {AppSlots::unregistered(), QString(), QString()};
        images[n] = AppSlots::blankIcon();
    }
    AppSlots::save(t.dir.path() + "/", rows, images);
    QStringList expected;
    for (int n = 0; n < 5; ++n) expected << AppSlots::unregistered() << QString() << QString();
    QCOMPARE(t.readFile("appitems.cfg"), crlf(expected));
    const QRgb face = TColor::toQColor(TColor::BtnFace).rgb();
    for (int n = 1; n <= 5; ++n) {
        const QImage back = AppSlots::loadBitmap(t.path(AppSlots::iconFile(n)));
        QCOMPARE(back.size(), QSize(17, 17));
        QCOMPARE(back.pixel(0, 0), face);
        QCOMPARE(back.pixel(16, 16), face);
    }
}

void TestAppSlots::saveStopsAtTheFirstFileItCannotWrite()
{
    TempFolder t(false);
    QVERIFY(QDir(t.dir.path()).mkdir("IconImg3.bmp"));   // a folder where the third icon belongs
    std::array<AppSlots::Row, 5> rows;
    rows.fill({QStringLiteral("T"), QStringLiteral("/p"), QString()});
    std::array<QImage, 5> images;
    try {
        AppSlots::save(t.dir.path() + "/", rows, images);
        QFAIL("no error");
    } catch (const VarError& e) {
        QCOMPARE(e.message(), VarError::cannotCreate(t.path("IconImg3.bmp")).message());
    }
    QCOMPARE(fileLines(t.readFile("appitems.cfg")).size(), 15);
    QVERIFY(QFile::exists(t.path("IconImg1.bmp")));
    QVERIFY(QFile::exists(t.path("IconImg2.bmp")));
    QVERIFY(!QFile::exists(t.path("IconImg4.bmp")));
    QVERIFY(!QFile::exists(t.path("IconImg5.bmp")));
}

// Reading texts never touches the icon; confirming sets both, and an
// unregistered slot is left nothing to start.
void TestAppSlots::tableKeepsTextsAndIconTogether()
{
    AppSlots::Table table;
    QCOMPARE(table.at(1).title, AppSlots::unregistered());
    QVERIFY(table.at(1).icon.isNull() && !table.at(1).registered());

    QImage red(17, 17, QImage::Format_RGB32), blue(red);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    table.setTexts(2, {"Ed", "/bin/ed", "-r"});
    table.setIcon(2, red);
    table.setTexts(2, {AppSlots::unregistered(), "/kept", "-k"});
    QCOMPARE(table.at(2).path, QStringLiteral("/kept"));
    QCOMPARE(table.at(2).icon, red);

    table.confirm(2, {"New", "/bin/new", "-n"}, blue);
    QVERIFY(table.at(2).registered());
    QCOMPARE(table.at(2).path, QStringLiteral("/bin/new"));
    QCOMPARE(table.at(2).icon, blue);
    table.confirm(2, {AppSlots::unregistered(), "/left/over", "-z"}, red);
    QVERIFY(table.at(2).path.isEmpty() && table.at(2).option.isEmpty());
    QCOMPARE(table.at(2).icon, red);

    // Numbers out of range change nothing and read as an unregistered slot.
    for (int n : {0, 6, -1}) {
        table.confirm(n, {"X", "/x", ""}, red);
        table.setTexts(n, {"X", "/x", ""});
        QVERIFY(!table.at(n).registered() && table.at(n).path.isEmpty());
    }
}

QTEST_MAIN(TestAppSlots)
#include "tst_appslots.moc"
