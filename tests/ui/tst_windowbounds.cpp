// The main window's saved bounds: a start and close without a move or resize
// writes back what was read, whatever frame the window manager adds and
// whenever it says how wide that frame is.
#include "WindowBounds.h"

#include <QtTest>

namespace {
// What an X11 window manager does to a window of these outer bounds: the
// window is first placed with no frame known, then framed, and the frame's
// widths arrive only after that. Returns the bounds written at close.
QRect startFrameAndClose(const QRect& saved, const QMargins& frame)
{
    WindowBounds b;
    b.read(saved.left(), saved.top(), saved.width(), saved.height());
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
