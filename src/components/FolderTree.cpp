#include "FolderTree.h"

#include "FsPath.h"
#include "ShownName.h"
#include "Wildcard.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QStyle>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

ShellItem ShellItem::desktop()
{
    return {Desktop, ShellNamespace::desktopPath()};
}

namespace ShellNamespace {

QString desktopPath()
{
    // The program's own desktop folder comes first: it is the folder the main
    // window starts in. Then the desktop folder of the user's desktop settings,
    // unless it is the home folder itself (how those settings switch it off).
    // A folder that does not exist is no desktop folder: the desktop entry then
    // has no path, like the computer, and selecting it changes nothing.
    const QString home = homePath();
    const QString own = cleanPath(home + QStringLiteral("/ﾃﾞｽｸﾄｯﾌﾟ"));
    if (FsPath::isFolder(own)) return own;
    const QString user = cleanPath(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    if (!user.isEmpty() && user != home && FsPath::isFolder(user)) return user;
    return {};
}

QString homePath()
{
    return cleanPath(QDir::homePath());
}

QString cleanPath(const QString& path)
{
    if (path.isEmpty()) return path;
    QString p = QDir::cleanPath(path);
    while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
    return p;
}

std::optional<ShellItem> parseFolder(const QString& path)
{
    if (!path.startsWith(QLatin1Char('/'))) return std::nullopt;
    const QString p = cleanPath(path);
    if (!FsPath::isFolder(p)) return std::nullopt;
    return ShellItem::folder(p);
}

namespace {

std::optional<ShellItem> existing(const QString& path)
{
    return path.isEmpty() ? std::nullopt : parseFolder(path);
}

// A folder of the desktop's user-dirs file (such as TEMPLATES).
QString xdgUserDir(const QString& key)
{
    QFile f(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/user-dirs.dirs"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QString prefix = QStringLiteral("XDG_%1_DIR=").arg(key);
    while (!f.atEnd()) {
        QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (!line.startsWith(prefix)) continue;
        line = line.mid(prefix.size());
        if (line.startsWith(QLatin1Char('"')) && line.endsWith(QLatin1Char('"')) && line.size() >= 2)
            line = line.mid(1, line.size() - 2);
        line.replace(QStringLiteral("$HOME"), QDir::homePath());
        return line;
    }
    return {};
}

} // namespace

std::optional<ShellItem> specialFolder(int kind)
{
    const QString apps = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    switch (kind) {
    case 0:   // desktop
    case 1:   // manual: what stands when the path cannot be used
        return ShellItem::desktop();
    case 2:   // the computer
        return ShellItem::computer();
    case 3:   // the desktop folder itself
        return existing(desktopPath());
    case 5:   // programs
    case 8:   // start menu
        return existing(apps);
    case 9:   // programs started at log-in
        return existing(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                        + QStringLiteral("/autostart"));
    case 10: {   // templates
        QString t = xdgUserDir(QStringLiteral("TEMPLATES"));
        if (t.isEmpty()) t = QDir::homePath() + QStringLiteral("/Templates");
        return existing(t);
    }
    default:   // favourites, recent documents, send-to: nothing like them here
        return std::nullopt;
    }
}

QStringList subfolders(const QString& path)
{
    QStringList out;
    DIR* d = ::opendir(FsPath::encodeName(path).constData());
    if (!d) return out;
    const int fd = ::dirfd(d);
    std::vector<std::pair<QString, QString>> found;
    while (const dirent* e = ::readdir(d)) {
        const char* raw = e->d_name;
        if (raw[0] == '.') continue;
        const unsigned char type = e->d_type;
        if (type != DT_DIR) {
            if (type != DT_LNK && type != DT_UNKNOWN) continue;
            struct stat st;
            if (::fstatat(fd, raw, &st, 0) != 0 || !S_ISDIR(st.st_mode)) continue;
        }
        QString name = FsPath::decodeName(QByteArray(raw, static_cast<qsizetype>(std::strlen(raw))));
        QString key = name;
        for (QChar& c : key) c = QChar(Wildcard::fold(c.unicode()));
        found.emplace_back(std::move(key), std::move(name));
    }
    ::closedir(d);
    std::sort(found.begin(), found.end());
    for (auto& f : found) out << std::move(f.second);
    return out;
}

QString displayName(const ShellItem& item)
{
    switch (item.kind) {
    case ShellItem::Desktop: return QStringLiteral("デスクトップ");
    case ShellItem::Computer: return QStringLiteral("コンピュータ");
    case ShellItem::Folder: break;
    }
    if (item.path == QLatin1String("/")) return item.path;
    return ShownName::of(item.path.mid(item.path.lastIndexOf(QLatin1Char('/')) + 1));
}

} // namespace ShellNamespace

// ------------------------------------------------------------------ the tree

namespace {

enum class Look { Desktop, Computer, Home, Drive, Folder };

QIcon lookIcon(Look look)
{
    static bool themeChecked = false;
    if (!themeChecked) {
        themeChecked = true;
        const QString theme = QIcon::themeName();
        if (theme.isEmpty() || theme == QLatin1String("hicolor")) QIcon::setThemeName(QStringLiteral("Adwaita"));
    }
    QString name;
    QStyle::StandardPixmap fallback;
    switch (look) {
    case Look::Desktop: name = QStringLiteral("user-desktop"); fallback = QStyle::SP_DesktopIcon; break;
    case Look::Computer: name = QStringLiteral("computer"); fallback = QStyle::SP_ComputerIcon; break;
    case Look::Home: name = QStringLiteral("user-home"); fallback = QStyle::SP_DirHomeIcon; break;
    case Look::Drive: name = QStringLiteral("drive-harddisk"); fallback = QStyle::SP_DriveHDIcon; break;
    default: name = QStringLiteral("folder"); fallback = QStyle::SP_DirIcon; break;
    }
    if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    return QApplication::style()->standardIcon(fallback);
}

bool isPrefixPath(const QString& base, const QString& path)
{
    if (path == base) return true;
    if (base == QLatin1String("/")) return path.startsWith(QLatin1Char('/'));
    return path.size() > base.size() && path.startsWith(base) && path.at(base.size()) == QLatin1Char('/');
}

QString joinPath(const QString& folder, const QString& name)
{
    return folder == QLatin1String("/") ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace

struct FolderTreeModel::Node {
    ShellItem item;
    QString name;
    Look look = Look::Folder;
    Node* parent = nullptr;
    int row = 0;
    bool loaded = false;
    std::vector<std::unique_ptr<Node>> kids;

    Node* add(ShellItem it, QString text, Look lk)
    {
        auto n = std::make_unique<Node>();
        n->item = std::move(it);
        n->name = std::move(text);
        n->look = lk;
        n->parent = this;
        n->row = static_cast<int>(kids.size());
        kids.push_back(std::move(n));
        return kids.back().get();
    }
};

FolderTreeModel::FolderTreeModel(const ShellItem& root, QObject* parent)
    : QAbstractItemModel(parent), m_invisible(std::make_unique<Node>())
{
    m_invisible->loaded = true;
    Look look = Look::Folder;
    if (root.kind == ShellItem::Desktop) look = Look::Desktop;
    else if (root.kind == ShellItem::Computer) look = Look::Computer;
    else if (root.path == ShellNamespace::homePath()) look = Look::Home;
    else if (root.path == QLatin1String("/")) look = Look::Drive;
    m_invisible->add(root, ShellNamespace::displayName(root), look);
}

FolderTreeModel::~FolderTreeModel() = default;

FolderTreeModel::Node* FolderTreeModel::nodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : m_invisible.get();
}

QModelIndex FolderTreeModel::indexOfNode(Node* node) const
{
    if (!node || node == m_invisible.get()) return {};
    return createIndex(node->row, 0, node);
}

QModelIndex FolderTreeModel::rootItemIndex() const
{
    return indexOfNode(m_invisible->kids.front().get());
}

ShellItem FolderTreeModel::item(const QModelIndex& index) const
{
    return index.isValid() ? nodeOf(index)->item : ShellItem::computer();
}

QString FolderTreeModel::displayName(const QModelIndex& index) const
{
    return index.isValid() ? nodeOf(index)->name : QString();
}

void FolderTreeModel::load(Node* node)
{
    if (node->loaded) return;
    node->loaded = true;
    // What goes below the node, gathered first so that the view hears of it once.
    std::vector<std::tuple<ShellItem, QString, Look>> rows;
    switch (node->item.kind) {
    case ShellItem::Desktop: {
        rows.emplace_back(ShellItem::computer(), ShellNamespace::displayName(ShellItem::computer()), Look::Computer);
        const QString home = ShellNamespace::homePath();
        if (home != node->item.path && FsPath::isFolder(home))
            rows.emplace_back(ShellItem::folder(home), ShellNamespace::displayName(ShellItem::folder(home)), Look::Home);
        for (const QString& n : ShellNamespace::subfolders(node->item.path))
            rows.emplace_back(ShellItem::folder(joinPath(node->item.path, n)), ShownName::of(n), Look::Folder);
        break;
    }
    case ShellItem::Computer: {
        rows.emplace_back(ShellItem::folder(QStringLiteral("/")), QStringLiteral("/"), Look::Drive);
        QStringList seen;
        for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
            const QString at = ShellNamespace::cleanPath(v.rootPath());
            // Real volumes only: no pseudo file systems, no single bind-mounted files.
            if (!v.isValid() || !v.isReady() || v.isRoot() || !v.device().startsWith("/dev/")) continue;
            if (v.fileSystemType() == "squashfs" || at.startsWith(QLatin1String("/boot")) || seen.contains(at)) continue;
            if (!FsPath::isFolder(at)) continue;
            seen << at;
            const QString label = v.name().isEmpty() ? at : QStringLiteral("%1 (%2)").arg(v.name(), at);
            rows.emplace_back(ShellItem::folder(at), label, Look::Drive);
        }
        break;
    }
    case ShellItem::Folder:
        for (const QString& n : ShellNamespace::subfolders(node->item.path))
            rows.emplace_back(ShellItem::folder(joinPath(node->item.path, n)), ShownName::of(n), Look::Folder);
        break;
    }
    if (rows.empty()) return;
    const QModelIndex parentIndex = indexOfNode(node);
    beginInsertRows(parentIndex, 0, static_cast<int>(rows.size()) - 1);
    for (auto& [it, text, look] : rows) node->add(std::move(it), std::move(text), look);
    endInsertRows();
}

FolderTreeModel::Node* FolderTreeModel::childWithPath(Node* node, const QString& path)
{
    load(node);
    for (auto& k : node->kids)
        if (k->item.kind == ShellItem::Folder && k->item.path == path) return k.get();
    // A folder the tree does not show by itself (a dot folder): add it where
    // it would sort, so that a start folder inside it can still be selected.
    if (!FsPath::isFolder(path)) return nullptr;
    const QString name = ShownName::of(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    int at = static_cast<int>(node->kids.size());
    for (int i = 0; i < static_cast<int>(node->kids.size()); ++i) {
        const Node* k = node->kids[i].get();
        if (k->item.kind == ShellItem::Folder && k->look == Look::Folder
            && QString::compare(k->name, name, Qt::CaseInsensitive) > 0) {
            at = i;
            break;
        }
    }
    beginInsertRows(indexOfNode(node), at, at);
    auto n = std::make_unique<Node>();
    n->item = ShellItem::folder(path);
    n->name = name;
    n->parent = node;
    node->kids.insert(node->kids.begin() + at, std::move(n));
    for (int i = 0; i < static_cast<int>(node->kids.size()); ++i) node->kids[i]->row = i;
    endInsertRows();
    return node->kids[at].get();
}

// The items from which a path can be reached: the top item when it has a
// path, and under the desktop the home folder, "/" and the volumes.
std::vector<FolderTreeModel::Node*> FolderTreeModel::anchorsFor(Node* top)
{
    std::vector<Node*> out;
    if (top->item.kind != ShellItem::Computer) out.push_back(top);
    Node* computer = nullptr;
    if (top->item.kind == ShellItem::Computer) computer = top;
    if (top->item.kind == ShellItem::Desktop) {
        load(top);
        for (auto& k : top->kids) {
            if (k->item.kind == ShellItem::Computer) computer = k.get();
            else if (k->look == Look::Home) out.push_back(k.get());
        }
    }
    if (computer) {
        load(computer);
        for (auto& k : computer->kids) out.push_back(k.get());
    }
    return out;
}

QModelIndex FolderTreeModel::indexOf(const ShellItem& wanted)
{
    Node* top = m_invisible->kids.front().get();
    if (wanted == top->item) return indexOfNode(top);
    if (wanted.kind == ShellItem::Computer) {
        if (top->item.kind != ShellItem::Desktop) return {};
        load(top);
        for (auto& k : top->kids)
            if (k->item.kind == ShellItem::Computer) return indexOfNode(k.get());
        return {};
    }
    const QString path = ShellNamespace::cleanPath(wanted.path);
    if (path.isEmpty()) return {};
    // The shortest way down: start from the deepest anchor above the path.
    Node* anchor = nullptr;
    for (Node* a : anchorsFor(top)) {
        if (a->item.path.isEmpty() || !isPrefixPath(a->item.path, path)) continue;
        if (!anchor || a->item.path.size() > anchor->item.path.size()) anchor = a;
    }
    if (!anchor) return {};
    Node* node = anchor;
    QString at = anchor->item.path;
    const QStringList parts = path.mid(at.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        at = joinPath(at, part);
        node = childWithPath(node, at);
        if (!node) return {};
    }
    return indexOfNode(node);
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    Node* p = nodeOf(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(p->kids.size())) return {};
    return createIndex(row, 0, p->kids[row].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid()) return {};
    return indexOfNode(nodeOf(child)->parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0) return 0;
    return static_cast<int>(nodeOf(parent)->kids.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant FolderTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) return QStringLiteral("フォルダ");
    return QAbstractItemModel::headerData(section, orientation, role);
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return {};
    const Node* n = nodeOf(index);
    if (role == Qt::DisplayRole) return n->name;
    if (role == Qt::DecorationRole) return lookIcon(n->look);
    if (role == Qt::ToolTipRole) return n->item.path;
    return {};
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const
{
    const Node* n = nodeOf(parent);
    return n->loaded ? !n->kids.empty() : true;
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const
{
    return parent.isValid() && !nodeOf(parent)->loaded;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid()) load(nodeOf(parent));
}
