// Opening large rich-text (RTF) files without holding up the window: for
// generated Japanese RTF of each size (formatted paragraphs, the Japanese in
// \'hh escapes as word processors write it, or as raw CP932 bytes; and the
// escaped text as one paragraph, its lines ended by raw line ends only), the time
// from selecting the file in the main window's list to the first painted
// screen of its text and to the whole text, the longest stall of the event
// loop meanwhile, the processor time of all threads, and peak resident memory
// (VmHWM). Then walking past it: selecting the RTF file and, once its first
// screen shows, a small text file; the longest stall and how soon the
// workers are idle.
//
//   bench_rtf [--sizes 10,30] [--dir /tmp]
//   bench_rtf --write PATH MB [raw|one]   (only writes one such file)
//
// A stall is the largest gap between the ticks of a 1 ms timer. Each file is
// measured in a child process of its own, so that peak memory is that of one
// file. Files are created in a temporary folder and removed after use.
#include "BenchData.h"
#include "BenchProbe.h"
#include "BigTextJobs.h"
#include "CommonDialogs.h"
#include "Cp932.h"
#include "FileListModel.h"
#include "MainControls.h"
#include "Messages.h"
#include "Platform.h"
#include "RtfReader.h"
#include "TextPane.h"
#include "Unit1.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QListView>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

#include <sys/resource.h>

namespace {

// The start of every generated file, up to its text: fonts, colours, paragraph.
const QByteArray kHead = "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}"
                         "{\\f1\\fswiss\\fcharset0 Arial;}}{\\colortbl;\\red200\\green0\\blue0;\\red0\\green0\\blue160;}"
                         "\\viewkind4\\uc1\\pard\\f0\\fs21 ";


// The time of the first paint of either text page while the pane holds text.
class PaintWatch : public QObject {
public:
    TextPane* pane = nullptr;
    QElapsedTimer* clock = nullptr;
    qint64 at = -1;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && clock && at < 0 && pane->textLength() > 0) at = clock->nsecsElapsed();
        return false;
    }
};



struct Window {
    QTemporaryDir settings;
    BenchMessages messages;
    RealPlatform platform;
    QtCommonDialogs dialogs;
    AppEnv env{settings.path() + QStringLiteral("/"), platform, messages, dialogs};
    TForm1 form{env};
    const MainControls ctl{form};
    QString folder;
    PaintWatch watch;
    StallProbe stall;

    explicit Window(const QString& dir) : folder(dir + QStringLiteral("/"))
    {
        form.resize(900, 700);
        form.show();
        ctl.Edit1->setText(folder);
        form.STItem();
        watch.pane = ctl.REdit;
        for (QWidget* w : ctl.REdit->textWidgets())
            if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) area->viewport()->installEventFilter(&watch);
        // Fonts and glyphs warmed up with a small document of the same kind.
        ctl.REdit->loadData(kHead + "\\'93\\'fa\\'96\\'7b {\\b\\f1 B}{\\cf1 C}\\par}");
        QApplication::processEvents();
        ctl.REdit->clear();
        QApplication::processEvents();
    }
    void list(const QStringList& names)
    {
        ctl.LViewModel->setFiles(folder, names, ctl.LView->fontMetrics());
    }
    void select(int row)
    {
        ctl.LView->selectionModel()->setCurrentIndex(ctl.LViewModel->index(row), QItemSelectionModel::ClearAndSelect);
    }
};

// ---------------------------------------------------------------- one file

int runOne(const QString& path, qint64 expected)
{
    const QFileInfo info(path);
    Window w(info.absolutePath());
    const QString small = QStringLiteral("small.txt");
    {
        QFile f(info.absolutePath() + u'/' + small);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.write(Cp932::encode(QStringLiteral("小さなファイルです。\r\n").repeated(20)));
    }
    w.list({info.fileName(), small});
    TextPane* pane = w.ctl.REdit;

    w.messages.last.clear();   // the window started without settings files
    const double base = BenchData::statusMb("VmHWM:");
    QElapsedTimer clock;
    w.watch.clock = &clock;
    w.watch.at = -1;
    w.stall.reset();
    const double cpuBefore = cpuMs();
    clock.start();
    w.select(0);
    spin([&] { return w.watch.at >= 0; });
    spin([&] { return pane->textLength() >= expected || !w.messages.last.isEmpty(); });
    const qint64 complete = clock.nsecsElapsed();
    // What is still posted (the last slices) is part of opening too.
    QApplication::processEvents();
    const double stall = w.stall.worstMs();
    const double cpu = cpuMs() - cpuBefore;
    const double peak = BenchData::statusMb("VmHWM:");
    if (pane->textLength() != expected)
        std::fprintf(stderr, "shown %lld of %lld characters (%s)\n", pane->textLength(), expected,
                     qPrintable(w.messages.last));

    // Walking past: the RTF file again, and at its first screen the small file.
    w.select(1);
    spin([&] { return pane->textLength() > 0 && !pane->shownAsRichText(); });
    QApplication::processEvents();
    w.watch.at = -1;
    w.stall.reset();
    clock.restart();
    w.select(0);
    spin([&] { return w.watch.at >= 0; });
    w.select(1);
    spin([&] { return pane->textLength() > 0 && !pane->shownAsRichText(); });
    const bool idle = spin([] { return BigTextWorkers::busy() == 0; }, 30);
    const qint64 past = clock.nsecsElapsed();
    const double pastStall = w.stall.worstMs();

    std::printf("paint=%.1f complete=%.1f stall=%.1f cpu=%.1f peak=%.1f base=%.1f past=%.1f past_stall=%.1f past_idle=%d\n",
                ms(w.watch.at), ms(complete), stall, cpu, peak, base, ms(past), pastStall, idle ? 1 : 0);
    return 0;
}

// ---------------------------------------------------------------- generation

enum class Shape { Escaped, Raw, OneParagraph };

// About size bytes of RTF: a Japanese document with a font and colour table,
// paragraphs of Japanese and ASCII with bold and coloured words. Raw: the
// Japanese as raw CP932 bytes (no \ansicpg, so the document's code page is
// the system's), else in \'hh escapes under \ansicpg932. OneParagraph: the
// escaped text with no paragraph break before its end.
bool writeRtf(const QString& path, qint64 size, Shape shape)
{
    const bool raw = shape == Shape::Raw;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray buf = (raw ? "{\\rtf1\\ansi" : "{\\rtf1\\ansi\\ansicpg932") + kHead.mid(int(strlen("{\\rtf1\\ansi\\ansicpg932")));
    auto escaped = [raw](const QString& s) {
        const QByteArray b = Cp932::encode(s);
        if (raw) return b;
        QByteArray out;
        for (char c : b) {
            const auto u = static_cast<unsigned char>(c);
            if (u >= 0x80 || c == '\\' || c == '{' || c == '}')
                out += "\\'" + QByteArray::number(u, 16).rightJustified(2, '0');
            else
                out += c;
        }
        return out;
    };
    // Lines chosen to hold trail bytes 0x5C, 0x7B and 0x7D (ソ, 表, 倍...).
    const QStringList lines{QStringLiteral("日本語の文書です。ソフトウェアの表示を確かめます。"),
                            QStringLiteral("構成要素の一覧表と能力の説明、予定表。"),
                            QStringLiteral("ｶﾀｶﾅ・ひらがな・漢字が混ざった行です。"),
                            QStringLiteral("第%1節 倍率と運転の記録（十月）")};
    qint64 written = 0;
    for (int i = 0; written + buf.size() < size; ++i) {
        buf += escaped(lines[i % 3]);
        buf += " {\\b\\f1 Bold " + QByteArray::number(i) + "}{\\cf1 ";
        buf += escaped(lines[3].arg(i));
        buf += shape == Shape::OneParagraph ? "} plain words, {\\i italic} and {\\ul under}.\r\n"
                                            : "} plain words, {\\i italic} and {\\ul under}.\\par\r\n";
        if (buf.size() > (1 << 20)) {
            if (f.write(buf) != buf.size()) return false;
            written += buf.size();
            buf.clear();
        }
    }
    buf += "\\par}\r\n";
    return f.write(buf) == buf.size();
}

int orchestrate(const QStringList& args, const QString& self)
{
    QList<int> sizes{10, 30};
    QString dirBase = QDir::tempPath();
    for (int i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--sizes")) {
            sizes.clear();
            for (const QString& s : args[i + 1].split(u',')) sizes << s.toInt();
        } else if (args[i] == QLatin1String("--dir")) {
            dirBase = args[i + 1];
        }
    }
    QTemporaryDir dir(dirBase + QStringLiteral("/bench_rtf-XXXXXX"));
    if (!dir.isValid()) return 1;
    std::printf("Times in ms, memory in MB.\n%-18s %6s %6s %9s %8s %7s %7s %5s %6s %8s %6s\n", "file", "size", "chars",
                "paint", "complete", "stall", "cpu", "peak", "+file", "past", "stall");
    for (int mb : sizes) {
        for (Shape shape : {Shape::Escaped, Shape::Raw, Shape::OneParagraph}) {
            const char* kind = shape == Shape::Raw ? "raw" : shape == Shape::Escaped ? "\\'hh" : "1 par";
            const QString path = dir.filePath(QStringLiteral("big-%1-%2.rtf").arg(mb).arg(int(shape)));
            if (!writeRtf(path, qint64(mb) << 20, shape)) return 1;
            qint64 chars = 0;
            {
                QFile f(path);
                if (!f.open(QIODevice::ReadOnly)) return 1;
                const std::optional<RtfReader::Document> doc = RtfReader::read(f.readAll());
                if (!doc) {
                    std::printf("RTF %s %dMB: not read as RTF, left out\n", kind, mb);
                    QFile::remove(path);
                    continue;
                }
                for (const RtfReader::Run& r : doc->runs) chars += r.text.size();
            }
            const double size = QFile(path).size() / 1048576.0;
            auto v = runChild(self, {QStringLiteral("--one"), path, QString::number(chars)});
            std::printf("%-18s %6.1f %6.1fM %9.1f %8.1f %7.1f %7.1f %5.0f %6.1f %8.1f %6.1f\n",
                        qPrintable(QStringLiteral("RTF %1 %2MB").arg(kind).arg(mb)), size, chars / 1e6,
                        v.value("paint"), v.value("complete"), v.value("stall"), v.value("cpu"), v.value("peak"),
                        (v.value("peak") - v.value("base")) / size, v.value("past"), v.value("past_stall"));
            std::fflush(stdout);
            QFile::remove(path);
        }
    }
    std::printf("paint: selecting the file until its first screen of text is painted; complete: until the pane holds\n"
                "the whole text; stall: the longest the event loop was held up meanwhile; cpu: processor time of all\n"
                "threads; peak: highest resident memory of the process (VmHWM) while opening; +file: what\n"
                "opening added to the window's own peak before it, as a multiple of the file size;\n"
                "past: selecting the RTF file and, at its first screen, a small text file, until that shows and the\n"
                "workers are idle, with the longest stall meanwhile.\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == QLatin1String("--one")) return runOne(args[2], args[3].toLongLong());
    // One generated file to look at or profile: --write PATH MB [raw]
    if (args.size() >= 4 && args[1] == QLatin1String("--write")) {
        const QString kind = args.size() > 4 ? args[4] : QString();
        const Shape shape = kind == QLatin1String("raw") ? Shape::Raw
                            : kind == QLatin1String("one") ? Shape::OneParagraph : Shape::Escaped;
        return writeRtf(args[2], args[3].toLongLong() << 20, shape) ? 0 : 1;
    }
    return orchestrate(args.mid(1), app.applicationFilePath());
}
