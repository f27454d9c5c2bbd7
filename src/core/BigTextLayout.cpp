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
    m_row = Row{};
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
    if (auto it = m_lines.find(index); it != m_lines.end()) {
        if (!it->second->guessed || it->second->counts == m_countsVersion) return it->second;
        if (!wraps()) {
            // Placed at a guess: only where it stands may have changed, not its text.
            auto l = std::make_shared<Line>(*it->second);
            place(*l, m_doc.blockOfFold(index), true);
            it->second = l;
            return l;
        }
        m_lines.erase(it); // laid out on a guess, and there are more counts now
    }
    auto l = std::make_shared<Line>();
    const qint64 foldStart = m_doc.foldStart(index);
    l->start = foldStart < 0 ? m_doc.length() : foldStart;
    qint64 end = l->start + m_doc.foldLength(index);
    m_found.clear();
    if (foldStart >= 0) {
        const int block = m_doc.blockOfFold(index);
        const size_t r = size_t(index - m_doc.block(block).firstFold);
        l->endsLine = qint64(r) + 1 < m_doc.blockFolds(block) || block + 1 >= m_doc.blockCount() || !continues(block + 1);
        if (wraps()) {
            WrapState s;
            if (r == 0) l->guessed = !lineStartAt(block, &l->start, &s);
            WrapState next;
            if (!l->endsLine && !lineStartAt(block + 1, &end, &next)) l->guessed = true;
            m_measure.wrapOn(s, foldText(m_doc.decoded(block), r), foldStart, m_found);
        }
    }
    l->counts = m_countsVersion;
    end = std::max(end, l->start);
    l->text = m_doc.text(l->start, end - l->start);
    l->breaks.assign(1, 0);
    for (qint64 b : m_found)
        if (b > l->start && b < end) l->breaks.push_back(qint32(b - l->start));
    if (!wraps() && foldStart >= 0 && index == m_doc.block(m_doc.blockOfFold(index)).firstFold
        && continues(m_doc.blockOfFold(index)))
        place(*l, m_doc.blockOfFold(index));
    else
        measureLine(*l);
    if (m_lines.size() > 4096) m_lines.clear();
    m_lines.emplace(index, l);
    return l;
}

qint64 BigTextLayout::lineAt(qint64 pos) const
{
    const qint64 fold = m_doc.foldOf(pos);
    if (!wraps() || fold + 1 >= m_doc.foldCount()) return fold;
    // The row running over a block's edge belongs to the fold after it.
    const LinePtr l = line(fold);
    return !l->endsLine && pos >= l->start + l->text.size() ? fold + 1 : fold;
}

int BigTextLayout::visualCount(qint64 index) const
{
    return wraps() ? int(line(index)->breaks.size()) : 1;
}

BigTextLayout::Visual BigTextLayout::visualOf(qint64 pos) const
{
    pos = std::clamp<qint64>(pos, 0, m_doc.length());
    if (!wraps()) return Visual{m_doc.foldOfLine(m_doc.lineOf(pos)), 0};
    Visual v{lineAt(pos), 0};
    if (wraps()) {
        const LinePtr l = line(v.line);
        v.sub = int(std::upper_bound(l->breaks.begin(), l->breaks.end(), qint32(pos - l->start)) - l->breaks.begin()) - 1;
    }
    return v;
}

BigTextLayout::Visual BigTextLayout::lastVisual() const
{
    if (!wraps()) return Visual{m_doc.foldOfLine(m_doc.lineCount() - 1), 0};
    const qint64 last = m_doc.foldCount() - 1;
    return Visual{last, visualCount(last) - 1};
}

BigTextLayout::Visual BigTextLayout::step(Visual v, qint64 delta) const
{
    const qint64 lines = m_doc.foldCount();
    if (!wraps()) return Visual{m_doc.foldOfLine(std::clamp<qint64>(m_doc.lineOfFold(v.line) + delta, 0, m_doc.lineCount() - 1)), 0};
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
    if (!wraps()) return m_doc.lineOfFold(b.line) - m_doc.lineOfFold(a.line);
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
    const LinePtr l = line(wraps() ? v.line : lastFoldOf(v.line));
    const size_t next = size_t(v.sub) + 1;
    return l->start + (next < l->breaks.size() ? l->breaks[next] : l->text.size());
}

qreal BigTextLayout::xOf(qint64 pos) const
{
    if (!wraps()) {
        const LinePtr l = line(m_doc.foldOf(pos));
        return l->x + widthOf(l->text, 0, std::clamp<qint64>(pos - l->start, 0, l->text.size()), l->x);
    }
    const Visual v = visualOf(pos);
    const LinePtr l = line(v.line);
    return widthOf(l->text, l->breaks[size_t(v.sub)], std::min<qint64>(pos - l->start, l->text.size()));
}

qint64 BigTextLayout::positionAt(Visual v, qreal x) const
{
    if (!wraps()) {
        // A fold that goes on in the next one ends on the row: its end is where the next begins.
        const LinePtr l = line(foldAt(v, x));
        return l->start + hit(l->text, 0, l->text.size(), x, l->x);
    }
    const LinePtr l = line(v.line);
    const size_t sub = size_t(std::clamp(v.sub, 0, int(l->breaks.size()) - 1));
    const qsizetype from = l->breaks[sub];
    const bool lastRow = sub + 1 >= l->breaks.size();
    const qsizetype to = lastRow ? l->text.size() : l->breaks[sub + 1];
    qsizetype i = hit(l->text, from, to, x);
    if ((!lastRow || !l->endsLine) && i == to && to > from) {
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
    const LinePtr l = line(lineAt(pos));
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
    const LinePtr l = line(lineAt(pos));
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

QStringView BigTextLayout::foldText(const BigTextDocument::DecodedPtr& d, size_t r) const
{
    const qsizetype from = d->lineStarts[r];
    const qsizetype to = r + 1 < d->lineStarts.size() ? d->lineStarts[r + 1] - 1 : d->text.size();
    return QStringView(d->text).mid(from, to - from);
}

const BigTextLayout::Counted* BigTextLayout::counted(int block, const WrapState& in) const
{
    const BigTextPart& part = m_doc.part(block);
    const auto it = m_blockCounts.find(part.id);
    if (it == m_blockCounts.end() || it->second.in != in || it->second.folds != m_doc.blockFolds(block)) return nullptr;
    // A state a line goes on with holds positions: moved by an edit before it, it is counted anew.
    if (!part.endsWithNewline && it->second.start != m_doc.block(block).start) return nullptr;
    return &it->second;
}

const BigTextLayout::Counted& BigTextLayout::count(int block, const WrapState& in) const
{
    if (const Counted* known = counted(block, in)) return *known;
    const BigTextDocument::Block b = m_doc.block(block);
    Counted c{b.id, b.folds, b.start, 0, in, {}};
    const bool goesOn = !m_doc.part(block).endsWithNewline;
    c.rows = m_measure.blockRows(*m_doc.decoded(block, false), b.folds, b.start, in, goesOn ? &c.out : nullptr);
    ++m_countsVersion;
    return m_blockCounts[b.id] = c;
}

bool BigTextLayout::stateAt(int block, int budget, WrapState* in) const
{
    *in = WrapState{};
    int first = block;
    while (continues(first)) --first;
    if (first == block) return true;
    // The line began blocks before: each of them is wrapped from where the one
    // before it ended, from the line's start on.
    int missing = 0;
    bool known = true;
    WrapState s;
    for (int i = first; i < block; ++i) {
        const Counted* c = known ? counted(i, s) : nullptr;
        if (c) s = c->out;
        known = c != nullptr;
        missing += known ? 0 : 1;
    }
    if (!known && missing > budget) {
        m_wanted = std::max(m_wanted, block - 1);
        return false;
    }
    if (!known) {
        s = WrapState{};
        for (int i = first; i < block; ++i) s = count(i, s).out;
    }
    *in = s;
    return true;
}

bool BigTextLayout::lineStartAt(int block, qint64* start, WrapState* in) const
{
    *start = m_doc.block(block).start;
    const bool exact = stateAt(block, kSyncBlocks, in);
    if (!in->started) return exact;
    // The row the block begins in began before it, unless the line breaks
    // before the row ends: then where it breaks.
    WrapState s = *in;
    std::vector<qint64> first;
    m_measure.wrapOn(s, foldText(m_doc.decoded(block), 0), *start, first, BigTextMeasure::kFirst);
    *start = !first.empty() && first.front() <= *start ? first.front() : in->rowStart;
    return true;
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
    // count, each fold counted as one visual line until it comes.
    WrapState s;
    bool known = stateAt(first, 0, &s);
    int missing = 0;
    for (int i = first; i < block && missing <= kSyncBlocks; ++i) {
        if (!continues(i)) {
            s = WrapState{};
            known = true;
        }
        const Counted* c = known ? counted(i, s) : nullptr;
        if (c) s = c->out;
        known = c != nullptr;
        missing += known ? 0 : 1;
    }
    const bool now = missing <= kSyncBlocks && stateAt(first, kSyncBlocks, &s);
    known = now || stateAt(first, 0, &s);
    for (int i = first; i < block; ++i) {
        if (!continues(i)) {
            s = WrapState{};
            known = true;
        }
        const Counted* c = now ? &count(i, s) : known ? counted(i, s) : nullptr;
        known = c != nullptr;
        qint64 rows = 0;
        if (c) {
            rows = c->rows;
            s = c->out;
        } else {
            rows = m_doc.blockFolds(i);
            m_wanted = std::max(m_wanted, i);
            m_guessed = true;
        }
        m_prefix.push_back(m_prefix.back() + rows);
    }
}

qint64 BigTextLayout::blockVisualStart(int block) const
{
    extendPrefix(block);
    return m_prefix[size_t(block)];
}

const std::vector<qint64>& BigTextLayout::blockLineCounts(int block, const WrapState& in) const
{
    checkValid();
    const BigTextDocument::Block b = m_doc.block(block);
    if (b.id == m_lastBlockId && in == m_lastBlockIn) return m_lastBlockLines;
    const bool goesOn = !m_doc.part(block).endsWithNewline;
    WrapState out;
    const qint64 rows = m_measure.blockRows(*m_doc.decoded(block), b.folds, b.start, in, goesOn ? &out : nullptr,
                                            &m_lastBlockLines);
    const Counted* known = counted(block, in);
    if (!known || known->rows != rows) {
        m_blockCounts[b.id] = Counted{b.id, b.folds, b.start, rows, in, out};
        ++m_countsVersion;
        // The numbers behind this block may have rested on a guess for it.
        if (m_prefix.size() > size_t(block) + 1) m_prefix.resize(size_t(block) + 1);
    }
    m_lastBlockId = b.id;
    m_lastBlockIn = in;
    return m_lastBlockLines;
}

qint64 BigTextLayout::visualLineOf(qint64 pos) const
{
    if (!wraps()) return m_doc.lineOf(pos);
    pos = std::clamp<qint64>(pos, 0, m_doc.length());
    const int block = m_doc.blockAt(pos);
    WrapState in;
    if (!stateAt(block, kSyncBlocks, &in)) m_guessed = true;
    const std::vector<qint64>& counts = blockLineCounts(block, in);
    const qint64 base = blockVisualStart(block);
    const auto d = m_doc.decoded(block);
    const BigTextDocument::Block b = m_doc.block(block);
    const qint64 off = pos - b.start;
    const size_t r = size_t(std::upper_bound(d->lineStarts.begin(), d->lineStarts.end(), off) - d->lineStarts.begin() - 1);
    WrapState s = r == 0 ? in : WrapState{};
    const bool fresh = !s.started;
    m_found.clear();
    m_measure.wrapOn(s, foldText(d, r), b.start + d->lineStarts[r], m_found, pos);
    qint64 rows = std::upper_bound(m_found.begin(), m_found.end(), pos) - m_found.begin();
    if (rows == qint64(m_found.size()) && qint64(r) + 1 == b.folds && block + 1 < m_doc.blockCount()
        && continues(block + 1)) {
        // The next row may begin before the block's end, found only past it.
        const size_t before = m_found.size();
        m_measure.wrapOn(s, foldText(m_doc.decoded(block + 1), 0), b.start + b.length, m_found, BigTextMeasure::kFirst);
        if (m_found.size() > before && m_found[before] <= pos) ++rows;
    }
    return base + counts[r] + (fresh ? 1 : 0) + rows - 1;
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
    const int block = int(std::upper_bound(m_prefix.begin(), m_prefix.end(), number) - m_prefix.begin()) - 1;
    WrapState in;
    if (!stateAt(block, kSyncBlocks, &in)) m_guessed = true;
    const std::vector<qint64>& counts = blockLineCounts(block, in);
    const qint64 blockStart = m_doc.block(block).start;
    if (counts.back() <= 0) return blockStart;
    // Measuring the block may have changed the numbers after it, not before.
    const qint64 local = std::min(number - m_prefix[size_t(block)], counts.back() - 1);
    const size_t r = size_t(std::upper_bound(counts.begin(), counts.end(), local) - counts.begin() - 1);
    const auto d = m_doc.decoded(block);
    WrapState s = r == 0 ? in : WrapState{};
    const bool fresh = !s.started;
    const qint64 k = local - counts[r] - (fresh ? 1 : 0); // of the rows begun while wrapping the fold
    if (k < 0) return blockStart + d->lineStarts[r];
    m_found.clear();
    m_measure.wrapOn(s, foldText(d, r), blockStart + d->lineStarts[r], m_found);
    if (m_found.empty()) return blockStart + d->lineStarts[r];
    return m_found[size_t(std::min<qint64>(k, qint64(m_found.size()) - 1))];
}

// ---------------------------------------------------------------- counting elsewhere

std::vector<BigTextMeasure::ToCount> BigTextLayout::blocksToCount() const
{
    std::vector<BigTextMeasure::ToCount> out;
    if (m_wanted < 0) return out;
    const int upTo = std::min(m_wanted, m_doc.blockCount() - 1);
    if (!wraps()) {
        // Only the blocks that a line runs on from: where each ends in its row.
        WrapState s;
        bool known = true;
        for (int i = m_wantedFirst; i <= upTo; ++i) {
            if (m_doc.part(i).endsWithNewline) continue;
            if (!continues(i) || m_doc.blockFolds(i) > 1 || i == m_wantedFirst) {
                s = WrapState{};
                known = true;
            }
            if (const Counted* c = known ? counted(i, s) : nullptr) {
                s = c->out;
                continue;
            }
            out.push_back({i, !known, s});
            known = false;
        }
        m_wanted = -1;
        return out;
    }
    out.reserve(size_t(std::max(0, upTo + 1)));
    WrapState s;
    bool known = true;
    for (int i = 0; i <= upTo; ++i) {
        if (!continues(i)) {
            s = WrapState{};
            known = true;
        }
        if (const Counted* c = known ? counted(i, s) : nullptr) {
            s = c->out;
            continue;
        }
        // Chained to the block before when that is counted with it.
        out.push_back({i, !known, s});
        known = false;
    }
    m_wanted = -1;
    return out;
}

void BigTextLayout::addCounts(quint64 key, const std::vector<Counted>& counts)
{
    if (key != m_countsKey || counts.empty()) return;
    for (const Counted& c : counts) m_blockCounts[c.id] = c;
    ++m_countsVersion;
    m_prefix.clear();
    m_prefixRevision = ~quint64(0);
    m_lastBlockId = 0;
}
