// Showing large text files: time from selecting a file until the pane has
// painted its first screen, peak memory, and the pane operations on the result.
//
// Files: generated Japanese text with CR LF in CP932 (1, 10 and 100 MB) and in
// UTF-8 (100 MB). Printed beside each, from the same run: the time of iconv
// converting the file (the command-line tool, output to /dev/null), the time of
// detection and decoding alone, and the time QPlainTextEdit::setPlainText alone
// takes on the already decoded text (a shown widget of the pane's size and
// font). The machine may be shared: each time is the best of a few runs (one
// run for 100 MB).
//
// Usage: bench_text [megabytes | uMegabytes ...]   (default: 1 10 100 u100; u for UTF-8)
#include "BenchData.h"
#include "BigTextView.h"
#include "Cp932.h"
#include "FindDialog.h"
#include "FsPath.h"
#include "CommonDialogs.h"
#include "MainControls.h"
#include "Messages.h"
#include "Platform.h"
#include "TextLoad.h"
#include "TextPane.h"
#include "Unit1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <malloc.h>

namespace {

class SilentMessages : public Messages {
public:
    void error(QWidget*, const QString& t) override { std::printf("  (error box: %s)\n", qPrintable(t)); }
    void warning(QWidget*, const QString&) override {}
    void notice(QWidget*, const QString& t) override { last = t; }
    QString last;
};

// Peak resident memory since the last reset, in MB.
void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}
// Japanese prose lines with CR LF; every line different.
QString generate(qint64 bytesWanted, bool cp932Bytes)
{
    static const QStringList words = QStringLiteral(
        "日本語 文字 表示 設定 ファイル テキスト 検索 保存 確認 画面 操作 今日 天気 東京 会社 情報 資料 会議 "
        "データ システム ﾃﾞｰﾀ ｼｽﾃﾑ ウィンドウ メニュー 漢字 ひらがな カタカナ Windows version 2024")
        .split(u' ');
    static const QStringList glue = QStringLiteral("は が を に で と の も から まで です ます した する 、 。").split(u' ');
    QRandomGenerator rng(12345);
    QString out;
    out.reserve(bytesWanted / (cp932Bytes ? 2 : 3) + 1024);
    qint64 bytes = 0;
    for (qint64 line = 1; bytes < bytesWanted; ++line) {
        QString l = QString::number(line) + QStringLiteral(": ");
        const int n = 6 + int(rng.bounded(10));
        for (int i = 0; i < n; ++i) l += words[int(rng.bounded(qsizetype(words.size())))] + glue[int(rng.bounded(qsizetype(glue.size())))];
        l += QStringLiteral("\r\n");
        for (QChar c : l) bytes += c.unicode() < 0x80 ? 1 : (cp932Bytes ? (c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F ? 1 : 2) : 3);
        out += l;
    }
    return out;
}

double iconvSeconds(const QString& file, const char* from, const char* to)
{
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(QStringLiteral("iconv"), {QStringLiteral("-f"), QString::fromLatin1(from), QStringLiteral("-t"),
                                      QString::fromLatin1(to), file});
    p.waitForFinished(-1);
    return t.nsecsElapsed() / 1e9;
}

struct PaintWatch : QObject {
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) painted = true;
        return false;
    }
};

double ms(const QElapsedTimer& t) { return t.nsecsElapsed() / 1e6; }

// Runs the event loop until the pane's file is indexed whole and a search or
// copy under way has answered.
void settle(const TextPane* pane)
{
    const auto* big = qobject_cast<const BigTextView*>(pane->textWidget());
    while (big && (!big->isComplete() || big->isBusy())) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    struct Case { int mb; bool utf8; };
    std::vector<Case> cases;
    for (int i = 1; i < argc; ++i) {
        const bool utf8 = argv[i][0] == 'u';
        cases.push_back({atoi(argv[i] + (utf8 ? 1 : 0)), utf8});
    }
    if (cases.empty()) cases = {{1, false}, {10, false}, {100, false}, {100, true}};

    QTemporaryDir dir;
    SilentMessages messages;
    RealPlatform platform;
    QtCommonDialogs dialogs;   // never opened: nothing here asks
    AppEnv env{dir.path() + QStringLiteral("/settings/"), platform, messages, dialogs};
    TForm1 form(env);
    form.resize(900, 700);
    form.show();
    QApplication::processEvents();
    const MainControls ctl(form);
    // The window's own list, filled as a listing fills it; one listing first,
    // as at start-up, so that a selection is shown.
    FileListModel* model = ctl.LViewModel;
    const QString folder = dir.path() + QStringLiteral("/");
    ctl.Edit1->setText(folder);
    form.STItem();
    while (form.listing()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    auto listOnly = [&](const QString& name) { model->setFiles(folder, {name}, ctl.LView->fontMetrics()); };
    PaintWatch watch;
    ctl.REdit->textWidget()->findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport"))->installEventFilter(&watch);

    {
        // Warm up fonts and glyph caches with a small Japanese file, as a user
        // who has already looked at one would have them.
        QFile f(dir.path() + QStringLiteral("/warm.txt"));
        if (f.open(QIODevice::WriteOnly)) f.write(Cp932::encode(generate(20000, true)));
        f.close();
        listOnly(QStringLiteral("warm.txt"));
        watch.painted = false;
        ctl.LView->selectionModel()->select(model->index(0), QItemSelectionModel::ClearAndSelect);
        while (!watch.painted) QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    std::printf("%-12s %9s %9s %9s %9s %9s %9s %8s %8s %8s %8s %8s\n", "file", "iconv", "decode", "ratio",
                "setPlain", "show", "ratio", "peakMB", "caret", "selAll", "find", "notfound");
    for (const Case& c : cases) {
        const QString name = QStringLiteral("%1mb-%2.txt").arg(c.mb).arg(c.utf8 ? u"utf8" : u"cp932");
        const QString path = dir.path() + QStringLiteral("/") + name;
        {
            const QString text = generate(qint64(c.mb) * 1024 * 1024, !c.utf8);
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly)) return 1;
            f.write(c.utf8 ? text.toUtf8() : Cp932::encode(text));
        }
        // The file is in the page cache for every measurement: read it once first.
        QByteArray bytes;
        FsPath::readFile(path, &bytes, std::numeric_limits<qint64>::max());
        const int runs = c.mb >= 100 ? 1 : 3;
        double iconvS = 1e9;
        for (int r = 0; r < 3; ++r)
            iconvS = std::min(iconvS, c.utf8 ? iconvSeconds(path, "UTF-8", "UTF-16LE") : iconvSeconds(path, "CP932", "UTF-8"));

        QElapsedTimer t;
        TextLoad::Options o;
        o.unifyLineBreaks = true;
        TextLoad::Decoded decoded;
        double decodeMs = 1e9;
        for (int r = 0; r < 3; ++r) {
            decoded = TextLoad::Decoded();
            t.start();
            decoded = TextLoad::decode(bytes, o);
            decodeMs = std::min(decodeMs, ms(t));
        }
        bytes = QByteArray();

        // The whole show: selecting the file in the list until the first paint.
        double showMs = 1e9, readfileMs = 0, peak = 0, rssBefore = 0;
        for (int r = 0; r < runs; ++r) {
            ctl.REdit->clear();
            ctl.LView->selectionModel()->clearSelection();
            listOnly(name);
            QApplication::processEvents();
            malloc_trim(0);   // give freed memory back, so that the peak below is this show's own
            rssBefore = BenchData::statusMb("VmRSS:");
            resetPeak();
            watch.painted = false;
            t.restart();
            ctl.LView->selectionModel()->select(model->index(0), QItemSelectionModel::ClearAndSelect);
            const double inPane = ms(t);
            while (!watch.painted) QApplication::processEvents(QEventLoop::AllEvents, 50);
            if (ms(t) < showMs) {
                showMs = ms(t);
                readfileMs = inPane;
            }
            peak = BenchData::statusMb("VmHWM:");
        }

        // setPlainText alone, on a shown widget of the pane's size and font.
        double setPlainMs = 1e9;
        for (int r = 0; r < runs; ++r) {
            QPlainTextEdit alone;
            alone.setFont(ctl.REdit->paneFont());
            alone.setLineWrapMode(QPlainTextEdit::NoWrap);
            alone.resize(ctl.REdit->size());
            alone.show();
            QApplication::processEvents();
            t.restart();
            alone.setPlainText(decoded.text);
            setPlainMs = std::min(setPlainMs, ms(t));
        }
        decoded = TextLoad::Decoded();
        TextPane* pane = ctl.REdit;
        settle(pane); // the rest of the file is indexed in the background

        // Caret far down, select all, find-next to a hit near the end, and a search that finds nothing.
        pane->setSelStart(pane->textLength() - 5);
        t.restart();
        form.PutCallet();
        const double caretMs = ms(t);
        t.restart();
        form.L1Click();
        const double selAllMs = ms(t);
        const QString all = pane->text();
        const qsizetype lastStart = all.lastIndexOf(QLatin1Char('\n'), all.size() - 2) + 1;
        const QString lastLine = all.mid(lastStart, 12);
        pane->setSelStart(0);
        ctl.FindDlg->setFindText(lastLine);
        t.restart();
        form.FindDlgFind();
        settle(pane);
        const double findMs = ms(t);
        const bool found = pane->selLength() == lastLine.size();
        pane->setSelStart(0);
        ctl.FindDlg->setFindText(QStringLiteral("存在しない語"));
        messages.last.clear();
        t.restart();
        form.FindDlgFind();
        settle(pane);
        const double notFoundMs = ms(t);

        std::printf("%-12s %7.0fms %7.0fms %9.2f %7.0fms %7.0fms %9.2f %8.0f %6.1fms %6.1fms %6.1fms %6.1fms%s\n",
                    qPrintable(name.chopped(4)), iconvS * 1000, decodeMs, decodeMs / (iconvS * 1000), setPlainMs,
                    showMs, showMs / setPlainMs, peak - rssBefore, caretMs, selAllMs, findMs, notFoundMs,
                    found && !messages.last.isEmpty() ? "" : "  (find check failed)");
        std::printf("%-12s   (of the show: %.0f ms until the text was in the pane, %.0f ms to the first paint)\n", "",
                    readfileMs, showMs - readfileMs);
        std::fflush(stdout);
        QFile::remove(path);
    }
    std::printf("decode = detection + decoding in memory; ratio = decode / iconv (goal <= 0.5); show = selecting the\n"
                "file until the first paint; ratio = show / setPlainText alone (goal <= 1.15); peakMB = peak memory\n"
                "above the resident size before the show; caret = PutCallet near the end, selAll = select all,\n"
                "find = find-next to a hit on the last line from the top, notfound = a search over the whole text.\n");
    return 0;
}
