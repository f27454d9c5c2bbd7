// Registered applications, shell commands, help documents and the about box.
#include "Unit1.h"

#include "AppSlots.h"
#include "CommandLine.h"
#include "Glyphs.h"
#include "Guard.h"
#include "LineBuffer.h"
#include "Platform.h"
#include "TextPane.h"
#include "VarBox.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QHelpEvent>
#include <QListView>
#include <QPixmap>
#include <QToolButton>
#include <QToolTip>

namespace {

bool validSlot(int n) { return n >= 1 && n <= AppSlots::Count; }

// The hint of a slot's button is its title, which may look like markup; this
// shows it as the plain text it is.
class PlainHint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip) return false;
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w) return false;
        const QString hint = w->toolTip();
        const QPoint at = static_cast<QHelpEvent*>(event)->globalPos();
        if (hint.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(at, QStringLiteral("<p style='white-space:pre'>%1</p>").arg(hint.toHtmlEscaped()), w);
        return true;
    }
};

} // namespace

void TForm1::setupApps()
{
    auto* hints = new PlainHint(this);
    for (int n = 1; n <= AppSlots::Count; ++n) {
        QToolButton* b = AppBtn[n];
        b->installEventFilter(hints);
        connectGuarded(b, &QToolButton::clicked, this, m_env.messages,
                       [this, b] { AppBtn1Click(b->property("Tag").toInt()); });
    }
}

// ---------------------------------------------------------------- slot table

// Slot n of the table on its button and both menu items: the title as hint
// and captions, the registered state as enabled state, the icon as glyph.
void TForm1::showSlot(int n)
{
    const AppSlots::Slot& s = Slots.at(n);
    const bool enabled = s.registered();
    FApp[n]->setText(s.title);
    FApp[n]->setEnabled(enabled);
    SApp[n]->setText(s.title);
    SApp[n]->setEnabled(enabled);
    AppBtn[n]->setToolTip(s.title);
    AppBtn[n]->setAccessibleName(s.title);   // a button that shows only a glyph is known by it
    AppBtn[n]->setEnabled(enabled);
    AppBtn[n]->setIcon(Glyphs::smooth(s.icon));
}

void TForm1::LoadAppItem()
{
    LineBuffer lines;
    lines.load(m_env.settingsFile(AppSlots::itemsFile()), AppSlots::FileLines);
    for (int n = 1; n <= AppSlots::Count; ++n) {
        const AppSlots::Row row = AppSlots::rowFromLines(lines, n);
        Slots.setTexts(n, row);
        showSlot(n);
        // An unregistered slot keeps its former icon; a registered slot whose
        // icon file fails keeps it too, with its new texts already shown.
        if (AppSlots::isRegistered(row.title)) {
            Slots.setIcon(n, AppSlots::loadBitmap(m_env.settingsFile(AppSlots::iconFile(n))));
            showSlot(n);
        }
    }
}

// The confirmed row picture becomes the slot's icon, so the button, the next
// opening of the dialog and the next save all show the same picture.
void TForm1::confirmSlot(int n, const AppSlots::Slot& slot)
{
    if (!validSlot(n)) return;
    Slots.confirm(n, AppSlots::Row{slot.title, slot.path, slot.option}, slot.icon);
    showSlot(n);
}

// ---------------------------------------------------------------- launching

void TForm1::AppBtn1Click(int tag) { AppnExec(tag); }
void TForm1::SApp5Click(int tag) { AppnExec(tag); }
void TForm1::FApp5Click(int tag) { AppnExec(tag); }

void TForm1::AppnExec(int slot)
{
    if (!validSlot(slot)) return;
    const AppSlots::Slot& s = Slots.at(slot);
    // A slot without a program starts nothing, whatever file is shown.
    if (!CommandLine::hasProgram(s.path)) return;
    // Direct mode counts only while it is available.
    if (m_state.directLaunch()) {
        AppExec(CommandLine::direct(s.path, s.option));
        return;
    }
    const QString name = panelText(1);
    if (name.isEmpty()) return;
    AppExec(CommandLine::withFile(s.path, m_state.folder() + name, s.option));
}

void TForm1::AppExec(const QString& commandLine)
{
    if (!commandLine.isEmpty()) m_env.platform.startProgram(commandLine);
}

// ---------------------------------------------------------------- direct mode

// The check box and both menu items mirror the state (Unit1State.cpp), so
// setting it ticks all three; the check box's report of a tick the state gave
// it changes nothing.
void TForm1::ExeSetApp(bool flag) { m_state.setDirectOn(flag); }

void TForm1::CheckBox1Click() { ExeSetApp(CheckBox1->isChecked()); }

// Each menu item turns direct mode over.
void TForm1::E1Click() { ExeSetApp(!m_state.directOn()); }
void TForm1::N19Click() { ExeSetApp(!m_state.directOn()); }

// ---------------------------------------------------------------- shell commands

void TForm1::X1Click()
{
    m_env.platform.openFolder(m_state.folder());
}
void TForm1::N16Click() { X1Click(); }

// Opens the file last shown (status panel 1), which need not be the list's
// current item; the list must have a current item all the same.
void TForm1::R1Click()
{
    if (!LView->currentIndex().isValid()) return;
    m_env.platform.openDocument(m_state.folder() + panelText(1));
}
void TForm1::N17Click() { R1Click(); }

// ---------------------------------------------------------------- help

// The help documents go into the text pane without touching the caption or the
// status bar, so the launch and open commands still act on the file shown
// before.
void TForm1::ReadmeR1Click()
{
    REdit->clear();
    REdit->loadFile(m_env.settingsFile(QStringLiteral("readme.txt")));
}

void TForm1::His1Click()
{
    REdit->clear();
    REdit->loadFile(m_env.settingsFile(QStringLiteral("history.txt")));
}

void TForm1::ManualM1Click()
{
    m_env.platform.openDocument(m_env.settingsFile(QStringLiteral("manual/index.htm")));
}

void TForm1::V1Click()
{
    if (m_dialogs.about) m_dialogs.about->exec();
}
