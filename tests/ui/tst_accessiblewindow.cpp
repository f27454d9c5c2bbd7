// A text longer than a screen reader can count (its offsets are 32-bit) is
// shown to the reader as a window around the caret: count, caret, the caret's
// whole line and the selection agree with the document, and a move of the
// window is announced.

#include "AccessibleRig.h"

class TestAccessibleWindow : public QObject {
    Q_OBJECT

    TempFolder m_dir{false};

private Q_SLOTS:
    void initTestCase() { QVERIFY(startListening()); }
    void init() { g_heard.clear(); }
    void cleanup() { AccessibleWindow::resetLimits(); }

    void aTextPastTheBridgesCountIsShownAroundTheCaret()
    {
        // A sparse file longer than 2^31 characters (a hole reads as NULs, one each).
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("huge.txt"));
        const qint64 size = (qint64(1) << 31) + (1 << 20);
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray head;
            while (head.size() < (1 << 20) + 4096) head += "some ordinary text of the first lines\n";
            f.write(head);
            QVERIFY(f.resize(size - 10));
            QVERIFY(f.seek(size - 10));
            f.write("\nlast line");
        }
        TextPane pane;
        pane.loadFile(path);
        BigTextView* big = bigOf(pane);
        QVERIFY(big);
        QTRY_VERIFY_WITH_TIMEOUT(big->isComplete(), 120000);
        QAccessibleTextInterface* t = textOf(big);
        QVERIFY(t);
        const BigTextDocument& doc = big->document();
        QCOMPARE(doc.length(), size);
        QCOMPARE(disagreement(t, *big, AccessibleWindow::kSize), QString());
        QCOMPARE(t->text(0, 38), QStringLiteral("some ordinary text of the first lines\n"));

        // At the very end: the last line is the file's, whole, and ends the text shown.
        big->setSelStart(size);
        QCOMPARE(disagreement(t, *big, AccessibleWindow::kSize), QString());
        const int n = t->characterCount();
        QCOMPARE(t->cursorPosition(), n);
        QCOMPARE(t->text(n - 9, -1), QStringLiteral("last line"));
        QCOMPARE(itemOf(t, Where::At, -1, QAccessible::LineBoundary), (Item{QStringLiteral("last line"), n - 9, n}));
        QCOMPARE(itemOf(t, Where::After, n - 1, QAccessible::CharBoundary), (Item{QString(), n, n}));
        t->setSelection(0, n - 4, -2);   // -2: up to the caret
        QCOMPARE(std::make_pair(big->selStart(), big->selLength()), std::make_pair(size - 4, qint64(4)));
        QCOMPARE(disagreement(t, *big, AccessibleWindow::kSize), QString());
    }

    void aLongTextIsShownAsAWindowAroundTheCaret_data()
    {
        QTest::addColumn<bool>("cp932");
        QTest::newRow("CP932, CR LF") << true;
        QTest::newRow("UTF-8, LF") << false;
    }
    void aLongTextIsShownAsAWindowAroundTheCaret()
    {
        QFETCH(bool, cp932);
        // As a text past 2^31 characters is shown, scaled down to a few megabytes.
        constexpr qint64 kThreshold = 1 << 20, kSize = 1 << 18;
        AccessibleWindow::setLimits(kThreshold, kSize);
        QString text;
        for (int i = 0; i < 100000; ++i) {
            text += QStringLiteral("行 %1 の内容です abcdefghij").arg(i, 6, 10, QLatin1Char('0'));
            if (i == 60000) text += QStringLiteral(" MARKER");
            text += cp932 ? QStringLiteral("\r\n") : QStringLiteral("\n");
        }
        TextPane pane;
        pane.loadFile(m_dir.writeFile(QStringLiteral("window.txt"), cp932 ? Cp932::encode(text) : text.toUtf8()));
        BigTextView* big = bigOf(pane);
        QVERIFY(big);
        QTRY_VERIFY_WITH_TIMEOUT(big->isComplete(), 60000);
        const BigTextDocument& doc = big->document();
        QVERIFY(doc.length() > 2 * kThreshold);
        QAccessibleTextInterface* t = textOf(big);
        QVERIFY(t);
        QCOMPARE(disagreement(t, *big, kSize), QString());
        QCOMPARE(t->cursorPosition(), 0);

        // Ctrl+End: the text a reader knows is replaced by the window at the
        // end (by its length, and the head of the new one), then the caret.
        const int before = t->characterCount();
        g_heard.clear();
        QTest::keyClick(big, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(big->caret(), doc.length());
        QCOMPARE(disagreement(t, *big, kSize), QString());
        QCOMPARE(t->cursorPosition(), t->characterCount());
        QCOMPARE(kindsHeard(), (QList<QAccessible::Event>{QAccessible::TextUpdated, QAccessible::TextCaretMoved}));
        QCOMPARE(g_heard[0].position, 0);
        QCOMPARE(g_heard[0].removed.size(), std::min(before, BigTextAccessible::MaxEventText));
        QCOMPARE(g_heard[0].inserted, t->text(0, BigTextAccessible::MaxEventText));
        QCOMPARE(g_heard[1].position, t->cursorPosition());

        // Inside the window the caret moves as always; typing is told where it is.
        g_heard.clear();
        QTest::keyClick(big, Qt::Key_Up);
        const int up = t->cursorPosition();
        QTest::keyClicks(big, QStringLiteral("Z"));
        QCOMPARE(kindsHeard(), (QList<QAccessible::Event>{QAccessible::TextCaretMoved, QAccessible::TextInserted,
                                                           QAccessible::TextCaretMoved}));
        QCOMPARE(std::make_pair(g_heard[1].position, g_heard[1].inserted), std::make_pair(up, QStringLiteral("Z")));
        QCOMPARE(t->cursorPosition(), up + 1);
        QCOMPARE(disagreement(t, *big, kSize), QString());

        // A find hit far from both ends is selected as the find command selects
        // it: the reader reads it at the offsets it has in the window.
        const qint64 hit = doc.find(QStringLiteral("MARKER"), 0, doc.length());
        QVERIFY(hit > kSize && hit < doc.length() - kSize);
        big->setSelStart(hit);
        big->setSelLength(6);
        QCOMPARE(disagreement(t, *big, kSize), QString());
        int s = -1, e = -1;
        t->selection(0, &s, &e);
        QCOMPARE(t->text(s, e), QStringLiteral("MARKER"));
        t->setSelection(0, s - 10, e);
        QCOMPARE(std::make_pair(big->selStart(), big->selLength()), std::make_pair(hit - 10, qint64(16)));

        // All selected, the caret at the end: the selection is shown as far as the window holds it.
        big->selectAll();
        QCOMPARE(disagreement(t, *big, kSize), QString());
        QCOMPARE(t->selectionCount(), 1);

        // Ctrl+Home: back at the head, told the same way.
        g_heard.clear();
        QTest::keyClick(big, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(big->caret(), 0);
        QCOMPARE(disagreement(t, *big, kSize), QString());
        QCOMPARE(g_heard.first().type, QAccessible::TextUpdated);
        QCOMPARE(g_heard.first().inserted, doc.text(0, BigTextAccessible::MaxEventText));
        QCOMPARE(g_heard.last().type, QAccessible::TextCaretMoved);
        QCOMPARE(g_heard.last().position, 0);
    }

    void aLineLongerThanTheWindowIsShownAsFarAsItFits()
    {
        constexpr qint64 kThreshold = 1 << 20, kSize = 1 << 16;
        AccessibleWindow::setLimits(kThreshold, kSize);
        QByteArray bytes;
        for (int i = 0; bytes.size() < (1 << 21); ++i) bytes += "short line " + QByteArray::number(i) + "\n";
        const qint64 longStart = bytes.size();
        QByteArray longLine(150000, 'x');
        for (int i = 0; i < longLine.size(); i += 1000) longLine.replace(i, 6, QByteArray::number(100000 + i / 1000));
        bytes += longLine + "\nafter the long line\n";
        for (int i = 0; bytes.size() < (1 << 22); ++i) bytes += "short line " + QByteArray::number(i) + "\n";
        TextPane pane;
        pane.loadFile(m_dir.writeFile(QStringLiteral("long.txt"), bytes));
        BigTextView* big = bigOf(pane);
        QVERIFY(big);
        QTRY_VERIFY_WITH_TIMEOUT(big->isComplete(), 60000);
        QAccessibleTextInterface* t = textOf(big);
        QVERIFY(t);
        const BigTextDocument& doc = big->document();
        QCOMPARE(doc.lineLength(doc.lineOf(longStart)), qint64(longLine.size()));

        // In the middle of it: the window is all of that line it holds.
        big->setSelStart(longStart + 75000);
        const int n = t->characterCount();
        QVERIFY(n > 0 && n <= kSize);
        const qint64 start = big->caret() - t->cursorPosition();
        QVERIFY(start > longStart && start + n < longStart + longLine.size());
        QCOMPARE(t->text(0, 30), doc.text(start, 30));
        QCOMPARE(itemOf(t, Where::At, -2, QAccessible::LineBoundary), (Item{doc.text(start, n), 0, n}));
        // On the next line: shown from there, whole lines again.
        big->setSelStart(longStart + longLine.size() + 1);
        QCOMPARE(disagreement(t, *big, kSize), QString());
        QCOMPARE(itemOf(t, Where::At, -2, QAccessible::LineBoundary).text, QStringLiteral("after the long line\n"));
    }

    void aWindowMovedByTheGrowingIndexIsAnnounced()
    {
        // The text grows past what a reader can count while the caret stands
        // deep in its head: the window that then holds the caret is announced.
        constexpr qint64 kThreshold = 300000, kSize = 1 << 16, kCaret = 200000;
        AccessibleWindow::setLimits(kThreshold, kSize);
        QByteArray bytes;
        for (int i = 0; bytes.size() < (4 << 20); ++i) bytes += "line " + QByteArray::number(i) + " of a growing text\n";
        const QString path = m_dir.writeFile(QStringLiteral("grows.txt"), bytes);
        TextPane pane;
        BigTextView* big = bigOf(pane);
        QVERIFY(big);
        BigTextIndexer::Options o;
        o.headBytes = 256 * 1024;
        o.segmentBytes = 256 * 1024;
        o.chunkBytes = 64 * 1024;
        big->activity().indexer().setOptions(o);
        QAccessibleTextInterface* t = nullptr;
        {
            BigTextWorkers::Hold hold;
            pane.loadFile(path);
            QVERIFY(!big->isComplete());
            QVERIFY(big->document().length() > kCaret && big->document().length() <= kThreshold);
            t = textOf(big);
            QVERIFY(t);
            big->setSelStart(kCaret);
            QCOMPARE(t->cursorPosition(), int(kCaret));   // shown whole: offsets are positions
            g_heard.clear();
        }
        QTRY_VERIFY_WITH_TIMEOUT(big->isComplete() && !g_heard.isEmpty(), 60000);
        QCOMPARE(kindsHeard(), (QList<QAccessible::Event>{QAccessible::TextUpdated, QAccessible::TextCaretMoved}));
        QCOMPARE(big->caret(), kCaret);
        QCOMPARE(disagreement(t, *big, kSize), QString());
        QCOMPARE(g_heard[0].inserted, t->text(0, BigTextAccessible::MaxEventText));
        QCOMPARE(g_heard[1].position, t->cursorPosition());
    }

};

QTEST_MAIN(TestAccessibleWindow)
#include "tst_accessiblewindow.moc"
