#include "BigTextLayout.h"

#include <QtMath>

#include <algorithm>
#include <bitset>
#include <cmath>

namespace {

// Characters a line may not start with, and characters it may not end with,
// as Japanese typesetting keeps them (closing brackets, small kana, marks).
struct BreakRules {
    std::bitset<65536> noStart;
    std::bitset<65536> noEnd;
    BreakRules()
    {
        const QString starts = QStringLiteral(
            "、。，．・：；？！゛゜ヽヾゝゞ々〻ー’”）〕］｝〉》」』】〙〗…‥ぁぃぅぇぉっゃゅょゎゕゖ"
            "ァィゥェォッャュョヮヵヶㇰㇱㇲㇳㇴㇵㇶㇷㇸㇹㇺㇻㇼㇽㇾㇿ"
            "｡｣､･ｰﾞﾟｧｨｩｪｫｬｭｮｯ,.:;?!)]}％%");
        const QString ends = QStringLiteral("‘“（〔［｛〈《「『【〘〖([{｢￥＄$");
        for (QChar c : starts) noStart[c.unicode()] = true;
        for (QChar c : ends) noEnd[c.unicode()] = true;
    }
};
const BreakRules& rules()
{
    static const BreakRules r;
    return r;
}

// Ideographs, kana, hangul, full- and half-width forms and everything beyond the
// BMP: a line may break between any two of them.
inline bool isWide(char16_t c)
{
    return (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xD800 && c <= 0xDFFF)
        || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF);
}

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

BigTextLayout::BigTextLayout(const BigTextDocument& doc) : m_doc(doc), m_fm(QFont())
{
    setFont(QFont());
}

void BigTextLayout::setFont(const QFont& font)
{
    m_font = font;
    m_font.setKerning(false);
    m_fm = QFontMetricsF(m_font);
    m_lineHeight = std::max(1, qCeil(m_fm.lineSpacing()));
    m_advances.assign(65536, -1.0f);
    m_astral.clear();
    m_lines.clear();
    m_blockCounts.clear();
    m_prefixRevision = ~quint64(0);
    m_lastBlockId = 0;
}

void BigTextLayout::setWrapWidth(qreal width)
{
    width = width > 0 ? std::max<qreal>(width, 1) : 0;
    if (width == m_wrapWidth) return;
    m_wrapWidth = width;
    m_lines.clear();
    m_blockCounts.clear();
    m_prefixRevision = ~quint64(0);
    m_lastBlockId = 0;
}

void BigTextLayout::checkValid() const
{
    if (m_doc.revision() != m_revision) {
        m_lines.clear();
        m_lastBlockId = 0;
        m_revision = m_doc.revision();
    }
}

// ---------------------------------------------------------------- characters

qreal BigTextLayout::advance(char16_t c) const
{
    float& w = m_advances[c];
    if (w < 0) w = float(m_fm.horizontalAdvance(QChar(c)));
    return w;
}

qreal BigTextLayout::astral(char32_t c) const
{
    auto it = m_astral.find(c);
    if (it == m_astral.end()) it = m_astral.emplace(c, float(m_fm.horizontalAdvance(QString::fromUcs4(&c, 1)))).first;
    return it->second;
}

qreal BigTextLayout::advanceAt(const char16_t* s, qsizetype i, qsizetype n, qreal x, int* len) const
{
    const char16_t c = s[i];
    *len = 1;
    if (c == u'\t') return tabStop() - std::fmod(x, tabStop());
    if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
        *len = 2;
        return astral(QChar::surrogateToUcs4(c, s[i + 1]));
    }
    return advance(c);
}

qreal BigTextLayout::widthOf(QStringView text, qsizetype from, qsizetype to) const
{
    const char16_t* s = text.utf16();
    qreal x = 0;
    int len = 1;
    for (qsizetype i = from; i < to; i += len) x += advanceAt(s, i, text.size(), x, &len);
    return x;
}

qsizetype BigTextLayout::hit(QStringView text, qsizetype from, qsizetype to, qreal x) const
{
    const char16_t* s = text.utf16();
    qreal at = 0;
    int len = 1;
    for (qsizetype i = from; i < to; i += len) {
        const qreal w = advanceAt(s, i, text.size(), at, &len);
        if (x < at + w / 2) return i;
        at += w;
    }
    return to;
}

void BigTextLayout::wrap(QStringView text, std::vector<qint32>& breaks) const
{
    breaks.clear();
    breaks.push_back(0);
    if (!wraps()) return;
    const BreakRules& r = rules();
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    qreal x = 0;
    qsizetype rowStart = 0;
    qsizetype lastBreak = 0; // a break opportunity after rowStart, or 0
    int len = 1;
    for (qsizetype i = 0; i < n; i += len) {
        const char16_t c = s[i];
        qreal w = advanceAt(s, i, n, x, &len);
        // Blanks may hang past the edge; anything else moves to the next row.
        if (x + w > m_wrapWidth && i > rowStart && c != u' ' && c != u'\t' && c != 0x3000) {
            const qsizetype at = lastBreak > rowStart ? lastBreak : i;
            breaks.push_back(qint32(at));
            rowStart = at;
            lastBreak = 0;
            x = at < i ? widthOf(text, at, i) : 0;
            w = advanceAt(s, i, n, x, &len);
        }
        x += w;
        const qsizetype next = i + len;
        if (next < n) {
            const char16_t d = s[next];
            if (c == u' ' || c == u'\t' || c == 0x3000
                || ((isWide(c) || isWide(d)) && !r.noEnd[c] && !r.noStart[d] && d != u' '))
                lastBreak = next;
        }
    }
}

int BigTextLayout::rowCount(QStringView text) const
{
    if (!wraps()) return 1;
    // Most lines fit: adding up their advances is enough to know.
    const char16_t* s = text.utf16();
    const float* advances = m_advances.data();
    qreal x = 0;
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t c = s[i];
        if (c == u'\t' || QChar::isSurrogate(c)) break;
        const float w = advances[c];
        x += w >= 0 ? w : advance(c);
        if (x > m_wrapWidth) break;
        if (i + 1 == n) return 1;
    }
    if (text.isEmpty()) return 1;
    wrap(text, m_scratch);
    return int(m_scratch.size());
}

// ---------------------------------------------------------------- lines

BigTextLayout::LinePtr BigTextLayout::line(qint64 index) const
{
    checkValid();
    if (auto it = m_lines.find(index); it != m_lines.end()) return it->second;
    auto l = std::make_shared<Line>();
    l->start = m_doc.lineStart(index);
    if (l->start < 0) l->start = m_doc.length();
    l->text = m_doc.text(l->start, m_doc.lineLength(index));
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
    Visual v{m_doc.lineOf(pos), 0};
    if (wraps()) {
        const LinePtr l = line(v.line);
        v.sub = int(std::upper_bound(l->breaks.begin(), l->breaks.end(), qint32(pos - l->start)) - l->breaks.begin()) - 1;
    }
    return v;
}

BigTextLayout::Visual BigTextLayout::lastVisual() const
{
    const qint64 last = m_doc.lineCount() - 1;
    return Visual{last, visualCount(last) - 1};
}

BigTextLayout::Visual BigTextLayout::step(Visual v, qint64 delta) const
{
    const qint64 lines = m_doc.lineCount();
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
    const LinePtr l = line(m_doc.lineOf(pos));
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
    const LinePtr l = line(m_doc.lineOf(pos));
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

qint64 BigTextLayout::blockVisualCount(int block) const
{
    const BigTextDocument::Block b = m_doc.block(block);
    if (auto it = m_blockCounts.find(b.id); it != m_blockCounts.end()) return it->second;
    const auto d = m_doc.decoded(block, false);
    qint64 count = 0;
    for (qint64 r = 0; r < b.lines; ++r) {
        const qsizetype from = d->lineStarts[size_t(r)];
        const qsizetype to = size_t(r) + 1 < d->lineStarts.size() ? d->lineStarts[size_t(r) + 1] - 1 : d->text.size();
        count += rowCount(QStringView(d->text).mid(from, to - from));
    }
    m_blockCounts.emplace(b.id, count);
    return count;
}

qint64 BigTextLayout::blockVisualStart(int block) const
{
    if (m_prefixRevision != m_doc.revision()) {
        m_prefix.assign(1, 0);
        m_prefixRevision = m_doc.revision();
        if (m_blockCounts.size() > size_t(4 * m_doc.blockCount() + 1024)) m_blockCounts.clear();
    }
    while (m_prefix.size() <= size_t(block)) m_prefix.push_back(m_prefix.back() + blockVisualCount(int(m_prefix.size()) - 1));
    return m_prefix[size_t(block)];
}

const std::vector<qint64>& BigTextLayout::blockLineCounts(int block) const
{
    checkValid();
    const BigTextDocument::Block b = m_doc.block(block);
    if (b.id == m_lastBlockId) return m_lastBlockLines;
    const auto d = m_doc.decoded(block);
    m_lastBlockLines.assign(size_t(b.lines) + 1, 0);
    for (qint64 r = 0; r < b.lines; ++r) {
        const qsizetype from = d->lineStarts[size_t(r)];
        const qsizetype to = size_t(r) + 1 < d->lineStarts.size() ? d->lineStarts[size_t(r) + 1] - 1 : d->text.size();
        m_lastBlockLines[size_t(r) + 1] = m_lastBlockLines[size_t(r)] + rowCount(QStringView(d->text).mid(from, to - from));
    }
    m_blockCounts[b.id] = m_lastBlockLines.back();
    m_lastBlockId = b.id;
    return m_lastBlockLines;
}

qint64 BigTextLayout::visualLineOf(qint64 pos) const
{
    if (!wraps()) return m_doc.lineOf(pos);
    pos = std::clamp<qint64>(pos, 0, m_doc.length());
    const int block = m_doc.blockAt(pos);
    const qint64 base = blockVisualStart(block);
    const std::vector<qint64>& counts = blockLineCounts(block);
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
    blockVisualStart(0);
    while (m_prefix.size() <= size_t(blocks) && m_prefix.back() <= number)
        m_prefix.push_back(m_prefix.back() + blockVisualCount(int(m_prefix.size()) - 1));
    if (m_prefix.back() <= number) return -1;
    const int block = int(std::upper_bound(m_prefix.begin(), m_prefix.end(), number) - m_prefix.begin()) - 1;
    const std::vector<qint64>& counts = blockLineCounts(block);
    const qint64 local = number - m_prefix[size_t(block)];
    const size_t r = size_t(std::upper_bound(counts.begin(), counts.end(), local) - counts.begin() - 1);
    const auto d = m_doc.decoded(block);
    const qsizetype from = d->lineStarts[r];
    const qsizetype to = r + 1 < d->lineStarts.size() ? d->lineStarts[r + 1] - 1 : d->text.size();
    wrap(QStringView(d->text).mid(from, to - from), m_scratch);
    return m_doc.block(block).start + from + m_scratch[size_t(local - counts[r])];
}
