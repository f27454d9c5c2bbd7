#include "BigTextLayout.h"

#include <algorithm>

namespace {

int charClass(QChar c)
{
    const char16_t u = c.unicode();
    if (c.isSpace()) return 0;
    if (u >= 0x3041 && u <= 0x309F) return 3;                                   // hiragana
    if ((u >= 0x30A0 && u <= 0x30FF) || (u >= 0xFF66 && u <= 0xFF9F)) return 4; // katakana
    if ((u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF) || u == 0x3005 || c.isSurrogate()) return 5;
    if (c.isLetterOrNumber() || u == u'_') return 2;
    return 1;
}

} // namespace

BigTextLayout::BigTextLayout(const BigTextDocument& doc) : m_doc(doc) {}

void BigTextLayout::setFont(const QFont& font)
{
    m_measure.setFont(font);
    forgetCounts();
}

void BigTextLayout::setWrapWidth(qreal width)
{
    width = width > 0 ? std::max<qreal>(width, 1) : 0;
    if (width == m_measure.wrapWidth()) return;
    m_measure.setWrapWidth(width);
    forgetCounts();
}

void BigTextLayout::forgetCounts()
{
    m_lines.clear();
    m_blockCounts.clear();
    m_prefix.clear();
    m_prefixRevision = ~quint64(0);
    m_lastBlockId = 0;
    m_wanted = -1;
    ++m_countsKey;
}

void BigTextLayout::checkValid() const
{
    if (m_doc.revision() == m_revision) return;
    if (m_doc.editRevision() != m_editRevision) {
        m_lines.clear();
        m_editRevision = m_doc.editRevision();
    } else {
        // Grown at its end: only the line that was last can have changed.
        for (auto it = m_lines.begin(); it != m_lines.end();)
            it = it->first >= m_lineCount - 1 ? m_lines.erase(it) : std::next(it);
    }
    m_lastBlockId = 0;
    m_revision = m_doc.revision();
    m_lineCount = m_doc.foldCount();
}

// ---------------------------------------------------------------- lines

BigTextLayout::LinePtr BigTextLayout::line(qint64 index) const
{
    checkValid();
    if (auto it = m_lines.find(index); it != m_lines.end()) return it->second;
    auto l = std::make_shared<Line>();
    l->start = m_doc.foldStart(index);
    if (l->start < 0) l->start = m_doc.length();
    l->text = m_doc.text(l->start, m_doc.foldLength(index));
    wrap(l->text, l->breaks);
    l->width = widthOf(l->text, 0, l->text.size());
    if (m_lines.size() > 4096) m_lines.clear();
    m_lines.emplace(index, l);
    return l;
}

int BigTextLayout::visualCount(qint64 index) const
{
    return wraps() ? int(line(index)->breaks.size()) : 1;
}

BigTextLayout::Visual BigTextLayout::visualOf(qint64 pos) const
{
    pos = std::clamp<qint64>(pos, 0, m_doc.length());
    Visual v{m_doc.foldOf(pos), 0};
    if (wraps()) {
        const LinePtr l = line(v.line);
        v.sub = int(std::upper_bound(l->breaks.begin(), l->breaks.end(), qint32(pos - l->start)) - l->breaks.begin()) - 1;
    }
    return v;
}

BigTextLayout::Visual BigTextLayout::lastVisual() const
{
    const qint64 last = m_doc.foldCount() - 1;
    return Visual{last, visualCount(last) - 1};
}

BigTextLayout::Visual BigTextLayout::step(Visual v, qint64 delta) const
{
    const qint64 lines = m_doc.foldCount();
    if (!wraps()) return Visual{std::clamp<qint64>(v.line + delta, 0, lines - 1), 0};
    while (delta > 0) {
        const int count = visualCount(v.line);
        if (v.sub + delta < count) {
            v.sub += int(delta);
            break;
        }
        if (v.line + 1 >= lines) {
            v.sub = count - 1;
            break;
        }
        delta -= count - v.sub;
        ++v.line;
        v.sub = 0;
    }
    while (delta < 0) {
        if (v.sub + delta >= 0) {
            v.sub += int(delta);
            break;
        }
        if (v.line == 0) {
            v.sub = 0;
            break;
        }
        delta += v.sub + 1;
        --v.line;
        v.sub = visualCount(v.line) - 1;
    }
    return v;
}

qint64 BigTextLayout::distance(Visual a, Visual b, qint64 limit) const
{
    if (!wraps()) return b.line - a.line;
    qint64 count = 0;
    while (a < b && count <= limit) {
        if (a.line == b.line) return count + (b.sub - a.sub);
        count += visualCount(a.line) - a.sub;
        a = Visual{a.line + 1, 0};
    }
    return count;
}

qint64 BigTextLayout::visualStart(Visual v) const
{
    const LinePtr l = line(v.line);
    return l->start + l->breaks[size_t(std::clamp(v.sub, 0, int(l->breaks.size()) - 1))];
}

qint64 BigTextLayout::visualEnd(Visual v) const
{
    const LinePtr l = line(v.line);
    const size_t next = size_t(v.sub) + 1;
    return l->start + (next < l->breaks.size() ? l->breaks[next] : l->text.size());
}

qreal BigTextLayout::xOf(qint64 pos) const
{
    const Visual v = visualOf(pos);
    const LinePtr l = line(v.line);
    return widthOf(l->text, l->breaks[size_t(v.sub)], std::min<qint64>(pos - l->start, l->text.size()));
}

qint64 BigTextLayout::positionAt(Visual v, qreal x) const
{
    const LinePtr l = line(v.line);
    const size_t sub = size_t(std::clamp(v.sub, 0, int(l->breaks.size()) - 1));
    const qsizetype from = l->breaks[sub];
    const bool lastRow = sub + 1 >= l->breaks.size();
    const qsizetype to = lastRow ? l->text.size() : l->breaks[sub + 1];
    qsizetype i = hit(l->text, from, to, x);
    if (!lastRow && i == to && to > from) {
        // The end of a wrapped row is the start of the next one: stay before it.
        --i;
        if (i > from && l->text[i].isLowSurrogate()) --i;
    }
    return l->start + i;
}

// ---------------------------------------------------------------- words

qint64 BigTextLayout::wordEdge(qint64 pos, bool forward) const
{
    pos = std::clamp<qint64>(pos, 0, m_doc.length());
    const LinePtr l = line(m_doc.foldOf(pos));
    const QString& t = l->text;
    qsizetype i = pos - l->start;
    if (forward) {
        if (i >= t.size()) return std::min(pos + 1, m_doc.length()); // over the line end
        const int cls = charClass(t[i]);
        while (i < t.size() && cls != 0 && charClass(t[i]) == cls) ++i;
        while (i < t.size() && charClass(t[i]) == 0) ++i;
        return l->start + i;
    }
    if (i == 0) return std::max<qint64>(pos - 1, 0);
    while (i > 0 && charClass(t[i - 1]) == 0) --i;
    if (i > 0) {
        const int cls = charClass(t[i - 1]);
        while (i > 0 && charClass(t[i - 1]) == cls) --i;
    }
    return l->start + i;
}

std::pair<qint64, qint64> BigTextLayout::wordAt(qint64 pos) const
{
    pos = std::clamp<qint64>(pos, 0, m_doc.length());
    const LinePtr l = line(m_doc.foldOf(pos));
    const QString& t = l->text;
    qsizetype a = pos - l->start, b = a;
    if (b < t.size()) {
        const int cls = charClass(t[b]);
        while (a > 0 && charClass(t[a - 1]) == cls) --a;
        while (b < t.size() && charClass(t[b]) == cls) ++b;
    }
    return {l->start + a, l->start + b};
}

// ---------------------------------------------------------------- numbering

bool BigTextLayout::knownCount(int block, qint64* count) const
{
    const auto it = m_blockCounts.find(m_doc.part(block).id);
    if (it == m_blockCounts.end()) return false;
    *count = it->second;
    return true;
}

qint64 BigTextLayout::blockVisualCount(int block) const
{
    qint64 count = 0;
    if (knownCount(block, &count)) return count;
    const BigTextDocument::Block b = m_doc.block(block);
    count = m_measure.blockRows(*m_doc.decoded(block, false), b.folds);
    m_blockCounts.emplace(b.id, count);
    return count;
}

void BigTextLayout::extendPrefix(int block) const
{
    if (m_prefix.empty() || m_prefixRevision != m_doc.editRevision()) {
        m_prefix.assign(1, 0);
        m_guessed = false;
        m_prefixRevision = m_doc.editRevision();
        if (m_blockCounts.size() > size_t(4 * m_doc.blockCount() + 1024)) m_blockCounts.clear();
    } else if (m_prefixBlocks != m_doc.blockCount()) {
        // Grown at its end: all but the last block before stand as they were.
        m_prefix.resize(std::min(m_prefix.size(), size_t(std::max(1, m_prefixBlocks))));
    }
    m_prefixBlocks = m_doc.blockCount();
    block = std::min(block, m_prefixBlocks);
    const int first = int(m_prefix.size()) - 1;
    if (first >= block) return;
    // A few blocks are measured on the spot; more are left to a background
    // count, each line counted as one visual line until it comes.
    int missing = 0;
    qint64 count = 0;
    for (int i = first; i < block && missing <= kSyncBlocks; ++i)
        if (!knownCount(i, &count)) ++missing;
    const bool now = missing <= kSyncBlocks;
    for (int i = first; i < block; ++i) {
        if (!knownCount(i, &count)) {
            if (now) {
                count = blockVisualCount(i);
            } else {
                count = m_doc.blockFolds(i);
                m_wanted = std::max(m_wanted, i);
                m_guessed = true;
            }
        }
        m_prefix.push_back(m_prefix.back() + count);
    }
}

qint64 BigTextLayout::blockVisualStart(int block) const
{
    extendPrefix(block);
    return m_prefix[size_t(block)];
}

const std::vector<qint64>& BigTextLayout::blockLineCounts(int block) const
{
    checkValid();
    const BigTextDocument::Block b = m_doc.block(block);
    if (b.id == m_lastBlockId) return m_lastBlockLines;
    m_measure.blockRows(*m_doc.decoded(block), b.folds, &m_lastBlockLines);
    qint64 known = 0;
    if (!knownCount(block, &known) || known != m_lastBlockLines.back()) {
        m_blockCounts[b.id] = m_lastBlockLines.back();
        // The numbers behind this block may have rested on a guess for it.
        if (m_prefix.size() > size_t(block) + 1) m_prefix.resize(size_t(block) + 1);
    }
    m_lastBlockId = b.id;
    return m_lastBlockLines;
}

qint64 BigTextLayout::visualLineOf(qint64 pos) const
{
    if (!wraps()) return m_doc.lineOf(pos);
    pos = std::clamp<qint64>(pos, 0, m_doc.length());
    const int block = m_doc.blockAt(pos);
    const std::vector<qint64>& counts = blockLineCounts(block);
    const qint64 base = blockVisualStart(block);
    const auto d = m_doc.decoded(block);
    const qint64 off = pos - m_doc.block(block).start;
    const size_t r = size_t(std::upper_bound(d->lineStarts.begin(), d->lineStarts.end(), off) - d->lineStarts.begin() - 1);
    const qsizetype from = d->lineStarts[r];
    const qsizetype to = r + 1 < d->lineStarts.size() ? d->lineStarts[r + 1] - 1 : d->text.size();
    wrap(QStringView(d->text).mid(from, to - from), m_scratch);
    const qint64 sub = std::upper_bound(m_scratch.begin(), m_scratch.end(), qint32(off - from)) - m_scratch.begin() - 1;
    return base + counts[r] + sub;
}

qint64 BigTextLayout::visualLineStart(qint64 number) const
{
    if (!wraps()) return m_doc.lineStart(number);
    if (number < 0) return -1;
    const int blocks = m_doc.blockCount();
    extendPrefix(0);
    while (int(m_prefix.size()) <= blocks && m_prefix.back() <= number)
        extendPrefix(std::min(blocks, int(m_prefix.size()) * 2 + 16));
    if (m_prefix.back() <= number) return -1;
    int block = int(std::upper_bound(m_prefix.begin(), m_prefix.end(), number) - m_prefix.begin()) - 1;
    const std::vector<qint64>& counts = blockLineCounts(block);
    // Measuring the block may have changed the numbers after it, not before.
    const qint64 local = std::min(number - m_prefix[size_t(block)], counts.back() - 1);
    const size_t r = size_t(std::upper_bound(counts.begin(), counts.end(), local) - counts.begin() - 1);
    const auto d = m_doc.decoded(block);
    const qsizetype from = d->lineStarts[r];
    const qsizetype to = r + 1 < d->lineStarts.size() ? d->lineStarts[r + 1] - 1 : d->text.size();
    wrap(QStringView(d->text).mid(from, to - from), m_scratch);
    return m_doc.block(block).start + from + m_scratch[size_t(std::min<qint64>(local - counts[r], qint64(m_scratch.size()) - 1))];
}

// ---------------------------------------------------------------- counting elsewhere

std::vector<int> BigTextLayout::blocksToCount() const
{
    std::vector<int> out;
    out.reserve(size_t(std::max(0, m_wanted + 1)));
    if (!wraps() || m_wanted < 0) return out;
    const int upTo = std::min(m_wanted, m_doc.blockCount() - 1);
    qint64 count = 0;
    for (int i = 0; i <= upTo; ++i)
        if (!knownCount(i, &count)) out.push_back(i);
    m_wanted = -1;
    return out;
}

void BigTextLayout::addCounts(quint64 key, const std::vector<std::pair<quint64, qint64>>& counts)
{
    if (key != m_countsKey || counts.empty()) return;
    for (const auto& [id, count] : counts) m_blockCounts[id] = count;
    m_prefix.clear();
    m_prefixRevision = ~quint64(0);
}
