#include "WindowBounds.h"

#include <algorithm>

namespace {
// The largest size a window can have, and so the farthest a window is put
// when no screen tells where it could be seen.
constexpr qint64 Largest = (1 << 24) - 1;

// The length two spans [a0, a1) and [b0, b1) have in common.
qint64 overlap(qint64 a0, qint64 a1, qint64 b0, qint64 b1)
{
    return std::max<qint64>(0, std::min(a1, b1) - std::max(a0, b0));
}
} // namespace

QRect WindowBounds::fitted(int left, int top, int width, int height, const QList<Screen>& screens)
{
    // The values come from a file and may be anything: everything here is
    // 64-bit, and what is returned has no edge past the 32-bit range.
    qint64 x = left, y = top;
    qint64 w = std::max<qint64>(width, MinWidth), h = std::max<qint64>(height, MinHeight);
    if (screens.isEmpty()) {
        w = std::min(w, Largest);
        h = std::min(h, Largest);
        x = std::clamp(x, -Largest, Largest);
        y = std::clamp(y, -Largest, Largest);
        return QRect(int(x), int(y), int(w), int(h));
    }
    // The screen with the largest share of the window, else the primary.
    const Screen* on = &screens.first();
    qint64 best = 0;
    for (const Screen& s : screens) {
        const QRect& g = s.geometry;
        const qint64 share = overlap(x, x + w, g.left(), g.left() + qint64(g.width()))
                           * overlap(y, y + h, g.top(), g.top() + qint64(g.height()));
        if (share > best) {
            best = share;
            on = &s;
        }
    }
    const QRect area = on->available.isValid() ? on->available : on->geometry;
    const qint64 areaLeft = area.left(), areaTop = area.top();
    const qint64 areaRight = areaLeft + std::max(0, area.width());
    const qint64 areaBottom = areaTop + std::max(0, area.height());
    const qint64 maxW = std::max<qint64>(MinWidth, areaRight - areaLeft);
    const qint64 maxH = std::max<qint64>(MinHeight, areaBottom - areaTop);
    const bool shrunk = w > maxW || h > maxH;
    w = std::min(w, maxW);
    h = std::min(h, maxH);
    // The title bar runs along the top edge: that edge must be on the screen,
    // with room below it and enough of it across.
    const bool holdable = y >= areaTop && y + Grip <= areaBottom && overlap(x, x + w, areaLeft, areaRight) >= Grip;
    if (shrunk || !holdable) {
        // Wholly on the screen; its top-left corner when the screen is
        // smaller than the window's minimum size.
        x = std::max(areaLeft, std::min(x, areaRight - w));
        y = std::max(areaTop, std::min(y, areaBottom - h));
    }
    return QRect(int(x), int(y), int(w), int(h));
}

QRect WindowBounds::read(int left, int top, int width, int height, const QList<Screen>& screens)
{
    m_read = fitted(left, top, width, height, screens);
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
