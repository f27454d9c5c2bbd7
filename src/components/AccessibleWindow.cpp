#include "AccessibleWindow.h"

#include "BigTextDocument.h"

#include <algorithm>

namespace {

// Only the event loop's thread shows text to a reader.
qint64 g_threshold = AccessibleWindow::kThreshold;
qint64 g_size = AccessibleWindow::kSize;

} // namespace

void AccessibleWindow::setLimits(qint64 threshold, qint64 size)
{
    g_threshold = std::clamp<qint64>(threshold, 1, kThreshold);
    g_size = std::clamp<qint64>(size, 1, g_threshold);
}

void AccessibleWindow::follow(const BigTextDocument& doc, qint64 caret)
{
    const qint64 n = doc.length();
    caret = std::clamp<qint64>(caret, 0, n);
    if (doc.revision() == m_revision && caret == m_caret && m_end <= n) return;
    m_revision = doc.revision();
    m_caret = caret;
    if (n <= g_threshold) {
        m_windowed = false;
        m_start = 0;
        m_end = n;
        return;
    }
    if (m_windowed) {
        m_end = std::min(m_end, n);
        // The text grew behind a window that reached its end.
        if (m_toEnd && m_end < n) m_end = endFrom(doc, m_start, caret);
        const bool inside = m_start <= caret && (caret < m_end || m_end == n);
        if (inside && m_end - m_start <= g_threshold) {
            m_toEnd = m_end == n;
            return;
        }
    }
    centre(doc, caret);
}

void AccessibleWindow::restart(const BigTextDocument& doc, qint64 caret)
{
    m_windowed = false;
    m_caret = -1;
    follow(doc, caret);
}

// Half the window before the caret, from the start of the line there; when
// that line is so long that the caret would stand near the window's end, from
// the next line, or (the caret's own line being that long) from the middle of it.
void AccessibleWindow::centre(const BigTextDocument& doc, qint64 caret)
{
    const qint64 n = doc.length();
    const qint64 want = std::clamp<qint64>(caret - g_size / 2, 0, std::max<qint64>(0, n - g_size));
    const qint64 line = doc.lineOf(want);
    qint64 start = doc.lineStart(line);
    if (caret - start > g_size - g_size / 4) {
        const qint64 next = doc.lineStart(line + 1);
        start = next >= 0 && next <= caret ? next : want;
    }
    m_windowed = true;
    m_start = start;
    m_end = endFrom(doc, start, caret);
    m_toEnd = m_end == n;
}

// A window from start ends at the last line start it can hold, unless that
// would cut off the caret's line: a line that long is cut where the window is full.
qint64 AccessibleWindow::endFrom(const BigTextDocument& doc, qint64 start, qint64 caret)
{
    const qint64 n = doc.length();
    const qint64 full = start + g_size;
    if (full >= n) return n;
    const qint64 lineStart = doc.lineStart(doc.lineOf(full));
    return lineStart > caret ? lineStart : full;
}

void AccessibleWindow::removing(qint64 pos, qint64 length)
{
    // Each end moves back by what goes before it.
    const auto moved = [&](qint64 at) { return at - std::clamp<qint64>(at - pos, 0, length); };
    m_start = moved(m_start);
    m_end = moved(m_end);
    m_caret = -1;
}

void AccessibleWindow::inserted(qint64 pos, qint64 length)
{
    if (pos < m_start) m_start += length;
    if (pos <= m_end) m_end += length;
    m_caret = -1;
}
