// What a screen reader costs the big-text view on a generated CP932 file:
// loading with and without an accessible interface asked for, then the
// questions a reader asks (line at the caret after Ctrl+End and after a page
// down, a range deep inside, the longest range it may get, a character's
// rectangle) with the events switched on. With --limit, a text longer than
// that many mebicharacters is shown to the reader as a window of half of it
// (as one past 2^31 characters is, through windows of 2^30), so that Ctrl+End
// and Ctrl+Home move the window.
//
//   bench_accessible [--size MB] [--dir /tmp] [--limit MCHARS]
#include "AccessibleWindow.h"
#include "BigTextAccessible.h"
#include "BigTextView.h"
#include "Cp932.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <climits>
#include <cstdio>

#include <fcntl.h>

namespace {

int g_events = 0;
void count(QAccessibleEvent*) { ++g_events; }

double msSince(QElapsedTimer& t)
{
    const double ms = t.nsecsElapsed() / 1e6;
    t.restart();
    return ms;
}

void key(QWidget* w, Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, k, mods);
    QApplication::sendEvent(w, &press);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qint64 sizeMb = 1024;
    QString dir = QDir::tempPath();
    bool windowed = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (qstrcmp(argv[i], "--size") == 0) sizeMb = QByteArray(argv[i + 1]).toLongLong();
        if (qstrcmp(argv[i], "--dir") == 0) dir = QString::fromLocal8Bit(argv[i + 1]);
        if (qstrcmp(argv[i], "--limit") == 0) {
            const qint64 limit = QByteArray(argv[i + 1]).toLongLong() << 20;
            AccessibleWindow::setLimits(limit, limit / 2);
            windowed = true;
        }
    }
    QTemporaryDir tmp(dir + QStringLiteral("/bench-accessible-XXXXXX"));
    const QString path = tmp.filePath(QStringLiteral("big.txt"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        QByteArray chunk;
        for (int i = 0; i < 8192; ++i)
            chunk += Cp932::encode(QStringLiteral("%1 行目：画面読み上げの試験用の文章です。Some words.\r\n").arg(i));
        for (qint64 written = 0; written < sizeMb << 20;) written += f.write(chunk);
    }
    std::printf("file: %lld MB CP932\n", sizeMb);

    // As when a screen reader listens: the toolkit's accessibility is on.
    if (QPlatformAccessibility* a = QGuiApplicationPrivate::platformIntegration()->accessibility()) a->setActive(true);
    QAccessible::installUpdateHandler(count);
    QElapsedTimer t;
    {
        BigTextView plain;
        plain.resize(900, 700);
        t.start();
        plain.load(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC), path, TextEncoding::Cp932);
        std::printf("load, nobody asking:        %8.1f ms\n", msSince(t));
    }
    BigTextView view;
    view.resize(900, 700);
    view.show();
    QApplication::processEvents();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&view);
    QAccessibleTextInterface* text = iface->textInterface();
    t.start();
    view.load(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC), path, TextEncoding::Cp932);
    std::printf("load, interface asked for:  %8.1f ms\n", msSince(t));
    std::printf("characters: %lld (bridge sees %d)\n", view.document().length(), text->characterCount());

    if (windowed) {
        // The window moves only in a text longer than the limit: the whole file indexed.
        while (!view.isComplete()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        std::printf("indexed: %lld characters (bridge sees %d)\n", view.document().length(), text->characterCount());
    }
    int s = 0, e = 0;
    const int eventsBefore = g_events;
    t.restart();
    key(&view, Qt::Key_End, Qt::ControlModifier);
    const double endMs = msSince(t);
    std::printf("Ctrl+End and its events:    %8.3f ms (%d events; bridge sees %d characters, caret at %d)\n", endMs,
                g_events - eventsBefore, text->characterCount(), text->cursorPosition());
    t.restart();
    QString line = text->textAtOffset(text->cursorPosition(), QAccessible::LineBoundary, &s, &e);
    std::printf("Ctrl+End, line at caret:    %8.3f ms\n", msSince(t));
    t.restart();
    key(&view, Qt::Key_Home, Qt::ControlModifier);
    std::printf("Ctrl+Home and its events:   %8.3f ms\n", msSince(t));
    key(&view, Qt::Key_PageDown);
    t.restart();
    line = text->textAtOffset(text->cursorPosition(), QAccessible::LineBoundary, &s, &e);
    text->textAtOffset(text->cursorPosition(), QAccessible::WordBoundary, &s, &e);
    text->textAtOffset(text->cursorPosition(), QAccessible::CharBoundary, &s, &e);
    std::printf("line, word, char at caret:  %8.3f ms\n", msSince(t));
    const int middle = text->characterCount() / 2;
    text->text(middle, middle + 10000);
    std::printf("10 000 characters inside:   %8.3f ms\n", msSince(t));
    const QString most = text->text(0, -1);
    std::printf("everything (%lld capped):   %8.1f ms\n", qint64(most.size()), msSince(t));
    text->characterRect(text->cursorPosition());
    std::printf("character rectangle:        %8.3f ms\n", msSince(t));
    std::printf("events sent: %d\n", g_events);
    return 0;
}
