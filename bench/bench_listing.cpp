// Lists large folders in the main window and compares the time with find(1).
//
//   build/bench/bench_listing [files=100000] [runs=7] [slow files=2000] [delay us=1000]
//
// For a folder of N empty files that all match, and one where 1% match, it
// prints (median and best of the runs) the time from STItem's start until the
// first names are listed, until the listing is complete, and until the list
// is painted with the icons of its types; the longest the event loop went
// without running (a 1 ms timer's longest gap) meanwhile, and the most processor
// time the window's thread spent in one gap (what the gap is without waiting
// for a core on a busy machine); and the time of
//   find DIR -maxdepth 1 -type f -iname PATTERN | sort | wc -l
// on the same folder, with the ratio of complete to it. Then the same for a
// slow folder, where every entry costs the delay more to read (as on a slow
// mount), and the peak memory of the process.
#include "AppEnv.h"
#include "BenchProbe.h"
#include "FileListModel.h"
#include "FsPath.h"
#include "CommonDialogs.h"
#include "MainControls.h"
#include "Messages.h"
#include "Platform.h"
#include "Unit1.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <fcntl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

class SilentMessages : public Messages {
public:
    bool quiet = false;
    void error(QWidget*, const QString& text) override
    {
        if (!quiet) std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
    void warning(QWidget*, const QString& text) override { std::fprintf(stderr, "warning: %s\n", qPrintable(text)); }
    void notice(QWidget*, const QString&) override {}
};

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

long peakRssKb()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

bool makeFolder(const QString& dir, int files, int matching)
{
    const QByteArray base = FsPath::encodeName(dir) + '/';
    char name[64];
    for (int i = 0; i < files; ++i) {
        // Matching names spread over the folder, not bunched at its start.
        const bool match = matching >= files || (i % (files / std::max(1, matching))) == 0;
        std::snprintf(name, sizeof name, "file%06d.%s", i, match ? "txt" : "dat");
        const int fd = ::open((base + name).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        ::close(fd);
    }
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Series {
    std::vector<double> v;
    double med() const { return median(v); }
    double best() const { return *std::min_element(v.begin(), v.end()); }
    double worst() const { return *std::max_element(v.begin(), v.end()); }
};

struct Figures {
    Series first, complete, painted, stall, stallCpu, find;
    int items = 0;
    long findCount = 0;
};

Figures measure(TForm1& w, PaintCounter& counter, StallProbe& probe, const QString& dir, const QString& pattern,
                int runs, bool reference)
{
    const MainControls c(w);
    Figures f;
    for (int r = 0; r < runs; ++r) {
        // An empty listing between runs, so every run starts from a short list.
        c.Edit1->setText(QStringLiteral("/nonexistent/"));
        w.STItem();
        spin([&] { return !w.listing(); });
        c.LView->viewport()->repaint();

        c.Edit1->setText(dir + QLatin1Char('/'));
        const int before = counter.paints;
        QElapsedTimer t;
        probe.reset();
        t.start();
        w.STItem();
        spin([&] { return !w.listing() || c.LViewModel->rowCount() > 0; });
        f.first.v.push_back(ms(t.nsecsElapsed()));
        spin([&] { return !w.listing(); });
        f.complete.v.push_back(ms(t.nsecsElapsed()));
        // The view's delayed layout and paint, then the icons of the types drawn.
        QCoreApplication::processEvents();
        c.LView->viewport()->repaint();
        spin([&] { return !c.LViewModel->typesPending(); });
        QCoreApplication::processEvents();
        f.painted.v.push_back(ms(t.nsecsElapsed()));
        f.stall.v.push_back(probe.worstMs());
        f.stallCpu.v.push_back(probe.worstCpuMs());
        if (counter.paints == before) std::fprintf(stderr, "warning: the list was not painted\n");
        f.items = c.LViewModel->rowCount();
        if (!reference) continue;

        QProcess p;
        QElapsedTimer tf;
        tf.start();
        p.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), QStringLiteral("find \"$1\" -maxdepth 1 -type f -iname \"$2\" | sort | wc -l"),
                 QStringLiteral("sh"), dir, pattern});
        p.waitForFinished(-1);
        f.find.v.push_back(ms(tf.nsecsElapsed()));
        f.findCount = QString::fromLatin1(p.readAllStandardOutput()).trimmed().toLong();
    }
    return f;
}

void print(const char* label, const Figures& f)
{
    auto mb = [](const Series& s) { return QString::asprintf("%7.1f / %7.1f", s.med(), s.best()); };
    std::printf("%-16s %7d %s %s %s %s %s", label, f.items, qPrintable(mb(f.first)), qPrintable(mb(f.complete)),
                qPrintable(mb(f.painted)), qPrintable(QString::asprintf("%7.1f / %7.1f", f.stall.med(), f.stall.worst())),
                qPrintable(QString::asprintf("%7.1f / %7.1f", f.stallCpu.med(), f.stallCpu.worst())));
    if (!f.find.v.empty())
        std::printf(" %s %6.2fx", qPrintable(mb(f.find)), f.complete.med() / f.find.med());
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::max(100, atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 7;
    const int slowFiles = argc > 3 ? std::max(10, atoi(argv[3])) : 2000;
    const int delayUs = argc > 4 ? std::max(0, atoi(argv[4])) : 1000;

    QTemporaryDir settings, all, few, slow;
    {
        QFile f(settings.filePath(QStringLiteral("exitem.cfg")));
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.write("Text\r\n**\r\n*.txt\r\n**\r\n***\r\n");
    }
    std::printf("creating %d files in each of two folders, %d in a slow one...\n", files, slowFiles);
    std::fflush(stdout);
    if (!makeFolder(all.path(), files, files) || !makeFolder(few.path(), files, files / 100) ||
        !makeFolder(slow.path(), slowFiles, slowFiles)) {
        std::fprintf(stderr, "cannot create the files\n");
        return 1;
    }

    RealPlatform platform;
    SilentMessages messages;
    QtCommonDialogs dialogs;   // never opened: nothing here asks
    AppEnv env{settings.path() + QLatin1Char('/'), platform, messages, dialogs};
    // Without a main settings file (whose error is not shown) the creation
    // handler makes only the window; the extension table is loaded here.
    messages.quiet = true;
    TForm1 w(env);
    messages.quiet = false;
    w.TagsLoad();
    w.selectFirstCategoryAndPattern();
    w.resize(900, 700);
    w.show();
    QElapsedTimer shown;
    shown.start();
    while (!(w.windowHandle() && w.windowHandle()->isExposed()) && shown.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    PaintCounter counter;
    ui(w).LView->viewport()->installEventFilter(&counter);
    StallProbe probe;
    const long rssBefore = peakRssKb();

    const QString pattern = ui(w).ChBox2->currentText();
    std::printf("runs per folder: %d (times in ms: median / best; stall: median / worst)\n\n", runs);
    std::printf("%-16s %7s %17s %17s %17s %17s %17s %17s %7s\n", "folder", "listed", "first names", "complete",
                "painted+icons", "longest stall", "its cpu", "find|sort|wc -l", "ratio");
    struct Case { const char* label; QString dir; };
    for (const Case& c : {Case{"all files match", all.path()}, Case{"1 in 100 match", few.path()}}) {
        const Figures f = measure(w, counter, probe, c.dir, pattern, runs, true);
        if (f.items != f.findCount)
            std::fprintf(stderr, "warning: listed %d, find counted %ld\n", f.items, f.findCount);
        print(c.label, f);
    }
    RealPlatform::setEntryDelay(delayUs);
    const Figures f = measure(w, counter, probe, slow.path(), pattern, 1, false);
    RealPlatform::setEntryDelay(0);
    char label[64];
    std::snprintf(label, sizeof label, "slow (%d us)", delayUs);
    print(label, f);
    std::printf("\npeak RSS: %.1f MB (%.1f MB before the first listing)\n", peakRssKb() / 1024.0, rssBefore / 1024.0);
    return 0;
}
