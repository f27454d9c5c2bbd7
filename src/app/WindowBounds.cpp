#include "WindowBounds.h"

#include <algorithm>

QRect WindowBounds::read(int left, int top, int width, int height)
{
    m_read = QRect(QPoint(left, top), atLeastMinimum(QSize(width, height)));
    m_settled.reset();
    return *m_read;
}

QSize WindowBounds::atLeastMinimum(QSize outer)
{
    return QSize(std::max(outer.width(), MinWidth), std::max(outer.height(), MinHeight));
}

QRect WindowBounds::innerFor(const QRect& outer, const QMargins& frame)
{
    const QRect inner = outer.marginsRemoved(frame);
    return QRect(inner.topLeft(), QSize(std::max(1, inner.width()), std::max(1, inner.height())));
}

QRect WindowBounds::requestUnder(const QMargins& frame)
{
    m_frame = frame;
    return innerFor(asRead(), frame);
}

bool WindowBounds::frameChanged(const QMargins& frame, const QSize& innerSize)
{
    if (frame == m_frame) return false;
    m_frame = frame;
    return m_read && m_settled && innerSize == m_settled->size();
}

QRect WindowBounds::toWrite(const QRect& inner, const QRect& outer) const
{
    if (m_read && m_settled && inner == *m_settled) return *m_read;
    return outer;
}
