// The text pane while a big file is indexed in the background: walking past a
// huge file, closing mid-index, Ctrl+End, select all and copy, find, a long
// find cancelled with Escape, and wrapped-line numbers that firm up.
#include "BigTextJobs.h"
#include "BigTextLayout.h"
#include "BigTextTasks.h"
#include "BigTextView.h"
#include "Cp932.h"
#include "FindDialog.h"
#include "TextViewRig.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QtTest>

#include <optional>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Lines "行 N の文章" with CR LF, about bytes long in all.
QByteArray numberedLines(qint64 bytes, const QString& last = {})
{
    QByteArray out;
    for (int n = 0; out.size() < bytes; ++n) out += Cp932::encode(QStringLiteral("行 %1 の文章です。ここに少し言葉を並べておく。\r\n").arg(n));
    if (!last.isEmpty()) out += Cp932::encode(last + QStringLiteral("\r\n"));
    return out;
}

struct Rig : TextViewRig {
    Rig()
    {
        // Small steps, so that a file of a few megabytes is still being indexed when looked at.
        BigTextIndexer::Options o;
        o.headBytes = 64 * 1024;
        o.segmentBytes = 256 * 1024;
        o.chunkBytes = 64 * 1024;
        view()->activity().indexer().setOptions(o);
        form->resize(600, 400);
    }
    BigTextView* view() const { return qobject_cast<BigTextView*>(pane()->textWidgets().at(0)); }
    void showWindow()
    {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    // A sparse file far larger than could be indexed in a test.
    bool writeHuge(const QString& name)
    {
        const int fd = ::open(QFile::encodeName(path(name)).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return false;
        const QByteArray head = numberedLines(8 * 1024);
        const bool ok = ::write(fd, head.constData(), size_t(head.size())) == head.size() && ::ftruncate(fd, qint64(64) << 30) == 0;
        ::close(fd);
        return ok;
    }
};

QString decoded(const QByteArray& cp932) { return Cp932::decode(cp932).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

} // namespace

class TestBigTextAsync : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        BigTextTask::setImmediateLimit(2 << 20);
        QVERIFY(BigTextWorkers::waitIdle(60000));
    }

    void walkingPastAHugeFileAndClosingMidIndex()
    {
        auto rig = std::make_unique<Rig>();
        if (!rig->writeHuge(QStringLiteral("huge.txt"))) QSKIP("no room for a sparse 64 GB file");
        rig->write(QStringLiteral("small.txt"), Cp932::encode(QStringLiteral("小さい\r\n")));
        rig->list({QStringLiteral("huge.txt"), QStringLiteral("small.txt")});
        rig->select(0);
        QVERIFY(rig->messages().isEmpty());
        QVERIFY(!rig->view()->isComplete());
        QVERIFY(rig->pane()->text().startsWith(QStringLiteral("行 0 の文章")));   // the head, at once
        QTRY_VERIFY(BigTextWorkers::busy() > 0);

        // The next file: the work for the huge one stops, whatever it had left.
        rig->select(1);
        QCOMPARE(rig->pane()->text(), QStringLiteral("小さい\n"));
        QVERIFY(BigTextWorkers::waitIdle(60000));
        QCOMPARE(rig->panel(1), QStringLiteral("small.txt"));

        // Back to the huge file, and the window goes away while it is indexed.
        rig->select(0);
        QTRY_VERIFY(BigTextWorkers::busy() > 0);
        rig.reset();
        QVERIFY(BigTextWorkers::waitIdle(60000));
    }

    void ctrlEndSelectAllAndCopyKeepToTheEnd()
    {
        Rig v;
        const QByteArray bytes = numberedLines(3 << 20);
        const QString text = decoded(bytes);
        v.write(QStringLiteral("long.txt"), bytes);
        v.showWindow();
        v.showListed(QStringLiteral("long.txt"));
        QVERIFY(!v.view()->isComplete());
        v.pane()->setFocusToText();
        QTest::keyClick(v.pane()->textWidget(), Qt::Key_End, Qt::ControlModifier);
        // At the end of a file still being indexed the number grows: marked, also for a screen reader.
        auto caretName = [&] { return QAccessible::queryAccessibleInterface(ui(*v.form).StatusPanel.at(0))->text(QAccessible::Name); };
        QCOMPARE(u'~' + caretName(), v.panel(0) + QStringLiteral("（未確定）"));
        QTRY_VERIFY_WITH_TIMEOUT(v.view()->isComplete(), 30000);
        QTRY_COMPARE(v.pane()->selStart(), text.size());  // the caret went on to the real end
        QCOMPARE(v.panel(0), QStringLiteral("%1: 0").arg(text.count(u'\n')));
        QCOMPARE(caretName(), v.panel(0));

        // Select all and copy before the index is complete: the whole text arrives.
        QApplication::clipboard()->setText(QStringLiteral("before"));
        v.showListed(QStringLiteral("long.txt"));
        QVERIFY(!v.view()->isComplete());
        v.form->L1Click();
        v.form->C1Click();
        QCOMPARE(v.panel(0), QStringLiteral("0: 0"));
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::clipboard()->text().size(), text.size(), 30000);
        QCOMPARE(QApplication::clipboard()->text(), text);
        QCOMPARE(v.pane()->selLength(), text.size());
        QVERIFY(v.messages().isEmpty());
    }

    void aCopyPressedBeforeTheIndexEnds_data()
    {
        QTest::addColumn<QList<QKeyCombination>>("keys"); // pressed in the pane while its file is indexed
        QTest::addColumn<bool>("cut");                     // then the file is cut short
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, shiftCtrl = Qt::ShiftModifier | ctrl;
        QTest::newRow("Ctrl+A") << QList<QKeyCombination>{ctrl | Qt::Key_A} << false;
        QTest::newRow("Shift+Ctrl+End") << QList<QKeyCombination>{shiftCtrl | Qt::Key_End} << false;
        QTest::newRow("Ctrl+End, Shift+Ctrl+Home") << QList<QKeyCombination>{ctrl | Qt::Key_End, shiftCtrl | Qt::Key_Home} << false;
        QTest::newRow("Ctrl+A, file cut short") << QList<QKeyCombination>{ctrl | Qt::Key_A} << true;
    }
    void aCopyPressedBeforeTheIndexEnds()
    {
        QFETCH(QList<QKeyCombination>, keys);
        QFETCH(bool, cut);
        Rig v;
        const QByteArray bytes = numberedLines(3 << 20);
        v.write(QStringLiteral("long.txt"), bytes);
        v.showWindow();
        QApplication::clipboard()->setText(QStringLiteral("before"));
        {
            BigTextWorkers::Hold hold;
            v.showListed(QStringLiteral("long.txt"));
            v.pane()->setFocusToText();
            for (const QKeyCombination key : keys) QTest::keyClick(v.pane()->textWidget(), key.key(), key.keyboardModifiers());
        }
        {
            // The index grows on while the view is not told yet, as between two of its reports.
            QSignalBlocker quiet(&v.view()->activity());
            QTRY_VERIFY_WITH_TIMEOUT(v.view()->document().length() > v.pane()->selLength(), 30000);
        }
        if (cut) QVERIFY(::truncate(QFile::encodeName(v.path(QStringLiteral("long.txt"))).constData(), 1000) == 0);
        QTest::keyClick(v.pane()->textWidget(), Qt::Key_C, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::clipboard()->text(), cut ? QStringLiteral("before") : decoded(bytes), 30000);
        QTRY_COMPARE(v.messages(), cut ? QStringList{QStringLiteral("ファイルが変更されたため、コピーできませんでした.")} : QStringList{});
    }

    void longLinesAreOneLineInTheCaretDisplay_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("endCaret"); // Ctrl+End
        QTest::addColumn<QString>("hitCaret"); // the find hit
        const QByteArray mark = Cp932::encode(QStringLiteral("目印"));
        auto row = [](const char* name, const QByteArray& bytes, const char* endCaret, const char* hitCaret) {
            QTest::newRow(name) << bytes << QString::fromLatin1(endCaret) << QString::fromLatin1(hitCaret);
        };
        row("3 MiB of a", QByteArray(3 << 20, 'a') + mark, "0: 3145730", "0: 3145728");
        row("あ in CP932", Cp932::encode(QString(1 << 20, u'あ')) + mark + "\r\nz", "1: 1", "0: 1048576");
        row("NUL inside a line", "x" + QByteArray(2 << 20, '\0') + mark, "0: 2097155", "0: 2097153");
    }
    void longLinesAreOneLineInTheCaretDisplay()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, endCaret);
        QFETCH(QString, hitCaret);
        Rig v;
        v.write(QStringLiteral("long.txt"), bytes);
        v.showWindow();
        v.showListed(QStringLiteral("long.txt"));
        v.pane()->setFocusToText();
        QTest::keyClick(v.pane()->textWidget(), Qt::Key_End, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(v.view()->isComplete(), 30000);
        QTRY_COMPARE(v.panel(0), endCaret);
        v.showListed(QStringLiteral("long.txt"));
        ui(*v.form).FindDlg->setFindText(QStringLiteral("目印"));
        v.form->FindDlgFind();
        QTRY_COMPARE_WITH_TIMEOUT(v.pane()->selectedText(), QStringLiteral("目印"), 30000);
        QCOMPARE(v.panel(0), hitCaret);
    }

    void findWhileIndexing()
    {
        Rig v;
        const QByteArray bytes = numberedLines(3 << 20, QStringLiteral("最後の目印"));
        const QString text = decoded(bytes);
        v.write(QStringLiteral("find.txt"), bytes);
        v.showWindow();
        v.showListed(QStringLiteral("find.txt"));
        QVERIFY(!v.view()->isComplete());
        ui(*v.form).FindDlg->setFindText(QStringLiteral("最後の目印"));
        v.form->FindDlgFind(); // the mark lies beyond what is indexed yet
        QTRY_COMPARE_WITH_TIMEOUT(v.pane()->selStart(), text.indexOf(QStringLiteral("最後の目印")), 30000);
        QCOMPARE(v.pane()->selectedText(), QStringLiteral("最後の目印"));
        QCOMPARE(v.panel(0), QStringLiteral("%1: 0").arg(text.count(u'\n') - 1));

        // Once more: not found, and said so only after the whole text.
        v.showListed(QStringLiteral("find.txt"));
        ui(*v.form).FindDlg->setFindText(QStringLiteral("どこにもない"));
        v.form->FindDlgFind();
        QVERIFY(v.messages().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(v.messages(), QStringList{QStringLiteral("見つかりませんでした。")}, 30000);
        QVERIFY(v.view()->isComplete());
    }

    void copyAndFindReadOnlyCheckedCounts_data()
    {
        QTest::addColumn<bool>("copy"); // else a find of the mark on the last line
        QTest::newRow("select all + copy") << true;
        QTest::newRow("find at the end") << false;
    }
    void copyAndFindReadOnlyCheckedCounts()
    {
        // Ill-formed bytes every 50 lines: their quick counts are wrong until
        // checked. Asked for before any worker runs, the answer equals the
        // same asked for once everything is idle.
        QFETCH(bool, copy);
        QByteArray bytes;
        for (int n = 0; bytes.size() < (3 << 20); ++n) {
            bytes += Cp932::encode(QStringLiteral("行 %1 の文章です。ここに少し言葉を並べておく。\r\n").arg(n));
            if (n % 50 == 49) bytes += QByteArray("\x82\x40\x85\x40\x82\r\n\xFD\x81\r\n", 12);
        }
        bytes += Cp932::encode(QStringLiteral("最後の目印\r\n"));
        Rig v;
        v.write(QStringLiteral("ill.txt"), bytes);
        v.showWindow();
        auto ask = [&] {
            if (copy) {
                v.form->L1Click();
                v.form->C1Click();
            } else {
                v.pane()->setSelStart(0);
                ui(*v.form).FindDlg->setFindText(QStringLiteral("最後の目印"));
                v.form->FindDlgFind();
            }
        };
        auto answer = [&] { return copy ? QApplication::clipboard()->text() : QString::number(v.pane()->selStart()); };
        QApplication::clipboard()->setText(QStringLiteral("before"));
        {
            BigTextWorkers::Hold hold;
            v.showListed(QStringLiteral("ill.txt"));
            QVERIFY(!v.view()->isComplete());
            ask();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!v.view()->isBusy() && v.view()->document().isExact(), 60000);
        const QString early = answer();
        QVERIFY(v.messages().isEmpty());
        QApplication::clipboard()->setText(QStringLiteral("before"));
        ask();
        QTRY_VERIFY_WITH_TIMEOUT(!v.view()->isBusy(), 60000);
        QCOMPARE(early.size(), answer().size());
        QCOMPARE(early, answer());
        if (!copy) QCOMPARE(v.pane()->selectedText(), QStringLiteral("最後の目印"));
    }

    void shownTextNeverStandsOnUncheckedCounts()
    {
        // The whole file indexed with quick counts, their check held back:
        // wherever the view goes, the block it shows is checked on the spot
        // and reads as the file.
        QByteArray bytes;
        for (int n = 0; bytes.size() < (3 << 20); ++n) {
            bytes += Cp932::encode(QStringLiteral("行 %1 の文章です。ここに少し言葉を並べておく。\r\n").arg(n));
            if (n % 8 == 7) bytes += QByteArray("\x82\x40\x85\x40\x82\r\n\xFD\x81\r\n", 12);
        }
        // (Read as a big text, what has no character reads as U+FFFD.)
        const QStringList lines = decoded(bytes).replace(QChar(0), QChar(0xFFFD)).split(u'\n');
        Rig v;
        v.write(QStringLiteral("ill.txt"), bytes);
        v.showWindow();
        std::optional<BigTextWorkers::Hold> hold(std::in_place);
        v.showListed(QStringLiteral("ill.txt"));
        // The workers index it all; what they found is taken in (and the
        // check started) only once the check is held too.
        hold.reset();
        QVERIFY(BigTextWorkers::waitIdle(60000));
        hold.emplace();
        QTRY_VERIFY_WITH_TIMEOUT(v.view()->isComplete(), 60000);
        const BigTextDocument& doc = v.view()->document();
        QVERIFY(!doc.isExact());
        for (qint64 line : {qint64(lines.size() / 2), qint64(lines.size() - 2)}) {
            v.pane()->setSelStart(doc.lineStart(line));
            v.view()->viewport()->repaint();
            const int block = doc.blockAt(doc.lineStart(line));
            QVERIFY(doc.part(block).exact);
            const BigTextDocument::Block b = doc.block(block);
            for (qint64 l = b.firstLine; l < b.firstLine + b.lines; ++l)
                QCOMPARE(doc.text(doc.lineStart(l), doc.lineLength(l)), lines[l]);
        }
        QVERIFY(!doc.isExact()); // the rest is left to the check
        hold.reset();
        QTRY_VERIFY_WITH_TIMEOUT(doc.isExact(), 60000);
        QCOMPARE(doc.text(0, doc.length()), lines.join(u'\n'));
    }

    void longFindShowsProgressAndEscapeCancelsIt()
    {
        Rig v;
        if (!v.writeHuge(QStringLiteral("huge.txt"))) QSKIP("no room for a sparse 64 GB file");
        v.showWindow();
        v.showListed(QStringLiteral("huge.txt"));
        v.pane()->setSelStart(3);
        ui(*v.form).FindDlg->setFindText(QStringLiteral("NEEDLE"));
        v.form->FindDlgFind();
        QVERIFY(v.view()->isBusy());
        QTRY_VERIFY_WITH_TIMEOUT(v.view()->progressShown(), 10000);
        // The strip reads as what is under way, the bar included.
        auto* bar = v.view()->findChild<QProgressBar*>();
        QVERIFY(bar && bar->isVisible());
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(bar);
        QVERIFY(read);
        QCOMPARE(read->text(QAccessible::Name), QStringLiteral("検索しています…"));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : v.form.get(), Qt::Key_Escape);
        QTRY_VERIFY(!v.view()->isBusy());
        QVERIFY(!v.view()->progressShown());
        QVERIFY(v.messages().isEmpty());       // cancelled, not "not found"
        QCOMPARE(v.pane()->selStart(), 3);
        QCOMPARE(v.pane()->selLength(), 0);
        QVERIFY(!v.view()->isComplete());      // only the search was cancelled
    }

    void wrappedLineNumbersFirmUp()
    {
        Rig v;
        // Many blocks of lines that wrap: more than are measured on the spot.
        QByteArray bytes;
        for (int n = 0; bytes.size() < (6 << 20); ++n)
            bytes += Cp932::encode(QStringLiteral("%1 ").arg(n) + QStringLiteral("折り返す長い行の文章、").repeated(1 + n % 7) + QStringLiteral("\r\n"));
        v.write(QStringLiteral("wrap.txt"), bytes);
        v.showWindow();
        v.showListed(QStringLiteral("wrap.txt"));
        QTRY_VERIFY_WITH_TIMEOUT(v.view()->isComplete(), 30000);
        v.form->WWraps();
        QVERIFY(v.view()->document().blockCount() > BigTextLayout::kSyncBlocks * 2);
        v.pane()->setFocusToText();
        {
            // While the workers count, the progress strip says so.
            BigTextWorkers::Hold hold;
            QTest::keyClick(v.pane()->textWidget(), Qt::Key_End, Qt::ControlModifier);
            QVERIFY(!v.view()->lineNumbersFinal()); // guessed for now, counted in the background
            QVERIFY(v.panel(0).endsWith(QStringLiteral(": 0"))); // but the column is right all along
            QVERIFY2(v.panel(0).startsWith(u'~'), qPrintable(v.panel(0))); // and the number is marked as not final
            QTRY_VERIFY(v.view()->progressShown());
            const auto* strip = v.view()->findChild<QProgressBar*>()->parentWidget();
            QVERIFY(strip->findChild<QLabel*>()->text().contains(QStringLiteral("行を数えています")));
        }

        // The number the caret display settles on, counted line by line here.
        const BigTextDocument& doc = v.view()->document();
        const BigTextLayout& layout = v.view()->layout();
        qint64 rows = 0;
        for (qint64 line = 0; line + 1 < doc.lineCount(); ++line) rows += layout.rowCount(doc.lineText(line));
        QTRY_COMPARE_WITH_TIMEOUT(v.panel(0), QStringLiteral("%1: 0").arg(rows), 30000);
        QVERIFY(v.view()->lineNumbersFinal());
        QTRY_VERIFY(!v.view()->progressShown());
        QCOMPARE(v.pane()->lineIndex(rows), doc.length());
    }
};

QTEST_MAIN(TestBigTextAsync)
#include "tst_bigtextasync.moc"
