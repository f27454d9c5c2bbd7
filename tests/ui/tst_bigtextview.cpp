// The big-text view: caret and line numbers as the pane reports them, wrapping,
// selection, copy, typing, keys, mouse and focus.
#include "BigTextView.h"
#include "Cp932.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>

namespace {

int openFd(const QString& path) { return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC); }

// What the status bar shows for the caret: line, ": ", column.
QString caretText(BigTextView& view)
{
    const qint64 s = view.selStart();
    const qint64 line = view.lineFromChar(s);
    return QStringLiteral("%1: %2").arg(line).arg(s - view.lineIndex(line));
}

QString repeatedText(int lines)
{
    QString text;
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("%1 行目の文章です。Some words to wrap somewhere here.\r\n").arg(i);
    return text;
}

} // namespace

class TestBigTextView : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    void show(BigTextView& view, int width = 400, int height = 300)
    {
        view.resize(width, height);
        view.show();
        QApplication::setActiveWindow(&view);
        view.setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }

private Q_SLOTS:
    void caretAtTheStartOfTheThirdLine()
    {
        const QString path = m_dir.filePath("three.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(Cp932::encode(QStringLiteral("一行目\r\n二行目\r\n三行目\r\n")));
        f.close();
        BigTextView view;
        show(view);
        view.load(openFd(path), path, TextEncoding::Cp932);
        QCOMPARE(caretText(view), QStringLiteral("0: 0"));
        QTest::keyClick(&view, Qt::Key_Down);
        QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(view.selStart(), 8);
        QCOMPARE(caretText(view), QStringLiteral("2: 0"));
        view.setSelStart(10);
        QCOMPARE(caretText(view), QStringLiteral("2: 2"));
        // The empty line after the last line end.
        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(caretText(view), QStringLiteral("3: 0"));
        QCOMPARE(view.lineIndex(4), -1);
    }

    void wrapCountsFollowWidthAndFont()
    {
        BigTextView view;
        show(view, 400, 300);
        QString text;
        for (int i = 0; i < 40; ++i)
            text += QStringLiteral("長い行の文章が右端で折り返されます、単語 words and more words。");
        text += QStringLiteral("\n短い行\n") + text;
        view.setPlainText(text);
        const qint64 end = view.textLength();
        QCOMPARE(view.lineFromChar(end), 2);
        view.setWordWrap(true);
        const qint64 wide = view.lineFromChar(end);
        QVERIFY(wide > 10);

        // Every shown line starts where the previous ends, maps back to itself
        // and fits the width (a row of one character may be wider).
        auto checkRows = [&](qint64 rows) {
            const QFont f = [&] { QFont g = view.font(); g.setKerning(false); return g; }();
            const QFontMetricsF fm(f);
            const qreal width = view.viewport()->width() - 8;
            for (qint64 n = 0; n < rows; ++n) {
                const qint64 a = view.lineIndex(n);
                const qint64 b = n + 1 < rows ? view.lineIndex(n + 1) : end;
                QVERIFY(b > a || (b == a && n + 1 == rows));
                QCOMPARE(view.lineFromChar(a), n);
                QString row = view.document().text(a, b - a);
                while (row.endsWith(u'\n') || row.endsWith(u' ')) row.chop(1);
                if (row.size() > 1) QVERIFY2(fm.horizontalAdvance(row) <= width + 1, qPrintable(row));
            }
            QCOMPARE(view.lineIndex(rows), -1);
        };
        checkRows(wide + 1);

        view.resize(250, 300);
        const qint64 narrow = view.lineFromChar(end);
        QVERIFY(narrow > wide);
        checkRows(narrow + 1);

        QFont big = view.font();
        big.setPointSize(big.pointSize() * 2);
        view.setFont(big);
        QVERIFY(view.lineFromChar(end) > narrow);
        checkRows(view.lineFromChar(end) + 1);

        // An edit before the end moves the end's shown line by what it adds.
        const qint64 before = view.lineFromChar(end);
        view.setSelStart(0);
        QTest::keyClick(&view, Qt::Key_Return);
        QCOMPARE(view.lineFromChar(end + 1), before + 1);
        QTest::keyClick(&view, Qt::Key_Backspace);
        QCOMPARE(view.lineFromChar(end), before);

        view.setWordWrap(false);
        QCOMPARE(view.lineFromChar(end), 2);
        QCOMPARE(view.lineIndex(2), text.indexOf(u'\n', text.indexOf(u'\n') + 1) + 1);
    }

    void selectAllAndCopy()
    {
        const QString path = m_dir.filePath("copy.txt");
        const QString text = repeatedText(3000);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(Cp932::encode(text));
        f.close();
        BigTextView view;
        show(view);
        view.load(openFd(path), path, TextEncoding::Cp932);
        QSignalSpy changed(&view, &BigTextView::selectionChanged);
        view.setSelStart(0);
        view.setSelLength(0);
        view.selectAll();
        QVERIFY(changed.count() >= 1);
        QCOMPARE(view.selStart(), 0);
        QCOMPARE(view.selLength(), view.textLength());
        QCOMPARE(caretText(view), QStringLiteral("0: 0"));
        QApplication::clipboard()->clear();
        view.copy();
        QString expected = text;
        expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(QApplication::clipboard()->text(), expected);
        // Nothing selected: nothing copied.
        QApplication::clipboard()->setText(QStringLiteral("before"));
        view.setSelStart(5);
        view.copy();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
        // Ctrl+C and Ctrl+A from the keyboard.
        QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text().size(), expected.size());
    }

    void typingEditsButNeverSaves()
    {
        const QString path = m_dir.filePath("type.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(Cp932::encode(QStringLiteral("ab\r\ncd")));
        f.close();
        BigTextView view;
        show(view);
        view.load(openFd(path), path, TextEncoding::Cp932);
        QSignalSpy changed(&view, &BigTextView::selectionChanged);
        view.setSelStart(1);
        QTest::keyClicks(&view, QStringLiteral("xy"));
        QCOMPARE(view.toPlainText(), QStringLiteral("axyb\ncd"));
        QCOMPARE(view.selStart(), 3);
        QTest::keyClick(&view, Qt::Key_Backspace);
        QTest::keyClick(&view, Qt::Key_Delete);
        QCOMPARE(view.toPlainText(), QStringLiteral("ax\ncd"));
        QTest::keyClick(&view, Qt::Key_Return);
        QCOMPARE(view.toPlainText(), QStringLiteral("ax\n\ncd"));
        QCOMPARE(caretText(view), QStringLiteral("1: 0"));
        // Typing over a selection replaces it; the selection start follows.
        view.setSelStart(0);
        view.setSelLength(4);
        QKeyEvent kana(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("あ"));
        QApplication::sendEvent(&view, &kana);
        QCOMPARE(view.toPlainText(), QStringLiteral("あcd"));
        // Joining lines with Delete at a line end.
        view.setPlainText(QStringLiteral("12\n34"));
        view.setSelStart(2);
        QTest::keyClick(&view, Qt::Key_Delete);
        QCOMPARE(view.toPlainText(), QStringLiteral("1234"));
        QCOMPARE(view.lineFromChar(4), 0);
        // An input method's committed text is typed too.
        QInputMethodEvent im;
        im.setCommitString(QStringLiteral("漢字"));
        QApplication::sendEvent(&view, &im);
        QCOMPARE(view.toPlainText(), QStringLiteral("12漢字34"));
        QVERIFY(changed.count() >= 8);
        QFile back(path);
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll(), Cp932::encode(QStringLiteral("ab\r\ncd")));
    }

    void navigationKeys()
    {
        BigTextView view;
        show(view, 400, 200);
        QString text;
        for (int i = 0; i < 100; ++i) text += QStringLiteral("abcdef\n");
        text += QStringLiteral("x😀y");
        view.setPlainText(text);
        view.setSelStart(3);
        QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(view.selStart(), 10); // same column on the next line
        QTest::keyClick(&view, Qt::Key_End);
        QCOMPARE(view.selStart(), 13);
        QTest::keyClick(&view, Qt::Key_Right);
        QCOMPARE(view.selStart(), 14); // over the line end
        QTest::keyClick(&view, Qt::Key_Left);
        QTest::keyClick(&view, Qt::Key_Home);
        QCOMPARE(view.selStart(), 7);
        QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(view.selStart(), 7);
        QCOMPARE(view.selLength(), 2);
        QTest::keyClick(&view, Qt::Key_Left); // collapses to the start
        QCOMPARE(view.selStart(), 7);
        QCOMPARE(view.selLength(), 0);

        const int page = (view.viewport()->height() - 4) / QFontMetrics(view.font()).lineSpacing();
        QTest::keyClick(&view, Qt::Key_PageDown);
        QVERIFY(std::abs(view.lineFromChar(view.selStart()) - (1 + page)) <= 1);
        QVERIFY(view.verticalScrollBar()->value() > 0);
        QTest::keyClick(&view, Qt::Key_PageUp);
        QCOMPARE(view.lineFromChar(view.selStart()), 1);

        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view.selStart(), view.textLength());
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        // A character beyond the BMP is one step of the caret.
        QTest::keyClick(&view, Qt::Key_Left);
        QTest::keyClick(&view, Qt::Key_Left);
        QCOMPARE(view.selStart(), view.textLength() - 3);
        QTest::keyClick(&view, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(view.selectedText(), QStringLiteral("😀y"));
        QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(view.selStart(), 0);
        QCOMPARE(view.selLength(), view.textLength() - 3);
        QCOMPARE(view.verticalScrollBar()->value(), 0);

        // Words: a run of one kind of character, blanks after it skipped.
        view.setPlainText(QStringLiteral("日本語のテキスト abc, def\nx"));
        view.setSelStart(0);
        QList<qint64> stops;
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(&view, Qt::Key_Right, Qt::ControlModifier);
            stops << view.selStart();
        }
        QCOMPARE(stops, (QList<qint64>{3, 4, 9, 12, 14, 17}));
        QTest::keyClick(&view, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(view.selStart(), 14);
        QTest::keyClick(&view, Qt::Key_Backspace, Qt::ControlModifier);
        QCOMPARE(view.toPlainText(), QStringLiteral("日本語のテキスト abcdef\nx"));
    }

    void mouseSelectsAndFocusShowsSelection()
    {
        BigTextView view;
        show(view, 400, 200);
        view.setPlainText(QStringLiteral("first line\nsecond line\nthird line"));
        const int lh = QFontMetrics(view.font()).lineSpacing();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(4, 4 + lh + lh / 2));
        QCOMPARE(view.selStart(), 11);
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(4, 4 + lh / 2));
        QTest::mouseMove(view.viewport(), QPoint(300, 4 + 2 * lh + lh / 2));
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(300, 4 + 2 * lh + lh / 2));
        QCOMPARE(view.selStart(), 0);
        QCOMPARE(view.selLength(), view.textLength());
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, QPoint(4 + 5, 4 + lh + lh / 2));
        QCOMPARE(view.selectedText(), QStringLiteral("second"));

        // The selection is painted only while the view has the focus.
        auto highlighted = [&] {
            const QImage img = view.viewport()->grab().toImage();
            const QRgb mark = view.palette().color(QPalette::Highlight).rgb();
            int n = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) == mark;
            return n;
        };
        QVERIFY(view.hasFocus());
        QVERIFY(highlighted() > 50);
        QLineEdit other;
        other.show();
        QApplication::setActiveWindow(&other);
        other.setFocus();
        QTRY_VERIFY(!view.hasFocus());
        QCOMPARE(highlighted(), 0);
    }

    void fileThatShrinksWhileShown()
    {
        // Cut short under the view (log rotation by copy and truncation): the
        // end key and the caret display show the file as it is now, never
        // blank lines of the text that was there.
        const QString path = m_dir.filePath("shrink.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(Cp932::encode(repeatedText(20000)));
        f.close();
        BigTextView view;
        show(view);
        view.load(openFd(path), path, TextEncoding::Cp932);
        QVERIFY(QFile::resize(path, 0));
        view.setWordWrap(true);
        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(!view.viewport()->grab().isNull());
        QTRY_COMPARE(view.textLength(), 0);
        QCOMPARE(caretText(view), QStringLiteral("0: 0"));
        view.selectAll();
        QCOMPARE(view.selectedText(), QString());
        QTest::keyClicks(&view, QStringLiteral("ok"));
        QCOMPARE(view.toPlainText(), QStringLiteral("ok"));
    }

    void contextMenuRequestPassesThrough()
    {
        BigTextView view;
        show(view);
        view.setContextMenuPolicy(Qt::CustomContextMenu);
        QSignalSpy asked(&view, &QWidget::customContextMenuRequested);
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(20, 30), view.viewport()->mapToGlobal(QPoint(20, 30)));
        QApplication::sendEvent(view.viewport(), &e);
        QCOMPARE(asked.count(), 1);
        QCOMPARE(asked.at(0).at(0).toPoint(), QPoint(20, 30));
    }

    void findStaysInsideTheRange()
    {
        BigTextView view;
        view.setPlainText(QStringLiteral("abc ABC abc\r\nabc"));
        QCOMPARE(view.document().find(QStringLiteral("abc"), 0, view.textLength()), 0);
        QCOMPARE(view.document().find(QStringLiteral("abc"), 3, view.textLength()), 8);
        QCOMPARE(view.document().find(QStringLiteral("abc"), 9, 14), -1);       // would end past the range
        QCOMPARE(view.document().find(QStringLiteral("c\nab"), 0, view.textLength()), 10);
        QCOMPARE(view.document().find(QStringLiteral("aBc"), 0, view.textLength()), -1);
    }
};

QTEST_MAIN(TestBigTextView)
#include "tst_bigtextview.moc"
