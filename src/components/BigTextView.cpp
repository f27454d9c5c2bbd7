#include "BigTextView.h"

#include "BigTextAccessible.h"
#include "BigTextMemory.h"
#include "BigTextProgress.h"
#include "FsPath.h"
#include "VarError.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QtMath>

#include <algorithm>
#include <climits>

#include <fcntl.h>

namespace {

// A selection bigger than this is not offered as the X11 primary selection on
// every mouse release (copying it would freeze the pane).
constexpr qint64 kPrimaryLimit = 1 << 20;

} // namespace

BigTextView::BigTextView(QWidget* parent)
    : QAbstractScrollArea(parent), m_layout(m_doc), m_activity(m_doc, m_layout, this),
      m_progress(new BigTextProgress(this))
{
    connect(&m_activity, &BigTextActivity::grew, this, &BigTextView::grown);
    connect(&m_activity, &BigTextActivity::found, this, &BigTextView::findFinished);
    connect(&m_activity, &BigTextActivity::numberingChanged, this, &BigTextView::numberingChanged);
    connect(&m_activity, &BigTextActivity::failed, this, &BigTextView::loadFailed);
    connect(&m_activity, &BigTextActivity::outOfMemory, this, &BigTextView::outOfMemory);
    // A block of text that is not well formed turned out to hold another number
    // of characters: what stands behind it keeps its place in the text.
    connect(&m_activity, &BigTextActivity::corrected, this, [this](qint64 position, qint64 delta) {
        auto shift = [&](qint64 pos) { return pos > position ? std::max(position, pos + delta) : pos; };
        m_following = true;
        setCaret(shift(m_anchor), shift(m_caret), true);
        m_following = false;
        grown();
    });
    connect(&m_activity, &BigTextActivity::busyChanged, this, [this](bool busy) {
        if (busy) m_progress->begin(m_activity.busyText(), [this] { return m_activity.progress(); });
        else m_progress->end();
    });
    connect(m_progress, &BigTextProgress::cancelRequested, &m_activity, &BigTextActivity::cancelBusy);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    horizontalScrollBar()->setSingleStep(20);
    m_layout.setFont(font());
    updateScrollBars();
    BigTextAccessible::install();
}

BigTextView::~BigTextView() = default;

// ---------------------------------------------------------------- content

void BigTextView::reset()
{
    m_linesShown = m_doc.lineCount();
    m_preedit.clear();
    m_top = Visual{};
    m_widest = 0;
    m_wheel = 0;
    m_settingScroll = true;
    horizontalScrollBar()->setValue(0);
    m_settingScroll = false;
    updateWrapWidth();
    updateScrollBars();
    BigTextAccessible::replaced(this);
    setCaret(0, 0);
    viewport()->update();
}

void BigTextView::clear()
{
    m_activity.stopAll();
    m_doc.clear();
    reset();
}

void BigTextView::load(const QString& path, TextEncoding encoding)
{
    m_activity.stopAll();
    m_doc.clear();
    const int fd = ::open(FsPath::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reset();
        throw VarError::cannotOpen(path);
    }
    load(fd, path, encoding);
}

void BigTextView::load(int fd, const QString& path, TextEncoding encoding)
{
    try {
        m_activity.load(fd, path, encoding);
    } catch (...) {
        reset();
        throw;
    }
    reset();
}

void BigTextView::setPlainText(const QString& text)
{
    m_activity.stopAll();
    m_doc.setText(text);
    reset();
}

// More of the file is indexed: the scroll range grows, and a caret kept at
// the end goes with it.
void BigTextView::grown()
{
    // Lines appear below the old end: only a screen that showed it changes.
    const bool endShown = m_top.line + pageLines() >= m_linesShown - 1;
    m_linesShown = m_doc.lineCount();
    updateScrollBars();
    if (m_followEnd) {
        const qint64 end = m_doc.length();
        m_following = true;
        setCaret(m_anchor == m_caret ? end : m_anchor, end, true);
        m_following = false;
        if (m_followScroll) ensureCaretVisible();
    }
    if (m_doc.isComplete()) m_followEnd = false;
    if (endShown) viewport()->update(); // what is shown above the end stays as it was
}

bool BigTextView::progressShown() const { return m_progress->shown(); }

QString BigTextView::toPlainText() const { return m_doc.text(0, m_doc.length()); }
qint64 BigTextView::textLength() const { return m_doc.length(); }

// ---------------------------------------------------------------- selection

qint64 BigTextView::selStart() const { return std::min(m_anchor, m_caret); }
qint64 BigTextView::selLength() const { return std::abs(m_caret - m_anchor); }

void BigTextView::setCaret(qint64 anchor, qint64 caret, bool keepGoal)
{
    const qint64 length = m_doc.length();
    anchor = std::clamp<qint64>(anchor, 0, length);
    caret = std::clamp<qint64>(caret, 0, length);
    if (!keepGoal) m_goalX = -1;
    if (!m_following) m_followEnd = false;
    restartBlink();
    if (anchor == m_anchor && caret == m_caret) return;
    m_anchor = anchor;
    m_caret = caret;
    viewport()->update();
    Q_EMIT selectionChanged();
}

void BigTextView::moveCaret(qint64 pos, bool extend, bool keepGoal)
{
    setCaret(extend ? m_anchor : pos, pos, keepGoal);
    ensureCaretVisible();
}

void BigTextView::setSelStart(qint64 pos) { moveCaret(pos, false); }

void BigTextView::setSelLength(qint64 length)
{
    const qint64 start = selStart();
    setCaret(start, start + length);
    ensureCaretVisible();
}

void BigTextView::selectAll()
{
    setCaret(0, m_doc.length());
    m_followEnd = !m_doc.isComplete();
    m_followScroll = false;
}

QString BigTextView::selectedText() const { return m_doc.text(selStart(), selLength()); }

void BigTextView::copy()
{
    if (selLength() == 0) return;
    m_activity.copy(selStart(), selLength(), m_followEnd && m_caret == m_doc.length());
}

void BigTextView::cut()
{
    if (selLength() == 0) return;
    m_followEnd = false; // what goes is what is selected now
    copy();
    removeSelection();
    textChanged();
}

void BigTextView::paste()
{
    const QString text = QGuiApplication::clipboard()->text();
    if (!text.isEmpty()) insertText(text);
}

qint64 BigTextView::find(const QString& what, qint64 start, qint64 length) const
{
    return m_doc.find(what, start, length < 0 ? -1 : start + length);
}

void BigTextView::startFind(const QString& what, qint64 start, qint64 length)
{
    qint64 to = length < 0 ? -1 : start + std::min(length, m_doc.length() - start);
    if (!m_doc.isComplete() && (to < 0 || to >= m_doc.length())) to = -1;
    m_activity.find(what, start, to);
}

// Numbers of wrapped lines rest on counts of every block before; those that
// were guessed are counted in the background, and numberingChanged() tells
// when better numbers are to be had.
qint64 BigTextView::lineFromChar(qint64 pos) const
{
    const qint64 line = m_layout.visualLineOf(pos);
    if (m_wrap) {
        auto* activity = const_cast<BigTextActivity*>(&m_activity);
        QMetaObject::invokeMethod(activity, &BigTextActivity::countLater, Qt::QueuedConnection);
    }
    return line;
}

qint64 BigTextView::lineIndex(qint64 line) const { return m_layout.visualLineStart(line); }

// ---------------------------------------------------------------- editing

void BigTextView::removeSelection()
{
    const qint64 start = selStart();
    BigTextAccessible::removing(this, start, selLength());
    m_doc.remove(start, selLength());
    setCaret(start, start);
}

void BigTextView::insertText(const QString& text)
{
    if (selLength() > 0) removeSelection();
    const qint64 before = m_doc.length();
    m_doc.insert(m_caret, text);
    BigTextAccessible::inserted(this, m_caret, m_doc.length() - before);
    const qint64 pos = m_caret + (m_doc.length() - before);
    setCaret(pos, pos);
    textChanged();
}

void BigTextView::textChanged()
{
    m_activity.edited();
    m_goalX = -1;
    updateScrollBars();
    setTop(m_top); // the text may have become shorter than the page
    ensureCaretVisible();
    viewport()->update();
}

// ---------------------------------------------------------------- keyboard

bool BigTextView::event(QEvent* event)
{
    // Editing keys belong to the text, not to a menu shortcut of the window.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const auto mods = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
        switch (key->key()) {
        case Qt::Key_Backspace: case Qt::Key_Delete: case Qt::Key_Home: case Qt::Key_End:
        case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down:
        case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Return: case Qt::Key_Enter:
            if (mods == Qt::NoModifier || mods == Qt::ControlModifier) {
                event->accept();
                return true;
            }
            break;
        default:
            if (mods == Qt::NoModifier && !key->text().isEmpty() && key->text()[0].isPrint()) {
                event->accept();
                return true;
            }
        }
    }
    return QAbstractScrollArea::event(event);
}

// Tab moves the focus on, as everywhere else in the window; Ctrl+Tab types one.
bool BigTextView::focusNextPrevChild(bool next) { return QAbstractScrollArea::focusNextPrevChild(next); }

bool BigTextView::handleShortcut(QKeyEvent* event)
{
    if (event == QKeySequence::SelectAll) selectAll();
    else if (event == QKeySequence::Copy) copy();
    else if (event == QKeySequence::Cut) cut();
    else if (event == QKeySequence::Paste) paste();
    else return false;
    return true;
}

void BigTextView::keyPressEvent(QKeyEvent* event)
{
    // The toolkit called us: nothing may escape to it. A copy, cut or paste
    // that does not fit in memory is refused and reported by whoever listens.
    try {
        keyPress(event);
    } catch (const std::bad_alloc&) {
        Q_EMIT outOfMemory();
    } catch (...) {
        QApplication::beep();
    }
}

void BigTextView::keyPress(QKeyEvent* event)
{
    if (handleShortcut(event)) return;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const qint64 length = m_doc.length();
    auto charBefore = [&](qint64 pos) {
        if (pos >= 2 && m_doc.text(pos - 2, 2).at(1).isLowSurrogate() && m_doc.text(pos - 2, 1).at(0).isHighSurrogate())
            return pos - 2;
        return std::max<qint64>(pos - 1, 0);
    };
    auto charAfter = [&](qint64 pos) {
        const QString two = m_doc.text(pos, 2);
        return pos + (two.size() == 2 && two[0].isHighSurrogate() && two[1].isLowSurrogate() ? 2 : 1);
    };
    auto vertical = [&](qint64 delta, bool page) {
        const Visual from = m_layout.visualOf(m_caret);
        if (m_goalX < 0) m_goalX = m_layout.xOf(m_caret);
        const Visual to = m_layout.step(from, delta);
        qint64 pos = m_layout.positionAt(to, m_goalX);
        if (to == from && !page) pos = m_caret;
        if (page) setTop(m_layout.step(m_top, delta));
        moveCaret(pos, shift, true);
    };

    switch (event->key()) {
    case Qt::Key_Left:
        if (!shift && selLength() > 0 && !ctrl) moveCaret(selStart(), false);
        else moveCaret(ctrl ? m_layout.wordEdge(m_caret, false) : charBefore(m_caret), shift);
        return;
    case Qt::Key_Right:
        if (!shift && selLength() > 0 && !ctrl) moveCaret(selStart() + selLength(), false);
        else moveCaret(std::min(length, ctrl ? m_layout.wordEdge(m_caret, true) : charAfter(m_caret)), shift);
        return;
    case Qt::Key_Up: vertical(-1, false); return;
    case Qt::Key_Down: vertical(1, false); return;
    case Qt::Key_PageUp: vertical(-pageLines(), true); return;
    case Qt::Key_PageDown: vertical(pageLines(), true); return;
    case Qt::Key_Home:
        moveCaret(ctrl ? 0 : m_layout.visualStart(m_layout.visualOf(m_caret)), shift);
        return;
    case Qt::Key_End:
        moveCaret(ctrl ? length : m_layout.positionAt(m_layout.visualOf(m_caret), 1e12), shift);
        // Until the whole file is indexed, the end moves on: the caret keeps to it.
        m_followEnd = ctrl && !m_doc.isComplete();
        m_followScroll = true;
        return;
    case Qt::Key_Backspace:
        if (selLength() == 0) {
            const qint64 from = ctrl ? m_layout.wordEdge(m_caret, false) : charBefore(m_caret);
            setCaret(m_caret, from);
        }
        removeSelection();
        textChanged();
        return;
    case Qt::Key_Delete:
        if (selLength() == 0) setCaret(m_caret, std::min(length, ctrl ? m_layout.wordEdge(m_caret, true) : charAfter(m_caret)));
        removeSelection();
        textChanged();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        insertText(QStringLiteral("\n"));
        return;
    case Qt::Key_Tab:
        insertText(QStringLiteral("\t"));
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text[0].isPrint() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        insertText(text);
        return;
    }
    event->ignore();
}

void BigTextView::inputMethodEvent(QInputMethodEvent* event)
{
    if (!event->commitString().isEmpty()) insertText(event->commitString());
    m_preedit = event->preeditString();
    viewport()->update();
    event->accept();
}

QVariant BigTextView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const auto line = m_layout.line(m_layout.visualOf(m_caret).line);
    const qint64 inLine = m_caret - line->start;
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImHints: return int(Qt::ImhMultiLine);
    case Qt::ImFont: return font();
    case Qt::ImCursorRectangle: return QRect(viewport()->mapTo(this, caretRect().topLeft()), caretRect().size());
    case Qt::ImCursorPosition: return int(std::min<qint64>(inLine, 1 << 20));
    case Qt::ImAnchorPosition:
        return int(std::clamp<qint64>(m_anchor - line->start, 0, std::min<qint64>(line->text.size(), 1 << 20)));
    case Qt::ImSurroundingText: return line->text.left(1 << 20);
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// ---------------------------------------------------------------- mouse

qint64 BigTextView::hitTest(const QPoint& point) const
{
    const int row = qFloor(qreal(point.y() - kMargin) / m_layout.lineHeight());
    const Visual v = m_layout.step(m_top, row);
    const qreal x = point.x() - kMargin + (m_wrap ? 0 : horizontalScrollBar()->value());
    return m_layout.positionAt(v, x);
}

void BigTextView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const qint64 pos = hitTest(event->position().toPoint());
    moveCaret(pos, event->modifiers() & Qt::ShiftModifier);
    m_dragging = true;
    m_dragPoint = event->position().toPoint();
}

void BigTextView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) return;
    m_dragPoint = event->position().toPoint();
    if (viewport()->rect().contains(m_dragPoint)) {
        m_dragScroll.stop();
        moveCaret(hitTest(m_dragPoint), true);
    } else if (!m_dragScroll.isActive()) {
        m_dragScroll.start(50, this);
    }
}

void BigTextView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    m_dragging = false;
    m_dragScroll.stop();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && selLength() > 0 && selLength() <= kPrimaryLimit
        && BigTextMemory::clipboardFits(selLength()))
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void BigTextView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    const auto word = m_layout.wordAt(hitTest(event->position().toPoint()));
    setCaret(word.first, word.second);
    ensureCaretVisible();
}

void BigTextView::wheelEvent(QWheelEvent* event)
{
    const QPoint angle = event->angleDelta();
    if (!m_wrap && (angle.x() != 0 || (event->modifiers() & Qt::ShiftModifier))) {
        const int delta = angle.x() != 0 ? angle.x() : angle.y();
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - delta);
    } else if (angle.y() != 0) {
        m_wheel += -angle.y() / 120.0 * QApplication::wheelScrollLines();
        const qint64 lines = qint64(m_wheel);
        m_wheel -= qreal(lines);
        if (lines) setTop(m_layout.step(m_top, lines));
    }
    event->accept();
}

// ---------------------------------------------------------------- focus, timers

void BigTextView::focusInEvent(QFocusEvent* event)
{
    restartBlink();
    viewport()->update();
    QAbstractScrollArea::focusInEvent(event);
}

void BigTextView::focusOutEvent(QFocusEvent* event)
{
    m_blink.stop();
    viewport()->update();
    QAbstractScrollArea::focusOutEvent(event);
}

void BigTextView::restartBlink()
{
    m_caretOn = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0) m_blink.start(flash / 2, this);
    else m_blink.stop();
}

void BigTextView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_blink.timerId()) {
        m_caretOn = !m_caretOn;
        viewport()->update(caretRect().adjusted(-1, 0, 1, 0));
    } else if (event->timerId() == m_dragScroll.timerId()) {
        const QRect r = viewport()->rect();
        if (m_dragPoint.y() < r.top()) setTop(m_layout.step(m_top, -1));
        else if (m_dragPoint.y() > r.bottom()) setTop(m_layout.step(m_top, 1));
        const QPoint inside(std::clamp(m_dragPoint.x(), r.left(), r.right()),
                            std::clamp(m_dragPoint.y(), r.top(), r.bottom()));
        moveCaret(hitTest(inside), true);
        if (!m_wrap && (m_dragPoint.x() < r.left() || m_dragPoint.x() > r.right()))
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() + (m_dragPoint.x() < r.left() ? -20 : 20));
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void BigTextView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        m_activity.layoutChanged();
        m_layout.setFont(font());
        m_widest = 0;
        updateWrapWidth();
        updateScrollBars();
        setTop(m_top);
        viewport()->update();
    } else if (event->type() == QEvent::PaletteChange) {
        viewport()->update();
    }
    QAbstractScrollArea::changeEvent(event);
}

// ---------------------------------------------------------------- scrolling

int BigTextView::pageLines() const
{
    return std::max(1, (viewport()->height() - kMargin) / m_layout.lineHeight());
}

BigTextView::Visual BigTextView::maxTop() const
{
    return m_layout.step(m_layout.lastVisual(), -(pageLines() - 1));
}

void BigTextView::setTop(Visual top)
{
    top = std::max(std::min(top, maxTop()), Visual{});
    if (m_layout.wraps()) top.sub = std::min(top.sub, m_layout.visualCount(top.line) - 1);
    m_top = top;
    m_settingScroll = true;
    verticalScrollBar()->setValue(int(top.line / m_vScale));
    m_settingScroll = false;
    viewport()->update();
}

void BigTextView::scrollContentsBy(int, int dy)
{
    if (!m_settingScroll && dy != 0)
        m_top = Visual{std::min(qint64(verticalScrollBar()->value()) * m_vScale, m_doc.lineCount() - 1), 0};
    viewport()->update();
}

void BigTextView::updateWrapWidth()
{
    const quint64 key = m_layout.countsKey();
    m_layout.setWrapWidth(m_wrap ? std::max(1, viewport()->width() - 2 * kMargin) : 0);
    if (m_layout.countsKey() != key) m_activity.layoutChanged();
}

void BigTextView::updateScrollBars()
{
    const qint64 lines = m_doc.lineCount();
    m_vScale = lines > INT_MAX / 2 ? lines / (INT_MAX / 2) + 1 : 1;
    m_settingScroll = true;
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, int(maxTop().line / m_vScale));
    v->setPageStep(std::max<int>(1, int(pageLines() / m_vScale)));
    v->setValue(int(m_top.line / m_vScale));
    QScrollBar* h = horizontalScrollBar();
    const int width = m_wrap ? 0 : qCeil(std::min<qreal>(m_widest, INT_MAX / 2)) + 2 * kMargin - viewport()->width();
    h->setRange(0, std::max(0, width));
    h->setPageStep(std::max(1, viewport()->width()));
    m_settingScroll = false;
}

void BigTextView::ensureCaretVisible()
{
    const Visual c = m_layout.visualOf(m_caret);
    const int page = pageLines();
    if (c < m_top) setTop(c);
    else if (m_layout.distance(m_top, c, page) >= page) setTop(m_layout.step(c, -(page - 1)));
    if (m_wrap) return;
    const qreal x = m_layout.xOf(m_caret);
    const auto line = m_layout.line(c.line);
    if (line->width > m_widest) {
        m_widest = line->width;
        updateScrollBars();
    }
    QScrollBar* h = horizontalScrollBar();
    const int visible = viewport()->width() - 2 * kMargin;
    if (x < h->value()) h->setValue(std::max(0, qFloor(x) - visible / 4));
    else if (x > h->value() + visible - 1) h->setValue(qCeil(x) - visible * 3 / 4);
}

void BigTextView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    m_progress->place(viewport()->geometry());
    updateWrapWidth();
    updateScrollBars();
    setTop(m_top);
}

void BigTextView::setWordWrap(bool on)
{
    if (on == m_wrap) return;
    m_wrap = on;
    setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn);
    m_top.sub = 0;
    m_settingScroll = true;
    horizontalScrollBar()->setValue(0);
    m_settingScroll = false;
    updateWrapWidth();
    updateScrollBars();
    setTop(m_top);
}
