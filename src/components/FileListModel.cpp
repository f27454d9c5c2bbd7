#include "FileListModel.h"

#include "BigTextJobs.h"
#include "ShownName.h"
#include "Wildcard.h"

#include <QFontMetrics>

#include <algorithm>
#include <utility>

FileListModel::FileListModel(QObject* parent) : QAbstractListModel(parent) {}

FileListModel::~FileListModel() { forgetTypes(); }

void FileListModel::setIconSource(TypeOf typeOf, IconOf iconOf)
{
    forgetTypes();
    m_typeOf = std::move(typeOf);
    m_iconOf = std::move(iconOf);
    m_iconByType.clear();
}

void FileListModel::forgetTypes()
{
    if (m_typeJob) m_typeJob->cancel();
    m_typeJob.reset();
    m_typeByName.clear();
    m_typesAsked.clear();
}

QIcon FileListModel::iconOf(const Item& item) const
{
    if (item.type.isEmpty()) {
        const auto known = m_typeByName.constFind(item.name);
        if (known != m_typeByName.constEnd()) {
            item.type = *known;
        } else if (!item.asked) {
            // The rows drawn in one pass are looked up together.
            item.asked = true;
            m_typesAsked << item.name;
            if (!m_lookupQueued) {
                m_lookupQueued = true;
                QMetaObject::invokeMethod(const_cast<FileListModel*>(this), [this] {
                    m_lookupQueued = false;
                    const_cast<FileListModel*>(this)->lookUpTypes();
                }, Qt::QueuedConnection);
            }
        }
    }
    auto it = m_iconByType.constFind(item.type);
    if (it == m_iconByType.constEnd()) it = m_iconByType.insert(item.type, m_iconOf(item.type));
    return *it;
}

void FileListModel::lookUpTypes()
{
    if (m_typeJob || m_typesAsked.isEmpty() || !m_typeOf) return;
    m_typeJob = std::make_shared<BigTextJob>(this);
    m_typeJob->setDetached();
    BigTextJob* j = m_typeJob.get();
    j->start([j, typeOf = m_typeOf, folder = m_folder, names = std::exchange(m_typesAsked, {}), this] {
        QStringList types;
        types.reserve(names.size());
        for (const QString& n : names) {
            if (j->cancelled()) return;
            types << typeOf(folder + n);
        }
        j->post([this, names, types] { typesFound(names, types); });
    });
}

void FileListModel::typesFound(const QStringList& names, const QStringList& types)
{
    m_typeJob.reset();
    for (qsizetype i = 0; i < names.size(); ++i) m_typeByName.insert(names[i], types[i]);
    if (m_count > 0) Q_EMIT dataChanged(index(0), index(m_count - 1), {Qt::DecorationRole});
    lookUpTypes();
}

std::unique_ptr<FileListModel::Item> FileListModel::makeItem(QString name)
{
    auto item = std::make_unique<Item>();
    item->key = Wildcard::sortKey(name);
    item->shown = ShownName::of(name);
    item->name = std::move(name);
    return item;
}

const FileListModel::Item& FileListModel::at(int row) const
{
    return *m_items[size_t(row < m_gapAt ? row : row + m_gapSize)];
}

void FileListModel::setFiles(const QString& folder, QStringList names, const QFontMetrics& metrics)
{
    beginResetModel();
    forgetTypes();
    m_folder = folder;
    m_items.clear();
    m_items.reserve(size_t(names.size()));
    for (QString& n : names) m_items.push_back(makeItem(std::move(n)));
    m_count = int(m_items.size());
    m_gapAt = m_gapSize = 0;
    m_textWidth = 0;
    std::vector<const Item*> all;
    all.reserve(m_items.size());
    for (const auto& i : m_items) all.push_back(i.get());
    fitNames(all, metrics);
    endResetModel();
}

void FileListModel::startListing(const QString& folder)
{
    clear();
    m_folder = folder;
}

// The batch is sorted, then merged in from the back: the items already listed
// move towards the end, and each run of new items that falls between two of
// them is announced as one insertion, so that views and selections follow.
void FileListModel::addFiles(const QStringList& names, const QFontMetrics& metrics)
{
    if (names.isEmpty()) return;
    std::vector<std::unique_ptr<Item>> batch;
    batch.reserve(size_t(names.size()));
    for (const QString& n : names) batch.push_back(makeItem(n));
    auto less = [](const std::unique_ptr<Item>& a, const std::unique_ptr<Item>& b) {
        const int c = a->key.compare(b->key);
        return c != 0 ? c < 0 : a->name < b->name;
    };
    std::sort(batch.begin(), batch.end(), less);
    {
        std::vector<const Item*> added;
        added.reserve(batch.size());
        for (const auto& i : batch) added.push_back(i.get());
        fitNames(added, metrics);
    }

    const size_t n = m_items.size();
    m_items.resize(n + batch.size());
    size_t i = n, w = n + batch.size(), j = batch.size();
    while (j > 0) {
        while (i > 0 && less(batch[j - 1], m_items[i - 1])) m_items[--w] = std::move(m_items[--i]);
        size_t r = j;
        while (r > 0 && (i == 0 || !less(batch[r - 1], m_items[i - 1]))) --r;
        const int run = int(j - r);
        m_gapAt = int(i);
        m_gapSize = int(w - i);
        beginInsertRows(QModelIndex(), int(i), int(i) + run - 1);
        while (j > r) m_items[--w] = std::move(batch[--j]);
        m_gapSize = int(w - i);
        m_count += run;
        endInsertRows();
    }
    m_gapAt = m_gapSize = 0;
}

void FileListModel::clear()
{
    if (m_items.empty() && m_count == 0) {
        forgetTypes();
        m_folder.clear();
        return;
    }
    beginResetModel();
    forgetTypes();
    m_folder.clear();
    m_items.clear();
    m_count = 0;
    m_gapAt = m_gapSize = 0;
    m_textWidth = 0;
    endResetModel();
}

QString FileListModel::name(int row) const
{
    return (row >= 0 && row < m_count) ? at(row).name : QString();
}

QString FileListModel::shownName(int row) const
{
    return (row >= 0 && row < m_count) ? at(row).shown : QString();
}

QStringList FileListModel::names() const
{
    QStringList out;
    out.reserve(m_count);
    for (int row = 0; row < m_count; ++row) out << at(row).name;
    return out;
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_count;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    const int row = index.row();
    if (!index.isValid() || row < 0 || row >= m_count) return {};
    const Item& item = at(row);
    switch (role) {
    case Qt::DisplayRole:
        return item.shown;
    case NameRole:
        return item.name;
    case Qt::DecorationRole:
        if (!m_iconOf) return {};
        return iconOf(item);
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
void FileListModel::fitNames(const std::vector<const Item*>& items, const QFontMetrics& metrics)
{
    constexpr int kCandidates = 24;
    std::vector<std::pair<int, const Item*>> weights;
    weights.reserve(items.size());
    for (const Item* item : items) {
        int w = static_cast<int>(item->shown.size());
        for (QChar c : item->shown)
            if (c.unicode() >= 0x80) ++w;
        weights.emplace_back(w, item);
    }
    const size_t take = std::min<size_t>(kCandidates, weights.size());
    std::partial_sort(weights.begin(), weights.begin() + take, weights.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
    for (size_t i = 0; i < take; ++i)
        m_textWidth = std::max(m_textWidth, metrics.horizontalAdvance(weights[i].second->shown));
    // Icon cell, a gap, the label and the item's frame margins.
    const int width = std::min(MaxItemWidth, IconCell + 6 + m_textWidth + 8);
    const int height = std::max(IconCell, metrics.height()) + 2;
    const QSize size(width, height);
    if (size == m_itemSize) return;
    m_itemSize = size;
    // Uniform sizes are taken from the first item and kept: a wider name
    // coming in makes the views measure again.
    if (m_count > 0) {
        Q_EMIT layoutAboutToBeChanged();
        Q_EMIT layoutChanged();
    }
}
