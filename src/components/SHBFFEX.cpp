#include "SHBFFEX.h"

#include "FolderPicker.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QScopeGuard>
#include <QWidget>

TSHBrowseForFolderEx::TSHBrowseForFolderEx(QObject* owner) : QObject(owner) {}

TSHBrowseForFolderEx::~TSHBrowseForFolderEx()
{
    delete m_picker.data();
}

unsigned TSHBrowseForFolderEx::browseFlags(TSHBrowseOptions options, bool* showPath)
{
    static constexpr unsigned kFlag[] = {BifDontGoBelowDomain, BifReturnFsAncestors, BifReturnOnlyFsDirs,
                                         BifStatusText, BifStatusText};
    unsigned flags = 0;
    if (showPath) *showPath = false;
    for (int o = sboDontGoBelowDomain; o <= sboStatusText; ++o) {
        if (!options.contains(static_cast<TSHBrowseOption>(o))) continue;
        flags |= kFlag[o];
        if (o == sboStatusTextAndShowPath) {
            if (showPath) *showPath = true;
            break;
        }
    }
    return flags;
}

std::optional<ShellItem> TSHBrowseForFolderEx::folderItem(int kind, const QString& name)
{
    if (kind == sfManual && !name.isEmpty())
        if (auto item = ShellNamespace::parseFolder(name)) return item;
    return ShellNamespace::specialFolder(kind);
}

QPoint TSHBrowseForFolderEx::centreInWorkArea(const QRect& window, const QRect& workArea)
{
    // Integer division truncates toward zero, so a window larger than the work
    // area gets a negative corner.
    return QPoint((workArea.width() - window.width()) / 2, (workArea.height() - window.height()) / 2);
}

bool TSHBrowseForFolderEx::Execute()
{
    if (m_picker) {
        m_picker->raise();
        m_picker->activateWindow();
        return false;
    }
    bool result = false;
    m_folderPath.clear();
    m_displayName.clear();
    m_pendingError = nullptr;

    m_startItem = folderItem(SelectFolder, SelectFolderName);
    const std::optional<ShellItem> root = folderItem(RootFolder, RootFolderName);
    auto clearStart = qScopeGuard([this] { m_startItem.reset(); });
    if (!root) return false;

    m_showPath = false;
    const unsigned flags = browseFlags(Options, &m_showPath);

    QWidget* ownerWidget = qobject_cast<QWidget*>(parent());
    QPointer<QWidget> ownerWindow = ownerWidget ? ownerWidget->window() : nullptr;
    // Asked before the picker exists: making the picker makes its parent's
    // window too.
    m_ownerFormExists = ownerWidget && ownerWidget->isWindow() && ownerWidget->testAttribute(Qt::WA_WState_Created);
    auto* picker = new FolderPickerWindow(ownerWindow, *root, Caption, (flags & BifStatusText) != 0,
                                          (flags & BifReturnOnlyFsDirs) != 0);
    m_picker = picker;
    // However the picker ends (also through an error in the event handler),
    // it goes away and the owner comes to the front again.
    auto finish = qScopeGuard([this, ownerWindow] {
        delete m_picker.data();
        m_picker = nullptr;
        if (ownerWindow) {
            ownerWindow->raise();
            ownerWindow->activateWindow();
        }
    });

    QEventLoop loop;
    connect(picker, &QDialog::finished, &loop, &QEventLoop::quit);
    connect(picker, &QObject::destroyed, &loop, &QEventLoop::quit);
    connect(picker, &FolderPickerWindow::selectionChanged, this, [this, picker](const ShellItem& item) {
        if (m_initialising) return;
        // An error must not cross the event loop: it ends the picker and
        // leaves Execute instead.
        try {
            BrowseCallback(picker, BffmSelChanged, &item);
        } catch (...) {
            if (!m_pendingError) m_pendingError = std::current_exception();
            picker->reject();
        }
    });

    // The window is made (not yet shown) before it is set up, so that its frame
    // is known when it is placed.
    picker->winId();
    BrowseCallback(picker, BffmInitialized, nullptr);
    picker->show();
    // The selection the picker opens with is reported like any later one.
    if (picker->hasSelection()) {
        const ShellItem first = picker->currentItem();
        BrowseCallback(picker, BffmSelChanged, &first);
    }
    if (m_picker && m_picker->isVisible() && !m_pendingError) {
        // The owner, and this component with it, may be destroyed while the
        // picker waits; then there is nothing left to report to.
        QPointer<TSHBrowseForFolderEx> self(this);
        loop.exec();
        if (!self) {
            finish.dismiss();
            clearStart.dismiss();
            return false;
        }
    }

    if (m_pendingError) std::rethrow_exception(std::exchange(m_pendingError, nullptr));
    if (m_picker && m_picker->result() == QDialog::Accepted && m_picker->hasSelection()) {
        result = true;
        m_displayName = m_picker->currentDisplayName();
        m_folderPath = m_picker->currentItem().path;
    }
    return result;
}

void TSHBrowseForFolderEx::DoSelectionChanged(qintptr wnd, const QString& path, QString& showText,
                                              TOKButtonState& okButtonState)
{
    if (OnSelectionChanged) OnSelectionChanged(this, wnd, path, showText, okButtonState);
}

void TSHBrowseForFolderEx::BrowseCallback(FolderPickerWindow* wnd, Message message, const ShellItem* item)
{
    if (!wnd) return;
    QString path;
    QString statusText;
    TOKButtonState okRequest = obsNone;
    if (message == BffmInitialized) {
        if (m_startItem) {
            // The start selection is reported once the picker is up, not here.
            m_initialising = true;
            auto done = qScopeGuard([this] { m_initialising = false; });
            wnd->setSelection(*m_startItem);
        }
        place(wnd);
    } else if (message == BffmSelChanged) {
        path = item ? item->path : QString();
        DoSelectionChanged(reinterpret_cast<qintptr>(wnd), path, statusText, okRequest);
    }
    if (m_showPath) statusText = path;
    wnd->setStatusText(statusText);
    if (okRequest == obsEnabled) wnd->enableOk(true);
    else if (okRequest == obsDisabled) wnd->enableOk(false);
}

void TSHBrowseForFolderEx::place(FolderPickerWindow* wnd)
{
    switch (ShowStyle) {
    case ssCenterScreen: {
        QScreen* screen = wnd->screen();
        if (!screen) screen = QGuiApplication::primaryScreen();
        if (!screen) return;
        wnd->move(centreInWorkArea(wnd->frameGeometry(), screen->availableGeometry()));
        break;
    }
    case ssClient: {
        // Only an owner that is a window already made has a client area.
        auto* form = qobject_cast<QWidget*>(parent());
        if (!form || !m_ownerFormExists) return;
        QWidget* client = form;
        if (auto* main = qobject_cast<QMainWindow*>(form); main && main->centralWidget()) client = main->centralWidget();
        wnd->move(client->mapToGlobal(QPoint(0, 0)));
        break;
    }
    case ssNone:
        break;
    }
}
