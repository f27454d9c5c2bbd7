// The text view of the main window under hostile input: copies too big for
// memory, texts longer than 2^31 characters, files swapped while being opened.
#include "BigTextJobs.h"
#include "BigTextView.h"
#include "FindDialog.h"
#include "TestSupport.h"
#include "TextViewRig.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QStringListModel>
#include <QtTest>

#include <QAbstractScrollArea>
#include <QStyleHints>

#include <atomic>
#include <optional>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

// Every shaping of text by the toolkit passes through this function of the
// shaping library; defined here, it counts the calls and passes them on.
namespace {
std::atomic<int> g_shapings{0};
}
extern "C" __attribute__((visibility("default"))) int hb_shape_full(void* font, void* buffer, const void* features,
                                                                   unsigned int count, const char* const* shapers)
{
    using Shape = int (*)(void*, void*, const void*, unsigned int, const char* const*);
    static const auto next = reinterpret_cast<Shape>(dlsym(RTLD_NEXT, "hb_shape_full"));
    ++g_shapings;
    return next(font, buffer, features, count, shapers);
}

namespace {

using View = TextViewRig;

// Bytes of address space the process maps now.
qint64 mappedBytes()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmSize:")) return line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}

// Leaves only `room` bytes of address space to the process while it lives.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(qint64 room)
    {
        getrlimit(RLIMIT_AS, &m_saved);
        struct rlimit lim = m_saved;
        lim.rlim_cur = rlim_t(mappedBytes() + room);
        m_ok = mappedBytes() > 0 && setrlimit(RLIMIT_AS, &lim) == 0;
    }
    ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &m_saved); }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;
    bool ok() const { return m_ok; }

private:
    struct rlimit m_saved {};
    bool m_ok = false;
};

// What a program pasting the clipboard's text asks for: every format, as bytes.
// Throws where the conversion cannot be had.
qint64 pasteEverything()
{
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    qint64 total = 0;
    if (mime)
        for (const QString& format : mime->formats()) total += mime->data(format).size();
    return total;
}

const QString kNoMemory = QStringLiteral("メモリが不足しています.");

// The address sanitizer reserves, pads and holds back memory of its own, and
// ends the program where an allocation fails: an address-space limit tells
// nothing under it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

} // namespace

class TestTextLimits : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QApplication::clipboard()->clear(); }
    void plainCopyEitherFitsOrIsRefused();
    void richCopyIsHandedOverComplete();
    void positionsPastTwoGigaCharacters();
    void pasteIsWeighedLikeACopy();
    void aFileIsOpenedOnceAndReadThroughThatOpening();
    void theCaretBlinksOnALongParagraphWithoutShapingIt_data();
    void theCaretBlinksOnALongParagraphWithoutShapingIt();
};

void TestTextLimits::plainCopyEitherFitsOrIsRefused()
{
    if (kAddressSanitizer) QSKIP("memory limits are not meaningful under the address sanitizer");
    // 40 million characters: their UTF-16 text fits in the room left below,
    // the UTF-8 copy a paste makes on top of it does not.
    constexpr qint64 kChars = 40'000'000;
    View v;
    QByteArray line(99, 'x');
    line += '\n';
    QByteArray bytes;
    bytes.reserve(kChars);
    while (bytes.size() < kChars) bytes += line;
    v.write(QStringLiteral("big.txt"), bytes);
    bytes = QByteArray();
    v.showListed(QStringLiteral("big.txt"));
    QTRY_COMPARE_WITH_TIMEOUT(v.pane()->textLength(), kChars, 60000); // indexed in the background
    v.form->L1Click();
    QApplication::clipboard()->setText(QStringLiteral("before"));
    {
        AddressSpaceLimit limit(kChars * 7 / 2);
        QVERIFY(limit.ok());
        ui(*v.form).C1->trigger();
        QCOMPARE(v.messages(), QStringList{kNoMemory});
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
        qint64 pasted = -1;
        try {
            pasted = pasteEverything();
        } catch (const std::bad_alloc&) {
        }
        QVERIFY(pasted > 0);
        // Cutting from the keyboard is refused the same way, and cuts nothing.
        v.env.messages.log.clear();
        QTest::keyClick(v.pane()->textWidget(), Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(v.messages(), QStringList{kNoMemory});
        QCOMPARE(v.pane()->textLength(), kChars);
        QCOMPARE(v.pane()->selLength(), kChars);

        // A small selection under the same limit is copied, and pasted whole.
        v.env.messages.log.clear();
        v.pane()->setSelStart(150);
        v.pane()->setSelLength(1000);
        ui(*v.form).C1->trigger();
        QVERIFY(v.messages().isEmpty());
        // The copy may wait for the background check of the counts first.
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::clipboard()->text().size(), 1000, 60000);
        QCOMPARE(QApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain")).size(), 1000);
    }
    // With the memory back, the same whole selection is refused or copied
    // whole, by what the machine has: never a copy that fails later.
    v.env.messages.log.clear();
    v.form->L1Click();
    ui(*v.form).C1->trigger();
    if (v.messages().isEmpty()) QTRY_COMPARE_WITH_TIMEOUT(QApplication::clipboard()->text().size(), kChars, 60000);
    else QCOMPARE(v.messages(), QStringList{kNoMemory});
}

void TestTextLimits::pasteIsWeighedLikeACopy()
{
    if (kAddressSanitizer) QSKIP("memory limits are not meaningful under the address sanitizer");
    // 20 million characters on the clipboard; the room left would hold their
    // copy in the text, not a copy of them by the one rule: refused, as a copy is.
    constexpr qint64 kChars = 20'000'000;
    View v;
    QByteArray bytes;
    while (bytes.size() < (3 << 20)) bytes += "a line of the big text\n";
    v.write(QStringLiteral("big.txt"), bytes);
    v.showListed(QStringLiteral("big.txt"));
    QTRY_COMPARE_WITH_TIMEOUT(v.pane()->textLength(), bytes.size(), 60000);
    QApplication::clipboard()->setText(QString(kChars, u'p'));
    v.pane()->setSelStart(5);
    {
        AddressSpaceLimit limit(kChars * 8);
        QVERIFY(limit.ok());
        QTest::keyClick(v.pane()->textWidget(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(v.messages(), QStringList{kNoMemory});
        QCOMPARE(v.pane()->textLength(), bytes.size());
    }
    // With the memory back, it is pasted whole (or refused, on a small machine).
    v.env.messages.log.clear();
    QTest::keyClick(v.pane()->textWidget(), Qt::Key_V, Qt::ControlModifier);
    if (v.messages().isEmpty()) QCOMPARE(v.pane()->textLength(), bytes.size() + kChars);
    else QCOMPARE(v.messages(), QStringList{kNoMemory});
    QApplication::clipboard()->clear();
}

void TestTextLimits::richCopyIsHandedOverComplete()
{
    if (kAddressSanitizer) QSKIP("memory limits are not meaningful under the address sanitizer");
    // A rich text of many short paragraphs: its text is small, its markup
    // (made only when a program pastes it) many times that.
    constexpr int kParagraphs = 200'000;
    View v;
    QByteArray rtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 ");
    for (int i = 0; i < kParagraphs; ++i) rtf += "ab\\par ";
    rtf += "}";
    v.write(QStringLiteral("many.rtf"), rtf);
    v.showListed(QStringLiteral("many.rtf"));
    QVERIFY(v.pane()->shownAsRichText());
    v.form->L1Click();
    const qint64 chars = v.pane()->selLength();
    QVERIFY(chars >= 3 * kParagraphs);
    {
        AddressSpaceLimit limit(48 << 20);
        QVERIFY(limit.ok());
        ui(*v.form).C1->trigger();
        QVERIFY(v.messages().isEmpty());
        qint64 pasted = -1;
        try {
            pasted = pasteEverything();
        } catch (const std::bad_alloc&) {
        }
        // Everything offered can be had, and it is no more than the text
        // and its UTF-8 copy.
        QVERIFY(pasted >= chars);
        QVERIFY(pasted <= 5 * chars);
    }
    QCOMPARE(QApplication::clipboard()->text().size(), chars);
    QVERIFY(QApplication::clipboard()->text().startsWith(QStringLiteral("ab\nab\n")));
    {
        // Too little room for even the text: cutting from the keyboard is
        // refused and cuts nothing.
        AddressSpaceLimit limit(5 << 20);
        QVERIFY(limit.ok());
        QTest::keyClick(v.pane()->textWidget(), Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(v.messages(), QStringList{kNoMemory});
        QCOMPARE(v.pane()->textLength(), chars);
    }
    v.env.messages.log.clear();

    // A small selection keeps its formatting for programs that take it.
    v.pane()->setSelStart(0);
    v.pane()->setSelLength(5);
    ui(*v.form).C1->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("ab\nab"));
    QVERIFY(QApplication::clipboard()->mimeData()->hasHtml());
}

void TestTextLimits::positionsPastTwoGigaCharacters()
{
    // A sparse file: a line of text, a hole of NULs (one character each), a
    // line with the second hit past 2^31 characters, another hole, a last line.
    // The holes are counted without being read, so this takes seconds in any build.
    const qint64 second = (qint64(1) << 31) + 4096;
    const qint64 size = second + (1 << 20);
    View v;
    const QString path = v.path(QStringLiteral("sparse.txt"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray head;
        while (head.size() < 100) head += "text ";
        head.truncate(100);
        head += "NEEDLE\n";
        // Enough plain text at the head to tell the encoding by.
        while (head.size() < (1 << 20) + 4096) head += "some ordinary text of the first lines\n";
        f.write(head);
        QVERIFY(f.seek(second - 11));
        f.write("\nline ten: NEEDLE\n");
        QVERIFY(f.resize(size - 10));
        QVERIFY(f.seek(size - 10));
        f.write("\nlast line");
    }
    // Select all and copy before the index ends, then once it has: longer
    // than a clipboard text can be, and told so.
    const QStringList tooLong{QStringLiteral("選択範囲は 2,148,536,320 文字あり、一度にコピーできる 2,147,483,647 文字を超えています.")};
    for (const bool early : {true, false}) {
        std::optional<BigTextWorkers::Hold> hold(std::in_place);
        if (early) v.showListed(QStringLiteral("sparse.txt"));
        v.form->L1Click();
        ui(*v.form).C1->trigger();
        hold.reset();
        QTRY_COMPARE_WITH_TIMEOUT(v.env.messages.texts(), tooLong, 120000);
        v.env.messages.log.clear();
    }
    QVERIFY(QApplication::clipboard()->text().isEmpty());
    QCOMPARE(v.pane()->textLength(), size); // indexed in the background
    auto* big = qobject_cast<BigTextView*>(v.pane()->textWidget());
    QVERIFY(big);
    const qint64 lastLine = big->lineFromChar(size);
    QVERIFY(lastLine > 8192);

    // Ctrl+End, then Shift+Left.
    v.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(v.form.get()));
    v.pane()->setFocusToText();
    QTest::keyClick(v.pane()->textWidget(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(v.pane()->selStart(), size);
    QCOMPARE(v.panel(0), QStringLiteral("%1: 9").arg(lastLine));
    QTest::keyClick(v.pane()->textWidget(), Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(v.pane()->selStart(), size - 1);
    QCOMPARE(v.pane()->selLength(), 1);
    QCOMPARE(v.panel(0), QStringLiteral("%1: 8").arg(lastLine));

    // Find: the first hit; then, from a selection shortly before it (the
    // hole between holds nothing to find), the one past 2^31; then no more.
    v.pane()->setSelStart(0);
    ui(*v.form).FindDlg->setFindText(QStringLiteral("NEEDLE"));
    v.form->FindDlgFind();
    QCOMPARE(v.pane()->selStart(), 100);
    QCOMPARE(v.panel(0), QStringLiteral("0: 100"));
    v.pane()->setSelStart(second - 5000);
    v.pane()->setSelLength(1);
    v.form->FindDlgFind();
    QTRY_COMPARE_WITH_TIMEOUT(v.pane()->selStart(), second, 120000); // searched on a worker
    QCOMPARE(v.pane()->selLength(), 6);
    QCOMPARE(v.pane()->selectedText(), QStringLiteral("NEEDLE"));
    QCOMPARE(v.panel(0), QStringLiteral("%1: 10").arg(big->lineFromChar(second)));
    QVERIFY(v.messages().isEmpty());
    v.form->FindDlgFind();
    QTRY_COMPARE_WITH_TIMEOUT(v.messages(), QStringList{QStringLiteral("見つかりませんでした。")}, 120000);
    QCOMPARE(v.pane()->selStart(), second);
}

void TestTextLimits::aFileIsOpenedOnceAndReadThroughThatOpening()
{
    // Each opening of the file is seen (closings are watched too, or two
    // openings in a row would be reported as one): a name checked and then
    // opened again could be another file (or a device) by the second time.
    View v;
    QByteArray text;
    while (text.size() < 3 << 20) text += "plain text, read piecewise\r\n";
    v.write(QStringLiteral("a.txt"), text);
    v.write(QStringLiteral("b.rtf"), "{\\rtf1\\ansi rich\\par}");
    for (const QString& name : {QStringLiteral("a.txt"), QStringLiteral("b.rtf")}) {
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(watch >= 0);
        QVERIFY(inotify_add_watch(watch, QFile::encodeName(v.path(name)).constData(), IN_OPEN | IN_CLOSE_NOWRITE) >= 0);
        v.showListed(name);
        QVERIFY(v.messages().isEmpty());
        QVERIFY(v.pane()->textLength() > 0);
        int opens = 0;
        alignas(inotify_event) char buf[4096];
        for (ssize_t n; (n = read(watch, buf, sizeof buf)) > 0;)
            for (char* p = buf; p < buf + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
                if (reinterpret_cast<inotify_event*>(p)->mask & IN_OPEN) ++opens;
        close(watch);
        QCOMPARE(opens, 1);
        v.list({});
    }

    // A name that leads to a device is not shown, and nothing is read from it.
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), v.path(QStringLiteral("zero.txt"))));
    v.showListed(QStringLiteral("zero.txt"));
    QCOMPARE(v.messages(), QStringList{QStringLiteral("ﾌｧｲﾙ %1 は開けません.").arg(v.path(QStringLiteral("zero.txt")))});
}

void TestTextLimits::theCaretBlinksOnALongParagraphWithoutShapingIt_data()
{
    QTest::addColumn<bool>("caretAfter");
    QTest::newRow("caret inside the paragraph") << false;
    // At the end of the text, in the empty paragraph after the long one: the
    // caret's line touches the long one, whose painting it would ask for.
    QTest::newRow("caret after the paragraph") << true;
}

void TestTextLimits::theCaretBlinksOnALongParagraphWithoutShapingIt()
{
    QFETCH(bool, caretAfter);
    // One paragraph of 200,000 characters, wrap off, the caret inside it or
    // just after it.
    View v;
    QByteArray rtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 ");
    for (int i = 0; i < 40'000; ++i) rtf += "word ";
    rtf += caretAfter ? "\\par}" : "}";
    v.write(QStringLiteral("long.rtf"), rtf);
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    QGuiApplication::styleHints()->setCursorFlashTime(40);
    v.form->show();
    QVERIFY(QTest::qWaitForWindowActive(v.form.get()));
    const int beforeShow = g_shapings;
    v.showListed(QStringLiteral("long.rtf"));
    QVERIFY(v.pane()->shownAsRichText());
    QCOMPARE(v.pane()->textLength(), caretAfter ? 200'001 : 200'000);
    v.pane()->setFocusToText();
    const qint64 at = caretAfter ? v.pane()->textLength() : 1000;
    v.pane()->setSelStart(at);
    QTRY_VERIFY(g_shapings > beforeShow); // the counter sees the toolkit's shaping

    // The blink is the toolkit's text control's timer; its ticks are counted
    // here, and with them every paint of the text and every shaping.
    struct Counter : QObject {
        QEvent::Type type;
        int count = 0;
        explicit Counter(QEvent::Type t) : type(t) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == type) ++count;
            return false;
        }
    } ticks(QEvent::Timer), paints(QEvent::Paint);
    auto* area = qobject_cast<QAbstractScrollArea*>(v.pane()->textWidget());
    QVERIFY(area);
    QObject* control = nullptr;
    for (QObject* child : area->children())
        if (child->inherits("QWidgetTextControl")) control = child;
    QVERIFY(control);
    // What the move of the caret asked for is painted first, and so is the
    // list with the icons of its files' types, which come from a worker.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QTRY_VERIFY(!ui(*v.form).LViewModel->typesPending());
    QCoreApplication::processEvents();
    control->installEventFilter(&ticks);
    area->viewport()->installEventFilter(&paints);
    const QString panel = v.panel(0);
    const int idle = g_shapings;
    QTRY_VERIFY(ticks.count >= 6);
    QCOMPARE(paints.count, 0);
    QCOMPARE(g_shapings - idle, 0);
    QCOMPARE(v.panel(0), panel);
    control->removeEventFilter(&ticks);

    // Moving the caret shows it where it now stands.
    QTest::keyClick(area, Qt::Key_Left);
    QCOMPARE(v.pane()->selStart(), at - 1);
    QTRY_VERIFY(paints.count > 0);
    area->viewport()->removeEventFilter(&paints);

    // A short paragraph blinks as before.
    v.write(QStringLiteral("short.rtf"), "{\\rtf1\\ansi short\\par}");
    v.showListed(QStringLiteral("short.rtf"));
    v.pane()->setFocusToText();
    paints.count = 0;
    area->viewport()->installEventFilter(&paints);
    QTRY_VERIFY(paints.count >= 2);
    area->viewport()->removeEventFilter(&paints);
    QGuiApplication::styleHints()->setCursorFlashTime(flash);
}

QTEST_MAIN(TestTextLimits)
#include "tst_textlimits.moc"
