// Lists large folders in the main window and compares the time with find(1).
//
//   build/bench/bench_listing [files=100000] [runs=7]
//
// For a folder of N empty files that all match, and one where 1% match, it
// prints the time from STItem's start until the list has been painted (median
// and best of the runs), the time of
//   find DIR -maxdepth 1 -type f -iname PATTERN | wc -l
// on the same folder, their ratio, and the peak memory of the process.
#include "AppEnv.h"
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
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
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

struct Figures {
    double listMedian, listBest, findMedian, findBest;
    int items;
    long findCount;
};

Figures measure(TForm1& w, PaintCounter& counter, const QString& dir, const QString& pattern, int runs)
{
    const MainControls c(w);
    std::vector<double> list, find;
    Figures f{};
    for (int r = 0; r < runs; ++r) {
        // An empty listing between runs, so every run starts from a short list.
        c.Edit1->setText(QStringLiteral("/nonexistent/"));
        w.STItem();
        QCoreApplication::processEvents();
        c.LView->viewport()->repaint();

        c.Edit1->setText(dir + QLatin1Char('/'));
        const int before = counter.paints;
        QElapsedTimer t;
        t.start();
        w.STItem();
        QCoreApplication::processEvents();   // the view's delayed layout
        c.LView->viewport()->repaint();
        const double ms = t.nsecsElapsed() / 1e6;
        if (counter.paints == before) std::fprintf(stderr, "warning: the list was not painted\n");
        list.push_back(ms);
        f.items = c.LViewModel->rowCount();

        QProcess p;
        QElapsedTimer tf;
        tf.start();
        p.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), QStringLiteral("find \"$1\" -maxdepth 1 -type f -iname \"$2\" | wc -l"),
                 QStringLiteral("sh"), dir, pattern});
        p.waitForFinished(-1);
        find.push_back(tf.nsecsElapsed() / 1e6);
        f.findCount = QString::fromLatin1(p.readAllStandardOutput()).trimmed().toLong();
    }
    f.listMedian = median(list);
    f.listBest = *std::min_element(list.begin(), list.end());
    f.findMedian = median(find);
    f.findBest = *std::min_element(find.begin(), find.end());
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::max(100, atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 7;

    QTemporaryDir settings, all, few;
    {
        QFile f(settings.filePath(QStringLiteral("exitem.cfg")));
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.write("Text\r\n**\r\n*.txt\r\n**\r\n***\r\n");
    }
    std::printf("creating %d files in each of two folders...\n", files);
    std::fflush(stdout);
    if (!makeFolder(all.path(), files, files) || !makeFolder(few.path(), files, files / 100)) {
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
    const long rssBefore = peakRssKb();

    const QString pattern = ui(w).ChBox2->currentText();
    std::printf("runs per folder: %d (times in ms: median / best)\n\n", runs);
    std::printf("%-26s %8s %19s %19s %8s\n", "folder", "listed", "STItem..painted", "find | wc -l", "ratio");
    struct Case { const char* label; QString dir; };
    for (const Case& c : {Case{"all files match", all.path()}, Case{"1 in 100 match", few.path()}}) {
        const Figures f = measure(w, counter, c.dir, pattern, runs);
        if (f.items != f.findCount)
            std::fprintf(stderr, "warning: listed %d, find counted %ld\n", f.items, f.findCount);
        std::printf("%-26s %8d %9.1f / %7.1f %9.1f / %7.1f %7.2fx\n", c.label, f.items, f.listMedian, f.listBest,
                    f.findMedian, f.findBest, f.listMedian / f.findMedian);
    }
    std::printf("\npeak RSS: %.1f MB (%.1f MB before the first listing)\n", peakRssKb() / 1024.0, rssBefore / 1024.0);
    return 0;
}
