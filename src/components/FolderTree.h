#pragma once
#include <QAbstractItemModel>
#include <QIcon>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// One entry of the folder picker's namespace: the desktop (the root of
// everything, with the desktop folder as its path when there is one), the computer (a virtual
// entry without a path that holds "/" and the mounted volumes), or a folder.
struct ShellItem {
    enum Kind { Desktop, Computer, Folder };
    Kind kind = Folder;
    QString path;   // file-system path without a final "/" ("/" itself excepted); empty for the computer

    bool operator==(const ShellItem& o) const { return kind == o.kind && path == o.path; }
    static ShellItem desktop();
    static ShellItem computer() { return {Computer, QString()}; }
    static ShellItem folder(const QString& path) { return {Folder, path}; }
};

namespace ShellNamespace {
// The existing desktop folder, or empty when there is none.
QString desktopPath();
QString homePath();
// An absolute path made canonical in form: no repeated or final "/", no "." or "..".
QString cleanPath(const QString& path);
// The folder a path names, when it is an existing folder (links followed).
std::optional<ShellItem> parseFolder(const QString& path);
// The item of a special-folder kind (the ordinals of TSelectFolder and
// TRootFolder); none when this desktop has no such folder.
std::optional<ShellItem> specialFolder(int kind);
// The visible sub-folders of a folder (dot folders left out), sorted by name
// case-insensitively; names keep undecodable bytes (see FsPath).
QStringList subfolders(const QString& path);
// The name the tree shows; a folder name that is not UTF-8 reads as ShownName
// gives it, while the item's path keeps the exact bytes.
QString displayName(const ShellItem& item);
}

// The tree the picker shows, filled folder by folder as it is opened.
class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit FolderTreeModel(const ShellItem& root, QObject* parent = nullptr);
    ~FolderTreeModel() override;

    QModelIndex rootItemIndex() const;
    // The index of an item below the root, opening folders on the way; invalid
    // when the item cannot be reached from the root.
    QModelIndex indexOf(const ShellItem& item);
    ShellItem item(const QModelIndex& index) const;
    QString displayName(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The one column is "フォルダ": a screen reader names the column by it
    // even where the header is not shown.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    struct Node;
    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOfNode(Node* node) const;
    void load(Node* node);
    Node* childWithPath(Node* node, const QString& path);
    std::vector<Node*> anchorsFor(Node* top);

    std::unique_ptr<Node> m_invisible;   // holds the one top-level item
};
