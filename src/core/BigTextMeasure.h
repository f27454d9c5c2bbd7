#pragma once
#include "BigTextScan.h"

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <unordered_map>
#include <vector>

// Widths of text in one font, and where lines wrap at one width. Widths are
// sums of character advances with kerning off, so that measuring, wrapping,
// hit testing and painting agree without laying out whole lines. Each thread
// that measures has its own.
class BigTextMeasure {
public:
    BigTextMeasure();
    BigTextMeasure(const QFont& font, qreal wrapWidth);

    void setFont(const QFont& font);
    const QFont& font() const { return m_font; }
    // Width available to a line; 0 or less turns wrapping off.
    void setWrapWidth(qreal width);
    bool wraps() const { return m_wrapWidth > 0; }
    qreal wrapWidth() const { return m_wrapWidth; }
    qreal tabStop() const { return 80; }
    int lineHeight() const { return m_lineHeight; }
    qreal ascent() const { return m_fm.ascent(); }

    // Advance of the character at i standing at x (tabs depend on it); *len
    // gets its code units.
    qreal charAdvance(QStringView text, qsizetype i, qreal x, int* len) const
    {
        return advanceAt(text.utf16(), i, text.size(), x, len);
    }
    qreal widthOf(QStringView text, qsizetype from, qsizetype to) const;
    qsizetype hit(QStringView text, qsizetype from, qsizetype to, qreal x) const;
    // Offsets where the visual lines of a line start (the first is 0).
    void wrap(QStringView text, std::vector<qint32>& breaks) const;
    // Visual lines of a line: wrap(text).size(), quicker for lines that fit.
    int rowCount(QStringView text) const;
    // Visual lines of the first lines lines of a decoded block, each counted
    // into rows (cumulative, from rows[0] = 0) when given.
    qint64 blockRows(const BigTextScan::Decoded& d, qint64 lines, std::vector<qint64>* rows = nullptr) const;

private:
    qreal advance(char16_t c) const;
    qreal astral(char32_t c) const;
    qreal advanceAt(const char16_t* s, qsizetype i, qsizetype n, qreal x, int* len) const;

    QFont m_font;
    QFontMetricsF m_fm;
    int m_lineHeight = 1;
    qreal m_wrapWidth = 0;
    mutable std::vector<float> m_advances;
    mutable std::unordered_map<char32_t, float> m_astral;
    mutable std::vector<qint32> m_scratch;
};
