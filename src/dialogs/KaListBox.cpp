#include "KaListBox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {
// Every row gets the same height, so the list shows whole items only.
class RowDelegate : public QStyledItemDelegate {
public:
    RowDelegate(KaListBox* box) : QStyledItemDelegate(box), m_box(box) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(m_box->rowHeight());
        return s;
    }

private:
    KaListBox* m_box;
};
} // namespace

KaListBox::KaListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new RowDelegate(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

int KaListBox::rowHeight() const
{
    return std::max(12, fontMetrics().height());
}

int KaListBox::itemIndexAt(const QPoint& pos) const
{
    const QModelIndex index = indexAt(pos);
    return index.isValid() ? index.row() : -1;
}

void KaListBox::beginDrag(const QPoint& pressPos)
{
    m_pressPos = pressPos;
    m_armed = true;
    m_dragging = false;
}

void KaListBox::cancelDrag()
{
    const bool was = m_dragging;
    endDrag();
    if (was) Q_EMIT dragCancelled();
}

void KaListBox::endDrag()
{
    m_armed = false;
    m_dragging = false;
    viewport()->unsetCursor();
}

void KaListBox::mousePressEvent(QMouseEvent* event)
{
    endDrag();
    // The press selects first, as any list box does; the owner then decides
    // whether the press arms a drag.
    QListWidget::mousePressEvent(event);
    Q_EMIT mouseDown(event->button(), event->position().toPoint());
}

void KaListBox::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_armed) {
        QListWidget::mouseMoveEvent(event);
        return;
    }
    // While a drag is armed the list does not sweep its selection along.
    event->accept();
    if (!(event->buttons() & Qt::LeftButton)) {
        cancelDrag();
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (!m_dragging) {
        const QPoint d = pos - m_pressPos;
        if (std::abs(d.x()) < DragThreshold && std::abs(d.y()) < DragThreshold) return;
        m_dragging = true;
    }
    Q_EMIT dragMoved(event->globalPosition().toPoint());
}

void KaListBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        if (event->button() == Qt::LeftButton) endDrag();
        QListWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    endDrag();
    setState(QAbstractItemView::NoState);
    Q_EMIT dropped(event->globalPosition().toPoint());
}

void KaListBox::keyPressEvent(QKeyEvent* event)
{
    if (m_dragging && event->key() == Qt::Key_Escape) {
        cancelDrag();
        event->accept();
        return;
    }
    const bool up = event->key() == Qt::Key_Up, down = event->key() == Qt::Key_Down;
    if ((up || down) && (event->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier) {
        event->accept();
        const int from = currentRow();
        const int to = from + (up ? -1 : 1);
        if (from >= 0 && to >= 0 && to < count()) Q_EMIT keyMove(from, to);
        return;
    }
    QListWidget::keyPressEvent(event);
}

void KaListBox::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled()) cancelDrag();
    QListWidget::changeEvent(event);
}
