// Folder selection and the file list.
#include "Unit1.h"

#include "Accessibility.h"
#include "ExtensionTable.h"
#include "FileListModel.h"
#include "FsPath.h"
#include "Guard.h"
#include "Messages.h"
#include "OneLine.h"
#include "Platform.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QTimer>
#include <QToolButton>

void TForm1::setupList()
{
    LViewModel = new FileListModel(this);
    // Types are looked up on workers (the platform's lookup keeps no state
    // of its own, so a worker still in it when the window goes harms nothing);
    // icons on the event loop, once per type.
    Platform* platform = &m_env.platform;
    LViewModel->setIconSource([platform](const QString& path) { return platform->fileType(path); },
                              [platform](const QString& type) { return platform->typeIcon(type); });
    LView->setModel(LViewModel);
    // Entered with Tab and nothing selected, the list selects its first file,
    // so that Down moves on from there instead of skipping it.
    Accessibility::selectOnTabFocus(LView);
    // Small icons in columns filled from the left, one line per label.
    LView->setViewMode(QListView::ListMode);
    LView->setFlow(QListView::TopToBottom);
    LView->setWrapping(true);
    LView->setWordWrap(false);
    LView->setTextElideMode(Qt::ElideRight);
    LView->setResizeMode(QListView::Adjust);
    LView->setMovement(QListView::Static);
    LView->setLayoutMode(QListView::SinglePass);
    LView->setUniformItemSizes(true);
    LView->setSelectionMode(QAbstractItemView::SingleSelection);
    LView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LView->setIconSize(QSize(FileListModel::IconCell, FileListModel::IconCell));
    LView->setSpacing(0);
    m_fillTimer = new QTimer(this);
    m_fillTimer->setSingleShot(true);
    m_fillTimer->setInterval(0);
    connect(m_fillTimer, &QTimer::timeout, this, [this] { fillList(); });

    FolderDlg = new TSHBrowseForFolderEx(this);
    FolderDlg->setObjectName(QStringLiteral("FolderDlg"));
    FolderDlg->SelectFolder = sfDesktop;
    FolderDlg->Caption = QStringLiteral("閲覧フォルダの選択");
    FolderDlg->ShowStyle = ssCenterScreen;
    Messages& messages = m_env.messages;
    FolderDlg->OnSelectionChanged = guardedHandler(this, messages, &TForm1::FolderDlgSelectionChanged);

    // The path field holds one line and no control characters, as every
    // one-line field; a folder chosen in the picker is taken as it is.
    OneLine::keep(Edit1, messages);
    // Enter in the path field; every other key is typed as usual.
    connectGuarded(Edit1, &QLineEdit::returnPressed, this, messages, [this] { Edit1KeyPress(QChar(13)); });
    connectGuarded(FolderBtn, &QToolButton::clicked, this, messages, &TForm1::FolderBtnClick);
    // Only the user's choice re-lists: a selection the program makes is silent.
    connectGuarded(ChBox1, &QComboBox::activated, this, messages, &TForm1::ChBox1Change);
    connectGuarded(ChBox2, &QComboBox::activated, this, messages, &TForm1::ChBox2Change);
}

// Rebuilds the list from the path field and the chosen pattern. The path field
// is joined directly with the pattern, so a field without its final "/" makes
// the search look in the folder above for names that begin with the field's
// last part; such a match only counts when the field joined with its name is a
// file. The search runs beside the event loop and the list fills in as its
// names arrive; a new listing drops the one before with what it would still
// bring. What a listing always did at its end (caption, status panel 1) is
// done at its start, so that a file picked while the list fills keeps its
// caption.
void TForm1::STItem()
{
    ++m_listingId;
    m_listing.reset();
    m_listingBacklog.clear();
    m_listingEndWaits = false;
    m_fillTimer->stop();
    if (m_listingNow) listingEnded({});
    setCaption(BaseTitle);
    setPanelText(1, {});
    LViewModel->clear();
    const QString folder = m_state.folder();
    if (folder.isEmpty()) return;
    if (LViewTag == 0) LViewTag = 1;

    const QString mask = folder + m_state.pattern();
    const qsizetype cut = mask.lastIndexOf(QLatin1Char('/')) + 1;
    const QString searchFolder = mask.left(cut);
    Platform::Keep keep;
    if (searchFolder != folder)
        keep = [folder](const QString& n) { return FsPath::kind(folder + n) == FsPath::Kind::File; };
    LViewModel->startListing(folder);
    m_listingNow = true;
    LView->setCursor(Qt::BusyCursor);
    const quint64 id = m_listingId;
    ListingSink sink{[this, id](const QStringList& names) {
                         if (id == m_listingId) listingFound(names);
                     },
                     [this, id](const QString& error) {
                         if (id != m_listingId) return;
                         if (m_listingBacklog.isEmpty()) {
                             listingEnded(error);
                         } else {
                             m_listingEndWaits = true;
                             m_listingError = error;
                         }
                     }};
    auto listing = m_env.platform.listFiles(searchFolder, mask.mid(cut), std::move(keep), this, std::move(sink));
    // A listing may be over before it is handed back.
    if (m_listingNow && id == m_listingId) m_listing = std::move(listing);
}

// A batch is taken in at once, unless one was taken in during this turn of
// the event loop: batches a fast search queued meanwhile would otherwise all
// be taken in one go, and the window would not paint or answer until then.
void TForm1::listingFound(const QStringList& names)
{
    if (m_fillTimer->isActive() || !m_listingBacklog.isEmpty()) {
        m_listingBacklog << names;
        return;
    }
    guarded(m_env.messages, this, [&] { LViewModel->addFiles(names, LView->fontMetrics()); });
    m_fillTimer->start();
}

// Takes in waiting batches for a short while each turn: every turn also
// lays out and paints the list, which a turn per small batch would repeat
// needlessly.
void TForm1::fillList()
{
    constexpr qint64 kTurnMs = 16;
    if (!m_listingBacklog.isEmpty()) {
        QElapsedTimer spent;
        spent.start();
        do {
            const QStringList names = m_listingBacklog.takeFirst();
            guarded(m_env.messages, this, [&] { LViewModel->addFiles(names, LView->fontMetrics()); });
        } while (!m_listingBacklog.isEmpty() && spent.elapsed() < kTurnMs);
        m_fillTimer->start();
    } else if (m_listingEndWaits) {
        m_listingEndWaits = false;
        listingEnded(m_listingError);
    }
}

void TForm1::listingEnded(const QString& error)
{
    m_listing.reset();
    m_listingNow = false;
    LView->unsetCursor();
    // Shown as the general error box shows an error; the names found before stay.
    if (!error.isEmpty()) m_env.messages.error(this, error);
}

void TForm1::Edit1KeyPress(QChar key)
{
    if (key.unicode() != 13) return;
    QString text = m_state.folder();
    if (!text.endsWith(QLatin1Char('/'))) {
        text += QLatin1Char('/');
        m_state.setFolder(text);
    }
    if (FsPath::isFolder(text)) {
        STItem();
    } else {
        m_env.messages.warning(this, QStringLiteral("そのフォルダPathは不正です。"));
    }
}

void TForm1::FolderBtnClick()
{
    // The path field and the list follow every selection inside the picker,
    // so confirming and cancelling end alike.
    FolderDlg->Execute();
}

void TForm1::FolderDlgSelectionChanged(TSHBrowseForFolderEx*, qintptr, const QString& path, QString&,
                                       TOKButtonState&)
{
    if (path.isEmpty()) return;
    m_state.setFolder(path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/'));
    STItem();
    FolderDlg->SelectFolder = sfManual;
    FolderDlg->SelectFolderName = m_state.folder();
    setCaption(BaseTitle);
}

// The choice itself is already in the state (Unit1State.cpp).
void TForm1::ChBox1Change()
{
    TagsSet(m_state.category());
    m_state.setPatternIndex(0);
    STItem();
}

void TForm1::ChBox2Change()
{
    STItem();
}

void TForm1::TagsLoad()
{
    QStringList names;
    ExtensionTable::load(m_env.settingsFile(QStringLiteral("exitem.cfg")), &names, &ExtGrid);
    m_state.setCategories(names);
    TagsSet(0);
}

void TForm1::TagsSet(int row)
{
    m_state.setPatterns(ExtGrid.visiblePatterns(row));
}
