#pragma once
#include <QAbstractListModel>
#include <QHash>
#include <QIcon>
#include <QSize>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class BigTextJob;
class QFontMetrics;

// The files of one listing. Every item has the same size (so that the view
// lays out a large folder arithmetically) and gets its icon only when it is
// first drawn: the types of the rows drawn are looked up on a worker, and
// until a row's type is known it shows the icon of an unknown type. An item shows its name as the user reads it (see ShownName);
// NameRole and name() give the name itself, by which the file is opened.
//
// A listing arrives in batches (addFiles), each put where it belongs by name,
// case-insensitively, as the directory search sorts; so the list is in its
// final order at every moment, and an item the user has selected stays
// selected while others come in around it.
class FileListModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The type of a file, given its full path, on a worker; the icon of a
    // type (empty: unknown) on the model's thread.
    using TypeOf = std::function<QString(const QString& path)>;
    using IconOf = std::function<QIcon(const QString& type)>;
    // The file's own name (its identity), as a QString.
    static constexpr int NameRole = Qt::UserRole + 1;

    explicit FileListModel(QObject* parent = nullptr);
    ~FileListModel() override;

    void setIconSource(TypeOf typeOf, IconOf iconOf);
    // Types asked for are still being looked up.
    bool typesPending() const { return !m_typesAsked.isEmpty() || m_typeJob != nullptr; }

    // Replaces the list by names in the order given. `folder` is joined
    // directly with each name to give the path handed to the icon source; the
    // item size fits the widest name.
    void setFiles(const QString& folder, QStringList names, const QFontMetrics& metrics);
    // Empties the list for a listing of folder.
    void startListing(const QString& folder);
    // Adds names of that listing, each at its place by name; the item size
    // grows to fit the widest.
    void addFiles(const QStringList& names, const QFontMetrics& metrics);
    void clear();

    // The file's name without folder, as the file system has it.
    QString name(int row) const;
    // The same name as the item shows it.
    QString shownName(int row) const;
    QStringList names() const;
    QSize itemSize() const { return m_itemSize; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    static constexpr int IconCell = 17;
    // Items never get wider than this; longer names are cut short with "…".
    static constexpr int MaxItemWidth = 420;

private:
    struct Item {
        QString key;     // the name folded for sorting
        QString name;
        QString shown;   // shares the name when it shows as it is
        mutable QString type;    // known once looked up
        mutable bool asked = false;
    };
    static std::unique_ptr<Item> makeItem(QString name);
    // The item of a row. While a batch is merged in, the rows at and after
    // m_gapAt sit m_gapSize places further on.
    const Item& at(int row) const;
    Item& at(int row) { return const_cast<Item&>(std::as_const(*this).at(row)); }
    // Widens the items for the widest of these names.
    void fitNames(const std::vector<const Item*>& items, const QFontMetrics& metrics);
    QIcon iconOf(const Item& item) const;
    void lookUpTypes();
    void typesFound(const QStringList& names, const QStringList& types);
    void forgetTypes();

    QString m_folder;
    std::vector<std::unique_ptr<Item>> m_items;   // moved as pointers when a batch is merged in
    int m_count = 0;              // rows the views know of
    int m_gapAt = 0, m_gapSize = 0;
    int m_textWidth = 0;
    QSize m_itemSize;
    TypeOf m_typeOf;
    IconOf m_iconOf;
    mutable QHash<QString, QIcon> m_iconByType;
    QHash<QString, QString> m_typeByName;     // of this listing
    mutable QStringList m_typesAsked;         // not handed to a worker yet
    mutable bool m_lookupQueued = false;
    std::shared_ptr<BigTextJob> m_typeJob;
};
