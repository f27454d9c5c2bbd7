// Real launches through the platform layer: a small recording script writes
// what it received, and the test reads it back.
#include "CommandLine.h"
#include "Platform.h"
#include "MainControls.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <cerrno>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const int kWaitMs = 15000;

// Writes a script that records its working folder, the probe variable, whether
// descriptor 57 reached it, and its arguments, one per line, into `out` (moved
// into place whole, so that a reader never sees half of it).
// With a gate, the script records nothing until the gate file exists (or a
// minute has passed, so that a launcher that waits for it cannot hang the test).
void writeRecorder(const QString& script, const QString& out, const QString& gate = {})
{
    QFile f(script);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QByteArray text = "#!/bin/sh\n";
    if (!gate.isEmpty())
        text += "n=0; while [ ! -e '" + QFile::encodeName(gate) + "' ] && [ $n -lt 1200 ]; do sleep 0.05; n=$((n+1)); done\n";
    text += "out='" + QFile::encodeName(out) + "'\n"
            "{ pwd -P; printf '%s\\n' \"$VARDOLIN_PROBE\";"
            " if [ -e /proc/$$/fd/57 ]; then echo fd57; else echo nofd; fi;"
            " for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$out.part\" && mv \"$out.part\" \"$out\"\n";
    f.write(text);
    f.close();
    QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QStringList readLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

// True when the test process has no child left, not even a zombie.
bool noChildren()
{
    int status = 0;
    return ::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

// Waits for every child of the test process and counts them. While the test
// process is the subreaper of its descendants, the launcher's detached
// programs become its children, so this tells exactly how many were started.
int reapAll()
{
    int count = 0, status = 0;
    for (;;) {
        const pid_t pid = ::waitpid(-1, &status, 0);
        if (pid > 0) {
            ++count;
            continue;
        }
        if (errno == EINTR) continue;
        return count;
    }
}

// Makes the test process the subreaper for the life of the object.
struct Subreaper {
    Subreaper() { ok = ::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0; }
    ~Subreaper()
    {
        reapAll();
        ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    }
    bool ok = false;
};

} // namespace

class TestLaunch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void fileNameReachesTheProgramLiterally();
    void bareNameIsFoundOnPathAndNothingLeaks();
    void viewerDoesNotWait();
    void failuresAreSilent();
    void withoutAProgramNothingRuns();
    void oddProgramPathsRunNoData();

private:
    QTemporaryDir m_dir;
    QString m_oldCwd;
};

void TestLaunch::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_oldCwd = QDir::currentPath();
    QVERIFY(QDir(m_dir.path()).mkpath("work dir"));
    QVERIFY(QDir::setCurrent(m_dir.path() + "/work dir"));
    qputenv("VARDOLIN_PROBE", "inherited value");
}

void TestLaunch::cleanupTestCase()
{
    QDir::setCurrent(m_oldCwd);
}

void TestLaunch::fileNameReachesTheProgramLiterally()
{
    const QString root = m_dir.path();
    QVERIFY(QDir(root).mkpath("my tools"));
    QVERIFY(QDir(root).mkpath("docs dir"));
    const QString script = root + "/my tools/record args.sh";
    const QString out = root + "/out1.txt";
    writeRecorder(script, out);
    const QString name = "$(touch x) a;b`touch y`'q'\"z\"\\.txt";

    TestEnv t;
    RealPlatform real;
    AppEnv env = t.env().withPlatform(real);
    TForm1 f(env);
    f.confirmSlot(1, AppSlots::Slot{"Recorder", script, "--flag \"two words\" plain", QImage()});
    pickListed(f, root + "/docs dir/", name);
    ui(f).AppBtn[1]->click();

    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), kWaitMs);
    const QString cwd = QDir(root + "/work dir").canonicalPath();
    QCOMPARE(readLines(out),
             (QStringList{cwd, "inherited value", "nofd", root + "/docs dir/" + name, "--flag", "two words", "plain"}));
    for (const QString& folder : {cwd, root, root + "/my tools", root + "/docs dir"}) {
        QVERIFY2(!QFile::exists(folder + "/x"), qPrintable(folder));
        QVERIFY2(!QFile::exists(folder + "/y"), qPrintable(folder));
    }
    QVERIFY(noChildren());

    // Direct mode starts the program by itself with the option only.
    QFile::remove(out);
    f.setDirectLaunchAvailable(true);
    ui(f).CheckBox1->click();
    ui(f).AppBtn[1]->click();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), kWaitMs);
    QCOMPARE(readLines(out).mid(3), (QStringList{"--flag", "two words", "plain"}));
}

void TestLaunch::bareNameIsFoundOnPathAndNothingLeaks()
{
    const QString bin = m_dir.path() + "/bin dir";
    QVERIFY(QDir().mkpath(bin));
    const QString out = m_dir.path() + "/out2.txt";
    writeRecorder(bin + "/vardolin-recorder", out);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin) + ":" + oldPath);

    // A descriptor the viewer holds without close-on-exec is not handed down.
    const int fd = ::open("/dev/null", O_RDONLY);
    QVERIFY(fd >= 0);
    QVERIFY(::dup2(fd, 57) == 57);

    RealPlatform real;
    real.startProgram(CommandLine::direct("vardolin-recorder", "one \"two three\" C:\\back\\slash"));
    ::close(57);
    ::close(fd);
    qputenv("PATH", oldPath);

    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), kWaitMs);
    QCOMPARE(readLines(out).mid(2), (QStringList{"nofd", "one", "two three", "C:\\back\\slash"}));
    QVERIFY(noChildren());
}

void TestLaunch::viewerDoesNotWait()
{
    const QString script = m_dir.path() + "/slow.sh";
    const QString out = m_dir.path() + "/out3.txt";
    const QString gate = m_dir.path() + "/gate3";
    writeRecorder(script, out, gate);
    RealPlatform real;
    real.startProgram(CommandLine::direct(script, "done"));
    // The program records only once the gate opens: had the launch waited for
    // it, its record would be there already.
    QVERIFY(!QFile::exists(out));
    QVERIFY(noChildren());
    QFile open(gate);
    QVERIFY(open.open(QIODevice::WriteOnly));
    open.close();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), kWaitMs);
    QCOMPARE(readLines(out).last(), QStringLiteral("done"));
}

void TestLaunch::failuresAreSilent()
{
    const QString plain = m_dir.path() + "/not executable.txt";
    QFile f(plain);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("echo hi > should-not-exist\n");
    f.close();
    RealPlatform real;
    for (const QString& line : {QString(), QStringLiteral("   "), QStringLiteral("\"\""),
                                QStringLiteral("/nonexistent/program arg"), QStringLiteral("no-such-program-vardolin"),
                                m_dir.path(), CommandLine::quote(plain)})
        real.startProgram(line);
    QTest::qWait(300);
    QVERIFY(noChildren());
    QVERIFY(!QFile::exists("should-not-exist"));
}

// A slot or test-run row whose path is empty or blank: the shown file is an
// executable script that would record its run, and no entry point, nor the
// launcher itself given such a line, may start it (or any other process).
void TestLaunch::withoutAProgramNothingRuns()
{
    Subreaper reaper;
    QVERIFY(reaper.ok);
    const QString root = m_dir.path();
    QVERIFY(QDir(root).mkpath("data dir"));
    const QString script = root + "/data dir/run me.sh";
    const QString out = root + "/ran.txt";
    writeRecorder(script, out);

    TestEnv t;
    t.writeLines("appitems.cfg", {"Data", "", ""});
    RealPlatform real;
    AppEnv env = t.env().withPlatform(real);
    TForm1 f(env);
    QVERIFY2(t.messages.log.isEmpty(), qPrintable(t.messages.texts().join('\n')));
    pickListed(f, root + "/data dir/", "run me.sh");
    ui(f).AppBtn[1]->click();
    ui(f).SApp[2]->trigger();
    ui(f).FApp[3]->trigger();
    // Direct mode with the script as the option of a blank path.
    f.confirmSlot(4, AppSlots::Slot{"Blank", "  ", CommandLine::quote(script), QImage()});
    f.setDirectLaunchAvailable(true);
    ui(f).CheckBox1->click();
    ui(f).AppBtn[4]->click();
    ui(f).AppBtn[5]->click();

    StubMainForm stub;
    TForm5 test(stub, env, nullptr);
    ui(test).Edit1->setText(script);
    ui(test).Button1->click();
    test.showRow({QString(), QStringLiteral(" "), QString()}, QImage());
    ui(test).Button1->click();

    // Lines whose first piece is no program, handed to the launcher directly.
    for (const QString& line : {" " + CommandLine::quote(script), "\t" + CommandLine::quote(script),
                                "\"\" " + CommandLine::quote(script), "\"  \" " + CommandLine::quote(script)})
        real.startProgram(line);

    QCOMPARE(reapAll(), 0);
    QVERIFY(!QFile::exists(out));

    // The same script given as the program does run, and is counted.
    test.showRow({QString(), script, QString()}, QImage());
    ui(test).Button1->click();
    QCOMPARE(reapAll(), 1);
    QVERIFY(QFile::exists(out));
}

// A folder, a missing program, a path with blanks whose first word is an
// executable data file, the data file as a blank-holding option: none of them
// runs the data file, and the launcher makes no process for a program that is
// not there to run.
void TestLaunch::oddProgramPathsRunNoData()
{
    Subreaper reaper;
    QVERIFY(reaper.ok);
    const QString root = m_dir.path() + "/odd";
    QVERIFY(QDir(root).mkpath("folder"));
    const QString data = root + "/my";
    const QString out = root + "/ran.txt";
    writeRecorder(data, out);

    TestEnv t;
    RealPlatform real;
    AppEnv env = t.env().withPlatform(real);
    TForm1 f(env);
    f.confirmSlot(1, AppSlots::Slot{"Folder", root + "/folder", "", QImage()});
    f.confirmSlot(2, AppSlots::Slot{"Missing", root + "/none", "", QImage()});
    f.confirmSlot(3, AppSlots::Slot{"Blank inside", root + "/my tool", "", QImage()});
    f.confirmSlot(4, AppSlots::Slot{"Pre-quoted", "\"" + root + "/my tool\"", "", QImage()});
    f.confirmSlot(5, AppSlots::Slot{"Not executable", root + "/ran.txt", "", QImage()});
    pickListed(f, root + "/", "my");
    for (int n = 1; n <= 5; ++n) ui(f).AppBtn[n]->click();
    f.setDirectLaunchAvailable(true);
    ui(f).CheckBox1->click();
    for (int n = 1; n <= 5; ++n) ui(f).AppBtn[n]->click();
    QCOMPARE(reapAll(), 0);
    QVERIFY(!QFile::exists(out));

    // An option with blanks stays arguments of the slot's own program.
    const QString recorder = root + "/folder/rec";
    writeRecorder(recorder, out);
    f.confirmSlot(1, AppSlots::Slot{"Recorder", recorder, CommandLine::quote(data) + " " + data + " x", QImage()});
    ui(f).AppBtn[1]->click();
    QCOMPARE(reapAll(), 1);
    QCOMPARE(readLines(out).mid(3), (QStringList{data, data, "x"}));
}

QTEST_MAIN(TestLaunch)
#include "tst_launch.moc"
