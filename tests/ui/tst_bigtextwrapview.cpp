// The big-text view wrapping a line longer than a block of its text: the
// caret display and the arrow keys go by the rows of the whole line, also over
// the blocks' edges; unwrapped, such a line is one row.
#include "BigTextView.h"

#include <QApplication>
#include <QScrollBar>
#include <QtTest>

#include <algorithm>
#include <vector>

// A view on screen with the keyboard focus, as a user reads it.
static bool showFocused(BigTextView& view)
{
    view.resize(400, 300);
    view.show();
    QApplication::setActiveWindow(&view);
    view.setFocus();
    return QTest::qWaitForWindowExposed(&view);
}

class TestBigTextWrapView : public QObject {
    Q_OBJECT

    static QString caretText(BigTextView& view)
    {
        const qint64 s = view.selStart();
        const qint64 line = view.lineFromChar(s);
        return QStringLiteral("%1: %2").arg(line).arg(s - view.lineIndex(line));
    }

private Q_SLOTS:
    void caretGoesByTheRowsOfTheWholeLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("a") << QString(300 * 1024 + 7, u'a');
        QTest::newRow("あ") << QString(300 * 1024 + 5, u'あ');
    }
    void caretGoesByTheRowsOfTheWholeLine()
    {
        QFETCH(QString, line);
        BigTextView view;
        QVERIFY(showFocused(view));
        view.setPlainText(line);
        view.setWordWrap(true);
        QVERIFY(view.document().blockCount() >= 2);

        std::vector<qint32> rows; // where the rows of the whole line start
        view.layout().wrap(line, rows);
        const auto caretAt = [&](qint64 pos) {
            const qint64 row = std::upper_bound(rows.begin(), rows.end(), pos) - rows.begin() - 1;
            return QStringLiteral("%1: %2").arg(row).arg(pos - rows[size_t(row)]);
        };
        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view.selStart(), line.size());
        QCOMPARE(caretText(view), caretAt(line.size()));

        // Down from the row before the one over the first block's edge: one
        // row at a time, the column kept (every character is as wide).
        const qint64 edge = view.document().block(1).start;
        const qint64 over = std::upper_bound(rows.begin(), rows.end(), edge) - rows.begin() - 1;
        view.setSelStart(rows[size_t(over - 1)] + 2);
        for (qint64 row = over - 1; row <= over + 1; ++row) {
            QCOMPARE(caretText(view), caretAt(rows[size_t(row)] + 2));
            QTest::keyClick(&view, Qt::Key_Down);
        }
        QTest::keyClick(&view, Qt::Key_Up);
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(caretText(view), caretAt(rows[size_t(over)] + 2));
        QTest::keyClick(&view, Qt::Key_Home);
        QCOMPARE(view.selStart(), rows[size_t(over)]);
    }

    // Unwrapped, End goes to the end of the line, where the scroll bar ends
    // and what is drawn and hit is the last block's; Down goes to the next line.
    void unwrappedTheLineIsOneRow_data() { caretGoesByTheRowsOfTheWholeLine_data(); }
    void unwrappedTheLineIsOneRow()
    {
        QFETCH(QString, line);
        BigTextView view;
        QVERIFY(showFocused(view));
        view.setPlainText(line + QStringLiteral("\nnext"));
        QVERIFY(view.document().blockCount() >= 3);
        view.viewport()->repaint(); // the row's width found before the scroll bar has it
        QTest::keyClick(&view, Qt::Key_End);
        QCOMPARE(caretText(view), QStringLiteral("0: %1").arg(line.size()));

        const QScrollBar* h = view.horizontalScrollBar();
        QVERIFY(h->maximum() + view.viewport()->width() >= view.layout().xOf(line.size()));
        const qint64 pos = line.size() - 3;
        const int x = 4 + qRound(view.layout().xOf(pos)) - h->value() + 1;
        const int lh = view.layout().lineHeight();
        QVERIFY(x > 20 && x < view.viewport()->width() - 20);
        const QImage shown = view.viewport()->grab().toImage();
        int ink = 0;
        for (int y = 4; y < 4 + lh; ++y)
            for (int dx = -20; dx < 20; ++dx) ink += shown.pixel(x + dx, y) != view.fillColor().rgb();
        QVERIFY(ink > 10);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(x, 4 + lh / 2));
        QCOMPARE(view.selStart(), pos);

        QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(caretText(view), QStringLiteral("1: 4"));
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(caretText(view), QStringLiteral("0: %1").arg(pos));
        QTest::keyClick(&view, Qt::Key_Home);
        QCOMPARE(caretText(view), QStringLiteral("0: 0"));
        QCOMPARE(h->value(), 0);
    }
};

QTEST_MAIN(TestBigTextWrapView)
#include "tst_bigtextwrapview.moc"
