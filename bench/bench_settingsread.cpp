// Reading settings files far bigger than the program writes: a 300 MB
// appcfgs.cfg and appitems.cfg of short lines and an 80 MB exitem.cfg of
// separators, each read as the main window reads it, in a child process of its
// own so that its peak memory is its own. Prints time and peak resident memory.
#include "AppSlots.h"
#include "ExtensionTable.h"
#include "LineBuffer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void writeRepeated(const QString& path, const QByteArray& head, const QByteArray& unit, qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    f.write(head);
    const QByteArray block = unit.repeated((1 << 20) / unit.size());
    for (qint64 done = head.size(); done < size; done += block.size()) f.write(block);
}

void measure(const char* name, const std::function<void()>& read)
{
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        QElapsedTimer t;
        t.start();
        read();
        struct rusage ru {};
        ::getrusage(RUSAGE_SELF, &ru);
        std::printf("%-14s %8lld ms  peak RSS %6ld MB\n", name, static_cast<long long>(t.elapsed()), ru.ru_maxrss / 1024);
        std::fflush(stdout);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::printf("%-14s failed\n", name);
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString main = dir.filePath(QStringLiteral("appcfgs.cfg"));
    const QString table = dir.filePath(QStringLiteral("exitem.cfg"));
    const QString items = dir.filePath(QStringLiteral("appitems.cfg"));
    writeRepeated(main, "Vardolin Ver 1.05\r\n", "1\r\n", 300ll << 20);
    writeRepeated(table, {}, "**\r\n", 80ll << 20);
    writeRepeated(items, {}, "x\r\n", 300ll << 20);

    measure("appcfgs.cfg", [&] {
        LineBuffer b;
        b.load(main, 13);
    });
    measure("exitem.cfg", [&] {
        QStringList names;
        PatternGrid grid;
        ExtensionTable::load(table, &names, &grid);
    });
    measure("appitems.cfg", [&] {
        LineBuffer b;
        b.load(items, AppSlots::FileLines);
        for (int n = 1; n <= AppSlots::Count; ++n) (void)AppSlots::rowFromLines(b, n);
    });
    return 0;
}
