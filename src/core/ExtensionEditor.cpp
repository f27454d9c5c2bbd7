#include "ExtensionEditor.h"

#include "VarError.h"

namespace {
VarError listIndexError(int index)
{
    return VarError(QStringLiteral("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (%1)").arg(index));
}
} // namespace

ExtensionEditor::Row ExtensionEditor::row(int r) const
{
    Row out;
    if (r >= 0 && r < MaxCategories)
        for (int c = 0; c < MaxPatterns; ++c) out[c] = m_grid.cell[r][c];
    return out;
}

void ExtensionEditor::setRow(int r, const Row& value)
{
    // Rows past the tenth do not exist for the editor: a write there is dropped
    // rather than reaching the spare row or beyond the array.
    if (r < 0 || r >= MaxCategories) return;
    for (int c = 0; c < MaxPatterns; ++c) m_grid.cell[r][c] = value[c];
}

void ExtensionEditor::StDat(const QStringList& names, const PatternGrid& grid)
{
    m_names = names;
    m_grid = PatternGrid{};
    for (int r = 0; r < MaxCategories; ++r)
        for (int c = 0; c < MaxPatterns; ++c) m_grid.cell[r][c] = grid.cell[r][c];
    m_catMarks = marksFor(m_names.size(), MaxCategories);
    m_cat = m_names.isEmpty() ? -1 : 0;
    L2Set(0);
}

void ExtensionEditor::L2Set(int r)
{
    m_patterns = (r >= 0 && r < MaxCategories) ? m_grid.visiblePatterns(r) : QStringList();
    m_pat = m_patterns.isEmpty() ? -1 : 0;
    m_patMarks = marksFor(m_patterns.size(), MaxPatterns);
}

void ExtensionEditor::selectCategory(int index)
{
    m_cat = (index >= 0 && index < m_names.size()) ? index : -1;
    L2Set(m_cat);
}

void ExtensionEditor::selectPattern(int index)
{
    m_pat = (index >= 0 && index < m_patterns.size()) ? index : -1;
}

bool ExtensionEditor::canAdd(Target list) const
{
    if (list == Categories) return !m_catMarks.full && m_names.size() < MaxCategories;
    return hasCategoryRow() && !m_patMarks.full && m_patterns.size() < MaxPatterns;
}

bool ExtensionEditor::canChangeOrDelete(Target list) const
{
    if (list == Categories) return !m_catMarks.empty;
    return hasCategoryRow() && !m_patMarks.empty;
}

QString ExtensionEditor::selectedText() const
{
    if (m_target == Categories) {
        if (m_cat < 0 || m_cat >= m_names.size()) throw listIndexError(m_cat);
        return m_names.at(m_cat);
    }
    if (m_pat < 0 || m_pat >= m_patterns.size()) throw listIndexError(m_pat);
    return m_patterns.at(m_pat);
}

void ExtensionEditor::storePatternList()
{
    Row r;
    for (int i = 0; i < m_patterns.size() && i < MaxPatterns; ++i) r[i] = m_patterns.at(i);
    setRow(m_cat, r);
}

bool ExtensionEditor::add(const QString& name)
{
    if (!canAdd(m_target)) return false;
    if (m_target == Categories) {
        int p;
        if (m_cat < 0 || m_cat >= m_names.size()) {
            // Nothing selected (an empty list, normally): the name goes last.
            p = static_cast<int>(m_names.size());
            m_names.append(name);
        } else {
            p = m_cat;
            L2DownSlide(p);
            m_names.insert(p, name);
        }
        clearRow(p);
        m_catMarks.empty = false;
        if (m_names.size() >= MaxCategories) m_catMarks.full = true;
        m_cat = 0;
        L2Set(0);
        return true;
    }
    const int k = m_cat;
    if (m_pat < 0 || m_pat >= m_patterns.size()) m_patterns.append(name);
    else m_patterns.insert(m_pat, name);
    // Entries past the list stay as they are: only the listed run is rewritten.
    for (int i = 0; i < m_patterns.size() && i < MaxPatterns; ++i) m_grid.cell[k][i] = m_patterns.at(i);
    m_patMarks.empty = false;
    if (m_patterns.size() >= MaxPatterns) m_patMarks.full = true;
    L2Set(k);
    return true;
}

bool ExtensionEditor::renameCategory(const QString& name)
{
    if (m_cat < 0 || m_cat >= m_names.size()) return false;
    m_names[m_cat] = name;
    return true;
}

bool ExtensionEditor::renamePattern(const QString& name)
{
    if (!hasCategoryRow() || m_pat < 0 || m_pat >= m_patterns.size() || m_pat >= MaxPatterns) return false;
    m_patterns[m_pat] = name;
    m_grid.cell[m_cat][m_pat] = name;
    return true;
}

bool ExtensionEditor::remove()
{
    if (m_target == Categories) {
        const int n = static_cast<int>(m_names.size());
        const int p = m_cat;
        if (p < 0 || p >= n) return false;
        if (p != n - 1) L2UpSlide(p + 1);
        clearRow(n - 1);
        m_names.removeAt(p);
        m_catMarks.full = false;
        if (m_names.isEmpty()) m_catMarks.empty = true;
        m_cat = m_names.isEmpty() ? -1 : 0;
        L2Set(0);
        return true;
    }
    if (!hasCategoryRow() || m_pat < 0 || m_pat >= m_patterns.size()) return false;
    m_patterns.removeAt(m_pat);
    m_patMarks.full = false;
    if (m_patterns.isEmpty()) m_patMarks.empty = true;
    storePatternList();
    m_pat = m_patterns.isEmpty() ? -1 : 0;
    return true;
}

bool ExtensionEditor::dropCategory(int t)
{
    const int s = m_dragSource;
    const int n = static_cast<int>(m_names.size());
    if (s < 0 || s >= n || t < 0 || t >= n || t == s) return false;
    const QString moved = m_names.at(s);
    if (t < s) {
        m_names.insert(t, moved);
        m_names.removeAt(s + 1);
        L2UD(t);
    } else {
        m_names.insert(t + 1, moved);
        m_names.removeAt(s);
        L2DU(t);
    }
    m_cat = 0;
    L2Set(0);
    return true;
}

bool ExtensionEditor::dropPattern(int t)
{
    const int s = m_dragSource;
    const int n = static_cast<int>(m_patterns.size());
    if (!hasCategoryRow() || s < 0 || s >= n || t < 0 || t >= n) return false;
    const QString moved = m_patterns.at(s);
    if (t < s) {
        m_patterns.insert(t, moved);
        m_patterns.removeAt(s + 1);
    } else if (t > s) {
        m_patterns.insert(t + 1, moved);
        m_patterns.removeAt(s);
    }
    // Even a drop onto itself rewrites the row from the list.
    storePatternList();
    L2Set(m_cat);
    return true;
}

void ExtensionEditor::L2DownSlide(int p)
{
    const int n = static_cast<int>(m_names.size());
    if (p < 0 || p > n - 1) return;
    for (int r = n - 1; r >= p; --r) setRow(r + 1, row(r));
}

void ExtensionEditor::L2UpSlide(int p)
{
    const int n = static_cast<int>(m_names.size());
    if (p < 1 || p > n - 1) return;
    for (int r = p; r <= n - 1; ++r) setRow(r - 1, row(r));
}

void ExtensionEditor::L2UD(int t)
{
    const int s = m_dragSource;
    if (t < 0 || t >= s) return;
    const Row saved = row(s);
    for (int r = s - 1; r >= t; --r) setRow(r + 1, row(r));
    setRow(t, saved);
}

void ExtensionEditor::L2DU(int t)
{
    const int s = m_dragSource;
    if (s < 0 || t <= s) return;
    const Row saved = row(s);
    for (int r = s + 1; r <= t; ++r) setRow(r - 1, row(r));
    setRow(t, saved);
}
