#pragma once
#include <QAbstractListModel>
#include <QIcon>
#include <QSize>
#include <QStringList>

#include <functional>
#include <vector>

class QFontMetrics;

// The files of one listing, in the order the search returned them. Every item
// has the same size (so that the view lays out a large folder arithmetically)
// and gets its icon only when it is first drawn. An item shows its name as the
// user reads it (see ShownName); NameRole and name() give the name itself, by
// which the file is opened.
class FileListModel : public QAbstractListModel {
    Q_OBJECT
public:
    // Icon for a file, given its full path; called at most once per row.
    using IconSource = std::function<QIcon(const QString& path)>;
    // The file's own name (its identity), as a QString.
    static constexpr int NameRole = Qt::UserRole + 1;

    explicit FileListModel(QObject* parent = nullptr);

    void setIconSource(IconSource source) { m_iconSource = std::move(source); }

    // Replaces the list. `folder` is joined directly with each name to give
    // the path handed to the icon source; the item size fits the widest name.
    void setFiles(const QString& folder, QStringList names, const QFontMetrics& metrics);
    void clear();

    // The file's name without folder, as the file system has it.
    QString name(int row) const;
    // The same name as the item shows it.
    QString shownName(int row) const;
    const QStringList& names() const { return m_names; }
    QSize itemSize() const { return m_itemSize; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    static constexpr int IconCell = 17;
    // Items never get wider than this; longer names are cut short with "…".
    static constexpr int MaxItemWidth = 420;

private:
    QSize computeItemSize(const QFontMetrics& metrics) const;

    QString m_folder;
    QStringList m_names;
    QStringList m_shown;   // shares each name that shows as it is
    QSize m_itemSize;
    IconSource m_iconSource;
    mutable std::vector<QIcon> m_icons;   // filled as rows are drawn
};
