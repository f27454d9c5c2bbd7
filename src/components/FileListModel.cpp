#include "FileListModel.h"

#include "ShownName.h"

#include <QFontMetrics>

#include <algorithm>

FileListModel::FileListModel(QObject* parent) : QAbstractListModel(parent) {}

void FileListModel::setFiles(const QString& folder, QStringList names, const QFontMetrics& metrics)
{
    beginResetModel();
    m_folder = folder;
    m_names = std::move(names);
    m_shown.clear();
    m_shown.reserve(m_names.size());
    for (const QString& n : m_names) m_shown << ShownName::of(n);
    m_icons.clear();
    m_itemSize = computeItemSize(metrics);
    endResetModel();
}

void FileListModel::clear()
{
    if (m_names.isEmpty() && m_icons.empty()) return;
    beginResetModel();
    m_folder.clear();
    m_names.clear();
    m_shown.clear();
    m_icons.clear();
    endResetModel();
}

QString FileListModel::name(int row) const
{
    return (row >= 0 && row < m_names.size()) ? m_names.at(row) : QString();
}

QString FileListModel::shownName(int row) const
{
    return (row >= 0 && row < m_shown.size()) ? m_shown.at(row) : QString();
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_names.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    const int row = index.row();
    if (!index.isValid() || row < 0 || row >= m_names.size()) return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_shown.at(row);
    case NameRole:
        return m_names.at(row);
    case Qt::DecorationRole: {
        if (!m_iconSource) return {};
        if (m_icons.size() != static_cast<size_t>(m_names.size())) m_icons.resize(m_names.size());
        QIcon& icon = m_icons[row];
        if (icon.isNull()) icon = m_iconSource(m_folder + m_names.at(row));
        return icon;
    }
    case Qt::SizeHintRole:
        return m_itemSize;
    default:
        return {};
    }
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? (Qt::ItemIsSelectable | Qt::ItemIsEnabled) : Qt::NoItemFlags;
}

// Measuring every name of a large folder would cost more than listing it, so
// only the names that are likely widest are measured: those with the most
// characters, counting a non-ASCII character (mostly full-width) as two.
QSize FileListModel::computeItemSize(const QFontMetrics& metrics) const
{
    constexpr int kCandidates = 24;
    std::vector<std::pair<int, int>> weights;   // (weight, row)
    weights.reserve(m_names.size());
    for (int row = 0; row < m_names.size(); ++row) {
        const QString& n = m_shown.at(row);
        int w = static_cast<int>(n.size());
        for (QChar c : n)
            if (c.unicode() >= 0x80) ++w;
        weights.emplace_back(w, row);
    }
    const size_t take = std::min<size_t>(kCandidates, weights.size());
    std::partial_sort(weights.begin(), weights.begin() + take, weights.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
    int text = 0;
    for (size_t i = 0; i < take; ++i) text = std::max(text, metrics.horizontalAdvance(m_shown.at(weights[i].second)));
    // Icon cell, a gap, the label and the item's frame margins.
    const int width = std::min(MaxItemWidth, IconCell + 6 + text + 8);
    const int height = std::max(IconCell, metrics.height()) + 2;
    return QSize(width, height);
}
