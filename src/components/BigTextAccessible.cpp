#include "BigTextAccessible.h"

#include "BigTextView.h"

#include <QHash>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <climits>

namespace {

// The interfaces that exist, by view: the view's news goes only to these.
QHash<const BigTextView*, BigTextAccessible*>& live()
{
    static QHash<const BigTextView*, BigTextAccessible*> map;
    return map;
}

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (className == QLatin1String("BigTextView") && object && object->isWidgetType())
        if (auto* view = qobject_cast<BigTextView*>(object)) return new BigTextAccessible(view);
    return nullptr;
}

// Characters on either side of an offset that a character boundary is looked
// for in: a cluster of combining marks is never longer.
constexpr int kClusterWindow = 32;

} // namespace

BigTextAccessible::BigTextAccessible(BigTextView* view)
    : QAccessibleWidget(view, QAccessible::EditableText), m_view(view)
{
    m_anchor = view->m_anchor;
    m_caret = view->m_caret;
    m_window.restart(view->m_doc, m_caret);
    m_toldStart = m_window.start();
    m_announced = m_window.end() - m_window.start();
    live().insert(view, this);
    m_moves = QObject::connect(view, &BigTextView::selectionChanged, view, [this] { selectionMoved(); });
    m_growth = QObject::connect(&view->m_activity, &BigTextActivity::grew, view, [this] { indexGrew(); });
}

BigTextAccessible::~BigTextAccessible()
{
    QObject::disconnect(m_moves);
    QObject::disconnect(m_growth);
    live().remove(m_view);
}

void BigTextAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

BigTextView* BigTextAccessible::view() const { return static_cast<BigTextView*>(widget()); }

void* BigTextAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface) return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State BigTextAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = true;   // typing goes into the text (never into the file)
    s.multiLine = true;
    s.selectableText = true;
    return s;
}

QString BigTextAccessible::text(QAccessible::Text type) const
{
    if (type == QAccessible::Value) return text(0, characterCount());
    return QAccessibleWidget::text(type);
}

// ---------------------------------------------------------------- positions

BigTextAccessible::Span BigTextAccessible::shown() const
{
    if (!view()) return {};
    m_window.follow(view()->m_doc, view()->m_caret);
    return {m_window.start(), m_window.end()};
}

int BigTextAccessible::characterCount() const
{
    const Span w = shown();
    return int(w.end - w.start);
}

qint64 BigTextAccessible::position(int offset) const
{
    const Span w = shown();
    if (offset == -2) return std::clamp(view()->m_caret, w.start, w.end);
    if (offset == -1) return w.end;
    return w.start + offset;
}

int BigTextAccessible::offsetOf(qint64 pos) const
{
    const Span w = shown();
    return int(std::clamp(pos, w.start, w.end) - w.start);
}

int BigTextAccessible::cursorPosition() const { return view() ? offsetOf(view()->m_caret) : 0; }

void BigTextAccessible::setCursorPosition(int position)
{
    if (!view()) return;
    try {
        const Span w = shown();
        view()->setSelStart(std::clamp<qint64>(w.start + position, w.start, w.end));
    } catch (...) {
    }
}

// A selection reaching out of the window is shown as far as it is inside.
void BigTextAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = 0;
    if (!view() || selectionIndex != 0 || view()->selLength() == 0) return;
    *startOffset = offsetOf(view()->selStart());
    *endOffset = offsetOf(view()->selStart() + view()->selLength());
}

int BigTextAccessible::selectionCount() const
{
    if (!view() || view()->selLength() == 0) return 0;
    return offsetOf(view()->selStart()) < offsetOf(view()->selStart() + view()->selLength()) ? 1 : 0;
}

void BigTextAccessible::addSelection(int startOffset, int endOffset) { setSelection(0, startOffset, endOffset); }

void BigTextAccessible::removeSelection(int selectionIndex)
{
    if (!view() || selectionIndex != 0) return;
    try {
        view()->setSelStart(view()->m_caret);
    } catch (...) {
    }
}

void BigTextAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (!view() || selectionIndex != 0) return;
    try {
        const Span w = shown();
        const qint64 start = std::clamp(position(startOffset), w.start, w.end);
        const qint64 end = std::clamp(position(endOffset), w.start, w.end);
        view()->setSelStart(start);
        view()->setSelLength(end - start);
    } catch (...) {
    }
}

// ---------------------------------------------------------------- text

QString BigTextAccessible::text(int startOffset, int endOffset) const
{
    if (!view()) return {};
    try {
        const Span w = shown();
        const qint64 start = std::clamp(position(startOffset), w.start, w.end);
        const qint64 end = std::clamp(position(endOffset), w.start, w.end);
        if (end <= start) return {};
        view()->checkCounts(start, std::min<qint64>(end, start + MaxRange));
        return view()->m_doc.text(start, std::min<qint64>(end - start, MaxRange));
    } catch (...) {
        return {};
    }
}

QString BigTextAccessible::spanText(Span span, int* startOffset, int* endOffset) const
{
    const Span w = shown();
    span.start = std::clamp(span.start, w.start, w.end);
    span.end = std::clamp(span.end, span.start, std::min(w.end, span.start + MaxRange));
    *startOffset = int(span.start - w.start);
    *endOffset = int(span.end - w.start);
    return span.end > span.start ? view()->m_doc.text(span.start, span.end - span.start) : QString();
}

// Lines are the rows as shown: a wrapped line is several, each ending where
// the next begins; the last row of a line takes its line end along. Unwrapped,
// a row is the line, however long: its paragraph.
BigTextAccessible::Span BigTextAccessible::lineItem(qint64 pos) const
{
    const BigTextLayout& layout = view()->m_layout;
    if (!layout.wraps()) return paragraphItem(pos);
    const BigTextLayout::Visual v = layout.visualOf(pos);
    const BigTextLayout::Visual next = layout.step(v, 1);
    return {layout.visualStart(v), next == v ? view()->m_doc.length() : layout.visualStart(next)};
}

// A paragraph is a line of the file, with its line end, however many blocks
// it runs over; of a line too long to hand over at once, the part of it laid
// out around pos (a reader asks for the text of what it gets).
BigTextAccessible::Span BigTextAccessible::paragraphItem(qint64 pos) const
{
    const BigTextDocument& doc = view()->m_doc;
    const qint64 line = doc.lineOf(pos);
    const qint64 start = doc.lineStart(line);
    const qint64 next = line + 1 < doc.lineCount() ? doc.lineStart(line + 1) : doc.length();
    if (next - start <= MaxRange) return {start, next};
    const qint64 fold = doc.foldOf(pos);
    const qint64 foldStart = doc.foldStart(fold);
    return {foldStart, std::min(next, foldStart + doc.foldLength(fold) + 1)};
}

// Words as Ctrl+arrows step over them (a run of one kind of character: letters
// and digits, hiragana, katakana, kanji, marks), each with the blanks after it,
// so that a reader speaks the word the caret has moved to.
BigTextAccessible::Span BigTextAccessible::wordItem(qint64 pos) const
{
    const BigTextLayout& layout = view()->m_layout;
    const qint64 end = layout.wordEdge(pos, true);
    return {std::min(pos, layout.wordEdge(end, false)), end};
}

// Characters (a letter with its combining marks, a surrogate pair) and
// sentences, as the toolkit's boundary rules find them inside one line.
BigTextAccessible::Span BigTextAccessible::finderItem(qint64 pos, QAccessible::TextBoundaryType type) const
{
    // Only what a reader is shown is read, also of a line longer than that.
    const Span w = shown();
    Span around = paragraphItem(pos);
    around.start = std::max(around.start, w.start);
    around.end = std::min(around.end, w.end);
    QTextBoundaryFinder::BoundaryType kind = QTextBoundaryFinder::Sentence;
    if (type == QAccessible::CharBoundary) {
        kind = QTextBoundaryFinder::Grapheme;
        around.start = std::max(around.start, pos - kClusterWindow);
        around.end = std::min(around.end, pos + kClusterWindow);
    }
    const QString t = view()->m_doc.text(around.start, around.end - around.start);
    const qsizetype local = pos - around.start;
    if (t.isEmpty() || local >= t.size()) return {pos, pos};
    QTextBoundaryFinder finder(kind, t);
    const auto itemEdge = [&finder] {
        return finder.isAtBoundary()
            && (finder.boundaryReasons() & (QTextBoundaryFinder::StartOfItem | QTextBoundaryFinder::EndOfItem));
    };
    finder.setPosition(local);
    qsizetype start = local;
    while (start > 0 && !itemEdge()) {
        start = finder.toPreviousBoundary();
        if (start < 0) start = 0;
    }
    finder.setPosition(start);
    qsizetype end = finder.toNextBoundary();
    while (end > 0 && end < t.size() && !itemEdge()) end = finder.toNextBoundary();
    if (end <= start) end = std::min<qsizetype>(local + 1, t.size());
    return {around.start + start, around.start + end};
}

BigTextAccessible::Span BigTextAccessible::item(qint64 pos, QAccessible::TextBoundaryType type) const
{
    switch (type) {
    case QAccessible::LineBoundary: return lineItem(pos);
    case QAccessible::ParagraphBoundary: return paragraphItem(pos);
    case QAccessible::WordBoundary: return wordItem(pos);
    case QAccessible::CharBoundary:
    case QAccessible::SentenceBoundary: return finderItem(pos, type);
    case QAccessible::NoBoundary: break;
    }
    return shown();
}

QString BigTextAccessible::boundaryText(Where where, int offset, QAccessible::TextBoundaryType type,
                                        int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = -1;
    if (!view()) return {};
    try {
        const Span w = shown();
        const qint64 pos = position(offset);
        if (pos < w.start || pos > w.end) return {};
        // The items around pos are read from checked counts (what comes
        // before them in the text may move, never what they hold).
        if (type == QAccessible::NoBoundary) {
            view()->checkCounts(w.start, std::min(w.end, w.start + MaxRange));
            return spanText(w, startOffset, endOffset);
        }
        view()->checkCounts(std::max(w.start, pos - MaxRange), std::min(w.end, pos + MaxRange));
        // At the very end only a line is there to be read: the last one.
        const bool lines = type == QAccessible::LineBoundary || type == QAccessible::ParagraphBoundary;
        const Span at = pos < w.end || lines ? item(pos, type) : Span{w.end, w.end};
        switch (where) {
        case Where::At: return spanText(at, startOffset, endOffset);
        case Where::Before:
            if (at.start <= w.start) return spanText({w.start, w.start}, startOffset, endOffset);
            return spanText(item(at.start - 1, type), startOffset, endOffset);
        case Where::After:
            if (at.end >= w.end || pos >= w.end) return spanText({w.end, w.end}, startOffset, endOffset);
            return spanText(item(at.end, type), startOffset, endOffset);
        }
    } catch (...) {
        *startOffset = *endOffset = -1;
    }
    return {};
}

QString BigTextAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                            int* endOffset) const
{
    return boundaryText(Where::Before, offset, boundaryType, startOffset, endOffset);
}

QString BigTextAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                           int* endOffset) const
{
    return boundaryText(Where::After, offset, boundaryType, startOffset, endOffset);
}

QString BigTextAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                        int* endOffset) const
{
    return boundaryText(Where::At, offset, boundaryType, startOffset, endOffset);
}

QString BigTextAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    // One font and one pair of colours for the whole text.
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

// ---------------------------------------------------------------- geometry

// Where a character stands in the viewport; empty when it is not on screen.
QRect BigTextAccessible::placeOf(qint64 pos) const
{
    BigTextView* v = view();
    const BigTextLayout& layout = v->m_layout;
    const BigTextLayout::Visual row = layout.visualOf(pos);
    const int page = v->pageLines();
    if (row < v->m_top) return {};
    const qint64 rowsDown = layout.distance(v->m_top, row, page + 1);
    if (rowsDown > page) return {};
    const qreal x = layout.xOf(pos);
    const auto line = layout.lineHolding(pos);
    const qint64 inLine = pos - line->start;
    qreal width = layout.lineHeight() / 3.0;   // a line end
    if (inLine >= 0 && inLine < line->text.size()) {
        int units = 1;
        width = layout.charAdvance(line->text, qsizetype(inLine), x, &units);
    }
    const int lh = layout.lineHeight();
    // Far along a long line the distance from the view is more than an int holds.
    const int left = int(std::clamp<qreal>(std::floor(BigTextView::kMargin + x - v->scrollX()), -1e9, 1e9));
    return QRect(left, BigTextView::kMargin + int(rowsDown) * lh, std::max(1, qCeil(width)), lh);
}

QRect BigTextAccessible::characterRect(int offset) const
{
    if (!view()) return {};
    try {
        const Span w = shown();
        const QRect r = placeOf(std::clamp(position(offset), w.start, w.end));
        return r.isEmpty() ? QRect() : r.translated(view()->viewport()->mapToGlobal(QPoint(0, 0)));
    } catch (...) {
        return {};
    }
}

int BigTextAccessible::offsetAtPoint(const QPoint& point) const
{
    BigTextView* v = view();
    if (!v) return -1;
    try {
        const QPoint local = v->viewport()->mapFromGlobal(point);
        if (!v->viewport()->rect().contains(local)) return -1;
        // The view finds the nearest gap between characters; the character
        // under the point is the one that gap ends when the point is left of it.
        qint64 pos = v->hitTest(local);
        if (pos > 0 && local.x() < placeOf(pos).left()) {
            const QString before = v->m_doc.text(std::max<qint64>(0, pos - 2), std::min<qint64>(pos, 2));
            pos -= before.size() == 2 && before[1].isLowSurrogate() && before[0].isHighSurrogate() ? 2 : 1;
        }
        const Span w = shown();
        return pos < w.start || pos > w.end ? -1 : int(pos - w.start);
    } catch (...) {
        return -1;
    }
}

void BigTextAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    Q_UNUSED(endIndex);
    BigTextView* v = view();
    if (!v) return;
    try {
        const Span w = shown();
        const qint64 pos = std::clamp(position(startIndex), w.start, w.end);
        const BigTextLayout& layout = v->m_layout;
        const BigTextLayout::Visual row = layout.visualOf(pos);
        const int page = v->pageLines();
        if (row < v->m_top || layout.distance(v->m_top, row, page) >= page) v->setTop(layout.step(row, -(page / 3)));
        if (!v->m_wrap) {
            const qreal x = layout.xOf(pos);
            v->m_widest = std::max(v->m_widest, layout.rowWidth(row));
            v->updateScrollBars();
            const qreal at = v->scrollX();
            const int visible = v->viewport()->width() - 2 * BigTextView::kMargin;
            if (x < at || x > at + visible - 1) v->setScrollX(x - visible / 4);
        }
    } catch (...) {
    }
}

// ---------------------------------------------------------------- editing

void BigTextAccessible::deleteText(int startOffset, int endOffset)
{
    replaceText(startOffset, endOffset, QString());
}

void BigTextAccessible::insertText(int offset, const QString& text)
{
    replaceText(offset, offset, text);
}

void BigTextAccessible::replaceText(int startOffset, int endOffset, const QString& text)
{
    BigTextView* v = view();
    if (!v) return;
    try {
        const Span w = shown();
        const qint64 start = std::clamp(position(startOffset), w.start, w.end);
        const qint64 end = std::clamp(position(endOffset), start, w.end);
        v->setCaret(start, end);
        if (text.isEmpty()) {
            if (end > start) {
                v->removeSelection();
                v->textChanged();
            }
        } else {
            v->insertText(text);
        }
    } catch (...) {
    }
}

// ---------------------------------------------------------------- events

// A window that moved is told as the whole text replaced: the toolkit's
// text-updated event, which reaches the desktop's bus as a deletion of the old
// text and an insertion of the new one, both at offset 0. That makes a reader
// drop what it holds of the text (its length too) and read again at the caret
// event that follows. The old text is told by its length, in blanks, as when a
// file is loaded; the new one by its head.
bool BigTextAccessible::announceMove()
{
    BigTextView* v = view();
    const Span w = shown();
    if (!v || w.start == m_toldStart) return false;
    const QString gone(qsizetype(std::min<qint64>(m_announced, MaxEventText)), QLatin1Char(' '));
    const QString added = v->m_doc.text(w.start, std::min<qint64>(w.end - w.start, MaxEventText));
    m_toldStart = w.start;
    m_announced = w.end - w.start;
    QAccessibleTextUpdateEvent event(v, 0, gone, added);
    QAccessible::updateAccessibility(&event);
    return true;
}

void BigTextAccessible::tell(bool selection, bool caret)
{
    BigTextView* v = view();
    if (selection) {
        QAccessibleTextSelectionEvent event(v, offsetOf(std::min(v->m_anchor, v->m_caret)),
                                            offsetOf(std::max(v->m_anchor, v->m_caret)));
        event.setCursorPosition(offsetOf(v->m_caret));
        QAccessible::updateAccessibility(&event);
    }
    if (caret) {
        QAccessibleTextCursorEvent event(v, offsetOf(v->m_caret));
        QAccessible::updateAccessibility(&event);
    }
}

void BigTextAccessible::selectionMoved()
{
    try {
        BigTextView* v = view();
        if (!v) return;
        const bool moved = announceMove();
        const qint64 anchor = v->m_anchor, caret = v->m_caret;
        const qint64 wasStart = std::min(m_anchor, m_caret), wasEnd = std::max(m_anchor, m_caret);
        const qint64 start = std::min(anchor, caret), end = std::max(anchor, caret);
        const bool selectionChanged = (start != end || wasStart != wasEnd) && (start != wasStart || end != wasEnd);
        const bool caretMoved = caret != m_caret;
        m_anchor = anchor;
        m_caret = caret;
        // After a move every offset is new: a selection is told again.
        tell(selectionChanged || (moved && start != end), caretMoved || moved);
    } catch (...) {
    }
}

void BigTextAccessible::indexGrew()
{
    try {
        if (view() && announceMove()) tell(view()->selLength() > 0, true);
    } catch (...) {
    }
}

void BigTextAccessible::removing(BigTextView* view, qint64 pos, qint64 length)
{
    BigTextAccessible* self = live().value(view);
    if (!self || length <= 0) return;
    try {
        // Told as far as it is shown; the window keeps what stays of its text.
        const Span w = self->shown();
        const qint64 from = std::clamp(pos, w.start, w.end), to = std::clamp(pos + length, w.start, w.end);
        if (to > from) {
            const QString gone = view->m_doc.text(from, std::min<qint64>(to - from, MaxEventText));
            self->m_announced = std::max<qint64>(0, self->m_announced - (to - from));
            QAccessibleTextRemoveEvent event(view, int(from - w.start), gone);
            QAccessible::updateAccessibility(&event);
        }
        self->m_window.removing(pos, length);
        if (self->m_toldStart == w.start) self->m_toldStart = self->m_window.start();
    } catch (...) {
    }
}

void BigTextAccessible::inserted(BigTextView* view, qint64 pos, qint64 length)
{
    BigTextAccessible* self = live().value(view);
    if (!self || length <= 0) return;
    try {
        const qint64 start = self->m_window.start();
        const bool inside = pos >= start && pos <= self->m_window.end();
        self->m_window.inserted(pos, length);
        if (self->m_toldStart == start) self->m_toldStart = self->m_window.start();
        if (!inside) return;
        const QString added = view->m_doc.text(pos, std::min<qint64>(length, MaxEventText));
        self->m_announced += length;
        QAccessibleTextInsertEvent event(view, int(pos - start), added);
        QAccessible::updateAccessibility(&event);
    } catch (...) {
    }
}

void BigTextAccessible::replaced(BigTextView* view)
{
    BigTextAccessible* self = live().value(view);
    if (!self) return;
    try {
        // The old text is gone; its length is told with blanks in its place.
        // The caret goes to the start of the new one.
        const QString gone(qsizetype(std::min<qint64>(self->m_announced, MaxEventText)), QLatin1Char(' '));
        self->m_window.restart(view->m_doc, 0);
        const qint64 start = self->m_window.start(), end = self->m_window.end();
        const QString added = view->m_doc.text(start, std::min<qint64>(end - start, MaxEventText));
        self->m_toldStart = start;
        self->m_announced = end - start;
        if (gone.isEmpty() && added.isEmpty()) return;
        QAccessibleTextUpdateEvent event(view, 0, gone, added);
        QAccessible::updateAccessibility(&event);
    } catch (...) {
    }
}
