// A big text over a file that changes after it was opened: every reader that
// reads the file (copy, search) gives the text as it was opened or, when the
// file shrank or was rewritten (anywhere, whatever its size and times say),
// says so and gives nothing; never blanks or a mix of two versions. A file
// that grew, was renamed away or deleted still reads as it was.
#include "BigTextFiles.h"
#include "BigTextDocument.h"
#include "BigTextTasks.h"
#include "Cp932.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using BigTextFiles::openFd;

namespace {

constexpr int kWaitMs = 120'000; // a bound against hanging, never a figure under test

enum class Change { TruncatedToZero, Shrunk, Rewritten, RewrittenLarger, Appended, EditedInsideAppended,
                    EditedTimeKept, Renamed, RenamedOver, Deleted };

// Lines of a few blocks' worth, the last one marked.
QString linesText()
{
    QString text;
    for (int i = 0; i < 12000; ++i) text += QStringLiteral("%1 行目の文章です。Some words here.\n").arg(i);
    return text + QStringLiteral("終わりの印\n");
}

// Lines rewritten at their length, the first and last 4 KB kept; with the
// times put back only the change time (made to move on) and the bytes tell.
bool editInside(const QString& file, bool putTimesBack)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDWR | O_CLOEXEC);
    struct stat before, now;
    bool ok = fd >= 0 && ::fstat(fd, &before) == 0;
    const QByteArray line = Cp932::encode(QStringLiteral("XX 書き換えた行です。Other words here."));
    do {
        for (const qint64 at : {putTimesBack ? qint64(8000) : qint64(before.st_size / 2), qint64(before.st_size / 2)})
            ok = ok && ::pwrite(fd, line.constData(), size_t(line.size()), at) == line.size();
        ok = ok && ::fstat(fd, &now) == 0;
    } while (ok && now.st_ctim.tv_sec == before.st_ctim.tv_sec && now.st_ctim.tv_nsec == before.st_ctim.tv_nsec);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    if (putTimesBack) ok = ok && ::futimens(fd, times) == 0;
    if (fd >= 0) ::close(fd);
    return ok;
}

bool changeFile(Change change, const QString& file, qint64 size)
{
    const QByteArray name = QFile::encodeName(file);
    switch (change) {
    case Change::TruncatedToZero: return ::truncate(name.constData(), 0) == 0;
    case Change::Shrunk: return ::truncate(name.constData(), size / 3) == 0;
    case Change::Rewritten: {
        // The same size, other bytes, and a time of its own.
        const int fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
        const QByteArray other(qsizetype(size), 'x');
        struct stat st;
        bool ok = fd >= 0 && ::pwrite(fd, other.constData(), size_t(size), 0) == size && ::fstat(fd, &st) == 0;
        timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
        times[1].tv_sec += 2;
        ok = ok && ::futimens(fd, times) == 0;
        if (fd >= 0) ::close(fd);
        return ok;
    }
    case Change::RewrittenLarger: {
        // Grown, but its first bytes are not those opened: copy-and-truncate
        // log rotation followed by more lines than there were.
        QFile f(file);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && f.write(Cp932::encode(linesText().replace(QStringLiteral("行目"), QStringLiteral("番目の行")))) > size;
    }
    case Change::Appended: {
        QFile f(file);
        return f.open(QIODevice::Append) && f.write("追記\n") > 0;
    }
    case Change::EditedInsideAppended: return editInside(file, false) && changeFile(Change::Appended, file, size);
    case Change::EditedTimeKept: return editInside(file, true);
    case Change::Renamed: return ::rename(name.constData(), (name + ".1").constData()) == 0;
    case Change::RenamedOver: {
        // Saved as most editors save: a new file put in the old one's place.
        QFile f(file + ".1");
        return f.open(QIODevice::WriteOnly) && f.write(Cp932::encode(QStringLiteral("新しい版\n"))) > 0 && f.flush()
            && ::rename((name + ".1").constData(), name.constData()) == 0;
    }
    case Change::Deleted: return ::unlink(name.constData()) == 0;
    }
    return false;
}

} // namespace

Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(BigTextSource::State)
Q_DECLARE_METATYPE(BigTextSource::Named)

class TestBigTextChange : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void cleanup()
    {
        BigTextTask::setImmediateLimit(2 << 20);
        QVERIFY(BigTextWorkers::waitIdle(kWaitMs));
        QFile::remove(m_dir.filePath("changing.txt"));
        QFile::remove(m_dir.filePath("changing.txt.1"));
    }

    void readersGiveTheFileAsOpenedOrNothing_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<BigTextSource::State>("stamp"); // what is found before anything is read again
        QTest::addColumn<BigTextSource::State>("read");  // what reading it all finds
        QTest::addColumn<BigTextSource::Named>("named"); // where its name leads
        using S = BigTextSource::State;
        using N = BigTextSource::Named;
        QTest::newRow("truncated to 0") << Change::TruncatedToZero << S::Changed << S::Changed << N::File;
        QTest::newRow("shrunk") << Change::Shrunk << S::Changed << S::Changed << N::File;
        QTest::newRow("rewritten at its size") << Change::Rewritten << S::Changed << S::Changed << N::File;
        QTest::newRow("rewritten larger") << Change::RewrittenLarger << S::Changed << S::Changed << N::File;
        QTest::newRow("appended to") << Change::Appended << S::Kept << S::Kept << N::File;
        QTest::newRow("edited inside, appended to") << Change::EditedInsideAppended << S::Kept << S::Changed << N::File;
        QTest::newRow("edited inside, times put back") << Change::EditedTimeKept << S::Changed << S::Changed << N::File;
        QTest::newRow("renamed away") << Change::Renamed << S::Same << S::Same << N::Nothing;
        QTest::newRow("renamed over") << Change::RenamedOver << S::Same << S::Same << N::Other;
        QTest::newRow("deleted") << Change::Deleted << S::Same << S::Same << N::Nothing;
    }

    void readersGiveTheFileAsOpenedOrNothing()
    {
        QFETCH(Change, change);
        QFETCH(BigTextSource::State, stamp);
        QFETCH(BigTextSource::State, read);
        QFETCH(BigTextSource::Named, named);
        const QString file = m_dir.filePath("changing.txt");
        const QString text = linesText();
        const QByteArray bytes = Cp932::encode(text);
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(bytes), bytes.size());
        }
        BigTextDocument doc;
        doc.openHead(openFd(file), file, TextEncoding::Cp932, -1);
        QVERIFY(doc.blockCount() > 4);
        QCOMPARE(doc.text(0, 40), text.left(40)); // the head is held decoded
        QVERIFY(changeFile(change, file, bytes.size()));
        bool changed = stamp == BigTextSource::State::Changed;

        // A short copy, from the text held decoded and read at once.
        BigTextCopyTask copy(doc);
        QSignalSpy copied(&copy, &BigTextCopyTask::finished);
        QSignalSpy copyStopped(&copy, &BigTextTask::fileChanged);
        copy.start(0, 40);
        QCOMPARE(copied.count(), changed ? 0 : 1);
        QCOMPARE(copyStopped.count(), changed ? 1 : 0);
        if (!changed) QCOMPARE(copied.at(0).at(0).toString(), text.left(40));
        changed = read == BigTextSource::State::Changed;

        // The whole text on workers, and a search for its last line.
        BigTextTask::setImmediateLimit(0);
        copied.clear();
        copyStopped.clear();
        copy.start(0, doc.length());
        QTRY_VERIFY_WITH_TIMEOUT(copied.count() + copyStopped.count() > 0, kWaitMs);
        QCOMPARE(copyStopped.count(), changed ? 1 : 0);
        if (!changed) QCOMPARE(copied.at(0).at(0).toString(), text);

        BigTextFindTask find(doc);
        QSignalSpy found(&find, &BigTextFindTask::finished);
        QSignalSpy findStopped(&find, &BigTextTask::fileChanged);
        find.start(QStringLiteral("終わりの印"), 0, doc.length());
        QTRY_VERIFY_WITH_TIMEOUT(found.count() + findStopped.count() > 0, kWaitMs);
        QCOMPARE(findStopped.count(), changed ? 1 : 0);
        if (!changed) QCOMPARE(found.at(0).at(0).toLongLong(), text.indexOf(QStringLiteral("終わりの印")));

        QCOMPARE(doc.fileChanged(), changed);
        QCOMPARE(doc.source()->verify(), read);
        QCOMPARE(doc.source()->look().named, named);
    }
};

QTEST_GUILESS_MAIN(TestBigTextChange)
#include "tst_bigtextchange.moc"
