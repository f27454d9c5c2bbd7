// The text view: showing files, caret position, word wrap, copy and find.
#include "Unit1.h"

#include "FindDialog.h"
#include "FsPath.h"
#include "Guard.h"
#include "FileListModel.h"
#include "Messages.h"
#include "ShownName.h"
#include "TextPane.h"
#include "VarError.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>

#include <algorithm>
#include <array>
#include <new>

namespace {

// The caret's panel grows to show its whole text (a line number of any length),
// never narrower than its first width; the panels beside it move along.
void fitCaretPanel(const std::array<QLabel*, 3>& panels)
{
    constexpr int kLeastWidth = 65, kGap = 2;
    QLabel* caret = panels[0];
    const int frame = 2 * (caret->frameWidth() + caret->margin()) + 4;
    const int width = std::max(kLeastWidth - kGap, caret->fontMetrics().horizontalAdvance(caret->text()) + frame);
    if (width == caret->width()) return;
    caret->resize(width, caret->height());
    int x = caret->x() + width + kGap;
    for (size_t i = 1; i < panels.size(); ++i) {
        panels[i]->move(x, panels[i]->y());
        x += panels[i]->width() + kGap;
    }
}

// The hourglass for the time of a load, back to normal however the load ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The list's selected item: the first one when several are selected.
QModelIndex selectedItem(const QListView* list)
{
    const QItemSelectionModel* sm = list->selectionModel();
    if (!sm || !sm->hasSelection()) return {};
    QModelIndex first;
    for (const QModelIndex& i : sm->selectedIndexes())
        if (!first.isValid() || i.row() < first.row()) first = i;
    return first;
}

bool isKey(const QEvent* event, const QKeySequence& shortcut)
{
    if (shortcut.isEmpty()) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    const QKeyCombination combo(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key()));
    return QKeySequence(combo) == shortcut;
}

} // namespace

void TForm1::setupText()
{
    FindDlg = new FindDialog(m_env.messages, this);
    Messages& messages = m_env.messages;
    connectGuarded(FindDlg, &FindDialog::findNext, this, messages, &TForm1::FindDlgFind);
    connectGuarded(REdit, &TextPane::selectionChanged, this, messages, &TForm1::REditSelectionChange);
    // The pane's own copy and cut keys refuse a copy too big for memory; the
    // refusal is reported like any other lack of memory.
    connectGuarded(REdit, &TextPane::outOfMemory, this, messages, [] { throw std::bad_alloc(); });
    // A copy refused for its length, or dropped because the file changed, is told like any other failure.
    connectGuarded(REdit, &TextPane::copyFailed, this, messages, [](const QString& message) { throw VarError(message); });
    // A file that fails to be read while the rest of it is indexed is reported like any failed read.
    connectGuarded(REdit, &TextPane::loadFailed, this, messages,
                   [](const QString& message) { throw VarError(message); });
    // A search answers when it is done; a long one does not hold up the window meanwhile.
    connectGuarded(REdit, &TextPane::findFinished, this, messages, [this](qint64 hit, const QString& what) {
        if (hit < 0) {
            m_env.messages.notice(this, QStringLiteral("見つかりませんでした。"));
            return;
        }
        // The selection shows only in the focused pane, so the main window comes
        // to the front; the dialog stays open beside it.
        activateWindow();
        REdit->setFocusToText();
        REdit->setSelStart(hit);
        REdit->setSelLength(what.size());
        PutCallet();
    });
    // Ctrl+C is C1's shortcut wherever the focus is in the window, also in the
    // controls that would copy on their own.
    QList<QWidget*> watched = REdit->textWidgets();
    watched << Edit1 << LView << ChBox1 << ChBox2 << CheckBox1;
    for (QWidget* w : watched) w->installEventFilter(this);
    connectListSelection();
}

void TForm1::connectListSelection()
{
    QItemSelectionModel* sm = LView->selectionModel();
    if (sm == m_listSelection && m_listSelectionConnection) return;
    disconnect(m_listSelectionConnection);
    m_listSelection = sm;
    if (sm)
        m_listSelectionConnection =
            connectGuarded(sm, &QItemSelectionModel::selectionChanged, this, m_env.messages, &TForm1::LViewChange);
}

bool TForm1::textEventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Claim Ctrl+C before the focused control does; the key press below runs C1.
        if (isKey(event, C1->shortcut()) && C1->isEnabled()) {
            event->accept();
            return true;
        }
        break;
    case QEvent::KeyPress:
        if (isKey(event, C1->shortcut()) && C1->isEnabled()) {
            C1->trigger();
            return true;
        }
        break;
    case QEvent::ChildAdded:
        // setModel() has made a new selection model; follow it once it is in place.
        if (watched == LView)
            QMetaObject::invokeMethod(this, [this] { connectListSelection(); }, Qt::QueuedConnection);
        break;
    default:
        break;
    }
    return false;
}

void TForm1::readfile()
{
    if (LViewTag != 1) return;
    const QModelIndex item = selectedItem(LView);
    if (!item.isValid()) return;
    // The file's own name, not the text its item shows: a name that is not
    // UTF-8 is shown decoded but opened and passed on by its exact bytes.
    const QVariant own = item.data(FileListModel::NameRole);
    const QString name = own.isValid() ? own.toString() : item.data(Qt::DisplayRole).toString();
    const QString path = m_state.folder() + name;
    setCaption(BaseTitle + QStringLiteral(" - ") + ShownName::of(name));
    setPanelText(1, name);
    // A folder, or an entry gone since the listing: the pane keeps what it shows.
    if (FsPath::folderOrUnreadable(path)) return;
    WaitCursor wait;
    REdit->clear();
    REdit->loadFile(path);
    PutCallet();
}

QString TForm1::panelText(int panel) const
{
    if (panel == 1) return ShownFile;
    return (panel >= 0 && panel < 3) ? StatusPanel[panel]->text() : QString();
}

void TForm1::setPanelText(int panel, const QString& text)
{
    if (panel < 0 || panel >= 3) return;
    if (panel == 1) ShownFile = text;
    StatusPanel[panel]->setText(panel == 1 ? ShownName::of(text) : text);
    if (panel == 0) fitCaretPanel(StatusPanel);
}

void TForm1::PutCallet()
{
    const qint64 start = REdit->selStart();
    const qint64 line = REdit->lineFromChar(start);
    const qint64 column = start - REdit->lineIndex(line);
    // A number that may still change (wrapped lines not counted yet, the end
    // of a file still being indexed) is marked so, in words for a screen reader.
    const bool provisional = REdit->lineNumberProvisional();
    const QString shown = QString::number(line) + QStringLiteral(": ") + QString::number(column);
    setPanelText(0, provisional ? QStringLiteral("~") + shown : shown);
    QLabel* panel = StatusPanel[0];
    panel->setAccessibleName(provisional ? shown + QStringLiteral("（未確定）") : QString());
    panel->setAccessibleDescription(provisional ? QStringLiteral("行番号はまだ変わることがあります") : QString());
}

// The pane and both menu items mirror the state (Unit1State.cpp).
void TForm1::WWraps() { m_state.toggleWordWrap(); }

void TForm1::LViewChange() { readfile(); }
void TForm1::REditSelectionChange() { PutCallet(); }
void TForm1::N13Click() { WWraps(); }
void TForm1::N29Click() { WWraps(); }

void TForm1::L1Click()
{
    REdit->setSelStart(0);
    REdit->setSelLength(0);
    REdit->selectAll();
}
void TForm1::N26Click() { L1Click(); }

void TForm1::C1Click() { REdit->copy(); }
void TForm1::N27Click() { C1Click(); }

void TForm1::S1Click() { FindDlg->showBeside(this); }
void TForm1::Find1Click() { S1Click(); }

void TForm1::FindDlgFind()
{
    // The search starts behind a selection, else at the very top (not at the caret).
    const qint64 length = REdit->selLength();
    const qint64 start = length > 0 ? REdit->selStart() + length : 0;
    REdit->startFind(FindDlg->findText(), start, REdit->textLength() - start);
}
