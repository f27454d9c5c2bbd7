#include "FolderPicker.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

FolderPickerWindow::FolderPickerWindow(QWidget* parent, const ShellItem& root, const QString& caption,
                                       bool statusLine, bool onlyFileSystem)
    : QDialog(parent), m_onlyFileSystem(onlyFileSystem)
{
    setWindowTitle(QStringLiteral("フォルダの参照"));
    setModal(false);
    setWindowModality(Qt::NonModal);
    setSizeGripEnabled(true);

    m_caption = new QLabel(caption, this);
    m_caption->setWordWrap(true);
    m_caption->setTextFormat(Qt::PlainText);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setVisible(statusLine);

    m_model = new FolderTreeModel(root, this);
    m_tree = new QTreeView(this);
    m_tree->setHeaderHidden(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setModel(m_model);
    // The caption above the tree is what a screen reader names it by.
    m_caption->setBuddy(m_tree);
    m_tree->setAccessibleName(caption);
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tree->header()->setStretchLastSection(false);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_caption);
    layout->addWidget(m_status);
    layout->addWidget(m_tree, 1);
    layout->addLayout(buttons);
    resize(330, 400);

    // The tree starts on its root, as shown; only changes after that are news.
    const QModelIndex top = m_model->rootItemIndex();
    m_tree->setCurrentIndex(top);
    m_tree->expand(top);
    if (m_onlyFileSystem) m_ok->setEnabled(!m_model->item(top).path.isEmpty());
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { onCurrentChanged(current); });
}

void FolderPickerWindow::onCurrentChanged(const QModelIndex& current)
{
    if (!current.isValid()) return;
    const ShellItem item = m_model->item(current);
    // Only folders with a path can be confirmed when only those are wanted; the
    // owner may still decide otherwise for this item.
    if (m_onlyFileSystem) m_ok->setEnabled(!item.path.isEmpty());
    Q_EMIT selectionChanged(item);
}

bool FolderPickerWindow::setSelection(const ShellItem& item)
{
    const QModelIndex index = m_model->indexOf(item);
    if (!index.isValid()) return false;
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) m_tree->expand(p);
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
    return true;
}

void FolderPickerWindow::setStatusText(const QString& text)
{
    m_status->setText(text);
}

QString FolderPickerWindow::statusText() const
{
    return m_status->text();
}

bool FolderPickerWindow::statusLineShown() const
{
    return !m_status->isHidden();
}

void FolderPickerWindow::enableOk(bool enabled)
{
    m_ok->setEnabled(enabled);
}

bool FolderPickerWindow::okEnabled() const
{
    return m_ok->isEnabled();
}

bool FolderPickerWindow::hasSelection() const
{
    return m_tree->currentIndex().isValid();
}

ShellItem FolderPickerWindow::currentItem() const
{
    return m_model->item(m_tree->currentIndex());
}

QString FolderPickerWindow::currentDisplayName() const
{
    return m_model->displayName(m_tree->currentIndex());
}
