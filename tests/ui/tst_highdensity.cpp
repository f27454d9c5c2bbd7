// Screens of higher pixel density: the small glyphs the windows draw
// themselves come at the screen's density (the folder glyph drawn anew, the
// applications' 17 x 17 glyphs smoothly enlarged), never enlarged in blocks.
#include "Glyphs.h"
#include "Forms.h"
#include "OtherImage.h"
#include "MainControls.h"
#include "TestSupport.h"
#include "Unit1.h"

#include <QPainter>
#include <QSet>
#include <QToolButton>
#include <QtTest>

namespace {

// A glyph with hard edges: black and white halves with a red dot.
QImage hardEdges()
{
    QImage img(17, 17, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 8; ++x) img.setPixel(x, y, qRgb(0, 0, 0));
    img.setPixel(12, 8, qRgb(255, 0, 0));
    return img;
}

// Colours along one row: an enlargement in blocks keeps only the picture's own.
QSet<QRgb> rowColours(const QImage& img, int y)
{
    QSet<QRgb> colours;
    for (int x = 0; x < img.width(); ++x) colours.insert(img.pixel(x, y) | 0xFF000000);
    return colours;
}

} // namespace

class TestHighDensity : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void glyphsComeAtTheScreensDensity_data()
    {
        QTest::addColumn<qreal>("scale");
        QTest::newRow("1.5") << 1.5;
        QTest::newRow("2") << 2.0;
        QTest::newRow("3") << 3.0;
    }
    void glyphsComeAtTheScreensDensity()
    {
        QFETCH(qreal, scale);
        const QPixmap folder = Glyphs::folder().pixmap(QSize(14, 15), scale);
        QCOMPARE(folder.size(), QSize(qCeil(14 * scale), qCeil(15 * scale)));

        const QPixmap glyph = Glyphs::smooth(hardEdges()).pixmap(QSize(17, 17), scale);
        QCOMPARE(glyph.size(), QSize(qRound(17 * scale), qRound(17 * scale)));
        // Smoothly enlarged: greys between the black and the white half.
        const QSet<QRgb> row = rowColours(glyph.toImage().convertToFormat(QImage::Format_RGB32), glyph.height() / 4);
        QVERIFY2(row.size() > 2, qPrintable(QStringLiteral("%1 colours").arg(row.size())));
    }

    void theApplicationButtonsShowTheirGlyphSmoothly()
    {
        TestEnv env;
        TForm1 main(env.env());
        main.confirmSlot(1, AppSlots::Slot{QStringLiteral("記録"), QStringLiteral("/bin/true"), {}, hardEdges()});
        const MainControls c(main);
        const QPixmap shown = c.AppBtn[1]->icon().pixmap(QSize(17, 17), 2.0);
        QCOMPARE(shown.size(), QSize(34, 34));
        QVERIFY(rowColours(shown.toImage().convertToFormat(QImage::Format_RGB32), 8).size() > 2);
        // At its own size the glyph is the picture itself.
        QCOMPARE(c.AppBtn[1]->icon().pixmap(QSize(17, 17), 1.0).toImage().convertToFormat(QImage::Format_RGB32),
                 hardEdges());
    }

    void pictureBoxesEnlargeSmoothly()
    {
        ImageBox box;
        box.setPicture(hardEdges());
        QImage screen(34, 34, QImage::Format_RGB32);
        screen.setDevicePixelRatio(2.0);
        screen.fill(Qt::blue);
        box.render(&screen);
        QVERIFY(rowColours(screen, 8).size() > 2);
        QImage plain(17, 17, QImage::Format_RGB32);
        box.render(&plain);
        QCOMPARE(plain, hardEdges());
    }
};

QTEST_MAIN(TestHighDensity)
#include "tst_highdensity.moc"
