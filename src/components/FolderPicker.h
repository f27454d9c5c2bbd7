#pragma once
#include "FolderTree.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeView;

// The picker window: the caption above a tree of folders, an optional status
// line, OK and "キャンセル". It is an ordinary window (not modal), so the rest
// of the program stays usable while it is open. It reports every change of the
// selected item; what the selection means is up to whoever opened it.
class FolderPickerWindow : public QDialog {
    Q_OBJECT
public:
    FolderPickerWindow(QWidget* parent, const ShellItem& root, const QString& caption, bool statusLine,
                       bool onlyFileSystem);

    // Selects an item below the root, opening the tree down to it; false (and
    // nothing changes) when the item is not reachable from the root.
    bool setSelection(const ShellItem& item);
    bool selectPath(const QString& path) { return setSelection(ShellItem::folder(path)); }

    void setStatusText(const QString& text);
    QString statusText() const;
    bool statusLineShown() const;
    void enableOk(bool enabled);
    bool okEnabled() const;

    bool hasSelection() const;
    ShellItem currentItem() const;
    QString currentDisplayName() const;

    QTreeView* tree() const { return m_tree; }
    FolderTreeModel* model() const { return m_model; }

Q_SIGNALS:
    void selectionChanged(const ShellItem& item);

private:
    void onCurrentChanged(const QModelIndex& current);

    FolderTreeModel* m_model;
    QTreeView* m_tree;
    QLabel* m_caption;
    QLabel* m_status;
    QPushButton* m_ok;
    bool m_onlyFileSystem;
};
