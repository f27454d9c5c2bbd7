// The extension settings dialog and its name input, driven through their
// handlers, the name input's buttons and mouse events on the lists.
#include "Forms.h"
#include "LineBuffer.h"
#include "MainControls.h"
#include "Messages.h"
#include "MyInputDialog.h"
#include "OneLine.h"
#include "TestSupport.h"
#include "VarError.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <QtTest/qtestspontaneevent.h>

namespace {

// A close request as the window manager sends it (its title-bar button).
void windowManagerCloses(QWidget* w)
{
    QCloseEvent e;
    QSpontaneKeyEvent::setSpontaneous(&e);
    qApp->notify(w, &e);   // sendEvent would clear the spontaneous flag
}

// The main window as far as the extension dialog sees it: the table is read
// from exitem.cfg of the test folder, as the real window does.
class FakeMain : public StubMainForm {
public:
    explicit FakeMain(const AppEnv& env) : m_env(env) {}
    void TagsLoad() override
    {
        ++tagsLoads;
        if (failLoad) throw VarError::cannotOpen(m_env.settingsFile("exitem.cfg"));
        LineBuffer file;
        file.load(m_env.settingsFile("exitem.cfg"));
        ExtensionTable::parse(file, &names, &grid);
    }
    QStringList categoryNames() const override { return names; }
    void selectFirstCategoryAndPattern() override { ++firstSelections; }

    QStringList names;
    int tagsLoads = 0;
    int firstSelections = 0;
    bool failLoad = false;

private:
    AppEnv m_env;
};

// Categories "A", "B", ... each with the one pattern "*.a", "*.b", ...
QStringList tableLines(const QStringList& names)
{
    QStringList lines = names;
    lines << "**";
    for (int r = 0; r < 10; ++r) {
        if (r < names.size()) lines << "*." + names.at(r).toLower();
        lines << "**";
    }
    lines << "***";
    return lines;
}

QStringList items(const QListWidget* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->item(i)->text();
    return out;
}

QPoint rowCentre(KaListBox* box, int row)
{
    return box->visualItemRect(box->item(row)).center();
}

// What a screen reader does: the named action of a control, or of a list's item.
void screenReaderDoes(QWidget* control, const QString& action, int item = -1)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
    QVERIFY(iface);
    if (item >= 0) iface = iface->tableInterface()->cellAt(item, 0);
    QVERIFY(iface && iface->actionInterface());
    QVERIFY2(iface->actionInterface()->actionNames().contains(action), qPrintable(action));
    iface->actionInterface()->doAction(action);
}

// One dialog pair on a fake main window with a table in the test folder.
struct Fixture {
    explicit Fixture(const QStringList& names = {"A", "B", "C", "D"})
        : main(test.env()), form2(main, test.env()), form3(test.env())
    {
        test.writeLines("exitem.cfg", tableLines(names));
        main.TagsLoad();
        main.tagsLoads = 0;
        form2.setNameInput(&form3);
        form2.show();
    }
    // The name input answers with "決定" after typing, or with "キャンセル".
    void answer(const QString& text, bool accept = true)
    {
        form2.setNameInputRunner([this, text, accept](TForm3& f) {
            shownCaption = f.windowTitle();
            shownText = ui(f).Edit1->text();
            ui(f).Edit1->setText(text);
            accept ? ui(f).Button1->click() : ui(f).Button2->click();
        });
    }
    void target(int index) { ui(form2).SelectsItems[index]->click(); }

    TestEnv test;
    FakeMain main;
    TForm2 form2;
    TForm3 form3;
    QString shownCaption, shownText;
};

} // namespace

class TestKaDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsForCategoriesAndRebuildsOnShow();
    void availabilityFollowsMarksAndTarget();
    void addInsertsThroughNameInput();
    void cancelChangesNothing();
    void changeStoresThroughNameInput();
    void patternCommandsRefusedWithoutCategory();
    void nameInputKeysAndModalShowing();
    void dialogKeysPressNoButton();
    void dragNeedsFivePixels();
    void dragOnlyInTheEditedList();
    void saveThenClose();
    void closeWithoutSaving();
    void failuresKeepDialogOpen();
    void layoutFitsAndFrame();
    void openedFromMainWindowMenu();
    void everyWayToPickActsOnWhatIsShown_data();
    void everyWayToPickActsOnWhatIsShown();
    void markerNamesRefusedAtEntry_data();
    void markerNamesRefusedAtEntry();
    void warningsKeepTheirLines();
};

void TestKaDialog::startsForCategoriesAndRebuildsOnShow()
{
    Fixture f({"A", "B", "C"});
    QVERIFY(ui(f.form2).LBox1->isEnabled());
    QVERIFY(!ui(f.form2).LBox2->isEnabled());
    QCOMPARE(items(ui(f.form2).LBox1), (QStringList{"A", "B", "C"}));
    QCOMPARE(items(ui(f.form2).LBox2), QStringList{"*.a"});
    QCOMPARE(ui(f.form2).LBox1->currentRow(), 0);
    QCOMPARE(ui(f.form2).LBox2->currentRow(), 0);

    // Selecting a category lists its patterns.
    ui(f.form2).LBox1->setCurrentRow(2);
    QCOMPARE(items(ui(f.form2).LBox2), QStringList{"*.c"});

    // Colours come from the main window at each showing, and unsaved edits of
    // the previous showing are gone.
    f.main.colors = ViewColors{0x0000FF, 0x00FF00};   // red on green
    f.form2.XDel();
    QCOMPARE(ui(f.form2).LBox1->count(), 2);
    f.form2.hide();
    f.form2.show();
    QCOMPARE(items(ui(f.form2).LBox1), (QStringList{"A", "B", "C"}));
    QCOMPARE(ui(f.form2).LBox1->palette().color(QPalette::Active, QPalette::Base), QColor(0, 255, 0));
    QCOMPARE(ui(f.form2).LBox2->palette().color(QPalette::Active, QPalette::Text), QColor(255, 0, 0));
    QCOMPARE(ui(f.form2).LBox2->palette().color(QPalette::Disabled, QPalette::Base), QColor(0, 255, 0));

    // The edit target stays across showings.
    f.target(1);
    f.form2.hide();
    f.form2.show();
    QVERIFY(ui(f.form2).SelectsItems[1]->isChecked());
    QVERIFY(!ui(f.form2).LBox1->isEnabled());
    QVERIFY(ui(f.form2).LBox2->isEnabled());
}

void TestKaDialog::availabilityFollowsMarksAndTarget()
{
    QStringList nine;
    for (int i = 0; i < 9; ++i) nine << QStringLiteral("K%1").arg(i);
    Fixture f(nine);
    f.answer("K9");
    QVERIFY(ui(f.form2).Button1->isEnabled());
    ui(f.form2).Button1->click();
    QCOMPARE(ui(f.form2).LBox1->count(), 10);
    QVERIFY(!ui(f.form2).Button1->isEnabled());
    QVERIFY(!ui(f.form2).PoAdd1->isEnabled());
    QVERIFY(ui(f.form2).Button2->isEnabled() && ui(f.form2).Button3->isEnabled());

    // The pattern list has room: its own marks decide once it is edited.
    f.target(1);
    QVERIFY(ui(f.form2).Button1->isEnabled());
    f.target(0);
    QVERIFY(!ui(f.form2).Button1->isEnabled());
    ui(f.form2).PoDel1->trigger();
    QVERIFY(ui(f.form2).Button1->isEnabled());
    QVERIFY(ui(f.form2).PoAdd1->isEnabled());

    // Deleting the only category takes change and delete away; adding gives them back.
    Fixture one({"A"});
    ui(one.form2).Button3->click();
    QCOMPARE(ui(one.form2).LBox1->count(), 0);
    QVERIFY(!ui(one.form2).Button2->isEnabled() && !ui(one.form2).Button3->isEnabled());
    QVERIFY(!ui(one.form2).PoChg1->isEnabled() && !ui(one.form2).PoDel1->isEnabled());
    one.answer("B");
    ui(one.form2).Button1->click();
    QVERIFY(ui(one.form2).Button2->isEnabled() && ui(one.form2).Button3->isEnabled());
}

void TestKaDialog::addInsertsThroughNameInput()
{
    Fixture f({"A", "B", "C"});
    f.main.colors = ViewColors{0x000080, 0xFFFFFF};
    ui(f.form2).LBox1->setCurrentRow(2);
    f.answer("D");
    ui(f.form2).Button1->click();
    QCOMPARE(f.shownCaption, QStringLiteral("種別：追加"));
    QCOMPARE(f.shownText, QString());
    QCOMPARE(ui(f.form3).Edit1->palette().color(QPalette::Text), QColor(0x80, 0, 0));
    QCOMPARE(items(ui(f.form2).LBox1), (QStringList{"A", "B", "D", "C"}));
    QCOMPARE(ui(f.form2).LBox1->currentRow(), 0);

    // An empty name is stored as it is; a pattern goes before the selected one.
    f.answer(QString());
    ui(f.form2).PoAdd1->trigger();
    QCOMPARE(items(ui(f.form2).LBox1), (QStringList{"", "A", "B", "D", "C"}));
    QCOMPARE(ui(f.form2).LBox1->currentRow(), 0);
    ui(f.form2).LBox1->setCurrentRow(1);   // A
    f.target(1);
    f.answer("*.b");
    ui(f.form2).Button1->click();
    QCOMPARE(f.shownCaption, QStringLiteral("拡張子：追加"));
    QCOMPARE(items(ui(f.form2).LBox2), (QStringList{"*.b", "*.a"}));
    QCOMPARE(ui(f.form2).LBox2->currentRow(), 0);
    QCOMPARE(ui(f.form2).LBox1->currentRow(), 1);
}

void TestKaDialog::cancelChangesNothing()
{
    Fixture f({"A", "B"});
    // A name the input took before.
    f.form3.prepare(QStringLiteral("種別：追加"), QStringLiteral("stale"), ViewColors{});
    f.form3.Button1Click();
    f.answer("X", false);
    ui(f.form2).Button1->click();
    QCOMPARE(items(ui(f.form2).LBox1), (QStringList{"A", "B"}));
    QVERIFY(!f.form3.answer().accepted);
    QCOMPARE(f.form3.inputResult(), QStringLiteral("stale"));

    f.target(1);
    ui(f.form2).Button2->click();
    QCOMPARE(f.shownCaption, QStringLiteral("拡張子：変更"));
    QCOMPARE(f.shownText, QStringLiteral("*.a"));
    QCOMPARE(items(ui(f.form2).LBox2), QStringList{"*.a"});
    QCOMPARE(f.form2.editor().grid().cell[0][0], QStringLiteral("*.a"));

    // A name input that closes without either button does not add anything.
    f.form2.setNameInputRunner([](TForm3&) {});
    ui(f.form2).Button1->click();
    QCOMPARE(items(ui(f.form2).LBox2), QStringList{"*.a"});
}

void TestKaDialog::changeStoresThroughNameInput()
{
    Fixture f({"A", "B"});
    ui(f.form2).LBox1->setCurrentRow(1);
    f.answer(" Bee ");
    ui(f.form2).PoChg1->trigger();
    QCOMPARE(f.shownCaption, QStringLiteral("種別：変更"));
    QCOMPARE(f.shownText, QStringLiteral("B"));
    QCOMPARE(items(ui(f.form2).LBox1), (QStringList{"A", " Bee "}));
    QCOMPARE(ui(f.form2).LBox1->currentRow(), 1);
    QCOMPARE(items(ui(f.form2).LBox2), QStringList{"*.b"});

    f.target(1);
    f.answer("*.bee");
    ui(f.form2).PoChg2->trigger();
    QCOMPARE(items(ui(f.form2).LBox2), QStringList{"*.bee"});
    QCOMPARE(f.form2.editor().grid().cell[1][0], QStringLiteral("*.bee"));
    QCOMPARE(f.form2.editor().grid().cell[0][0], QStringLiteral("*.a"));

    // Any other caption stores nothing but still counts as accepted.
    f.form2.setNameInputRunner([](TForm3& input) {
        input.prepare(QStringLiteral("other"), QStringLiteral("zzz"), ViewColors{});
        ui(input).Button1->click();
    });
    ui(f.form2).PoChg2->trigger();
    QVERIFY(f.form3.answer().accepted);
    QCOMPARE(f.form3.answer().stored, TForm3::Stored::Nothing);
    QCOMPARE(items(ui(f.form2).LBox2), QStringList{"*.bee"});
    QCOMPARE(f.form2.editor().grid().cell[1][0], QStringLiteral("*.bee"));
}

void TestKaDialog::patternCommandsRefusedWithoutCategory()
{
    Fixture f{QStringList{}};
    f.test.writeLines("exitem.cfg", {"**", "*.txt", "**", "***"});
    f.main.TagsLoad();
    f.form2.hide();
    f.form2.show();
    f.target(1);
    QCOMPARE(items(ui(f.form2).LBox2), QStringList{"*.txt"});
    QVERIFY(!ui(f.form2).Button1->isEnabled() && !ui(f.form2).Button2->isEnabled() && !ui(f.form2).Button3->isEnabled());
    bool asked = false;
    f.form2.setNameInputRunner([&](TForm3&) { asked = true; });
    f.form2.XAdd();
    f.form2.XChg();
    f.form2.XDel();
    QVERIFY(!asked);
    QCOMPARE(items(ui(f.form2).LBox2), QStringList{"*.txt"});
}

void TestKaDialog::nameInputKeysAndModalShowing()
{
    // The real modal showing: Enter and Escape in the edit field press nothing,
    // and "決定" ends it.
    Fixture f({"A"});
    bool stillOpen = false;
    QWidget* firstFocus = nullptr;
    QWidget* laterFocus = nullptr;
    QTimer::singleShot(0, &f.form3, [&] {
        firstFocus = f.form3.focusWidget();
        ui(f.form3).Edit1->setText("typed");
        ui(f.form3).Edit1->setFocus();
        QTest::keyClick(ui(f.form3).Edit1, Qt::Key_Return);
        QTest::keyClick(ui(f.form3).Edit1, Qt::Key_Escape);
        stillOpen = f.form3.isVisible();
        ui(f.form3).Button1->click();
    });
    f.form2.XAdd();
    QVERIFY(stillOpen);
    QCOMPARE(firstFocus, ui(f.form3).Button1);
    QVERIFY(!f.form3.isVisible());
    QCOMPARE(items(ui(f.form2).LBox1), (QStringList{"typed", "A"}));

    // A focused button takes Enter.
    QTimer::singleShot(0, &f.form3, [&] {
        laterFocus = f.form3.focusWidget();
        ui(f.form3).Edit1->setText("again");
        ui(f.form3).Button2->setFocus();
        QTest::keyClick(ui(f.form3).Button2, Qt::Key_Return);
    });
    f.form2.XAdd();
    QCOMPARE(laterFocus, ui(f.form3).Edit1);   // where it was when the input last closed
    QTimer::singleShot(0, &f.form3, [&] {
        laterFocus = f.form3.focusWidget();
        ui(f.form3).Button2->click();
    });
    f.form2.XAdd();
    QCOMPARE(laterFocus, ui(f.form3).Button2);
    QVERIFY(!f.form3.answer().accepted);
    QCOMPARE(ui(f.form2).LBox1->count(), 2);
    // The title bar's close is "キャンセル".
    QTimer::singleShot(0, &f.form3, [&] {
        ui(f.form3).Edit1->setText("closed");
        windowManagerCloses(&f.form3);
    });
    f.form2.XAdd();
    QVERIFY(!f.form3.isVisible());
    QVERIFY(!f.form3.answer().accepted);
    QCOMPARE(ui(f.form2).LBox1->count(), 2);
    QVERIFY(!ui(f.form3).Button1->isDefault() && !ui(f.form3).Button2->isDefault());
    QVERIFY(!ui(f.form3).Button1->autoDefault() && !ui(f.form3).Button2->autoDefault());
}

void TestKaDialog::dialogKeysPressNoButton()
{
    Fixture f({"A"});
    ui(f.form2).LBox1->setFocus();
    QTest::keyClick(ui(f.form2).LBox1, Qt::Key_Return);
    QTest::keyClick(ui(f.form2).LBox1, Qt::Key_Escape);
    QVERIFY(f.form2.isVisible());
    QCOMPARE(f.main.tagsLoads, 0);
    for (QPushButton* b : {ui(f.form2).Button1, ui(f.form2).Button2, ui(f.form2).Button3, ui(f.form2).Button4, ui(f.form2).Button5})
        QVERIFY(!b->isDefault() && !b->autoDefault());
    // The title bar's close is "閉じる": the main window reloads, and a failed
    // reload keeps the dialog open.
    f.main.failLoad = true;
    windowManagerCloses(&f.form2);
    QVERIFY(f.form2.isVisible());
    QCOMPARE(f.test.messages.log.size(), 1);
    f.main.failLoad = false;
    windowManagerCloses(&f.form2);
    QVERIFY(!f.form2.isVisible());
    QCOMPARE(f.main.tagsLoads, 2);
    QCOMPARE(f.main.firstSelections, 1);
}

void TestKaDialog::dragNeedsFivePixels()
{
    Fixture f;   // A, B, C, D
    KaListBox* box = ui(f.form2).LBox1;
    QWidget* vp = box->viewport();
    const QPoint d = rowCentre(box, 3);

    // Four pixels and back: an ordinary click that selects D.
    QTest::mousePress(vp, Qt::LeftButton, {}, d);
    QTest::mouseMove(vp, d + QPoint(4, 4));
    QVERIFY(box->dragArmed() && !box->dragging());
    QTest::mouseRelease(vp, Qt::LeftButton, {}, d + QPoint(4, 4));
    QCOMPARE(items(box), (QStringList{"A", "B", "C", "D"}));
    QCOMPARE(box->currentRow(), 3);
    QCOMPARE(items(ui(f.form2).LBox2), QStringList{"*.d"});

    // D onto B: A, D, B, C with the pattern rows following.
    const QPoint b = rowCentre(box, 1);
    QTest::mousePress(vp, Qt::LeftButton, {}, d);
    QTest::mouseMove(vp, d + QPoint(0, -5));
    QVERIFY(box->dragging());
    QTest::mouseMove(vp, b);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, b);
    QCOMPARE(items(box), (QStringList{"A", "D", "B", "C"}));
    QCOMPARE(box->currentRow(), 0);
    QCOMPARE(f.form2.editor().grid().cell[1][0], QStringLiteral("*.d"));
    QCOMPARE(f.form2.editor().grid().cell[3][0], QStringLiteral("*.c"));

    // Below the last item: no change.
    const QPoint below(d.x(), box->visualItemRect(box->item(3)).bottom() + 20);
    QVERIFY(box->itemIndexAt(below) < 0);
    QTest::mousePress(vp, Qt::LeftButton, {}, rowCentre(box, 0));
    QTest::mouseMove(vp, below);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, below);
    QCOMPARE(items(box), (QStringList{"A", "D", "B", "C"}));

    // A right-button press arms nothing.
    QTest::mousePress(vp, Qt::RightButton, {}, rowCentre(box, 1));
    QVERIFY(!box->dragArmed());
    QTest::mouseRelease(vp, Qt::RightButton, {}, rowCentre(box, 1));
}

void TestKaDialog::dragOnlyInTheEditedList()
{
    Fixture f({"A", "B"});
    f.test.writeLines("exitem.cfg", {"A", "**", "*.1", "*.2", "*.3", "**", "***"});
    f.main.TagsLoad();
    f.form2.hide();
    f.form2.show();
    f.target(1);
    KaListBox* box = ui(f.form2).LBox2;
    QWidget* vp = box->viewport();

    // Dropped outside the list (on the other list): refused, nothing moves.
    const QPoint onLBox1 = vp->mapFromGlobal(ui(f.form2).LBox1->viewport()->mapToGlobal(rowCentre(ui(f.form2).LBox1, 0)));
    QTest::mousePress(vp, Qt::LeftButton, {}, rowCentre(box, 2));
    QTest::mouseMove(vp, onLBox1);
    QCOMPARE(vp->cursor().shape(), Qt::ForbiddenCursor);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, onLBox1);
    QCOMPARE(items(ui(f.form2).LBox1), QStringList{"A"});
    QCOMPARE(items(box), (QStringList{"*.1", "*.2", "*.3"}));

    QTest::mousePress(vp, Qt::LeftButton, {}, rowCentre(box, 2));
    QTest::mouseMove(vp, rowCentre(box, 0));
    QCOMPARE(vp->cursor().shape(), Qt::DragMoveCursor);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, rowCentre(box, 0));
    QCOMPARE(items(box), (QStringList{"*.3", "*.1", "*.2"}));
    QCOMPARE(f.form2.editor().grid().cell[0][0], QStringLiteral("*.3"));
    QCOMPARE(vp->cursor().shape(), Qt::ArrowCursor);

    // The category list does not take drops while patterns are edited.
    QVERIFY(!f.form2.LBox1DragOver(ui(f.form2).LBox1));
    QVERIFY(f.form2.LBox2DragOver(ui(f.form2).LBox2));
}

void TestKaDialog::saveThenClose()
{
    Fixture f({"A", "B", "C"});
    ui(f.form2).LBox1->setCurrentRow(1);
    ui(f.form2).Button3->click();   // B goes
    ui(f.form2).Button4->click();
    QCOMPARE(f.test.readFile("exitem.cfg"), crlf(tableLines({"A", "C"})));
    QCOMPARE(f.main.tagsLoads, 0);
    QCOMPARE(items(ui(f.form2).LBox1), (QStringList{"A", "C"}));
    QVERIFY(f.form2.isVisible());
    QCOMPARE(QApplication::overrideCursor(), nullptr);

    ui(f.form2).Button5->click();
    QVERIFY(!f.form2.isVisible());
    QCOMPARE(f.main.tagsLoads, 1);
    QCOMPARE(f.main.firstSelections, 1);
    QCOMPARE(f.main.names, (QStringList{"A", "C"}));
    QCOMPARE(f.main.grid.cell[1][0], QStringLiteral("*.c"));
}

void TestKaDialog::closeWithoutSaving()
{
    Fixture f({"A", "B"});
    const QByteArray before = f.test.readFile("exitem.cfg");
    f.answer("new");
    ui(f.form2).Button1->click();
    ui(f.form2).Button5->click();
    QVERIFY(!f.form2.isVisible());
    QCOMPARE(f.test.readFile("exitem.cfg"), before);
    QCOMPARE(f.main.names, (QStringList{"A", "B"}));
    QCOMPARE(f.main.firstSelections, 1);
}

void TestKaDialog::failuresKeepDialogOpen()
{
    Fixture f({"A", "B"});
    ui(f.form2).Button3->click();
    f.main.failLoad = true;
    ui(f.form2).Button5->click();
    QVERIFY(f.form2.isVisible());
    QCOMPARE(f.main.firstSelections, 0);
    QCOMPARE(f.test.messages.texts(),
             QStringList{QStringLiteral("ﾌｧｲﾙ %1 は開けません.").arg(f.test.path("exitem.cfg"))});
    QCOMPARE(items(ui(f.form2).LBox1), QStringList{"B"});

    // A save that cannot write: the create error, the cursor back to normal,
    // the old file whole and the working copy kept.
    FakeMessages messages;
    AppEnv broken{f.test.path("missing/"), f.test.platform, messages, f.test.dialogs};
    TForm2 form(f.main, broken);
    form.show();
    ui(form).Button3->click();
    ui(form).Button4->click();
    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("ﾌｧｲﾙ %1 を作成できません.").arg(f.test.path("missing/exitem.cfg"))});
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(items(ui(form).LBox1), QStringList{"B"});
    QVERIFY(form.isVisible());
}

void TestKaDialog::layoutFitsAndFrame()
{
    Fixture f({"A", "B", "C"});
    QCOMPARE(f.form2.size(), QSize(425, 137));
    QCOMPARE(f.form3.size(), QSize(193, 73));
    for (QDialog* d : {static_cast<QDialog*>(&f.form2), static_cast<QDialog*>(&f.form3)}) {
        // A dialog's frame with the close button alone.
        const Qt::WindowFlags flags = d->windowFlags();
        QCOMPARE(d->windowType(), Qt::Dialog);
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        // Every caption fits its control and every control lies inside the client area.
        for (QWidget* w : d->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(d) || w->parentWidget() != d) continue;
            QVERIFY2(d->rect().contains(w->geometry()), qPrintable(w->objectName()));
            QString text;
            if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
            if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
            const int margin = qobject_cast<QLabel*>(w) ? 0 : 6;
            if (!text.isEmpty())
                QVERIFY2(w->fontMetrics().horizontalAdvance(text) + margin <= w->width(), qPrintable(text));
        }
    }
    for (QRadioButton* r : ui(f.form2).SelectsItems)
        QVERIFY2(r->sizeHint().width() <= r->width(), qPrintable(r->text()));
    // Three categories are all in view.
    for (int i = 0; i < 3; ++i)
        QVERIFY(ui(f.form2).LBox1->viewport()->rect().contains(ui(f.form2).LBox1->visualItemRect(ui(f.form2).LBox1->item(i))));
}

void TestKaDialog::openedFromMainWindowMenu()
{
    TestEnv test;
    TForm1 main(test.env());
    createForms(main);
    QVERIFY(ui(main).Form2 && ui(main).Form3);
    QCOMPARE(ui(main).Form2->nameInput(), ui(main).Form3);
    QVERIFY(!ui(main).Form2->isVisible() && !ui(main).Form3->isVisible());
    bool wasModal = false;
    QTimer::singleShot(0, ui(main).Form2, [&] {
        wasModal = ui(main).Form2->isVisible() && ui(main).Form2->isModal();
        ui(*ui(main).Form2).Button5->click();
    });
    ui(main).E2->trigger();
    QVERIFY(wasModal);
    QVERIFY(!ui(main).Form2->isVisible());
    QVERIFY(test.messages.texts().isEmpty());
}

// However the edit target and the item are picked, the lists show the
// working copy, and "削除" deletes what is shown as picked.
void TestKaDialog::everyWayToPickActsOnWhatIsShown_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("mouse") << 0;
    QTest::newRow("keys") << 1;
    QTest::newRow("screen reader") << 2;
}

void TestKaDialog::everyWayToPickActsOnWhatIsShown()
{
    QFETCH(int, way);
    Fixture f({"A", "B"});
    f.test.writeLines("exitem.cfg", {"A", "B", "**", "*.1", "*.2", "*.3", "**", "*.b", "**", "***"});
    f.main.TagsLoad();
    f.form2.hide();
    f.form2.show();
    const Form2Controls c = ui(f.form2);
    auto pickTarget = [&](int target) {
        QRadioButton* r = c.SelectsItems[target];
        switch (way) {
        case 0: QTest::mouseClick(r, Qt::LeftButton, {}, r->rect().center()); break;
        case 1: QTest::keyClick(r, Qt::Key_Space); break;
        case 2: screenReaderDoes(r, QAccessibleActionInterface::toggleAction()); break;
        }
    };
    auto pickItem = [&](KaListBox* box, int row) {
        switch (way) {
        case 0: QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, rowCentre(box, row)); break;
        case 1:
            box->setFocus();
            for (int i = box->currentRow(); i < row; ++i) QTest::keyClick(box, Qt::Key_Down);
            break;
        case 2: screenReaderDoes(box, QAccessibleActionInterface::toggleAction(), row); break;
        }
    };
    pickTarget(1);
    QVERIFY(c.SelectsItems[1]->isChecked());
    QCOMPARE(f.form2.editor().target(), ExtensionEditor::Patterns);
    QVERIFY(!c.LBox1->isEnabled() && c.LBox2->isEnabled());
    pickItem(c.LBox2, 1);
    QCOMPARE(c.LBox2->selectedItems().value(0)->text(), QStringLiteral("*.2"));
    c.Button3->click();
    QCOMPARE(items(c.LBox1), (QStringList{"A", "B"}));
    QCOMPARE(items(c.LBox2), (QStringList{"*.1", "*.3"}));

    pickTarget(0);
    QVERIFY(c.SelectsItems[0]->isChecked());
    QVERIFY(c.LBox1->isEnabled() && !c.LBox2->isEnabled());
    pickItem(c.LBox1, 1);
    QCOMPARE(items(c.LBox2), QStringList{"*.b"});
    c.Button3->click();
    QCOMPARE(items(c.LBox1), QStringList{"A"});
    QCOMPARE(items(c.LBox2), (QStringList{"*.1", "*.3"}));
    QVERIFY(f.test.messages.log.isEmpty());
}

void TestKaDialog::markerNamesRefusedAtEntry_data()
{
    QTest::addColumn<int>("target");   // 0 categories, 1 patterns
    QTest::addColumn<bool>("add");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    for (const QString& n : {QStringLiteral("**"), QStringLiteral("***")})
        for (int target : {0, 1})
            for (bool add : {true, false})
                QTest::addRow("%s %s %s", target ? "pattern" : "category", add ? "add" : "change", qPrintable(n))
                    << target << add << n << (n == QStringLiteral("**") || target == 1);
}

// A name that would change the table's file at the next reading ("**"
// anywhere, "***" as a pattern) is refused by "決定" with a warning, and
// nothing is stored. "***" reads back as a category name, so it is taken.
void TestKaDialog::markerNamesRefusedAtEntry()
{
    QFETCH(int, target);
    QFETCH(bool, add);
    QFETCH(QString, name);
    QFETCH(bool, refused);
    Fixture f({"A", "B"});
    f.target(target);
    f.answer(name);
    (add ? ui(f.form2).Button1 : ui(f.form2).Button2)->click();
    if (!refused) {
        QVERIFY(f.test.messages.log.isEmpty());
        ui(f.form2).Button4->click();
        ui(f.form2).Button5->click();
        QCOMPARE(f.main.names, add ? (QStringList{name, "A", "B"}) : (QStringList{name, "B"}));
        QCOMPARE(f.main.grid.cell[1][0], add ? QStringLiteral("*.a") : QStringLiteral("*.b"));
        return;
    }
    QCOMPARE(f.test.messages.log.size(), 1);
    QCOMPARE(f.test.messages.log[0].kind, RecordedMessage::Warning);
    QVERIFY(f.test.messages.log[0].text.contains(name));
    QVERIFY(!f.form3.answer().accepted);
    QCOMPARE(items(ui(f.form2).LBox1), (QStringList{"A", "B"}));
    QCOMPARE(items(ui(f.form2).LBox2), QStringList{"*.a"});
}

// The warnings of the name fields break their own lines: the message box
// never wraps one so that a word or "。" stands alone.
void TestKaDialog::warningsKeepTheirLines()
{
    for (const QString& text : {TForm3::markerRefusal(QStringLiteral("**")), OneLine::tooLongWarning(4096),
                                OneLine::controlWarning(0x1F)}) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("警告"), text, QMessageBox::Ok);
        QtMessages::fitCaption(box);
        box.show();
        QVERIFY2(!box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->wordWrap(), qPrintable(text));
    }
}

QTEST_MAIN(TestKaDialog)
#include "tst_kadialog.moc"
