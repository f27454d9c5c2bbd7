// The big-text view over a file that changes while it is shown: a file that
// shrank or was rewritten is shown again as it is now, the caret kept on its
// line; one that grew, was renamed away or deleted keeps its text; the user
// is told either way, and nothing shown or copied meanwhile is blanks or a mix.
#include "BigTextNotice.h"
#include "BigTextView.h"
#include "Cp932.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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

// Written over in place, without a change of size: only its time tells.
void rewriteInPlace(const QString& path, const QString& text)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    const QByteArray bytes = Cp932::encode(text);
    struct stat st;
    QVERIFY(::pwrite(fd, bytes.constData(), size_t(bytes.size()), 0) == bytes.size() && ::fstat(fd, &st) == 0);
    timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    times[1].tv_sec += 2;
    QVERIFY(::futimens(fd, times) == 0);
    ::close(fd);
}

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
        const QString before = lines(20000, QStringLiteral("行目"));
        QTest::newRow("truncated to 0") << "truncate" << QString() << true << "0: 0";
        QTest::newRow("shrunk") << "truncate" << lines(100, QStringLiteral("行目")) << true << "100: 0";
        QTest::newRow("rewritten at its size") << "rewrite" << lines(20000, QStringLiteral("番目")) << true << "150: 3";
        QTest::newRow("appended to") << "append" << before + QStringLiteral("追記\n") << false << "150: 3";
        QTest::newRow("renamed away") << "rename" << before << false << "150: 3";
        QTest::newRow("deleted") << "delete" << before << false << "150: 3";
    }

    void fileThatChangesWhileShown()
    {
        QFETCH(QString, change);
        QFETCH(QString, now);
        QFETCH(bool, reloaded);
        QFETCH(QString, caretNow);
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
        } else if (change == "rewrite") {
            rewriteInPlace(path, now);
        } else if (change == "append") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::Append));
            f.write(Cp932::encode(QStringLiteral("追記\n")));
        } else if (change == "rename") {
            QVERIFY(::rename(name.constData(), (name + ".1").constData()) == 0);
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
        QCOMPARE(view.notice().text(), QStringLiteral("ファイルが変更されました。"));
        QCOMPARE(view.notice().reloadOffered(), !reloaded);
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

        // Kept: a reload asked for shows the file as it is now.
        QCOMPARE(view.selStart(), caret);
        view.reloadFile();
        QVERIFY(!view.notice().shown());
        QTRY_VERIFY_WITH_TIMEOUT(view.isComplete(), kWaitMs);
        QCOMPARE(view.toPlainText(), now);
        const qint64 line = view.lineFromChar(view.selStart());
        QCOMPARE(QStringLiteral("%1: %2").arg(line).arg(view.selStart() - view.lineIndex(line)), caretNow);
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
