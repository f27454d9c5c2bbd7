// Opening large plain-text files without holding up the window: for generated
// Japanese text (CP932 with CR LF, UTF-8, and ISO-2022-JP as mail has it) of each size, the time from
// asking the pane to show a file to its first painted screen, to a complete
// index, the longest stall of the event loop while opening, and, each with its
// own longest stall: End on the first line with word wrap off until the caret
// stands where the whole line puts it, Ctrl+End with word wrap on until its line number is final,
// a search that runs to the end of the file, select all plus copy until the
// clipboard holds the text; peak resident memory; and `wc -l` on the same
// (cached) file. Then walking a folder of 100 small files and the largest file
// (CP932, and ISO-2022-JP) with the arrow keys: the longest stall and the time per step.
//
//   bench_open [--sizes 100,1024,10240] [--kinds cp932,utf8,iso,long] [--dir /tmp] [--no-walk]
//
// The kind long is CP932 in lines of 16 MB (a line end where one falls past each 16 MB).
//
// A stall is the largest gap between the ticks of a 1 ms timer. Each file is
// measured in a child process of its own, so that peak memory is that of one
// file. Files are created in a temporary folder and removed after use.
#include "BenchData.h"
#include "BenchProbe.h"
#include "BigTextIndexer.h"
#include "BigTextJobs.h"
#include "BigTextView.h"
#include "Cp932.h"
#include "FileListModel.h"
#include "FindDialog.h"
#include "LookAlike.h"
#include "MainControls.h"
#include "Messages.h"
#include "Platform.h"
#include "CommonDialogs.h"
#include "TextCodec.h"
#include "TextPane.h"
#include "Unit1.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <sys/resource.h>

namespace {

const QString kNeedle = QStringLiteral("終端の目印XYZZY");
// The big file's name in the walk, halfway down the small ones.
const QString kWalkBig = QStringLiteral("small-049b-big.txt");


class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) painted = true;
        return false;
    }
};




// A main window over a folder, its file list a plain list of names. Fonts and
// glyphs are warmed up first with text of the same kind, as for a user who
// has looked at such a file before: drawing characters for the first time is
// not what is measured here.
struct Window {
    QTemporaryDir settings;
    BenchMessages messages;
    RealPlatform platform;
    QtCommonDialogs dialogs; // never opened: nothing here asks
    AppEnv env{settings.path() + QStringLiteral("/"), platform, messages, dialogs};
    TForm1 form{env};
    const MainControls ctl{form};
    // The window's own list, filled as a listing fills it.
    FileListModel* model = ctl.LViewModel;
    QString folder;
    PaintWatch watch;
    StallProbe stall;

    explicit Window(const QString& dir) : folder(dir + QStringLiteral("/"))
    {
        form.resize(900, 700);
        form.show();
        ctl.Edit1->setText(folder);
        form.STItem(); // one listing first, as at start-up, so that a selection is shown
        spin([&] { return !form.listing(); });
        view()->viewport()->installEventFilter(&watch);
        const QString warm = settings.filePath(QStringLiteral("warm.txt"));
        BenchData::writeJapaneseLines(warm, 1 << 20, false, kNeedle);
        ctl.REdit->loadFile(warm);
        ctl.REdit->setWordWrap(true);
        spin([&] { return watch.painted; });
        QApplication::processEvents();
        ctl.REdit->setWordWrap(false);
        ctl.REdit->clear();
        QApplication::processEvents();
    }
    void list(const QStringList& names) { model->setFiles(folder, names, ctl.LView->fontMetrics()); }
    BigTextView* view() const { return qobject_cast<BigTextView*>(ctl.REdit->textWidget()); }
    void select(int row)
    {
        ctl.LView->selectionModel()->setCurrentIndex(model->index(row), QItemSelectionModel::ClearAndSelect);
    }
};

// ---------------------------------------------------------------- one file

int runOne(const QString& path)
{
    const QFileInfo info(path);
    Window w(info.absolutePath());
    w.list({info.fileName()});
    BigTextView* view = w.view();

    // Open: selection to first paint, to a complete index; the longest stall meanwhile.
    QElapsedTimer clock;
    w.watch.painted = false;
    w.stall.reset();
    const double cpuBefore = cpuMs();
    clock.start();
    w.select(0);
    spin([&] { return w.watch.painted; });
    const qint64 paint = clock.nsecsElapsed();
    spin([&] { return view->isComplete(); });
    const qint64 indexed = clock.nsecsElapsed();
    const double indexCpu = cpuMs() - cpuBefore;
    spin([&] { return view->document().isExact(); });
    const qint64 checked = clock.nsecsElapsed();
    const double openStall = w.stall.worstMs();
    const double openPeak = BenchData::statusMb("VmHWM:");

    // Word wrap off, End on the first line: until the caret stands where the
    // whole line puts it (a long line's width is counted in the background).
    view->setFocus();
    view->setSelStart(0);
    QApplication::processEvents();
    w.stall.reset();
    clock.restart();
    QKeyEvent lineEnd(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QApplication::sendEvent(view, &lineEnd);
    spin([&] { return !view->layout().lineHolding(view->caret())->guessed; });
    const qint64 endKey = clock.nsecsElapsed();
    const double endStall = w.stall.worstMs();
    view->setSelStart(0);

    // Word wrap on, Ctrl+End: the caret's line number until it is final.
    w.form.WWraps();
    view->setFocus();
    QApplication::processEvents();
    w.stall.reset();
    clock.restart();
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(view, &end);
    const qint64 length = view->textLength();
    // The caret display asks again whenever better numbers come.
    spin([&] { return view->lineNumbersFinal(); });
    if (!w.form.panelText(0).startsWith(QStringLiteral("%1: ").arg(view->lineFromChar(length))))
        std::fprintf(stderr, "caret display %s is not final\n", qPrintable(w.form.panelText(0)));
    const qint64 wrap = clock.nsecsElapsed();
    const double wrapStall = w.stall.worstMs();
    w.form.WWraps();
    QApplication::processEvents();

    // Find: from the top, the mark at the very end; then once more, not found.
    view->setSelStart(0);
    w.ctl.FindDlg->setFindText(kNeedle);
    w.stall.reset();
    clock.restart();
    w.form.FindDlgFind();
    spin([&] { return view->selLength() == kNeedle.size(); });
    const qint64 find = clock.nsecsElapsed();
    const double findStall = w.stall.worstMs();

    // Select all and copy, until the clipboard holds it (or the copy is refused).
    QApplication::clipboard()->clear();
    w.messages.last.clear();
    w.stall.reset();
    clock.restart();
    w.form.L1Click();
    w.ctl.C1->trigger(); // as the menu does: a refusal becomes a message
    spin([&] { return !w.messages.last.isEmpty() || !view->isBusy(); });
    const bool refused = !w.messages.last.isEmpty();
    const qsizetype copied = refused ? 0 : QApplication::clipboard()->text().size();
    const qint64 copy = clock.nsecsElapsed();
    const double copyStall = w.stall.worstMs();
    if (!refused && copied != length) std::fprintf(stderr, "copied %lld of %lld\n", qint64(copied), length);
    QApplication::clipboard()->clear();

    std::printf("index_cpu=%.1f checked=%.1f paint=%.1f index=%.1f open_stall=%.1f open_peak=%.1f end=%.1f end_stall=%.1f "
                "wrap=%.1f wrap_stall=%.1f find=%.1f "
                "find_stall=%.1f copy=%.1f copy_stall=%.1f copy_refused=%d peak=%.1f\n",
                indexCpu, ms(checked), ms(paint), ms(indexed), openStall, openPeak, ms(endKey), endStall, ms(wrap), wrapStall,
                ms(find), findStall, ms(copy),
                copyStall, refused ? 1 : 0, BenchData::statusMb("VmHWM:"));
    return 0;
}

// ---------------------------------------------------------------- walking

// Steps through the list with the Down key, one file at a time, waiting for
// each to be painted: a hundred small files with the big one among them.
int runWalk(const QString& folder)
{
    auto window = std::make_unique<Window>(folder);
    Window& w = *window;
    QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    w.list(names);
    w.ctl.LView->setFocus();
    w.select(0);
    spin([&] { return w.watch.painted; });
    double worstStall = 0, worstStep = 0, total = 0, stopped = -1;
    QString worstName;
    for (int row = 1; row < names.size(); ++row) {
        w.watch.painted = false;
        w.stall.reset();
        const bool indexing = BigTextWorkers::busy() > 0;
        QElapsedTimer step;
        step.start();
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(w.ctl.LView, &down);
        // Leaving a file still being indexed: how soon its workers are idle.
        if (indexing && BigTextWorkers::waitIdle(5000)) stopped = std::max(stopped, ms(step.nsecsElapsed()));
        spin([&] { return w.watch.painted; });
        QApplication::processEvents();
        const double s = ms(step.nsecsElapsed());
        total += s;
        if (s > worstStep) {
            worstStep = s;
            worstName = names[row];
        }
        worstStall = std::max(worstStall, w.stall.worstMs());
    }
    // Back on the big file, and the window closes while it is indexed.
    const int big = int(names.indexOf(kWalkBig));
    double closed = -1;
    if (big >= 0) {
        w.watch.painted = false;
        w.select(big);
        spin([&] { return w.watch.painted; });
        if (spin([] { return BigTextWorkers::busy() > 0; }, 5)) {
            QElapsedTimer c;
            c.start();
            window.reset();
            if (BigTextWorkers::waitIdle(5000)) closed = ms(c.nsecsElapsed());
        }
    }
    std::printf("closed=%.2f steps=%lld mean_step=%.2f worst_step=%.2f worst_file=%s worst_stall=%.2f stopped=%.2f\n",
                closed, qint64(names.size() - 1), total / (names.size() - 1), worstStep, qPrintable(worstName), worstStall,
                stopped);
    return 0;
}

// ---------------------------------------------------------------- generation

// The background index alone, as the pane starts it: from open() to a
// complete document, the best of three runs over the cached file. This is the
// rate set against wc -l; the pane's own "index" column also holds detection
// and the first paint.
int runIndex(const QString& path)
{
    const TextEncoding encoding = path.contains(QLatin1String("utf8")) ? TextEncoding::Utf8
                                  : path.contains(QLatin1String("iso")) ? TextEncoding::Iso2022Jp
                                                                        : TextEncoding::Cp932;
    for (bool quick : {true, false}) {
    double best = 1e18;
    for (int i = 0; i < 3; ++i) {
        BigTextDocument doc;
        BigTextIndexer indexer(doc);
        BigTextIndexer::Options options;
        options.quick = quick; // without: every character counted exactly by the workers
        indexer.setOptions(options);
        bool done = false;
        QObject::connect(&indexer, &BigTextIndexer::finished, &indexer, [&] { done = true; });
        QElapsedTimer clock;
        clock.start();
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return 1;
        indexer.open(fd, path, encoding);
        // A file indexed whole by open() has nothing left to finish.
        spin([&] { return done || doc.isComplete(); });
        best = std::min(best, ms(clock.nsecsElapsed()));
    }
    std::printf(quick ? "index_alone=%.1f " : "index_exact=%.1f\n", best);
    }
    return 0;
}

// The best of two runs of a command on the cached file (the first run also
// brings it into the cache), in ms.
double timeTool(const QString& program, const QStringList& args)
{
    double best = 1e18;
    for (int i = 0; i < 2; ++i) {
        QElapsedTimer c;
        c.start();
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(program, args);
        if (!p.waitForFinished(3600000)) return -1;
        best = std::min(best, c.nsecsElapsed() / 1e6);
    }
    return best;
}

// grep -c for the mark in the file's own bytes (given in a file, since they
// need not be UTF-8): what a find through the pane is set against.
double timeGrep(const QString& path, const QByteArray& needle, const QString& folder)
{
    const QString pattern = folder + QStringLiteral("/needle");
    QFile f(pattern);
    if (!f.open(QIODevice::WriteOnly)) return -1;
    f.write(needle);
    f.close();
    return timeTool(QStringLiteral("grep"), {QStringLiteral("-c"), QStringLiteral("-F"), QStringLiteral("-f"), pattern, path});
}

// CP932 text as ISO-2022-JP the way mail writes it: JIS X 0208 and
// half-width katakana each after its escape, back to ASCII before every line
// end.
QByteArray cp932ToJis(const QByteArray& in)
{
    enum { Ascii, Jis, Kana } mode = Ascii;
    static const char* escapes[] = {"\x1B(B", "\x1B$B", "\x1B(I"};
    QByteArray out;
    out.reserve(in.size() + in.size() / 4);
    auto to = [&](decltype(mode) m) {
        if (m != mode) out += escapes[m];
        mode = m;
    };
    for (qsizetype i = 0; i < in.size(); ++i) {
        const auto b = quint8(in[i]);
        if (b >= 0xA1 && b <= 0xDF) {
            to(Kana);
            out += char(b - 0x80);
        } else if (((b >= 0x81 && b <= 0x9F) || b >= 0xE0) && i + 1 < in.size()) {
            const int s2 = quint8(in[++i]);
            const int row = b < 0xA0 ? b - 0x81 : b - 0xC1;
            to(Jis);
            out += char(row * 2 + (s2 >= 0x9F ? 0x22 : 0x21));
            out += char(s2 >= 0x9F ? s2 - 0x7E : s2 - (s2 >= 0x80 ? 0x20 : 0x1F));
        } else {
            to(Ascii);
            out += char(b);
        }
    }
    to(Ascii);
    return out;
}

// The CP932 lines of writeJapaneseLines(), converted line by line; false
// when a line does not read back as it was written.
bool writeJisLines(const QString& path, qint64 size, const QString& lastLine)
{
    const QString cp932 = path + QStringLiteral(".cp932");
    if (!BenchData::writeJapaneseLines(cp932, size * 2 / 3, false, lastLine)) return false;
    QFile in(cp932), out(path);
    bool ok = in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    const auto iso = TextCodec::create(TextEncoding::Iso2022Jp);
    const auto sjis = TextCodec::create(TextEncoding::Cp932);
    QByteArray rest;
    for (bool first = true; ok && (rest.size() > 0 || !in.atEnd()); first = false) {
        QByteArray chunk = rest + in.read(4 << 20);
        const qsizetype cut = in.atEnd() ? chunk.size() : chunk.lastIndexOf('\n') + 1;
        rest = chunk.mid(cut);
        chunk.truncate(cut);
        const QByteArray jis = cp932ToJis(chunk);
        if (first) {
            QString a, b;
            iso->decode(jis.constData(), jis.size(), a);
            sjis->decode(chunk.constData(), chunk.size(), b);
            // The same text, but for the look-alikes each encoding reads its own way.
            ok = LookAlike::folded(a) == LookAlike::folded(b);
        }
        ok = ok && out.write(jis) == jis.size();
        if (in.atEnd() && rest.isEmpty()) break;
    }
    QFile::remove(cp932);
    return ok;
}

// CP932 lines of writeJapaneseLines() joined into lines of 16 MB: their line
// ends left out but for the first past every 16 MB.
bool writeLongLines(const QString& path, qint64 size, const QString& lastLine)
{
    const QString lines = path + QStringLiteral(".lines");
    if (!BenchData::writeJapaneseLines(lines, size, false, lastLine)) return false;
    QFile in(lines), out(path);
    bool ok = in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    qint64 written = 0, nextEnd = 16 << 20;
    QByteArray rest;
    while (ok && !in.atEnd()) {
        QByteArray chunk = rest + in.read(4 << 20);
        const qsizetype cut = in.atEnd() ? chunk.size() : chunk.lastIndexOf("\r\n") + 2; // whole lines
        rest = chunk.mid(cut);
        chunk.truncate(cut);
        QByteArray joined;
        joined.reserve(chunk.size());
        for (qsizetype from = 0; from < chunk.size();) {
            qsizetype end = chunk.indexOf("\r\n", from);
            if (end < 0) end = chunk.size();
            joined += chunk.mid(from, end - from);
            if (end < chunk.size() && written + joined.size() >= nextEnd) {
                joined += "\r\n";
                nextEnd += 16 << 20;
            }
            from = end + 2;
        }
        written += joined.size();
        ok = out.write(joined) == joined.size();
    }
    QFile::remove(lines);
    return ok;
}

int orchestrate(const QStringList& args, const QString& self)
{
    QList<int> sizes{100, 1024, 10240};
    QStringList kinds{QStringLiteral("cp932"), QStringLiteral("utf8"), QStringLiteral("iso")};
    QString dirBase = QDir::tempPath();
    bool walk = true;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--sizes") && i + 1 < args.size()) {
            sizes.clear();
            for (const QString& s : args[i + 1].split(u',')) sizes << s.toInt();
        } else if (args[i] == QLatin1String("--kinds") && i + 1 < args.size()) {
            kinds = args[i + 1].split(u',');
        } else if (args[i] == QLatin1String("--dir") && i + 1 < args.size()) {
            dirBase = args[i + 1];
        } else if (args[i] == QLatin1String("--no-walk")) {
            walk = false;
        }
    }
    QTemporaryDir dir(dirBase + QStringLiteral("/bench_open-XXXXXX"));
    if (!dir.isValid()) return 1;
    const qint64 free = QStorageInfo(dir.path()).bytesAvailable();
    std::printf("Free disk in %s: %.1f GB; %d hardware threads. Times in ms, memory in MB.\n", qPrintable(dir.path()),
                free / 1073741824.0, BigTextWorkers::threads());
    std::printf("%-13s %6s %7s %7s %7s %6s %7s %6s %8s %6s %7s %6s %7s %8s %6s %7s %7s %7s %7s %7s\n", "file", "paint", "index", "idxCPU",
                "exact", "stall", "End", "stall", "wrapEnd", "stall", "find", "stall", "grep -c", "copy", "stall", "peak", "goal", "wc -l", "idx/wc",
                "idxX/wc");
    int largest = 0;
    for (int mb : sizes) {
        if ((qint64(mb) << 20) + (256 << 20) > QStorageInfo(dir.path()).bytesAvailable()) {
            std::printf("%d MB: does not fit on the disk, left out\n", mb);
            continue;
        }
        for (const QString& kind : kinds) {
            const bool utf8 = kind == QLatin1String("utf8"), iso = kind == QLatin1String("iso");
            const bool longLines = kind == QLatin1String("long");
            if (!utf8 && !iso && !longLines && kind != QLatin1String("cp932")) continue;
            const QString path = dir.filePath(QStringLiteral("big-%1-%2.txt").arg(mb).arg(kind));
            // ISO-2022-JP at the size asked for, on the way via CP932 (which is smaller).
            if (iso        ? !writeJisLines(path, qint64(mb) << 20, kNeedle)
                : longLines ? !writeLongLines(path, qint64(mb) << 20, kNeedle)
                            : !BenchData::writeJapaneseLines(path, qint64(mb) << 20, utf8, kNeedle)) {
                std::printf("cannot write %s\n", qPrintable(path));
                return 1;
            }
            const qint64 size = QFile(path).size();
            const double wc = timeTool(QStringLiteral("wc"), {QStringLiteral("-l"), path});
            const double grep = timeGrep(path, utf8 ? kNeedle.toUtf8() : iso ? cp932ToJis(Cp932::encode(kNeedle))
                                                                             : Cp932::encode(kNeedle), dir.path());
            auto v = runChild(self, {QStringLiteral("--one"), path});
            const auto indexed = runChild(self, {QStringLiteral("--index"), path});
            const double alone = indexed.value(QStringLiteral("index_alone"));
            const double exact = indexed.value(QStringLiteral("index_exact"));
            const bool refused = v.value(QStringLiteral("copy_refused")) > 0;
            std::printf("%-13s %6.1f %7.1f %7.1f %7.1f %6.1f %7.1f %6.1f %8.1f %6.1f %7.1f %6.1f %7.1f %8s %6.1f %7.1f %7.1f %7.1f %6.0f%% %6.0f%%\n",
                        qPrintable(QStringLiteral("%1 %2MB").arg(utf8 ? "UTF-8" : iso ? "JIS" : longLines ? "long" : "CP932").arg(mb)),
                        v.value("paint"), v.value("index"), v.value("index_cpu"), v.value("checked"),
                        v.value("open_stall"), v.value("end"), v.value("end_stall"), v.value("wrap"),
                        v.value("wrap_stall"), v.value("find"), v.value("find_stall"), grep,
                        refused ? "refused" : qPrintable(QString::number(v.value("copy"), 'f', 1)),
                        v.value("copy_stall"), v.value("peak"), 1.5 * size / 1048576.0 + 60, wc,
                        alone > 0 ? 100.0 * wc / alone : 0.0, exact > 0 ? 100.0 * wc / exact : 0.0);
            std::fflush(stdout);
            if (walk && !utf8 && !longLines && mb == sizes.last()) {
                // The walk: the big file among a hundred small ones.
                const QString folder = dir.filePath(QStringLiteral("walk"));
                QDir().mkpath(folder);
                for (int i = 0; i < 100; ++i) {
                    QFile f(folder + QStringLiteral("/small-%1.txt").arg(i, 3, 10, QLatin1Char('0')));
                    if (f.open(QIODevice::WriteOnly))
                        f.write(Cp932::encode(QStringLiteral("小さなファイル %1 の行です。\r\n").arg(i).repeated(50 + i)));
                }
                const QString inWalk = folder + u'/' + kWalkBig;
                if (QFile::link(path, inWalk) || QFile::copy(path, inWalk)) {
                    auto wv = runChild(self, {QStringLiteral("--walk"), folder});
                    std::printf("walk: 100 small files and the %d MB %s file, Down key: %.0f steps, %.2f ms a step "
                                "(the slowest %.2f ms), longest stall %.2f ms; its workers idle %.2f ms after the step off it, "
                                "%.2f ms after the window closed on it\n",
                                mb, iso ? "ISO-2022-JP" : "CP932", wv.value("steps"), wv.value("mean_step"), wv.value("worst_step"),
                                wv.value("worst_stall"), wv.value("stopped"), wv.value("closed"));
                }
                QDir(folder).removeRecursively();
                largest = mb;
            }
            QFile::remove(path);
        }
    }
    Q_UNUSED(largest);
    std::printf("JIS: ISO-2022-JP, every count of characters exact in the workers (idx/wc and idxX/wc alike).\n"
                "paint: selecting the file until its first screen is painted; index: until the whole file is indexed;\n"
                "idxCPU: processor time of all threads until then; exact: until every quick count of characters is\n"
                "checked. stall: the longest the event loop was held up meanwhile (opening; End on the first line with word wrap\n"
                "off until the caret stands where the whole line puts it; Ctrl+End with word wrap on until\n"
                "its line number is final; a find of a mark at the very end; select all + copy until the clipboard\n"
                "holds the text). peak: highest resident memory of the run; goal: 1.5 x file size + 60 MB.\n"
                "grep -c: counting the lines holding the mark in the cached file, its bytes in the file's encoding;\n"
                "wc -l: counting the lines of the cached file; idx/wc: the rate of the background index alone (open to\n"
                "complete, best of three) against wc -l's; idxX/wc: the same with every count exact in the workers.\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("--one")) return runOne(args[2]);
    if (args.size() >= 3 && args[1] == QLatin1String("--index")) return runIndex(args[2]);
    if (args.size() >= 3 && args[1] == QLatin1String("--walk")) return runWalk(args[2]);
    return orchestrate(args.mid(1), app.applicationFilePath());
}
