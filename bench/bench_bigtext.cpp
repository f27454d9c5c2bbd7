// Figures of the big-text view on generated Japanese files (CP932 with CR LF,
// and UTF-8) of 10 MB, 100 MB and 1 GB: open to first painted screen and to a
// complete index, resident memory, Ctrl+End, one find across the whole file, select all
// plus copy, and the line of the end position with word wrap off and on; beside
// them the time iconv needs to convert the same file.
//
//   bench_bigtext [--sizes 10,100,1024] [--runs N] [--dir /tmp]
//
// Each measurement runs in a child process of its own (so that peak memory is
// that of one file); medians of the runs are printed. Files are deleted after use.
#include "BenchData.h"
#include "BigTextView.h"
#include "Cp932.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <sys/resource.h>

namespace {

const QString kNeedle = QStringLiteral("終端の目印XYZZY");

double peakMb()
{
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss / 1024.0;
}

double residentMb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.value(1).toDouble() * 4096 / (1024.0 * 1024.0);
}

// ---------------------------------------------------------------- one run

class ProbeView : public BigTextView {
public:
    qint64 paints = 0;
    qint64 firstPaintNs = -1;
    QElapsedTimer* clock = nullptr;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        BigTextView::paintEvent(e);
        ++paints;
        if (firstPaintNs < 0 && clock) firstPaintNs = clock->nsecsElapsed();
    }
};

double ms(qint64 ns) { return ns / 1e6; }

int runOne(const QString& path, TextEncoding encoding)
{
    ProbeView view;
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPointSize(9);
    view.setFont(font);
    view.resize(900, 700);
    view.show();
    QApplication::setActiveWindow(&view);
    view.setFocus();
    QApplication::processEvents();
    const double baseMb = residentMb();

    QElapsedTimer clock;
    view.clock = &clock;
    clock.start();
    view.load(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC), path, encoding);
    while (view.firstPaintNs < 0 && clock.elapsed() < 60000) QApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 firstPaint = view.firstPaintNs;
    // The rest of the file is indexed in the background.
    while (!view.isComplete()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // Idle: the event queue drained once the index is complete.
    bool idle = false;
    QTimer::singleShot(0, &view, [&] { idle = true; });
    while (!idle) QApplication::processEvents();
    QApplication::processEvents();
    const qint64 idleNs = clock.nsecsElapsed();
    const double openPeak = peakMb();
    const double openResident = residentMb();

    const qint64 length = view.textLength();
    auto timed = [&](auto&& f) {
        QElapsedTimer t;
        t.start();
        f();
        QApplication::processEvents();
        return t.nsecsElapsed();
    };

    const qint64 ctrlEnd = timed([&] {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
        QApplication::sendEvent(&view, &key);
        view.viewport()->repaint();
    });
    const qint64 lfcOff1 = timed([&] { view.lineFromChar(length); });
    const qint64 lfcOff2 = timed([&] { view.lineFromChar(length); });

    qint64 hit = -1;
    const qint64 find = timed([&] {
        hit = view.document().find(kNeedle, 0, length);
        if (hit >= 0) {
            view.setSelStart(hit);
            view.setSelLength(kNeedle.size());
        }
        view.viewport()->repaint();
    });
    if (hit < 0) std::fprintf(stderr, "needle not found\n");

    qsizetype copied = 0;
    const qint64 copy = timed([&] {
        view.selectAll();
        view.copy();
        while (view.isBusy()) QApplication::processEvents(QEventLoop::WaitForMoreEvents); // made on a worker
        copied = QApplication::clipboard()->text().size();
    });
    if (copied != length) std::fprintf(stderr, "copied %lld of %lld\n", qint64(copied), length);
    QApplication::clipboard()->clear();

    view.setWordWrap(true);
    QApplication::processEvents();
    const qint64 lfcOn1 = timed([&] {
        // Counted on workers: asked again as better numbers come, until the number is final.
        const auto again = QObject::connect(&view, &BigTextView::numberingChanged, &view, [&] { view.lineFromChar(length); });
        view.lineFromChar(length);
        while (!view.lineNumbersFinal()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QObject::disconnect(again);
    });
    const qint64 lfcOn2 = timed([&] { view.lineFromChar(length); });
    const qint64 lfcOn3 = timed([&] { view.lineFromChar(length - 1000); });

    std::printf("first_paint=%.1f idle=%.1f rss_open=%.1f peak_open=%.1f base=%.1f ctrl_end=%.1f find=%.1f copy=%.1f "
                "lfc_off1=%.2f lfc_off2=%.3f lfc_on1=%.1f lfc_on2=%.3f lfc_on_near=%.3f peak=%.1f\n",
                ms(firstPaint), ms(idleNs), openResident, openPeak, baseMb, ms(ctrlEnd), ms(find), ms(copy),
                ms(lfcOff1), ms(lfcOff2), ms(lfcOn1), ms(lfcOn2), ms(lfcOn3), peakMb());
    return 0;
}

// ---------------------------------------------------------------- generation

double median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double timeIconv(const QString& path, const QString& from, const QString& to, int runs)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer c;
        c.start();
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(QStringLiteral("iconv"), {QStringLiteral("-f"), from, QStringLiteral("-t"), to, path});
        if (!p.waitForFinished(600000)) return -1;
        t.push_back(c.nsecsElapsed() / 1e6);
    }
    return median(t);
}

int orchestrate(const QStringList& args, const QString& self)
{
    QList<int> sizes{10, 100, 1024};
    int runs = 5;
    QString dirBase = QDir::tempPath();
    for (int i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--sizes")) {
            sizes.clear();
            for (const QString& s : args[i + 1].split(u',')) sizes << s.toInt();
        } else if (args[i] == QLatin1String("--runs")) {
            runs = std::max(1, args[i + 1].toInt());
        } else if (args[i] == QLatin1String("--dir")) {
            dirBase = args[i + 1];
        }
    }
    QTemporaryDir dir(dirBase + QStringLiteral("/bench_bigtext-XXXXXX"));
    if (!dir.isValid()) return 1;

    std::printf("Medians of %d runs (1 GB: %d); times in ms, memory in MB (resident after open / peak of the run).\n",
                runs, std::max(1, runs / 2 + 1));
    std::printf("%-12s %8s %7s %7s %8s %8s %8s %7s %8s %9s %9s %9s %9s %8s\n", "file", "paint", "idle", "rss", "peak",
                "ctrlEnd", "find", "copy", "lfcOff", "lfcOff2", "lfcOn", "lfcOn2", "iconv", "goalMem");
    for (int mb : sizes) {
        for (bool utf8 : {false, true}) {
            const QString path = dir.filePath(QStringLiteral("bench-%1-%2.txt").arg(mb).arg(utf8 ? "utf8" : "cp932"));
            if (!BenchData::writeJapaneseLines(path, qint64(mb) << 20, utf8, kNeedle)) {
                std::printf("cannot write %s\n", qPrintable(path));
                return 1;
            }
            const qint64 fileSize = QFile(path).size();
            QMap<QString, std::vector<double>> values;
            const int n = mb >= 1024 ? std::max(1, runs / 2 + 1) : runs;
            for (int r = 0; r < n; ++r) {
                QProcess child;
                child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
                child.start(self, {QStringLiteral("--one"), path, utf8 ? QStringLiteral("utf8") : QStringLiteral("cp932")});
                if (!child.waitForFinished(1800000)) {
                    std::printf("run timed out\n");
                    continue;
                }
                for (const QByteArray& kv : child.readAllStandardOutput().trimmed().split(' ')) {
                    const int eq = kv.indexOf('=');
                    if (eq > 0) values[QString::fromLatin1(kv.left(eq))].push_back(kv.mid(eq + 1).toDouble());
                }
            }
            const double iconv = utf8 ? timeIconv(path, QStringLiteral("UTF-8"), QStringLiteral("UTF-16LE"), 3)
                                      : timeIconv(path, QStringLiteral("CP932"), QStringLiteral("UTF-8"), 3);
            auto m = [&](const char* key) { return median(values.value(QString::fromLatin1(key))); };
            std::printf("%-12s %8.1f %7.1f %7.1f %8.1f %8.1f %8.1f %7.1f %8.2f %9.3f %9.1f %9.3f %9.1f %8.1f\n",
                        qPrintable(QStringLiteral("%1 %2MB").arg(utf8 ? "UTF-8" : "CP932").arg(mb)),
                        m("first_paint"), m("idle"), m("rss_open"), m("peak"), m("ctrl_end"), m("find"), m("copy"),
                        m("lfc_off1"), m("lfc_off2"), m("lfc_on1"), m("lfc_on2"), iconv,
                        1.5 * fileSize / 1048576.0 + 60);
            std::fflush(stdout);
            QFile::remove(path);
        }
    }
    std::printf("paint/idle: from the start of loading to the first painted screen / to a complete index and an empty\n"
                "event queue.\n"
                "rss: resident memory after opening (program base included); peak: highest resident memory of the\n"
                "run, select all + copy of the whole text included. goalMem: 1.5 x file size + 60 MB.\n"
                "lfcOff/lfcOn: line of the end position (first call / second call) with word wrap off / on.\n"
                "iconv: CP932 files to UTF-8, UTF-8 files to UTF-16LE.\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == QLatin1String("--one"))
        return runOne(args[2], args[3] == QLatin1String("utf8") ? TextEncoding::Utf8 : TextEncoding::Cp932);
    return orchestrate(args.mid(1), app.applicationFilePath());
}
