// What the rich-text page costs while nothing happens: one RTF paragraph of
// about 990 KB shown unwrapped, the caret at its end, the window idle. Prints
// the processor time taken over a few seconds of idling, as a share of one
// core, and how many paints the page's drawing area got meanwhile.
//
// Usage: bench_richidle [seconds]   (default 5; run on any platform plugin,
// e.g. QT_QPA_PLATFORM=offscreen, or under a real X server)
#include "TextPane.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEventLoop>
#include <QEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTimer>

#include <cstdio>
#include <utility>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

void idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Courier;}}\\f0 ";
    while (rtf.size() < 990 * 1024) rtf += "word \\b bold\\b0  text ";
    rtf += "\\par}";

    TextPane pane;
    pane.resize(800, 600);
    pane.setWordWrap(false);
    pane.show();
    pane.loadData(rtf);
    pane.setFocusToText();
    QWidget* page = pane.textWidget();
    std::printf("rich page: %s, %lld bytes of RTF\n", pane.shownAsRichText() ? "yes" : "no", qlonglong(rtf.size()));
    // End (the end of the long line) and Ctrl+End (the end of the text, in
    // the empty paragraph after it), as the user would press them.
    for (const auto& [keys, where] : {std::pair{Qt::KeyboardModifiers(), "End"}, std::pair{Qt::KeyboardModifiers(Qt::ControlModifier), "Ctrl+End"}}) {
        QKeyEvent end(QEvent::KeyPress, Qt::Key_End, keys);
        QApplication::sendEvent(page, &end);
        idle(1500);   // let the move's own painting finish
        PaintCounter counter;
        if (auto* area = qobject_cast<QAbstractScrollArea*>(page)) area->viewport()->installEventFilter(&counter);
        const double before = cpuSeconds();
        idle(seconds * 1000);
        const double used = cpuSeconds() - before;
        std::printf("idle %d s after %s: cpu %.3f s (%.1f %% of a core), %d paints\n", seconds, where, used,
                    100.0 * used / seconds, counter.paints);
    }
    return 0;
}
