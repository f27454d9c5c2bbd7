#include "MainState.h"

namespace {

int inRange(int index, const QStringList& list) { return index >= 0 && index < list.size() ? index : -1; }

bool same(const ViewColors& a, const ViewColors& b) { return a.text == b.text && a.background == b.background; }

} // namespace

void MainState::setFolder(const QString& folder)
{
    if (folder == m_folder) return;
    m_folder = folder;
    Q_EMIT folderChanged(m_folder);
}

void MainState::setCategories(const QStringList& names)
{
    // The choice goes first, so that whoever mirrors the new names finds no
    // index that belonged to the old ones.
    setCategory(-1);
    if (names == m_categories) return;
    m_categories = names;
    Q_EMIT categoriesChanged(m_categories);
}

void MainState::setCategory(int index)
{
    index = inRange(index, m_categories);
    if (index == m_category) return;
    m_category = index;
    Q_EMIT categoryChanged(m_category);
}

void MainState::setPatterns(const QStringList& patterns)
{
    setPatternIndex(-1);
    if (patterns == m_patterns) return;
    m_patterns = patterns;
    Q_EMIT patternsChanged(m_patterns);
}

void MainState::setPatternIndex(int index)
{
    index = inRange(index, m_patterns);
    if (index == m_pattern) return;
    m_pattern = index;
    Q_EMIT patternIndexChanged(m_pattern);
}

void MainState::chooseFirstCategoryAndPattern()
{
    setCategory(0);
    setPatternIndex(0);
}

void MainState::setDirectAvailable(bool available)
{
    if (available == m_directAvailable) return;
    m_directAvailable = available;
    Q_EMIT directAvailableChanged(m_directAvailable);
}

void MainState::setDirectOn(bool on)
{
    if (on == m_directOn) return;
    m_directOn = on;
    Q_EMIT directOnChanged(m_directOn);
}

void MainState::setWordWrap(bool on)
{
    if (on == m_wordWrap) return;
    m_wordWrap = on;
    Q_EMIT wordWrapChanged(m_wordWrap);
}

void MainState::setViewColors(const ViewColors& colors)
{
    m_viewColors = colors;
}

void MainState::setPaneTextColor(qint32 color)
{
    if (color == m_paneColors.text) return;
    m_paneColors.text = color;
    Q_EMIT paneColorsChanged(m_paneColors);
}

void MainState::applyViewColors()
{
    m_controlColors = m_viewColors;
    Q_EMIT controlColorsApplied(m_viewColors);
    if (same(m_paneColors, m_viewColors)) return;
    m_paneColors = m_viewColors;
    Q_EMIT paneColorsChanged(m_paneColors);
}
