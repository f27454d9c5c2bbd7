#include "KaDialog.h"

#include "AccessibleNames.h"

#include "DialogFrame.h"
#include "Guard.h"
#include "KaListBox.h"
#include "LineBuffer.h"
#include "MainForm.h"
#include "MyInputDialog.h"
#include "ViewColours.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QSignalBlocker>

namespace {
const QString kFileName = QStringLiteral("exitem.cfg");
}

TForm2::TForm2(MainForm& main, const AppEnv& env, QWidget* parent)
    : KaFixedDialog(parent), m_main(main), m_env(env)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("拡張子の設定"));
    DialogFrame::setUp(this, 425, 137);
    buildLayout();
    connectHandlers();
    guarded(m_env.messages, this, [this] { FormCreate(); });
}

void TForm2::buildLayout()
{
    Label1 = new QLabel(QStringLiteral("種別"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 0);
    Label1->adjustSize();
    Label2 = new QLabel(QStringLiteral("拡張子"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(160, 0);
    Label2->adjustSize();

    LBox1 = new KaListBox(this);
    LBox1->setObjectName(QStringLiteral("LBox1"));
    LBox1->setGeometry(8, 16, 145, 112);
    LBox2 = new KaListBox(this);
    LBox2->setObjectName(QStringLiteral("LBox2"));
    LBox2->setGeometry(160, 16, 89, 112);
    // The two lists are named by the captions above them.
    AccessibleNames::nameAfter(Label1, LBox1);
    AccessibleNames::nameAfter(Label2, LBox2);

    Selects = new QGroupBox(QStringLiteral("編集対象"), this);
    Selects->setObjectName(QStringLiteral("Selects"));
    Selects->setGeometry(256, 0, 161, 65);
    SelectsGroup = new QButtonGroup(this);
    auto* selectsLayout = new QHBoxLayout(Selects);
    selectsLayout->setContentsMargins(8, 2, 8, 4);
    const QString items[2] = {QStringLiteral("種別"), QStringLiteral("拡張子")};
    for (int i = 0; i < 2; ++i) {
        SelectsItems[i] = new QRadioButton(items[i], Selects);
        SelectsGroup->addButton(SelectsItems[i], i);
        selectsLayout->addWidget(SelectsItems[i], 1);
    }
    SelectsItems[0]->setChecked(true);

    const struct {
        QPushButton** button;
        const char* name;
        const char* caption;
        QRect geometry;
    } buttons[] = {
        {&Button1, "Button1", "追加", QRect(256, 72, 49, 25)},
        {&Button2, "Button2", "変更", QRect(312, 72, 49, 25)},
        {&Button3, "Button3", "削除", QRect(368, 72, 49, 25)},
        {&Button4, "Button4", "設定の保存", QRect(256, 104, 75, 25)},
        {&Button5, "Button5", "閉じる", QRect(342, 104, 75, 25)},
    };
    int tag = 1;
    for (const auto& b : buttons) {
        QPushButton* button = plainButton(QString::fromUtf8(b.caption), this);
        button->setObjectName(QLatin1String(b.name));
        button->setGeometry(b.geometry);
        button->setProperty("Tag", tag++);
        *b.button = button;
    }

    auto item = [](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PoAdd1 = item(PopupMenu1, "PoAdd1", QStringLiteral("追加"));
    PoChg1 = item(PopupMenu1, "PoChg1", QStringLiteral("変更"));
    PoDel1 = item(PopupMenu1, "PoDel1", QStringLiteral("削除"));
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    PoAdd2 = item(PopupMenu2, "PoAdd2", QStringLiteral("追加"));
    PoChg2 = item(PopupMenu2, "PoChg2", QStringLiteral("変更"));
    PoDel2 = item(PopupMenu2, "PoDel2", QStringLiteral("削除"));

    setTabOrder(LBox1, LBox2);
    setTabOrder(LBox2, SelectsItems[0]);
    setTabOrder(SelectsItems[0], SelectsItems[1]);
    setTabOrder(SelectsItems[1], Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button4);
    setTabOrder(Button4, Button5);
}

void TForm2::connectHandlers()
{
    Messages& messages = m_env.messages;
    for (QPushButton* b : {Button1, Button2, Button3, Button4, Button5})
        connectGuarded(b, &QPushButton::clicked, this, messages,
                       [this, b] { Button1Click(b->property("Tag").toInt()); });
    // Every change of a control goes to the working copy first, and the
    // controls then show the copy. A radio button reports each change of its
    // check, also one a screen reader makes without a click; a list reports
    // its current row, and a selection a screen reader makes without moving
    // the current row.
    connectGuarded(SelectsGroup, &QButtonGroup::idToggled, this, messages, [this](int, bool checked) {
        if (checked) SelectsClick();
    });
    for (KaListBox* box : {LBox1, LBox2}) {
        connectGuarded(box, &QListWidget::currentRowChanged, this, messages,
                       [this, box](int row) { listPicked(box, row); });
        // A screen reader first clears the selection, then selects its item.
        connectGuarded(box->selectionModel(), &QItemSelectionModel::selectionChanged, this, messages,
                       [this, box](const QItemSelection& selected, const QItemSelection&) {
                           if (!selected.isEmpty()) listPicked(box, selected.indexes().first().row());
                       });
    }

    const struct {
        QAction* action;
        void (TForm2::*handler)();
    } items[] = {
        {PoAdd1, &TForm2::PoAdd1Click}, {PoChg1, &TForm2::PoChg1Click}, {PoDel1, &TForm2::PoDel1Click},
        {PoAdd2, &TForm2::PoAdd2Click}, {PoChg2, &TForm2::PoChg2Click}, {PoDel2, &TForm2::PoDel2Click},
    };
    for (const auto& item : items) connectGuarded(item.action, &QAction::triggered, this, messages, item.handler);

    for (KaListBox* box : {LBox1, LBox2}) {
        QMenu* menu = box == LBox1 ? PopupMenu1 : PopupMenu2;
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(box, &QWidget::customContextMenuRequested, this,
                [box, menu](const QPoint& pos) { menu->popup(box->viewport()->mapToGlobal(pos)); });
        connectGuarded(box, &KaListBox::mouseDown, this, messages,
                       [this, box](Qt::MouseButton button, const QPoint& pos) { listMouseDown(box, button, pos); });
        connectGuarded(box, &KaListBox::dragMoved, this, messages,
                       [this, box](const QPoint& globalPos) { dragMoved(box, globalPos); });
        connectGuarded(box, &KaListBox::dropped, this, messages,
                       [this, box](const QPoint& globalPos) { dropped(box, globalPos); });
        // A move by keyboard is a drop of the current item on its neighbour;
        // the moved item stays current so that the next key moves it on.
        connectGuarded(box, &KaListBox::keyMove, this, messages, [this, box](int from, int to) {
            if (!listDragOver(box, box)) return;
            m_editor.setDragSourceIndex(from);
            if (!(box == LBox1 ? m_editor.dropCategory(to) : m_editor.dropPattern(to))) return;
            if (box == LBox1) showLists();
            else showPatterns();
            box->setCurrentRow(to);
        });
    }
}

void TForm2::setNameInput(TForm3* form)
{
    m_form3 = form;
}

// ---------------------------------------------------------------- showing

void TForm2::FormCreate()
{
    ListEna();
}

void TForm2::showEvent(QShowEvent* event)
{
    KaFixedDialog::showEvent(event);
    if (!event->spontaneous()) guarded(m_env.messages, this, [this] { FormShow(); });
}

void TForm2::FormShow()
{
    StDat();
    ColorSet2();
}

void TForm2::StDat()
{
    m_editor.StDat(m_main.categoryNames(), m_main.patternGrid());
    showLists();
}

void TForm2::ColorSet2()
{
    const ViewColors colors = m_main.viewColors();
    for (KaListBox* box : {LBox1, LBox2}) {
        ViewColours::apply(box, colors);
        // A list that is not being edited keeps its fill colour; only its text greys.
        QPalette pal = box->palette();
        pal.setColor(QPalette::Disabled, QPalette::Base, TColor::toQColor(colors.background));
        box->setPalette(pal);
    }
}

void TForm2::L2Set(int row)
{
    m_editor.L2Set(row);
    showPatterns();
}

void TForm2::showLists()
{
    {
        const QSignalBlocker block(LBox1);
        const QScopedValueRollback showing(m_showing, true);
        LBox1->clear();
        LBox1->addItems(m_editor.names());
        LBox1->setCurrentRow(m_editor.categoryIndex());
    }
    showPatterns();
}

void TForm2::showPatterns()
{
    {
        const QSignalBlocker block(LBox2);
        const QScopedValueRollback showing(m_showing, true);
        LBox2->clear();
        LBox2->addItems(m_editor.patterns());
        LBox2->setCurrentRow(m_editor.patternIndex());
    }
    showAvailability();
}

void TForm2::showAvailability()
{
    // The marks decide the context-menu items of each list; the buttons follow
    // the list being edited. Pattern commands also need a category to store into.
    const bool addCat = m_editor.canAdd(ExtensionEditor::Categories);
    const bool editCat = m_editor.canChangeOrDelete(ExtensionEditor::Categories);
    const bool addPat = m_editor.canAdd(ExtensionEditor::Patterns);
    const bool editPat = m_editor.canChangeOrDelete(ExtensionEditor::Patterns);
    PoAdd1->setEnabled(addCat);
    PoChg1->setEnabled(editCat);
    PoDel1->setEnabled(editCat);
    PoAdd2->setEnabled(addPat);
    PoChg2->setEnabled(editPat);
    PoDel2->setEnabled(editPat);
    const bool cats = m_editor.target() == ExtensionEditor::Categories;
    Button1->setEnabled(cats ? addCat : addPat);
    Button2->setEnabled(cats ? editCat : editPat);
    Button3->setEnabled(cats ? editCat : editPat);
}

void TForm2::ListEna()
{
    const bool cats = m_editor.target() == ExtensionEditor::Categories;
    {
        const QSignalBlocker block(SelectsGroup);
        SelectsItems[cats ? 0 : 1]->setChecked(true);
    }
    LBox1->setEnabled(cats);
    LBox2->setEnabled(!cats);
    showAvailability();
}

// ---------------------------------------------------------------- handlers

void TForm2::SelectsClick()
{
    const int index = SelectsGroup->checkedId();
    m_editor.setTarget(index == 1 ? ExtensionEditor::Patterns : ExtensionEditor::Categories);
    ListEna();
}

void TForm2::LBox1Click()
{
    listPicked(LBox1, LBox1->currentRow());
}

int TForm2::selectedRow(const KaListBox* box)
{
    const QModelIndexList rows = box->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.first().row() : -1;
}

void TForm2::listPicked(KaListBox* box, int row)
{
    // Only the list being edited takes a pick (a disabled list can still be
    // reached by a screen reader); an item picked there becomes the copy's
    // choice. Whatever was refused, the list then shows the copy's choice.
    if (m_showing) return;   // the list is being refilled from the copy
    const bool categories = box == LBox1;
    const int chosen = categories ? m_editor.categoryIndex() : m_editor.patternIndex();
    const bool edited = m_editor.target() == (categories ? ExtensionEditor::Categories : ExtensionEditor::Patterns);
    if (edited && row >= 0 && row != chosen) {
        if (categories) {
            m_editor.selectCategory(row);
            showPatterns();
        } else {
            m_editor.selectPattern(row);
        }
    }
    showChoice(box);
}

void TForm2::showChoice(KaListBox* box)
{
    const int chosen = box == LBox1 ? m_editor.categoryIndex() : m_editor.patternIndex();
    if (box->currentRow() == chosen && selectedRow(box) == chosen) return;
    const QSignalBlocker block(box);
    const QScopedValueRollback showing(m_showing, true);
    box->setCurrentRow(chosen);
}

void TForm2::Button1Click(int tag)
{
    switch (tag) {
    case 1: XAdd(); break;
    case 2: XChg(); break;
    case 3: XDel(); break;
    case 4: TagsSave(); break;
    case 5:
        // A failed reload ends here: the dialog stays open with its copy.
        m_main.TagsLoad();
        m_main.selectFirstCategoryAndPattern();
        done(QDialog::Accepted);
        break;
    default: break;
    }
}

void TForm2::closeButtonClick()
{
    guarded(m_env.messages, this, [this] { Button1Click(5); });
}

void TForm2::TagsSave()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    LineBuffer lines;
    const QString path = m_env.settingsFile(kFileName);
    ExtensionTable::write(m_editor.names(), m_editor.grid(), &lines, path);
    lines.save(path);
}

// ---------------------------------------------------------------- add, change, delete

bool TForm2::askName(const QString& caption, const QString& text)
{
    if (!m_form3) return false;
    m_form3->prepare(caption, text, m_main.viewColors());
    if (m_runner) m_runner(*m_form3);
    else m_form3->exec();
    const TForm3::Answer& answer = m_form3->answer();
    if (answer.stored == TForm3::Stored::CategoryName) storeCategoryName(answer.text);
    if (answer.stored == TForm3::Stored::PatternName) storePatternName(answer.text);
    return answer.accepted;
}

void TForm2::XAdd()
{
    const auto target = m_editor.target();
    // Refused while the list is full, and for patterns while no category row
    // is there to take them.
    if (!m_editor.canAdd(target)) return;
    const bool accepted = askName(target == ExtensionEditor::Categories ? QStringLiteral("種別：追加")
                                                                        : QStringLiteral("拡張子：追加"),
                                  QString());
    if (!accepted) return;
    m_editor.add(m_form3->inputResult());
    showLists();
}

void TForm2::XChg()
{
    const auto target = m_editor.target();
    if (target == ExtensionEditor::Patterns && !m_editor.hasCategoryRow()) return;
    // The list's index error when nothing is selected, before anything is shown.
    const QString current = m_editor.selectedText();
    // The answer itself stores the changed name.
    askName(target == ExtensionEditor::Categories ? QStringLiteral("種別：変更") : QStringLiteral("拡張子：変更"),
            current);
}

void TForm2::storeCategoryName(const QString& name)
{
    if (!m_editor.renameCategory(name)) return;
    if (QListWidgetItem* item = LBox1->item(m_editor.categoryIndex())) item->setText(name);
}

void TForm2::storePatternName(const QString& name)
{
    if (!m_editor.renamePattern(name)) return;
    if (QListWidgetItem* item = LBox2->item(m_editor.patternIndex())) item->setText(name);
}

void TForm2::XDel()
{
    if (m_editor.remove()) showLists();
}

// ---------------------------------------------------------------- drag and drop

void TForm2::listMouseDown(KaListBox* box, Qt::MouseButton button, const QPoint& pos)
{
    if (button != Qt::LeftButton) return;
    m_editor.setDragSourceIndex(box->itemIndexAt(pos));
    if (m_editor.dragSourceIndex() >= 0) box->beginDrag(pos);
}

bool TForm2::listDragOver(const KaListBox* box, const QObject* source) const
{
    if (source != LBox1 && source != LBox2) return false;
    const auto wanted = box == LBox1 ? ExtensionEditor::Categories : ExtensionEditor::Patterns;
    return m_editor.target() == wanted;
}

void TForm2::LBox1DragDrop(QObject* source, const QPoint& pos)
{
    if (!LBox1DragOver(source)) return;
    if (m_editor.dropCategory(LBox1->itemIndexAt(pos))) showLists();
}

void TForm2::LBox2DragDrop(QObject* source, const QPoint& pos)
{
    if (!LBox2DragOver(source)) return;
    if (m_editor.dropPattern(LBox2->itemIndexAt(pos))) showPatterns();
}

void TForm2::listEndDrag(KaListBox* box, bool overTarget)
{
    if (overTarget) box->viewport()->repaint();
}

KaListBox* TForm2::listAt(const QPoint& globalPos) const
{
    for (KaListBox* box : {LBox1, LBox2})
        if (box->rect().contains(box->mapFromGlobal(globalPos))) return box;
    return nullptr;
}

void TForm2::dragMoved(KaListBox* source, const QPoint& globalPos)
{
    KaListBox* target = listAt(globalPos);
    const bool accepted = target && listDragOver(target, source);
    source->viewport()->setCursor(accepted ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
}

void TForm2::dropped(KaListBox* source, const QPoint& globalPos)
{
    KaListBox* target = listAt(globalPos);
    const bool accepted = target && listDragOver(target, source);
    if (accepted) {
        const QPoint pos = target->viewport()->mapFromGlobal(globalPos);
        if (target == LBox1) LBox1DragDrop(source, pos);
        else LBox2DragDrop(source, pos);
    }
    listEndDrag(source, accepted);
}
