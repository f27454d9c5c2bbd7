#include "LineSplitter.h"

#include "FsPath.h"

#include <algorithm>
#include <cstring>

namespace {

const QByteArrayView kBom("\xEF\xBB\xBF");

// How many of a line's kept bytes are read. A UTF-8 line cut at the limit is
// cut before a sequence the limit would split; a CP932 line is cut at the limit
// (a lead byte left alone there reads as a byte of its own and is written back
// as it was). Only the first MaxLineBytes bytes are needed to decide.
qsizetype cutLength(QByteArrayView kept, bool longer, bool utf8)
{
    const qsizetype n = kept.size();
    if (!longer || !utf8) return n;
    // Step back to the start of the sequence the cut falls into, if the limit
    // splits one; stray continuation bytes are bytes of their own.
    const auto* u = reinterpret_cast<const unsigned char*>(kept.data());
    for (qsizetype k = n; k > 0 && k > n - 4; --k) {
        const unsigned char lead = u[k - 1];
        if ((lead & 0xC0) == 0x80) continue;
        const int len = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        return (k - 1 + len > n) ? k - 1 : n;
    }
    return n;
}

} // namespace

bool LineSplitter::feed(QByteArrayView bytes)
{
    if (m_stopped) return false;
    if (!m_started) {
        const qsizetype take = std::min<qsizetype>(kBom.size() - m_head.size(), bytes.size());
        m_head.append(bytes.first(take));
        bytes = bytes.sliced(take);
        if (m_head.size() < kBom.size()) return true;
        start();
    }
    scan(bytes);
    return !m_stopped;
}

void LineSplitter::finish()
{
    if (m_stopped) return;
    if (!m_started) start();
    // A last line without its end counts when it has any byte.
    if (!m_stopped && !m_partial.isEmpty()) deliver(m_partial, m_longer);
    m_partial.clear();
    m_longer = false;
}

void LineSplitter::start()
{
    m_started = true;
    m_utf8 = QByteArrayView(m_head).startsWith(kBom);
    const QByteArray head = m_head;
    m_head.clear();
    scan(m_utf8 ? QByteArrayView(head).sliced(kBom.size()) : QByteArrayView(head));
}

void LineSplitter::keep(QByteArrayView part)
{
    const qsizetype room = MaxLineBytes - m_partial.size();
    if (part.size() > room) m_longer = true;
    if (room > 0) m_partial.append(part.first(std::min(room, part.size())));
}

// The line that ends here: what was kept of it in earlier feeds, then `rest`.
void LineSplitter::endLine(QByteArrayView rest)
{
    if (m_partial.isEmpty() && !m_longer) {
        // The whole line lies in this feed: no copy.
        const bool longer = rest.size() > MaxLineBytes;
        deliver(longer ? rest.first(MaxLineBytes) : rest, longer);
        return;
    }
    keep(rest);
    deliver(m_partial, m_longer);
    m_partial.clear();
    m_longer = false;
}

void LineSplitter::scan(QByteArrayView bytes)
{
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    if (m_afterCr && n > 0) {
        m_afterCr = false;
        if (p[0] == '\n') i = 1;
    }
    qsizetype start = i;
    while (i < n && !m_stopped) {
        const char c = p[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        endLine(QByteArrayView(p + start, i - start));
        ++i;
        if (c == '\r') {
            if (i < n) {
                if (p[i] == '\n') ++i;
            } else {
                m_afterCr = true;   // the LF, if any, comes with the next feed
            }
        }
        start = i;
    }
    if (!m_stopped && start < n) keep(QByteArrayView(p + start, n - start));
}

bool LineSplitter::deliver(QByteArrayView line, bool longer)
{
    if (!m_sink(line.first(cutLength(line, longer, m_utf8)))) m_stopped = true;
    return !m_stopped;
}

bool splitFile(const QString& path, LineSplitter& splitter, qint64 maxBytes)
{
    const bool ok = FsPath::readChunks(path, maxBytes, [&splitter](QByteArrayView chunk, qint64) {
        splitter.feed(chunk);
        return !splitter.stopped();
    });
    if (ok) splitter.finish();
    return ok;
}
