// Replacing a settings file: a file-size limit, a read-only file and a file
// that is a symbolic link each end as the user expects, and no temporary file
// is ever left beside the settings.
#include "LineBuffer.h"
#include "VarError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QString savingFails(const QString& path, const QByteArray& bytes, Durability durability = Durability::Synced)
{
    try {
        saveFileAtomically(path, bytes, durability);
    } catch (const VarError& e) {
        return e.message();
    }
    return QString();
}

// A file written without the sync keeps every other promise.
void durabilityRows()
{
    QTest::addColumn<Durability>("durability");
    QTest::newRow("synced") << Durability::Synced;
    QTest::newRow("unsynced") << Durability::Unsynced;
}

} // namespace

class TstSaveFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_dir.reset(new QTemporaryDir); }

    void fileSizeLimitIsAnErrorNotTheEnd()
    {
        // The signal is left at its default here: the save itself must keep
        // the limit from ending the process.
        const QString path = m_dir->filePath(QStringLiteral("appcfgs.cfg"));
        write(path, "old\r\n");
        rlimit old{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &old) == 0);
        rlimit none = old;
        none.rlim_cur = 0;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &none) == 0);
        const QString message = savingFails(path, "new contents\r\n");
        ::setrlimit(RLIMIT_FSIZE, &old);

        QCOMPARE(message, QStringLiteral("ﾌｧｲﾙ %1 を作成できません").arg(path));
        QCOMPARE(contents(path), QByteArray("old\r\n"));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"appcfgs.cfg"});
    }

    // Saves on several threads at once leave programs started later the
    // usual disposition of the signal, never an ignored one.
    void overlappingSavesLeaveTheSignalAlone()
    {
        std::vector<std::thread> savers;
        std::atomic<int> failed = 0;
        for (int n = 0; n < 4; ++n)
            savers.emplace_back([&, path = m_dir->filePath(QStringLiteral("exitem%1.cfg").arg(n))] {
                for (int i = 0; i < 200; ++i) failed += !savingFails(path, "x\r\n", Durability::Unsynced).isEmpty();
            });
        for (std::thread& s : savers) s.join();
        QCOMPARE(failed.load(), 0);
        struct sigaction now {};
        QVERIFY(::sigaction(SIGXFSZ, nullptr, &now) == 0 && now.sa_handler != SIG_IGN);
        QProcess status;
        status.start(QStringLiteral("cat"), {QStringLiteral("/proc/self/status")});
        QVERIFY(status.waitForFinished(-1));
        const QByteArray out = status.readAllStandardOutput();
        const qsizetype at = out.indexOf("\nSigIgn:");
        QVERIFY(at >= 0);
        const quint64 ignored = out.mid(at + 8, out.indexOf('\n', at + 1) - at - 8).trimmed().toULongLong(nullptr, 16);
        QVERIFY2(!((ignored >> (SIGXFSZ - 1)) & 1), "a started program ignores SIGXFSZ");
    }

    void readOnlyFileIsNotReplaced_data() { durabilityRows(); }
    void linkIsWrittenThroughToItsTarget_data() { durabilityRows(); }

    void readOnlyFileIsNotReplaced()
    {
        QFETCH(Durability, durability);
        const QString path = m_dir->filePath(QStringLiteral("exitem.cfg"));
        write(path, "kept\r\n");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QCOMPARE(savingFails(path, "lost\r\n", durability), QStringLiteral("ﾌｧｲﾙ %1 を作成できません").arg(path));
        QCOMPARE(contents(path), QByteArray("kept\r\n"));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"exitem.cfg"});
    }

    void linkIsWrittenThroughToItsTarget()
    {
        QFETCH(Durability, durability);
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("real/sub")));
        const QString target = m_dir->filePath(QStringLiteral("real/sub/appitems.cfg"));
        write(target, "old\r\n");
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner));
        // A relative link to a relative link.
        const QString hop = m_dir->filePath(QStringLiteral("real/hop.cfg"));
        QVERIFY(QFile::link(QStringLiteral("sub/appitems.cfg"), hop));
        const QString link = m_dir->filePath(QStringLiteral("appitems.cfg"));
        QVERIFY(QFile::link(QStringLiteral("real/hop.cfg"), link));

        QCOMPARE(savingFails(link, "new\r\n", durability), QString());
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(QFileInfo(hop).isSymLink());
        QCOMPARE(contents(target), QByteArray("new\r\n"));
        QCOMPARE(int(QFileInfo(target).permissions() & 0x7077), int(QFile::ReadOwner | QFile::WriteOwner));

        // A link whose file does not exist yet gets that file.
        const QString dangling = m_dir->filePath(QStringLiteral("appcfgs.cfg"));
        QVERIFY(QFile::link(QStringLiteral("real/later.cfg"), dangling));
        QCOMPARE(savingFails(dangling, "made\r\n", durability), QString());
        QVERIFY(QFileInfo(dangling).isSymLink());
        QCOMPARE(contents(m_dir->filePath(QStringLiteral("real/later.cfg"))), QByteArray("made\r\n"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TstSaveFile)
#include "tst_savefile.moc"
