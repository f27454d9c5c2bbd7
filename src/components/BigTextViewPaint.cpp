#include "BigTextView.h"

// The view's colours and its painting: rows of the layout drawn from the
// document, the selection, the caret and the wrap margin.
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QtMath>

#include <algorithm>

// ---------------------------------------------------------------- colours

QColor BigTextView::textColor() const { return palette().color(QPalette::Text); }
QColor BigTextView::fillColor() const { return palette().color(QPalette::Base); }

void BigTextView::setTextColor(const QColor& color)
{
    QPalette pal = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) pal.setColor(group, QPalette::Text, color);
    setPalette(pal);
}

void BigTextView::setFillColor(const QColor& color)
{
    QPalette pal = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) pal.setColor(group, QPalette::Base, color);
    setPalette(pal);
}

// ---------------------------------------------------------------- painting

QRect BigTextView::caretRect() const
{
    const Visual c = m_layout.visualOf(m_caret);
    const int page = pageLines();
    if (c < m_top) return QRect(-10, -10, 1, 1);
    const qint64 row = m_layout.distance(m_top, c, page + 1);
    if (row > page + 1) return QRect(-10, -10, 1, 1);
    const int x = qRound(kMargin + m_layout.xOf(m_caret) - scrollX());
    return QRect(x, kMargin + int(row) * m_layout.lineHeight(), 1, m_layout.lineHeight());
}

void BigTextView::checkCounts(qint64 from, qint64 to)
{
    if (!m_doc.isExact() && m_doc.blockCount() > 0)
        m_activity.indexer().checkNow(m_doc.blockAt(from), m_doc.blockAt(to) + 1);
}

void BigTextView::checkShownCounts()
{
    if (m_doc.isExact() || m_doc.foldCount() == 0) return;
    if (m_wrap) {
        // Folds never outnumber the rows they fill, so these cover the screen.
        const qint64 last = std::min(m_doc.foldCount() - 1, m_top.line + pageLines() + 1);
        m_activity.indexer().checkNow(m_doc.blockOfFold(m_top.line), m_doc.blockOfFold(last) + 1);
        return;
    }
    // A row is a line: of a long one, the blocks under the part shown.
    const qreal left = scrollX(), right = left + viewport()->width();
    Visual v = m_top;
    for (int i = 0; i <= pageLines(); ++i) {
        m_activity.indexer().checkNow(m_doc.blockOfFold(m_layout.foldAt(v, left)),
                                      m_doc.blockOfFold(m_layout.foldAt(v, right)) + 1);
        const Visual next = m_layout.step(v, 1);
        if (next == v) break;
        v = next;
    }
}

void BigTextView::paintEvent(QPaintEvent* event)
{
    m_layout.newTurn();
    // Nothing shown stands on a count of characters not yet checked: the
    // background check may not have reached the blocks on the screen.
    checkShownCounts();
    QPainter painter(viewport());
    const QRect clip = event->rect();
    painter.fillRect(clip, palette().color(QPalette::Base));
    // A file found to be no longer what was opened is not painted from: the
    // text is reloaded first (see checkFile), and shown then. (Painting asks
    // the file nothing itself: blocks read are checked by their digests.)
    if (m_doc.fileChanged()) {
        queueFileCheck();
        return;
    }
    painter.setFont(m_layout.font());
    const int height = viewport()->height();
    const int lh = m_layout.lineHeight();
    const qint64 lines = m_doc.foldCount();
    qreal widest = m_widest;
    int y = kMargin;
    if (m_wrap) {
        for (Visual v = m_top; y < height && v.line < lines; v = Visual{v.line + 1, 0}) {
            const auto line = m_layout.line(v.line);
            for (int sub = v.sub; sub < int(line->breaks.size()) && y < height; ++sub, y += lh)
                if (y + lh > clip.top() && y <= clip.bottom()) drawRow(painter, *line, sub, y, clip);
        }
    } else {
        // A row is a line: only the folds of it under the part shown are laid out.
        const qreal left = scrollX() + clip.left() - kMargin - 1, right = scrollX() + clip.right() - kMargin + 1;
        for (Visual v = m_top; y < height; y += lh) {
            widest = std::max(widest, m_layout.rowWidth(v));
            if (y + lh > clip.top() && y <= clip.bottom())
                for (qint64 f = m_layout.foldAt(v, left), to = m_layout.foldAt(v, right); f <= to; ++f)
                    drawRow(painter, *m_layout.line(f), 0, y, clip);
            const Visual next = m_layout.step(v, 1);
            if (next == v) break;
            v = next;
        }
        if (m_layout.wantsCounts())
            QMetaObject::invokeMethod(&m_activity, &BigTextActivity::countLater, Qt::QueuedConnection);
    }
    if (m_doc.fileChanged()) { // found changed while painting: nothing read is shown
        painter.fillRect(clip, palette().color(QPalette::Base));
        queueFileCheck();
        return;
    }
    if (widest > m_widest && !m_wrap) {
        m_widest = widest;
        QMetaObject::invokeMethod(this, [this] { updateScrollBars(); }, Qt::QueuedConnection);
    }
}

void BigTextView::drawRow(QPainter& painter, const BigTextLayout::Line& line, int sub, int y, const QRect& clip)
{
    const QString& t = line.text;
    const qsizetype from = line.breaks[size_t(sub)];
    const bool lastRow = size_t(sub) + 1 == line.breaks.size();
    const qsizetype to = lastRow ? t.size() : line.breaks[size_t(sub) + 1];
    const qreal x0 = kMargin - scrollX(); // where the row begins
    const int lh = m_layout.lineHeight();
    const qreal baseline = y + m_layout.ascent();
    const QPalette& pal = palette();
    const bool focused = hasFocus();

    // Selection of this row, in offsets of the line.
    qsizetype selA = 0, selB = 0;
    bool selEnd = false;
    if (focused && selLength() > 0) {
        const qint64 s0 = selStart() - line.start, s1 = selStart() + selLength() - line.start;
        selA = qsizetype(std::clamp<qint64>(s0, from, to));
        selB = qsizetype(std::clamp<qint64>(s1, from, to));
        selEnd = lastRow && line.endsLine && s0 <= t.size() && s1 > t.size();
    }

    const qreal left = clip.left() - x0 - 1, right = clip.right() - x0 + 1;
    qreal x = sub == 0 ? line.x : 0;
    qsizetype runStart = -1;
    qreal runX = 0;
    bool runSelected = false;
    auto flush = [&](qsizetype end) {
        if (runStart < 0 || end <= runStart) {
            runStart = -1;
            return;
        }
        painter.setPen(pal.color(runSelected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(QPointF(x0 + runX, baseline), t.mid(runStart, end - runStart));
        runStart = -1;
    };
    int len = 1;
    qsizetype i = from;
    // Of a long fold scrolled past, drawn from about where the part shown begins.
    for (const auto& [at, markX] : line.marks) {
        if (markX > left || at >= to) break;
        i = at;
        x = markX;
    }
    for (; i < to; i += len) {
        const qreal w = m_layout.charAdvance(t, i, x, &len);
        if (x > right) break;
        const bool selected = i >= selA && i < selB;
        const bool visible = x + w >= left;
        const char16_t c = t[i].unicode();
        const bool drawable = c >= 0x20 && c != 0x7F;
        if (selected && visible) painter.fillRect(QRectF(x0 + x, y, w, lh), pal.color(QPalette::Highlight));
        if (!visible || !drawable || (runStart >= 0 && selected != runSelected)) flush(i);
        if (visible && drawable && runStart < 0) {
            runStart = i;
            runX = x;
            runSelected = selected;
        }
        x += w;
    }
    flush(i);
    if (selEnd && x <= right) // the line end is selected too
        painter.fillRect(QRectF(x0 + x, y, lh / 3.0, lh), pal.color(QPalette::Highlight));

    const qint64 caretOff = m_caret - line.start;
    // At the end of a fold that goes on in the next, the caret is the next one's.
    if (focused && caretOff >= from && (caretOff < to || (lastRow && line.endsLine && caretOff == to))) {
        const qreal lx = sub == 0 ? line.x : 0;
        const qreal cx = x0 + lx + m_layout.widthOf(t, from, caretOff, lx);
        if (!m_preedit.isEmpty()) {
            const qreal w = m_layout.widthOf(m_preedit, 0, m_preedit.size());
            painter.fillRect(QRectF(cx, y, w, lh), pal.color(QPalette::Base));
            painter.setPen(pal.color(QPalette::Text));
            painter.drawText(QPointF(cx, baseline), m_preedit);
            painter.drawLine(QPointF(cx, y + lh - 1), QPointF(cx + w, y + lh - 1));
        } else if (m_caretOn) {
            painter.fillRect(QRectF(cx, y, 1, lh), pal.color(QPalette::Text));
        }
    }
}
