// The text pane under hostile input: the cost of copying a huge selection (and
// of the conversion a pasting program makes), of finding past 2^31 characters
// in a sparse file, and of the caret blinking in one long rich-text paragraph.
//
// Usage: bench_textlimits [copy MB] [rtf MB]   (defaults: 200 4)
// Run it on a display (xcb) or offscreen; times are wall-clock, CPU time is
// this process's user+system time, peak memory is the resident high-water mark.
#include "BigTextView.h"
#include "Cp932.h"
#include "TextPane.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QTimer>
#include <QEventLoop>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <cstdio>
#include <new>

#include <sys/resource.h>

namespace {

// Runs the event loop until the pane's file is indexed whole and a search or
// copy under way has answered.
void settle(const TextPane& pane)
{
    const auto* big = qobject_cast<const BigTextView*>(pane.textWidget());
    while (big && (!big->isComplete() || big->isBusy())) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

qint64 statusMb(const QByteArray& key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong() / 1024;
    return -1;
}

double cpuSeconds()
{
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

void copyHuge(const QTemporaryDir& dir, qint64 megabytes, bool japanese)
{
    const QString path = dir.filePath(QStringLiteral("copy.txt"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return;
        // ASCII, or Japanese in CP932 with CR LF (half again as long in UTF-8).
        const QByteArray line = japanese ? Cp932::encode(QStringLiteral("日本語の文章を並べた一行、かなとカナと漢字と英数字ABC123を交ぜておく。\r\n"))
                                         : QByteArray(99, 'x') + '\n';
        QByteArray chunk;
        while (chunk.size() < (1 << 20)) chunk += line;
        for (qint64 i = 0; i < megabytes; ++i) f.write(chunk);
    }
    TextPane pane;
    pane.resize(800, 600);
    pane.show();
    pane.loadFile(path);
    settle(pane);
    pane.selectAll();
    resetPeak();
    QElapsedTimer t;
    t.start();
    try {
        pane.copy();
        settle(pane); // a big copy is made on a worker
        const qint64 copyMs = t.elapsed();
        t.restart();
        // On a display, another program pastes it (as a user's next step
        // would); offscreen, the conversion such a paste asks for.
        qint64 pasted = 0;
        const QString xclip = QStandardPaths::findExecutable(QStringLiteral("xclip"));
        const bool other = QGuiApplication::platformName() == QLatin1String("xcb") && !xclip.isEmpty();
        if (other) {
            QProcess paster;
            paster.start(xclip, {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")});
            while (paster.state() != QProcess::NotRunning || paster.bytesAvailable() > 0) {
                QApplication::processEvents(QEventLoop::AllEvents, 5);
                paster.waitForReadyRead(1);
                pasted += paster.readAllStandardOutput().size();
            }
        } else {
            pasted = QApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain")).size();
        }
        std::printf("copy %lld MB %s: copied in %lld ms, pasted %lld MB as UTF-8 %s in %lld ms (%lld ms in all), peak %lld MB\n",
                    megabytes, japanese ? "CP932" : "ASCII", copyMs, pasted >> 20, other ? "by xclip" : "(conversion only)", qint64(t.elapsed()),
                    copyMs + qint64(t.elapsed()), statusMb("VmHWM:"));
    } catch (const std::bad_alloc&) {
        std::printf("copy %lld MB: refused in %lld ms (not enough memory), peak %lld MB\n", megabytes,
                    qint64(t.elapsed()), statusMb("VmHWM:"));
    }
    QApplication::clipboard()->clear();
}

void findPastTwoGiga(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("sparse.txt"));
    const qint64 second = (qint64(1) << 31) + 4096;
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return;
        QByteArray head(100, 'a');
        head += "NEEDLE\n";
        while (head.size() < (1 << 20) + 4096) head += "some ordinary text of the first lines\n";
        f.write(head);
        f.seek(second - 1);
        f.write("\nNEEDLE\n");
        f.resize(second + (1 << 20));
    }
    resetPeak();
    QElapsedTimer t;
    t.start();
    TextPane pane;
    pane.loadFile(path);
    settle(pane);
    const qint64 openMs = t.elapsed();
    t.restart();
    const qint64 first = pane.find(QStringLiteral("NEEDLE"), 0, pane.textLength());
    const qint64 next = pane.find(QStringLiteral("NEEDLE"), first + 6, pane.textLength() - first - 6);
    std::printf("sparse %.2f GB: opened in %lld ms; hits at %lld and %lld found in %lld ms; peak %lld MB\n",
                pane.textLength() / double(1 << 30), openMs, first, next, qint64(t.elapsed()), statusMb("VmHWM:"));
    QFile::remove(path);
}

void blinkInLongParagraph(const QTemporaryDir& dir, qint64 megabytes)
{
    const QString path = dir.filePath(QStringLiteral("long.rtf"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return;
        f.write("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 ");
        QByteArray chunk;
        while (chunk.size() < (1 << 20)) chunk += "word ";
        for (qint64 i = 0; i < megabytes; ++i) f.write(chunk);
        f.write("}");
    }
    resetPeak();
    TextPane pane;
    pane.resize(800, 600);
    pane.show();
    QElapsedTimer t;
    t.start();
    pane.loadFile(path);
    QApplication::processEvents();
    std::printf("rtf %lld MB, one paragraph: shown in %lld ms, resident %lld MB, peak %lld MB\n", megabytes,
                qint64(t.elapsed()), statusMb("VmRSS:"), statusMb("VmHWM:"));
    auto* edit = qobject_cast<QPlainTextEdit*>(pane.textWidget());
    if (!edit) return;
    pane.activateWindow();
    pane.setFocusToText();
    pane.setSelStart(1000);
    QApplication::processEvents();

    auto measure = [&](const char* label) {
        // What one blink makes the toolkit do: paint the caret's rectangle.
        QElapsedTimer r;
        r.start();
        const int paints = 10;
        for (int i = 0; i < paints; ++i) edit->viewport()->repaint(edit->cursorRect().adjusted(-1, 0, 1, 0));
        const double perPaint = r.elapsed() / double(paints);
        // Two seconds of real idle with the caret blinking.
        struct Counter : QObject {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Paint) ++paints;
                return false;
            }
        } counter;
        edit->viewport()->installEventFilter(&counter);
        const double cpu0 = cpuSeconds();
        QElapsedTimer idle;
        idle.start();
        QEventLoop loop;
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        loop.exec();
        const double share = (cpuSeconds() - cpu0) / (idle.elapsed() / 1000.0) * 100;
        edit->viewport()->removeEventFilter(&counter);
        std::printf("  %s: %.1f ms a caret paint, %.0f%% of a core while idle (%d paints)\n", label, perPaint, share,
                    counter.paints);
    };
    measure("steady caret, glyphs kept");
    QObject* control = nullptr;
    for (QObject* child : edit->children())
        if (child->inherits("QWidgetTextControl")) control = child;
    if (control) control->removeEventFilter(edit); // the toolkit's own blink again
    measure("blinking caret, glyphs kept");
    for (QTextBlock b = edit->document()->firstBlock(); b.isValid(); b = b.next())
        if (b.layout()) b.layout()->setCacheEnabled(false);
    edit->viewport()->repaint(); // the toolkit drops the glyphs after this paint
    measure("blinking caret, glyphs dropped after each paint");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const qint64 copyMb = argc > 1 ? QByteArray(argv[1]).toLongLong() : 200;
    const qint64 rtfMb = argc > 2 ? QByteArray(argv[2]).toLongLong() : 4;
    QTemporaryDir dir;
    copyHuge(dir, copyMb, false);
    copyHuge(dir, copyMb, true);
    findPastTwoGiga(dir);
    blinkInLongParagraph(dir, rtfMb);
    return 0;
}
