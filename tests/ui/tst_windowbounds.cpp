// The main window's saved bounds: a start and close without a move or resize
// writes back what was read, whatever frame the window manager adds and
// whenever it says how wide that frame is. Bounds that could not be used as
// read are fitted to the screen, and the fitted bounds are what goes back.
#include "WindowBounds.h"

#include <QtTest>

#include <climits>

namespace {
using Screen = WindowBounds::Screen;
// A 1024 x 768 screen with a 32-pixel panel along its bottom.
const Screen kPrimary{QRect(0, 0, 1024, 768), QRect(0, 0, 1024, 736)};
// A second screen to the left of it.
const Screen kLeft{QRect(-1280, 0, 1280, 1024), QRect(-1280, 0, 1280, 1024)};

// What an X11 window manager does to a window of these outer bounds: the
// window is first placed with no frame known, then framed, and the frame's
// widths arrive only after that. Returns the bounds written at close.
QRect startFrameAndClose(const QRect& saved, const QMargins& frame, const QList<Screen>& screens = {})
{
    WindowBounds b;
    b.read(saved.left(), saved.top(), saved.width(), saved.height(), screens);
    QRect inner = b.requestUnder(QMargins());
    b.settle(inner);
    // Framed: the frame goes where the window was asked to be, the inner
    // area moves inside it.
    inner.translate(frame.left(), frame.top());
    if (b.frameChanged(frame, inner.size())) {
        inner = b.requestUnder(frame);
        b.settle(inner);
    }
    return b.toWrite(inner, inner.marginsAdded(frame));
}
} // namespace

class TestWindowBounds : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readBoundsAreEnlargedToTheMinimumOuterSize_data()
    {
        QTest::addColumn<QRect>("saved");
        QTest::addColumn<QRect>("applied");
        QTest::newRow("small") << QRect(5, 6, 100, 50) << QRect(5, 6, 330, 136);
        QTest::newRow("minimum") << QRect(5, 6, 330, 136) << QRect(5, 6, 330, 136);
        QTest::newRow("narrow") << QRect(-3000, 6, 1000, -5) << QRect(-3000, 6, 1000, 136);
        QTest::newRow("large") << QRect(0, 0, 2000, 1500) << QRect(0, 0, 2000, 1500);
    }
    void readBoundsAreEnlargedToTheMinimumOuterSize()
    {
        QFETCH(QRect, saved);
        QFETCH(QRect, applied);
        WindowBounds b;
        QCOMPARE(b.read(saved.left(), saved.top(), saved.width(), saved.height()), applied);
        // The minimum is an outer size: the frame's share comes off the inside.
        const QRect inner = b.requestUnder(QMargins(1, 24, 1, 1));
        QCOMPARE(inner.marginsAdded(QMargins(1, 24, 1, 1)), applied);
    }

    void aFrameThatArrivesLateIsNotAddedAtEveryStart_data()
    {
        QTest::addColumn<QMargins>("frame");
        QTest::newRow("title bar and border") << QMargins(1, 24, 1, 1);
        QTest::newRow("thick") << QMargins(5, 30, 5, 5);
        QTest::newRow("no window manager") << QMargins();
    }
    void aFrameThatArrivesLateIsNotAddedAtEveryStart()
    {
        QFETCH(QMargins, frame);
        QRect saved(200, 107, 640, 480);
        for (int cycle = 0; cycle < 3; ++cycle) {
            saved = startFrameAndClose(saved, frame);
            QCOMPARE(saved, QRect(200, 107, 640, 480));
        }
        // A saved size below the minimum settles at the minimum, also outside.
        QCOMPARE(startFrameAndClose(QRect(3, 4, 100, 50), frame), QRect(3, 4, 330, 136));
    }

    void boundsAreFittedToTheScreenTheyFallOn_data()
    {
        QTest::addColumn<QList<int>>("saved");   // left, top, width, height
        QTest::addColumn<QRect>("applied");
        const QList<Screen> screens{kPrimary, kLeft};
        QTest::newRow("fits") << QList<int>{200, 107, 640, 480} << QRect(200, 107, 640, 480);
        QTest::newRow("exactly the available area") << QList<int>{0, 0, 1024, 736} << QRect(0, 0, 1024, 736);
        // Hanging over an edge but held by its title bar: left alone.
        QTest::newRow("partly off, reachable") << QList<int>{900, 600, 640, 480} << QRect(900, 600, 640, 480);
        QTest::newRow("left edge off") << QList<int>{-500, 10, 640, 480} << QRect(-500, 10, 640, 480);
        // Too large: the size shrinks to the area and the window moves onto it.
        QTest::newRow("40000") << QList<int>{200, 107, 40000, 40000} << QRect(0, 0, 1024, 736);
        QTest::newRow("too wide only") << QList<int>{200, 107, 5000, 300} << QRect(0, 107, 1024, 300);
        QTest::newRow("too high only") << QList<int>{900, 100, 400, 5000} << QRect(624, 0, 400, 736);
        QTest::newRow("largest") << QList<int>{INT_MAX, INT_MAX, INT_MAX, INT_MAX} << QRect(0, 0, 1024, 736);
        QTest::newRow("smallest") << QList<int>{INT_MIN, INT_MIN, INT_MIN, INT_MIN} << QRect(0, 0, 330, 136);
        // Off every screen: onto the primary, as near to where it was as fits.
        QTest::newRow("far right") << QList<int>{INT_MAX, 50, 640, 480} << QRect(384, 50, 640, 480);
        QTest::newRow("far down") << QList<int>{100, INT_MAX, 640, 480} << QRect(100, 256, 640, 480);
        QTest::newRow("above the top") << QList<int>{100, -30, 640, 480} << QRect(100, 0, 640, 480);
        QTest::newRow("on the panel") << QList<int>{100, 700, 640, 480} << QRect(100, 256, 640, 480);
        QTest::newRow("just a sliver across") << QList<int>{1000, 50, 640, 480} << QRect(384, 50, 640, 480);
        // On the second screen: fitted to that one, not to the primary.
        QTest::newRow("second screen") << QList<int>{-1200, 100, 1000, 800} << QRect(-1200, 100, 1000, 800);
        QTest::newRow("second screen, too large") << QList<int>{-1200, 100, 4000, 4000} << QRect(-1280, 0, 1280, 1024);
        QTest::newRow("mostly on the second") << QList<int>{-1000, 100, 1100, 300} << QRect(-1000, 100, 1100, 300);
    }
    void boundsAreFittedToTheScreenTheyFallOn()
    {
        QFETCH(QList<int>, saved);
        QFETCH(QRect, applied);
        const QList<Screen> screens{kPrimary, kLeft};
        QCOMPARE(WindowBounds::fitted(saved[0], saved[1], saved[2], saved[3], screens), applied);
    }

    void oddScreensAndNoScreen()
    {
        // A screen smaller than the minimum: the minimum wins, at its corner.
        const Screen tiny{QRect(10, 20, 200, 100), QRect(10, 20, 200, 100)};
        QCOMPARE(WindowBounds::fitted(500, 500, 800, 600, {tiny}), QRect(10, 20, 330, 136));
        // No usable area reported: the whole screen stands in for it.
        const Screen bare{QRect(0, 0, 800, 600), QRect()};
        QCOMPARE(WindowBounds::fitted(100, 100, 40000, 500, {bare}), QRect(0, 100, 800, 500));
        // No screen at all: kept as read while sane, else within what a
        // window can have, with no edge past the integer range.
        QCOMPARE(WindowBounds::fitted(-3000, 6, 1000, -5, {}), QRect(-3000, 6, 1000, 136));
        const QRect far = WindowBounds::fitted(INT_MAX, INT_MIN, INT_MAX, INT_MAX, {});
        QCOMPARE(far, QRect(16777215, -16777215, 16777215, 16777215));
        QVERIFY(far.right() < INT_MAX && far.bottom() < INT_MAX);
    }

    // Fitted bounds are written as fitted, and from then on they are usable
    // as read and go round unchanged.
    void fittedBoundsAreWrittenAsFitted()
    {
        const QList<Screen> screens{kPrimary};
        const QMargins frame(1, 24, 1, 1);
        QRect saved(200, 107, 40000, 40000);
        saved = startFrameAndClose(saved, frame, screens);
        QCOMPARE(saved, QRect(0, 0, 1024, 736));
        QCOMPARE(startFrameAndClose(saved, frame, screens), saved);
        // Off the screen, the same: moved once, then kept.
        saved = startFrameAndClose(QRect(5000, 5000, 640, 480), frame, screens);
        QCOMPARE(saved, QRect(384, 256, 640, 480));
        QCOMPARE(startFrameAndClose(saved, frame, screens), saved);
    }

    void aMoveOrResizeByTheUserIsWritten()
    {
        WindowBounds b;
        b.read(200, 107, 640, 480);
        const QMargins frame(1, 24, 1, 1);
        const QRect settled = b.requestUnder(frame);
        b.settle(settled);
        QCOMPARE(b.toWrite(settled, settled.marginsAdded(frame)), QRect(200, 107, 640, 480));
        const QRect moved = settled.translated(30, -7);
        QCOMPARE(b.toWrite(moved, moved.marginsAdded(frame)), QRect(230, 100, 640, 480));
        const QRect resized = settled.adjusted(0, 0, 50, 20);
        QCOMPARE(b.toWrite(resized, resized.marginsAdded(frame)), QRect(200, 107, 690, 500));
        // Once resized, a new frame leaves the window alone.
        QVERIFY(!b.frameChanged(QMargins(2, 20, 2, 2), resized.size()));
        // Nothing read (no settings file): the window's outer bounds are written.
        WindowBounds none;
        QVERIFY(!none.frameChanged(frame, settled.size()));
        QCOMPARE(none.toWrite(settled, settled.marginsAdded(frame)), settled.marginsAdded(frame));
    }
};

QTEST_MAIN(TestWindowBounds)
#include "tst_windowbounds.moc"
