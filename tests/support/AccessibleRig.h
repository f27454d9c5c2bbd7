// What the screen-reader suites of the big-text view share: the events a reader
// hears, its view of lines and items, and how the text it is shown is checked
// against the document. Included once by each suite.
#pragma once

#include "AccessibleWindow.h"
#include "BigTextAccessible.h"
#include "BigTextIndexer.h"
#include "BigTextJobs.h"
#include "BigTextView.h"
#include "CoreSupport.h"
#include "Cp932.h"
#include "TextPane.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <climits>


namespace {

inline int openFd(const QString& path) { return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC); }

struct Heard {
    QAccessible::Event type = QAccessible::InvalidEvent;
    QObject* object = nullptr;
    int position = -1;   // caret, or where a change starts
    int start = -1, end = -1;
    QString removed, inserted;
};
QList<Heard> g_heard;

inline void record(QAccessibleEvent* event)
{
    Heard h;
    h.type = event->type();
    h.object = event->object();
    switch (event->type()) {
    case QAccessible::TextCaretMoved:
        h.position = static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition();
        break;
    case QAccessible::TextSelectionChanged: {
        auto* e = static_cast<QAccessibleTextSelectionEvent*>(event);
        h.position = e->cursorPosition();
        h.start = e->selectionStart();
        h.end = e->selectionEnd();
        break;
    }
    case QAccessible::TextInserted: {
        auto* e = static_cast<QAccessibleTextInsertEvent*>(event);
        h.position = e->changePosition();
        h.inserted = e->textInserted();
        break;
    }
    case QAccessible::TextRemoved: {
        auto* e = static_cast<QAccessibleTextRemoveEvent*>(event);
        h.position = e->changePosition();
        h.removed = e->textRemoved();
        break;
    }
    case QAccessible::TextUpdated: {
        auto* e = static_cast<QAccessibleTextUpdateEvent*>(event);
        h.position = e->changePosition();
        h.removed = e->textRemoved();
        h.inserted = e->textInserted();
        break;
    }
    default:
        return;
    }
    g_heard.append(h);
}

inline QAccessibleTextInterface* textOf(QWidget* w)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->textInterface() : nullptr;
}

struct Item {
    QString text;
    int start = -2, end = -2;
    bool operator==(const Item& o) const { return text == o.text && start == o.start && end == o.end; }
};
inline char* toString(const Item& i)
{
    return QTest::toString(QStringLiteral("[%1,%2) %3").arg(i.start).arg(i.end).arg(i.text));
}

enum class Where { Before, At, After };
inline Item itemOf(QAccessibleTextInterface* t, Where where, int offset, QAccessible::TextBoundaryType type)
{
    Item i;
    switch (where) {
    case Where::Before: i.text = t->textBeforeOffset(offset, type, &i.start, &i.end); break;
    case Where::At: i.text = t->textAtOffset(offset, type, &i.start, &i.end); break;
    case Where::After: i.text = t->textAfterOffset(offset, type, &i.start, &i.end); break;
    }
    return i;
}

// Where the text a reader is shown disagrees with the document (empty where
// nowhere): it is a window of at most `most` characters from a line start,
// holding the caret, reading as the document there, with the caret's line
// whole and the selection as far as it is inside.
inline QString disagreement(QAccessibleTextInterface* t, const BigTextView& big, qint64 most)
{
    const BigTextDocument& doc = big.document();
    const qint64 count = t->characterCount();
    const int cursor = t->cursorPosition();
    const qint64 start = big.caret() - cursor;
    if (count <= 0 || count > most || cursor > count) return QStringLiteral("%1 characters, caret at %2").arg(count).arg(cursor);
    if (start < 0 || start + count > doc.length() || doc.lineStart(doc.lineOf(start)) != start)
        return QStringLiteral("shown from %1").arg(start);
    if (t->text(0, 40) != doc.text(start, std::min<qint64>(40, count))) return QStringLiteral("head");
    if (t->text(cursor, cursor + 40) != doc.text(big.caret(), std::min<qint64>(40, start + count - big.caret())))
        return QStringLiteral("text at the caret");
    const qint64 line = doc.lineOf(big.caret());
    const qint64 lineStart = doc.lineStart(line);
    const qint64 next = line + 1 < doc.lineCount() ? doc.lineStart(line + 1) : doc.length();
    const Item whole{doc.text(lineStart, next - lineStart), int(lineStart - start), int(next - start)};
    for (int offset : {-2, cursor}) {
        const Item item = itemOf(t, Where::At, offset, QAccessible::LineBoundary);
        if (!(item == whole)) return QStringLiteral("line at the caret: %1").arg(QString::fromUtf8(toString(item)));
    }
    const qint64 from = std::clamp(big.selStart(), start, start + count);
    const qint64 to = std::clamp(big.selStart() + big.selLength(), start, start + count);
    int s = -1, e = -1;
    t->selection(0, &s, &e);
    if (t->selectionCount() != (to > from ? 1 : 0) || (to > from && (s != from - start || e != to - start)))
        return QStringLiteral("selection [%1,%2)").arg(s).arg(e);
    return {};
}

inline QList<QAccessible::Event> kindsHeard()
{
    QList<QAccessible::Event> kinds;
    for (const Heard& h : g_heard) kinds << h.type;
    return kinds;
}

inline BigTextView* bigOf(TextPane& pane) { return qobject_cast<BigTextView*>(pane.textWidget()); }

// Shows a window at a size and waits until it is on screen.
inline void show(QWidget& w, int width, int height)
{
    w.resize(width, height);
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
}

// As when a screen reader starts listening: the toolkit sends events, and
// they are recorded.
inline bool startListening()
{
    QPlatformAccessibility* platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
    if (!platform) return false;
    platform->setActive(true);
    QAccessible::installUpdateHandler(record);
    return QAccessible::isActive();
}

} // namespace


