// What a screen reader and a keyboard user need of the main window beyond what
// it draws: the names of its controls, and a keyboard way to the folder picker.
#include "Unit1.h"

#include "AccessibleNames.h"
#include "TextPane.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QShortcut>
#include <QToolButton>

void TForm1::nameControls()
{
    AccessibleNames::name(Edit1, QStringLiteral("フォルダのパス"));
    AccessibleNames::name(FolderBtn, QStringLiteral("フォルダのパスを選択"));
    AccessibleNames::name(ChBox1, QStringLiteral("拡張子の種類"));
    AccessibleNames::name(ChBox2, QStringLiteral("拡張子"));
    AccessibleNames::name(LView, QStringLiteral("ファイル一覧"));
    // The pane's pages are the file's text. The pane around them and each
    // page's drawing area hand their focus on to the page, so a screen reader
    // finds them "focused" along with it: they are named for what they hold.
    AccessibleNames::name(REdit, QStringLiteral("ファイルの表示"));
    for (QWidget* page : REdit->textWidgets()) {
        AccessibleNames::name(page, QStringLiteral("ファイルの内容"));
        if (auto* area = qobject_cast<QAbstractScrollArea*>(page))
            AccessibleNames::name(area->viewport(), QStringLiteral("ファイルの内容の表示域"));
    }
    // A button that shows only a glyph is known by its slot's title; until
    // the slot table is read (and when reading it fails) that is the title
    // of an empty slot. Every showing of a slot names it anew.
    for (int n = 1; n <= AppSlots::Count; ++n) AppBtn[n]->setAccessibleName(Slots.at(n).title);
}

void TForm1::folderPickerKeys()
{
    // The picker's button follows the path field in the Tab order, and
    // Alt+Down in the path field opens the picker, as it opens a drop-down list.
    FolderBtn->setFocusPolicy(Qt::TabFocus);
    setTabOrder(Edit1, FolderBtn);
    setTabOrder(FolderBtn, ChBox1);
    auto* open = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Down), Edit1, nullptr, nullptr, Qt::WidgetShortcut);
    connect(open, &QShortcut::activated, FolderBtn, &QToolButton::click);
}
