// The big-text view over a file that changes while it is shown: a file that
// shrank or was rewritten is shown again as it is now, the caret kept on its
// line; one that grew, was renamed away or deleted keeps its text; the user
// is told either way, and nothing shown or copied meanwhile is blanks or a mix.
// A reload opens the file's name anew; a name that leads nowhere offers none.
#include "BigTextNotice.h"
#include "BigTextView.h"
#include "BigTextWatch.h"
#include "Cp932.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 120'000; // a bound against hanging, never a figure under test

int openFd(const QString& path) { return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC); }

QString lines(int count, const QString& word)
{
    QString text;
    for (int i = 0; i < count; ++i) text += QStringLiteral("%1 %2の文章です。Some words here.\n").arg(i).arg(word);
    return text;
}

void writeFile(const QString& path, const QString& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QByteArray bytes = Cp932::encode(text);
    QCOMPARE(f.write(bytes), bytes.size());
}

// Written over in place, without a change of size: its time moved on, or
// put back to what it was (then only the change time and the bytes tell).
void rewriteInPlace(const QString& path, const QString& text, bool putTimeBack = false)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    const QByteArray bytes = Cp932::encode(text);
    struct stat before, st;
    QVERIFY(::fstat(fd, &before) == 0);
    QVERIFY(::pwrite(fd, bytes.constData(), size_t(bytes.size()), 0) == bytes.size() && ::fstat(fd, &st) == 0);
    timespec times[2] = {{0, UTIME_OMIT}, putTimeBack ? before.st_mtim : st.st_mtim};
    if (!putTimeBack) times[1].tv_sec += 2;
    QVERIFY(::futimens(fd, times) == 0);
    ::close(fd);
}

int g_alerts = 0; // what a screen reader was told to read out at once

} // namespace

class TestBigTextChange : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    void show(BigTextView& view)
    {
        view.resize(400, 300);
        view.show();
        QApplication::setActiveWindow(&view);
        view.setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }

private Q_SLOTS:
    void cleanup()
    {
        QVERIFY(BigTextWorkers::waitIdle(kWaitMs));
        QFile::remove(m_dir.filePath("shown.txt"));
        QFile::remove(m_dir.filePath("shown.txt.1"));
    }

    void fileThatChangesWhileShown_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("now");      // the text the file holds after the change
        QTest::addColumn<bool>("reloaded");    // on its own; else it keeps its text and offers a reload
        QTest::addColumn<QString>("caretNow"); // line: column after the change
        QTest::addColumn<bool>("offered");     // a reload (else the name leads nowhere)
        const QString before = lines(20000, QStringLiteral("行目"));
        const QString other = lines(20000, QStringLiteral("番目"));
        const QString edited = QString(before).replace(QStringLiteral("\n200 行目"), QStringLiteral("\n200 番目"))
                                   .replace(QStringLiteral("\n10000 行目"), QStringLiteral("\n10000 番目"));
        QTest::newRow("truncated to 0") << "truncate" << QString() << true << "0: 0" << false;
        QTest::newRow("shrunk") << "truncate" << lines(100, QStringLiteral("行目")) << true << "100: 0" << false;
        QTest::newRow("rewritten at its size") << "rewrite" << other << true << "150: 3" << false;
        QTest::newRow("rewritten, time put back") << "rewrite back" << other << true << "150: 3" << false;
        QTest::newRow("appended to") << "append" << before + QStringLiteral("追記\n") << false << "150: 3" << true;
        QTest::newRow("edited inside, appended to")
            << "edit, append" << edited + QStringLiteral("追記\n") << true << "150: 3" << false;
        QTest::newRow("renamed away") << "rename" << before << false << "150: 3" << false;
        QTest::newRow("renamed over") << "rename over" << other << false << "150: 3" << true;
        QTest::newRow("deleted") << "delete" << before << false << "150: 3" << false;
    }

    void fileThatChangesWhileShown()
    {
        QFETCH(QString, change);
        QFETCH(QString, now);
        QFETCH(bool, reloaded);
        QFETCH(QString, caretNow);
        QFETCH(bool, offered);
        const QString path = m_dir.filePath("shown.txt");
        const QString before = lines(20000, QStringLiteral("行目"));
        writeFile(path, before);
        BigTextView view;
        show(view);
        view.load(openFd(path), path, TextEncoding::Cp932);
        QTRY_VERIFY_WITH_TIMEOUT(view.isComplete(), kWaitMs);
        const qint64 caret = view.lineIndex(150) + 3;
        view.setSelStart(caret);
        QVERIFY(!view.viewport()->grab().isNull()); // the lines around the caret are held decoded
        QVERIFY(!view.notice().shown());

        const QByteArray name = QFile::encodeName(path);
        if (change == "truncate") {
            QVERIFY(::truncate(name.constData(), Cp932::encode(now).size()) == 0);
        } else if (change.startsWith("rewrite")) {
            rewriteInPlace(path, now, change.endsWith("back"));
        } else if (change.endsWith("append")) {
            // Lines of the head's block and of the middle rewritten at their length.
            if (change.startsWith("edit")) rewriteInPlace(path, now.chopped(3), true);
            QFile f(path);
            QVERIFY(f.open(QIODevice::Append));
            f.write(Cp932::encode(QStringLiteral("追記\n")));
        } else if (change == "rename") {
            QVERIFY(::rename(name.constData(), (name + ".1").constData()) == 0);
        } else if (change == "rename over") {
            writeFile(path + ".1", now);
            QVERIFY(::rename((name + ".1").constData(), name.constData()) == 0);
        } else {
            QVERIFY(::unlink(name.constData()) == 0);
        }

        // A copy made before the change is noticed gives the text as shown, or nothing.
        QApplication::clipboard()->setText(QStringLiteral("before the copy"));
        view.selectAll();
        view.copy();
        QCOMPARE(QApplication::clipboard()->text(), reloaded ? QStringLiteral("before the copy") : before);
        view.setSelStart(caret);

        // Noticed by painting, or by the look taken while the file is shown.
        view.viewport()->update();
        QTRY_VERIFY_WITH_TIMEOUT(view.notice().shown(), kWaitMs);
        QCOMPARE(view.notice().text(), offered || reloaded ? QStringLiteral("ファイルが変更されました。")
                                                           : QStringLiteral("ファイルが削除または移動されました。"));
        QCOMPARE(view.notice().reloadOffered(), offered);
        QTRY_VERIFY_WITH_TIMEOUT(view.isComplete(), kWaitMs);
        QCOMPARE(view.toPlainText(), reloaded ? now : before);
        if (reloaded) {
            const qint64 s = view.selStart();
            const qint64 line = view.lineFromChar(s);
            QCOMPARE(QStringLiteral("%1: %2").arg(line).arg(s - view.lineIndex(line)), caretNow);
            QCOMPARE(view.selLength(), 0);
            view.selectAll();
            view.copy();
            QCOMPARE(QApplication::clipboard()->text(), now.isEmpty() ? QStringLiteral("before the copy") : now);
            return;
        }

        // Kept: the reload key shows the file its name leads to now; where it
        // leads nowhere, there is nothing to reload, and the key does nothing.
        QCOMPARE(view.selStart(), caret);
        QTest::keyClick(&view, Qt::Key_F5);
        if (!offered) {
            QCOMPARE(view.toPlainText(), before);
            QCOMPARE(view.notice().text(), QStringLiteral("ファイルが削除または移動されました。"));
            return;
        }
        QVERIFY(!view.notice().shown());
        QTRY_VERIFY_WITH_TIMEOUT(view.isComplete(), kWaitMs);
        QCOMPARE(view.toPlainText(), now);
        const qint64 line = view.lineFromChar(view.selStart());
        QCOMPARE(QStringLiteral("%1: %2").arg(line).arg(view.selStart() - view.lineIndex(line)), caretNow);
    }

    void noticeFromTheKeyboard()
    {
        const QString path = m_dir.filePath("shown.txt");
        writeFile(path, lines(2000, QStringLiteral("行目")));
        BigTextView view;
        show(view);
        view.load(openFd(path), path, TextEncoding::Cp932);
        QTRY_VERIFY_WITH_TIMEOUT(view.isComplete(), kWaitMs);
        // As when a screen reader starts listening.
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
        const auto heard =
            QAccessible::installUpdateHandler([](QAccessibleEvent* e) { g_alerts += e->type() == QAccessible::Alert; });
        QFile f(path);
        QVERIFY(f.open(QIODevice::Append) && f.write("more\n") && f.flush());
        {
            // The look at the file is a worker's: held, nothing is known yet.
            BigTextWorkers::Hold hold;
            view.checkFile();
            QVERIFY(!view.notice().shown());
        }
        QTRY_VERIFY_WITH_TIMEOUT(view.notice().shown(), kWaitMs);
        QCOMPARE(g_alerts, 1);
        QAccessible::installUpdateHandler(heard);
        QVERIFY(view.notice().toolTip().contains(QStringLiteral("F5")));

        // Tab goes from the text to the strip's buttons; closed, it stays closed.
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_Tab);
        auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        QVERIFY(button && button->text() == QStringLiteral("再読み込み"));
        QTest::keyClick(button, Qt::Key_Tab);
        button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        QVERIFY(button && button->parent() == &view.notice());
        QTest::keyClick(button, Qt::Key_Space);
        QVERIFY(!view.notice().shown());
        QSignalSpy looked(&view.watch(), &BigTextWatch::looked);
        view.checkFile();
        QTRY_COMPARE_WITH_TIMEOUT(looked.count(), 1, kWaitMs);
        QVERIFY(!view.notice().shown());
        QVERIFY(f.write("more\n") && f.flush()); // until the file changes again
        view.checkFile();
        QTRY_VERIFY_WITH_TIMEOUT(view.notice().shown(), kWaitMs);
    }

    void caretLineWaitsForTheIndex()
    {
        // Rewritten while shown, with the caret far beyond what is indexed at
        // first: it goes back to its line once the index holds it.
        const QString path = m_dir.filePath("shown.txt");
        writeFile(path, lines(200000, QStringLiteral("行目")));
        BigTextView view;
        show(view);
        view.load(openFd(path), path, TextEncoding::Cp932);
        QTRY_VERIFY_WITH_TIMEOUT(view.isComplete(), kWaitMs);
        view.setSelStart(view.lineIndex(190000) + 5);
        QVERIFY(!view.viewport()->grab().isNull());
        const QString now = lines(200000, QStringLiteral("番目"));
        {
            BigTextWorkers::Hold hold; // the reload indexes its head only, for now
            rewriteInPlace(path, now);
            // Found by a reader: the reload needs no look at the file then.
            QCOMPARE(view.document().source()->verify(), BigTextSource::State::Changed);
            view.checkFile();
            QVERIFY(!view.isComplete());
            QVERIFY(view.notice().shown());
            QCOMPARE(view.selStart(), 0);
        }
        QTRY_VERIFY_WITH_TIMEOUT(view.isComplete(), kWaitMs);
        // The view hears of the last blocks a moment after the document has them.
        QTRY_COMPARE_WITH_TIMEOUT(view.selStart(), view.lineIndex(190000) + 5, kWaitMs);
        QCOMPARE(view.document().text(view.selStart() - 5, 10), QStringLiteral("190000 番目の"));
    }
};

QTEST_MAIN(TestBigTextChange)
#include "tst_bigtextchange.moc"
