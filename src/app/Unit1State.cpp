// The controls that mirror the main window's state (MainState). A change the
// user makes to a control, by mouse, key or screen reader, goes to the state
// first; every change of the state, whoever made it, is shown by all of the
// controls that show it. The menu items run their handlers, which change the
// state the same way.
#include "Unit1.h"

#include "Guard.h"
#include "TextPane.h"
#include "ViewColours.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QSignalBlocker>

namespace {

// New items for a selector. Filling an empty list would choose its first item
// by itself: the selector says nothing while it is refilled, and then shows
// the state's choice.
void mirrorItems(QComboBox* box, const QStringList& items, int chosen)
{
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(chosen);
}

void mirrorChoice(QComboBox* box, int chosen)
{
    if (box->currentIndex() != chosen) box->setCurrentIndex(chosen);
}

} // namespace

template <class Sender, class Signal, class Setter>
void TForm1::toState(Sender* sender, Signal signal, Setter setter)
{
    // The state is the context: once it is gone, controls being torn down
    // report to nobody.
    connect(sender, signal, &m_state, [this, setter](const auto& value) {
        guarded(m_env.messages, this, [&] { (m_state.*setter)(value); });
    });
}

void TForm1::setupState()
{
    const MainState* s = &m_state;

    // The path field: typed text is the folder at once, confirmed or not.
    toState(Edit1, &QLineEdit::textChanged, &MainState::setFolder);
    connect(s, &MainState::folderChanged, Edit1, [this](const QString& folder) {
        // Setting the same text again would move the caret and forget the undo steps.
        if (Edit1->text() != folder) Edit1->setText(folder);
    });

    // The category and pattern selectors. Choosing in them records the
    // choice; their activation handlers re-list (Unit1List.cpp).
    toState(ChBox1, &QComboBox::currentIndexChanged, &MainState::setCategory);
    toState(ChBox2, &QComboBox::currentIndexChanged, &MainState::setPatternIndex);
    connect(s, &MainState::categoriesChanged, ChBox1,
            [this](const QStringList& names) { mirrorItems(ChBox1, names, m_state.category()); });
    connect(s, &MainState::categoryChanged, ChBox1, [this](int chosen) { mirrorChoice(ChBox1, chosen); });
    connect(s, &MainState::patternsChanged, ChBox2,
            [this](const QStringList& patterns) { mirrorItems(ChBox2, patterns, m_state.patternIndex()); });
    connect(s, &MainState::patternIndexChanged, ChBox2, [this](int chosen) { mirrorChoice(ChBox2, chosen); });

    // Direct launching: the check box and both menu items show one state.
    // The check box reports every change of its tick, also one a screen
    // reader makes without a click.
    toState(CheckBox1, &QCheckBox::toggled, &MainState::setDirectOn);
    connect(s, &MainState::directOnChanged, this, [this](bool on) {
        CheckBox1->setChecked(on);
        E1->setChecked(on);
        N19->setChecked(on);
    });
    connect(s, &MainState::directAvailableChanged, this, [this](bool available) {
        CheckBox1->setEnabled(available);
        E1->setEnabled(available);
        N19->setEnabled(available);
    });

    // Word wrap: the pane and both menu items.
    connect(s, &MainState::wordWrapChanged, this, [this](bool on) {
        N13->setChecked(on);
        N29->setChecked(on);
        REdit->setWordWrap(on);
    });

    // Colours: the pane's own pair, and the view colours on the other
    // controls that show text.
    connect(s, &MainState::paneColorsChanged, REdit, [this](const ViewColors& colors) {
        REdit->setFontColor(colors.text);
        REdit->setFillColor(colors.background);
    });
    for (QComboBox* box : {ChBox1, ChBox2}) ViewColours::paintAsField(box);
    connect(s, &MainState::controlColorsApplied, this, [this](const ViewColors& colors) {
        for (QWidget* w : {static_cast<QWidget*>(LView), static_cast<QWidget*>(Edit1),
                           static_cast<QWidget*>(ChBox1), static_cast<QWidget*>(ChBox2)})
            ViewColours::apply(w, colors);
    });
}
