// The layout without word wrap: a line is one row, its folds placed one after
// another by the widths of the blocks of the line before them (see BigTextLayout.h).
#include "BigTextLayout.h"

#include <algorithm>

// ---------------------------------------------------------------- rows

BigTextLayout::Visual BigTextLayout::atScrollLine(qint64 n) const
{
    if (wraps()) return Visual{std::clamp<qint64>(n, 0, m_doc.foldCount() - 1), 0};
    return Visual{m_doc.foldOfLine(n), 0};
}

bool BigTextLayout::runsOn(int block, qint64 fold) const
{
    return block + 1 < m_doc.blockCount() && continues(block + 1)
        && fold == m_doc.block(block).firstFold + m_doc.blockFolds(block) - 1;
}

qint64 BigTextLayout::lastFoldOf(qint64 fold) const
{
    int block = m_doc.blockOfFold(fold);
    if (!runsOn(block, fold)) return fold;
    ++block;
    while (m_doc.blockFolds(block) == 1 && block + 1 < m_doc.blockCount() && continues(block + 1)) ++block;
    return m_doc.block(block).firstFold;
}

const BigTextLayout::Row& BigTextLayout::row(int first) const
{
    checkValid();
    const quint64 id = m_doc.part(first).id;
    if (m_row.first == first && m_row.id == id && m_row.revision == m_doc.revision()
        && m_row.version == m_countsVersion)
        return m_row;
    Row r;
    r.first = first;
    r.last = first + 1;
    while (m_doc.blockFolds(r.last) == 1 && r.last + 1 < m_doc.blockCount() && continues(r.last + 1)) ++r.last;
    r.x.assign(1, 0);
    // The blocks before the last are chained: each begins where the one before ended.
    WrapState s;
    int k = first;
    for (const Counted* c; k < r.last && (c = counted(k, s)); ++k) {
        s = c->out;
        r.x.push_back(s.x);
    }
    qint64 missing = 0;
    for (int i = k; i < r.last; ++i) missing += m_doc.part(i).chars;
    const bool now = missing <= m_spot;
    if (now) m_spot -= missing;
    for (; k < r.last && (now || k == first); ++k) {
        s = count(k, s).out;
        r.x.push_back(s.x);
    }
    r.exact = r.x.size() - 1;
    // The rest as wide on average as the part measured.
    const qint64 chars = m_doc.block(k).start - s.rowStart;
    r.each = chars > 0 ? s.x / qreal(chars) : 0;
    for (; k < r.last; ++k) r.x.push_back(r.x.back() + r.each * qreal(m_doc.part(k).chars));
    r.id = id;
    r.revision = m_doc.revision();
    r.version = m_countsVersion;
    m_row = std::move(r);
    return m_row;
}

qint64 BigTextLayout::foldAt(Visual v, qreal x) const
{
    const int block = m_doc.blockOfFold(v.line);
    if (wraps() || !runsOn(block, v.line)) return v.line;
    const Row& r = row(block);
    const size_t k = size_t(std::upper_bound(r.x.begin() + 1, r.x.end(), x) - r.x.begin()) - 1;
    return k == 0 ? v.line : m_doc.block(r.first + int(k)).firstFold;
}

qreal BigTextLayout::rowWidth(Visual v) const
{
    const int block = m_doc.blockOfFold(v.line);
    if (!wraps() && runsOn(block, v.line)) {
        // Not measured whole: the last block taken as wide as the guess goes, without reading it.
        const Row& r = row(block);
        if (r.exact + 1 < r.x.size()) return r.x.back() + r.each * qreal(m_doc.part(r.last).chars);
    }
    const LinePtr l = line(wraps() ? v.line : lastFoldOf(v.line));
    return l->x + l->width;
}

void BigTextLayout::place(Line& l, int block, bool measured) const
{
    const qreal was = l.x;
    int first = block - 1; // where the line begins, at its last fold
    while (continues(first) && m_doc.blockFolds(first) == 1) --first;
    const Row& placed = row(first);
    l.x = placed.x[size_t(block - first)];
    l.guessed = size_t(block - first) > placed.exact;
    if (l.guessed) {
        // Placed at a guess: where it really stands is to be counted.
        m_wantedFirst = first;
        m_wanted = placed.last - 1;
    }
    l.counts = m_countsVersion;
    if (measured && !l.text.contains(u'\t')) {
        for (auto& mark : l.marks) mark.second += l.x - was;
        return;
    }
    measureLine(l);
}

void BigTextLayout::measureLine(Line& l) const
{
    l.marks.clear();
    qreal x = l.x;
    int len = 1;
    for (qsizetype i = 0, next = wraps() ? l.text.size() : Line::kMark, n = l.text.size(); i < n; i += len) {
        if (i >= next) {
            l.marks.emplace_back(qint32(i), x);
            next = i + Line::kMark;
        }
        x += charAdvance(l.text, i, x, &len);
    }
    l.width = x - l.x;
}
