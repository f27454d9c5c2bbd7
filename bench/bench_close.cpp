// How soon the main window is gone when it is closed while a long search or a
// big copy runs on the workers.
//
//   build/bench/bench_close [MB=256] [runs=3]
//
// A CP932 text of MB megabytes is shown and indexed (or, in the second table,
// only shown); then a search for a text that is not in it (or a copy of all of
// it) is started, and once its workers
// are busy the window is closed as the user closes it: the close handler (it
// writes the main settings), the window's end, and until no worker of the pool
// runs any more. Each figure in ms, median / worst of the runs.
#include "AppEnv.h"
#include "BenchData.h"
#include "BenchProbe.h"
#include "BigTextJobs.h"
#include "BigTextView.h"
#include "CommonDialogs.h"
#include "MainControls.h"
#include "Messages.h"
#include "Platform.h"
#include "Unit1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Polls rather than waits for events: what is waited for (workers ending)
// sends none to this thread.
bool poll(const std::function<bool()>& done, int seconds = 600)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > seconds * 1000) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

struct Times {
    double handler, gone, idle;
};

// One window over the file; start() sets the work going.
Times closeWhile(const QString& settings, const QString& folder, const QString& name, bool indexed,
                 const std::function<void(BigTextView*)>& start)
{
    RealPlatform platform;
    BenchMessages messages;
    QtCommonDialogs dialogs;
    AppEnv env{settings, platform, messages, dialogs};
    auto form = std::make_unique<TForm1>(env);
    form->resize(900, 700);
    form->show();
    pickListed(*form, folder, name);
    auto* view = qobject_cast<BigTextView*>(ui(*form).REdit->textWidget());
    if (!view) return {-1, -1, -1};
    if (indexed) {
        poll([&] { return view->isComplete() && view->document().isExact(); });
        poll([] { return BigTextWorkers::busy() == 0; }, 30);
    }
    start(view);
    poll([&] { return BigTextWorkers::busy() > 0; }, 10);
    QApplication::processEvents();
    QElapsedTimer t;
    t.start();
    form->close();
    const qint64 handler = t.nsecsElapsed();
    form.reset();
    const qint64 gone = t.nsecsElapsed();
    BigTextWorkers::waitIdle(30000);
    return {ms(handler), ms(gone), ms(t.nsecsElapsed())};
}

void print(const char* label, std::vector<Times> v)
{
    auto column = [&](double Times::*f) {
        std::vector<double> x;
        for (const Times& t : v) x.push_back(t.*f);
        std::sort(x.begin(), x.end());
        return QString::asprintf("%8.1f / %8.1f", x[x.size() / 2], x.back());
    };
    std::printf("%-8s %s %s %s\n", label, qPrintable(column(&Times::handler)), qPrintable(column(&Times::gone)),
                qPrintable(column(&Times::idle)));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    auto app = std::make_unique<QApplication>(argc, argv);
    const int mb = argc > 1 ? std::max(8, atoi(argv[1])) : 256;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    QTemporaryDir dir, settings;
    const QString name = QStringLiteral("big.txt");
    std::printf("writing %d MB of CP932 text...\n", mb);
    std::fflush(stdout);
    if (!BenchData::writeJapaneseLines(dir.filePath(name), qint64(mb) << 20, false, QStringLiteral("end"))) return 1;
    const QString folder = dir.path() + QLatin1Char('/'), settingsDir = settings.path() + QLatin1Char('/');

    std::vector<Times> find, copy, findEarly, copyEarly;
    const auto startFind = [](BigTextView* v) { v->startFind(QStringLiteral("どこにもない言葉"), 0, v->textLength()); };
    const auto startCopy = [](BigTextView* v) {
        v->selectAll();
        v->copy();
    };
    for (int r = 0; r < runs; ++r) {
        find.push_back(closeWhile(settingsDir, folder, name, true, startFind));
        copy.push_back(closeWhile(settingsDir, folder, name, true, startCopy));
        findEarly.push_back(closeWhile(settingsDir, folder, name, false, startFind));
        copyEarly.push_back(closeWhile(settingsDir, folder, name, false, startCopy));
    }
    std::printf("\nwhile    %19s %19s %19s   (ms from the close, median / worst of %d)\n", "close handler",
                "window gone", "workers idle", runs);
    print("find", find);
    print("copy", copy);
    std::printf("the same while the file is still being indexed:\n");
    print("find", findEarly);
    print("copy", copyEarly);

    // The program's end: the window closed while a search runs, then the
    // application object, whose end waits for the pool.
    std::vector<Times> exit;
    {
        Times last = closeWhile(settingsDir, folder, name, true, startFind);
        QElapsedTimer t;
        t.start();
        app.reset();
        last.idle = last.gone + ms(t.nsecsElapsed());
        exit.push_back(last);
    }
    std::printf("and the application's end after it (last column: window gone + application gone):\n");
    print("find", exit);
    return 0;
}
