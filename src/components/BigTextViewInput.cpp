// The pane's keyboard, input-method, mouse, wheel and focus handling, and the
// caret's blink and the scrolling while a selection is dragged past an edge.
#include "BigTextView.h"

#include "BigTextMemory.h"
#include "BigTextNotice.h"
#include "VarError.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <QtMath>

#include <algorithm>

namespace {

// A selection bigger than this is not offered as the X11 primary selection on
// every mouse release (copying it would freeze the pane).
constexpr qint64 kPrimaryLimit = 1 << 20;

} // namespace

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
    m_layout.newTurn();
    try {
        keyPress(event);
    } catch (const std::bad_alloc&) {
        Q_EMIT outOfMemory();
    } catch (const VarError& e) {
        Q_EMIT copyFailed(e.message());
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
        if (ctrl) moveToEnd(shift);
        else moveCaret(m_layout.positionAt(m_layout.visualOf(m_caret), 1e12), shift);
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
    case Qt::Key_F5: // the notice's reload, from the text or from the notice's buttons
        if (m_notice->reloadOffered()) reloadFile();
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
    const auto line = m_layout.lineHolding(m_caret);
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
    m_layout.newTurn();
    const int row = qFloor(qreal(point.y() - kMargin) / m_layout.lineHeight());
    const Visual v = m_layout.step(m_top, row);
    const qreal x = point.x() - kMargin + scrollX();
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
