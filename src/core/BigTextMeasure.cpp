#include "BigTextMeasure.h"

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

} // namespace

BigTextMeasure::BigTextMeasure() : m_fm(QFont()) { setFont(QFont()); }

BigTextMeasure::BigTextMeasure(const QFont& font, qreal wrapWidth) : m_fm(font)
{
    setFont(font);
    setWrapWidth(wrapWidth);
}

void BigTextMeasure::setFont(const QFont& font)
{
    m_font = font;
    m_font.setKerning(false);
    m_fm = QFontMetricsF(m_font);
    m_lineHeight = std::max(1, qCeil(m_fm.lineSpacing()));
    m_advances.assign(65536, -1.0f);
    m_astral.clear();
}

void BigTextMeasure::setWrapWidth(qreal width)
{
    m_wrapWidth = width > 0 ? std::max<qreal>(width, 1) : 0;
}

// ---------------------------------------------------------------- characters

qreal BigTextMeasure::advance(char16_t c) const
{
    float& w = m_advances[c];
    if (w < 0) w = float(m_fm.horizontalAdvance(QChar(c)));
    return w;
}

qreal BigTextMeasure::astral(char32_t c) const
{
    auto it = m_astral.find(c);
    if (it == m_astral.end()) it = m_astral.emplace(c, float(m_fm.horizontalAdvance(QString::fromUcs4(&c, 1)))).first;
    return it->second;
}

qreal BigTextMeasure::advanceAt(const char16_t* s, qsizetype i, qsizetype n, qreal x, int* len) const
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

qreal BigTextMeasure::widthOf(QStringView text, qsizetype from, qsizetype to, qreal start) const
{
    const char16_t* s = text.utf16();
    qreal x = start;
    int len = 1;
    for (qsizetype i = from; i < to; i += len) x += advanceAt(s, i, text.size(), x, &len);
    return x - start;
}

qsizetype BigTextMeasure::hit(QStringView text, qsizetype from, qsizetype to, qreal x, qreal start) const
{
    const char16_t* s = text.utf16();
    qreal at = start;
    int len = 1;
    for (qsizetype i = from; i < to; i += len) {
        const qreal w = advanceAt(s, i, text.size(), at, &len);
        if (x < at + w / 2) return i;
        at += w;
    }
    return to;
}

void BigTextMeasure::wrap(QStringView text, std::vector<qint32>& breaks) const
{
    breaks.clear();
    breaks.push_back(0);
    if (!wraps()) return;
    WrapState s;
    m_starts.clear();
    wrapOn(s, text, 0, m_starts);
    for (qint64 b : m_starts) breaks.push_back(qint32(b));
}

void BigTextMeasure::wrapOn(WrapState& s, QStringView text, qint64 at, std::vector<qint64>& starts, qint64 until) const
{
    if (!wraps()) {
        // Where the line begins stays in rowStart, for the characters it holds so far.
        if (!s.started) s = WrapState{at, -1, at, 0, 0, 0, true};
        s.pieceStart = at;
        s.x += widthOf(text, 0, text.size(), s.x);
        return;
    }
    if (!s.started) {
        s = WrapState{};
        s.rowStart = at;
    } else if (s.rowStart <= s.pieceStart) {
        starts.push_back(at); // the row covers the piece it leaves: it ends with it
        s.rowStart = at;
        s.x = 0;
        s.lastBreak = -1;
        if (at > until) return;
    }
    s.pieceStart = at;
    const BreakRules& r = rules();
    const char16_t* t = text.utf16();
    const qsizetype n = text.size();
    int len = 1;
    for (qsizetype i = 0; i < n; i += len) {
        const char16_t c = t[i];
        const qint64 pos = at + i;
        const char16_t p = s.prev;
        if (s.started
            && (p == u' ' || p == u'\t' || p == 0x3000
                || ((isWide(p) || isWide(c)) && !r.noEnd[p] && !r.noStart[c] && c != u' '))) {
            s.lastBreak = pos;
            s.xBreak = 0;
        }
        s.started = true;
        qreal w = advanceAt(t, i, n, s.x, &len);
        // Blanks may hang past the edge; anything else moves to the next row.
        if (s.x + w > m_wrapWidth && pos > s.rowStart && c != u' ' && c != u'\t' && c != 0x3000) {
            const qint64 at2 = s.lastBreak > s.rowStart ? s.lastBreak : pos;
            starts.push_back(at2);
            s.x = at2 < pos ? s.xBreak : 0;
            s.rowStart = at2;
            s.lastBreak = -1;
            if (at2 > until) return;
            w = advanceAt(t, i, n, s.x, &len);
        }
        s.x += w;
        s.xBreak += c == u'\t' ? tabStop() - std::fmod(s.xBreak, tabStop()) : w;
        s.prev = c;
    }
}

int BigTextMeasure::rowCount(QStringView text) const
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
    WrapState state;
    m_starts.clear();
    wrapOn(state, text, 0, m_starts);
    return int(m_starts.size()) + 1;
}

qint64 BigTextMeasure::blockRows(const BigTextScan::Decoded& d, qint64 lines, qint64 at, const WrapState& in,
                                 WrapState* out, std::vector<qint64>* rows) const
{
    if (rows) rows->assign(size_t(lines) + 1, 0);
    if (out) *out = in;
    qint64 count = 0;
    for (qint64 r = 0; r < lines; ++r) {
        const qsizetype from = d.lineStarts[size_t(r)];
        const qsizetype to = size_t(r) + 1 < d.lineStarts.size() ? d.lineStarts[size_t(r) + 1] - 1 : d.text.size();
        const QStringView text = QStringView(d.text).mid(from, to - from);
        const bool carried = r == 0 && in.started;
        if (carried || (out && r + 1 == lines)) {
            WrapState s = carried ? in : WrapState{};
            m_starts.clear();
            wrapOn(s, text, at + from, m_starts);
            count += qint64(m_starts.size()) + (carried ? 0 : 1);
            if (out && r + 1 == lines) *out = s;
        } else {
            count += rowCount(text);
        }
        if (rows) (*rows)[size_t(r) + 1] = count;
    }
    return count;
}
