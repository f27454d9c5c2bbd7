// What a screen reader and a keyboard user get: every control named, the
// hints kept as descriptions, the tab order through the main window, and a
// file list that takes a selection when Tab enters it.
#include "FileListModel.h"
#include "Forms.h"
#include "KaDialog.h"
#include "KaListBox.h"
#include "MainControls.h"
#include "TestSupport.h"
#include "TextPane.h"
#include "Unit1.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

QAccessibleInterface* ifaceOf(QObject* o) { return QAccessible::queryAccessibleInterface(o); }

// The name a screen reader speaks for a control: its own, or, where the
// toolkit publishes the value as the name (drop-down lists), its caption's.
QString spokenName(QAccessibleInterface* iface)
{
    for (const auto& [other, relation] : iface->relations(QAccessible::Label))
        if (other && !other->text(QAccessible::Name).isEmpty()) return other->text(QAccessible::Name);
    if (iface->role() == QAccessible::ComboBox) return {};
    return iface->text(QAccessible::Name);
}

// Controls a user can reach (by keyboard or pointer) that have no name to speak.
QStringList unnamedControls(QWidget* window)
{
    QStringList missing;
    const QList<QWidget*> all = window->findChildren<QWidget*>();
    for (QWidget* w : all) {
        if (w->window() != window || qobject_cast<QLabel*>(w)) continue;
        QAccessibleInterface* iface = ifaceOf(w);
        if (!iface) continue;
        switch (iface->role()) {
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::ComboBox:
        case QAccessible::EditableText:
        case QAccessible::List:
        case QAccessible::Tree:
        case QAccessible::Graphic:
            break;
        default:
            continue;
        }
        // The line edit inside an editable drop-down list speaks for the list.
        if (qobject_cast<QComboBox*>(w->parentWidget())) continue;
        if (spokenName(iface).isEmpty())
            missing << QStringLiteral("%1 (%2)").arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()));
    }
    return missing;
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

    struct Main {
        TestEnv env;
        std::unique_ptr<TForm1> form;
        explicit Main(const QStringList& files = {})
        {
            QDir().mkpath(env.path(QStringLiteral("home/ﾃﾞｽｸﾄｯﾌﾟ")));
            for (const QString& name : files) {
                QFile f(env.path(QStringLiteral("home/ﾃﾞｽｸﾄｯﾌﾟ/") + name));
                if (f.open(QIODevice::WriteOnly)) f.write("text of " + name.toUtf8() + "\r\n");
            }
            env.platform.home = env.path(QStringLiteral("home"));
            form = std::make_unique<TForm1>(env.env());
            createForms(*form);
        }
        void show()
        {
            form->show();
            QApplication::setActiveWindow(form.get());
            QVERIFY(QTest::qWaitForWindowActive(form.get()));
        }
        QWidget* tab(bool back = false)
        {
            QWidget* from = QApplication::focusWidget();
            if (!from) return nullptr;
            QTest::keyClick(from, back ? Qt::Key_Backtab : Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
            return QApplication::focusWidget();
        }
    };

private Q_SLOTS:
    void everyReachableControlHasAName()
    {
        Main m;
        QCOMPARE(unnamedControls(m.form.get()), QStringList());
        for (const char* dialog : {"Form2", "Form3", "Form4", "Form5", "Form6", "Form7", "AboutBox"}) {
            auto* w = m.form->findChild<QWidget*>(QLatin1String(dialog));
            QVERIFY2(w, dialog);
            QVERIFY2(unnamedControls(w).isEmpty(), qPrintable(QLatin1String(dialog) + QStringLiteral(": ")
                                                              + unnamedControls(w).join(QStringLiteral(", "))));
        }
    }

    // The application buttons are named before the settings are read, so a
    // start that fails on a settings file leaves no button without a name.
    void applicationButtonsNamedWithoutSettings_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::newRow("appcfgs.cfg") << QStringLiteral("appcfgs.cfg");
        QTest::newRow("exitem.cfg") << QStringLiteral("exitem.cfg");
        QTest::newRow("appitems.cfg") << QStringLiteral("appitems.cfg");
    }
    void applicationButtonsNamedWithoutSettings()
    {
        QFETCH(QString, missing);
        TestEnv env;
        QVERIFY(QFile::remove(env.path(missing)));
        TForm1 form(env.env());
        QVERIFY(!env.messages.log.isEmpty());
        const MainControls c(form);
        for (int n = 1; n <= 5; ++n) QCOMPARE(ifaceOf(c.AppBtn[n])->text(QAccessible::Name), QStringLiteral("（未登録）"));
        QCOMPARE(unnamedControls(&form), QStringList());
    }

    void namesSayWhatAControlIsForAndHintsStayDescriptions()
    {
        Main m;
        TForm1& f = *m.form;
        const MainControls c(f);
        QAccessibleInterface* folder = ifaceOf(c.FolderBtn);
        QCOMPARE(folder->text(QAccessible::Name), QStringLiteral("フォルダのパスを選択"));
        QCOMPARE(folder->text(QAccessible::Description), QStringLiteral("フォルダのパスを選択するダイアログボックスを開きます。"));
        QCOMPARE(spokenName(ifaceOf(c.ChBox1)), QStringLiteral("拡張子の種類"));
        QCOMPARE(ifaceOf(c.ChBox1)->text(QAccessible::Description), QStringLiteral("拡張子の種類を選択します。"));
        QCOMPARE(spokenName(ifaceOf(c.ChBox2)), QStringLiteral("拡張子"));
        QCOMPARE(ifaceOf(c.Edit1)->text(QAccessible::Name), QStringLiteral("フォルダのパス"));
        QCOMPARE(ifaceOf(c.LView)->text(QAccessible::Name), QStringLiteral("ファイル一覧"));
        for (QWidget* page : c.REdit->textWidgets())
            QCOMPARE(ifaceOf(page)->text(QAccessible::Name), QStringLiteral("ファイルの内容"));

        // The application buttons: the slot's title, from the same table as the hint.
        for (int n = 1; n <= 5; ++n) {
            QAccessibleInterface* b = ifaceOf(c.AppBtn[n]);
            QCOMPARE(b->text(QAccessible::Name), QStringLiteral("（未登録）"));
            QCOMPARE(b->text(QAccessible::Description), QStringLiteral("（未登録）"));
        }
        f.confirmSlot(2, AppSlots::Slot{QStringLiteral("エディタ"), QStringLiteral("/usr/bin/editor"), {}, QImage()});
        QCOMPARE(ifaceOf(c.AppBtn[2])->text(QAccessible::Name), QStringLiteral("エディタ"));
        QCOMPARE(ifaceOf(c.AppBtn[2])->text(QAccessible::Description), QStringLiteral("エディタ"));
        f.confirmSlot(2, AppSlots::Slot{});
        QCOMPARE(ifaceOf(c.AppBtn[2])->text(QAccessible::Name), QStringLiteral("（未登録）"));

        // Dialog fields and lists are named after the caption beside them.
        auto named = [&](const char* dialog, const char* control) {
            QWidget* d = f.findChild<QWidget*>(QLatin1String(dialog));
            QWidget* w = d ? d->findChild<QWidget*>(QLatin1String(control)) : nullptr;
            return w ? spokenName(ifaceOf(w)) : QStringLiteral("<missing>");
        };
        QCOMPARE(named("Form2", "LBox1"), QStringLiteral("種別"));
        QCOMPARE(named("Form2", "LBox2"), QStringLiteral("拡張子"));
        QCOMPARE(named("Form3", "Edit1"), QStringLiteral("名前"));
        QCOMPARE(named("Form4", "ETitle"), QStringLiteral("Title:"));
        QCOMPARE(named("Form4", "EOpt"), QStringLiteral("Option:"));
        QCOMPARE(named("Form4", "EAppPath"), QStringLiteral("Path:"));
        QCOMPARE(named("Form4", "ChBox"), QStringLiteral("アイテムの番号"));
        QCOMPARE(named("Form5", "Edit1"), QStringLiteral("対象ファイル"));
        QWidget* form4 = f.findChild<QWidget*>(QStringLiteral("Form4"));
        // Controls of one kind in the five rows are told apart by their slot.
        QStringList rowNames;
        for (int n = 1; n <= 5; ++n)
            for (const char* kind : {"ResetBtn%1", "AppImg%1"})
                rowNames << ifaceOf(form4->findChild<QWidget*>(QString::fromLatin1(kind).arg(n)))->text(QAccessible::Name);
        rowNames.removeDuplicates();
        QCOMPARE(rowNames.size(), 10);
        QCOMPARE(rowNames.first(), QStringLiteral("Reset 1"));
        // The caption is also the relation a reader follows from the field.
        QWidget* title = f.findChild<QWidget*>(QStringLiteral("Form4"))->findChild<QWidget*>(QStringLiteral("ETitle"));
        QCOMPARE(ifaceOf(title)->relations(QAccessible::Label).size(), 1);
    }

    // Whatever reports the focus along with the text pane (the pane that hands
    // its focus on, the page's drawing area) has a name a reader can speak.
    void nothingUnnamedIsFocusedWithThePane()
    {
        Main m({QStringLiteral("a.txt")});
        m.show();
        const MainControls c(*m.form);
        for (const QByteArray& data : {QByteArray("plain\r\n"), QByteArray("{\\rtf1\\ansi rich\\par}")}) {
            c.REdit->loadData(data);
            c.REdit->setFocusToText();
            QVERIFY(c.REdit->textWidget()->hasFocus());
            QStringList unnamed;
            for (QWidget* w : m.form->findChildren<QWidget*>()) {
                QAccessibleInterface* iface = ifaceOf(w);
                if (iface && iface->state().focused && spokenName(iface).isEmpty())
                    unnamed << QStringLiteral("%1 (%2)").arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()));
            }
            QCOMPARE(unnamed, QStringList());
        }
    }

    void tabGoesRoundTheMainWindowAndOutOfThePane()
    {
        Main m({QStringLiteral("a.txt")});
        m.show();
        TForm1& f = *m.form;
        const MainControls c(f);
        c.Edit1->setFocus(Qt::OtherFocusReason);
        QCOMPARE(QApplication::focusWidget(), c.Edit1);
        QCOMPARE(m.tab(), c.FolderBtn);
        QCOMPARE(m.tab(), c.ChBox1);
        QCOMPARE(m.tab(), c.ChBox2);
        QCOMPARE(m.tab(), c.LView);   // the direct-launch box is disabled without registered programs
        QCOMPARE(m.tab(), c.REdit->textWidget());
        // Tab leaves the text (typing nothing) and comes round to the path field.
        const QString before = c.REdit->text();
        QWidget* next = m.tab();
        QCOMPARE(c.REdit->text(), before);
        QVERIFY(next != c.REdit->textWidget());
        for (int i = 0; i < 10 && QApplication::focusWidget() != c.Edit1; ++i) m.tab();
        QCOMPARE(QApplication::focusWidget(), c.Edit1);
        // And back again with Shift+Tab, also out of a rich-text page.
        c.REdit->loadData("{\\rtf1\\ansi rich\\par}");
        QVERIFY(c.REdit->shownAsRichText());
        c.REdit->setFocusToText();
        QCOMPARE(m.tab(true), c.LView);
        c.CheckBox1->setEnabled(true);
        QCOMPARE(m.tab(true), c.CheckBox1);
    }

    void theFileListTakesASelectionWhenTabEntersIt()
    {
        Main m({QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")});
        m.show();
        TForm1& f = *m.form;
        const MainControls c(f);
        QCOMPARE(c.LViewModel->rowCount(), 3);
        const QString first = c.LViewModel->name(0), second = c.LViewModel->name(1);
        c.ChBox2->setFocus(Qt::OtherFocusReason);
        QCOMPARE(m.tab(), c.LView);
        // Entered with nothing selected: the first file is selected and shown.
        QCOMPARE(c.LView->selectionModel()->selectedIndexes().size(), 1);
        QCOMPARE(c.LView->selectionModel()->selectedIndexes().first().row(), 0);
        QCOMPARE(f.panelText(1), first);
        QCOMPARE(c.REdit->text(), QStringLiteral("text of %1\n").arg(first));
        // Down goes on to the second, not past it.
        QTest::keyClick(c.LView, Qt::Key_Down);
        QCOMPARE(f.panelText(1), second);

        // A selection already there is left as it is.
        c.LView->selectionModel()->setCurrentIndex(c.LViewModel->index(2, 0), QItemSelectionModel::ClearAndSelect);
        c.Edit1->setFocus(Qt::OtherFocusReason);
        c.ChBox2->setFocus(Qt::OtherFocusReason);
        QCOMPARE(m.tab(), c.LView);
        QCOMPARE(c.LView->selectionModel()->selectedIndexes().first().row(), 2);
        // Clicked into (not tabbed into) with nothing selected: nothing is chosen for the user.
        c.LView->clearSelection();
        c.Edit1->setFocus(Qt::OtherFocusReason);
        c.LView->setFocus(Qt::MouseFocusReason);
        QVERIFY(!c.LView->selectionModel()->hasSelection());
    }

    void categoriesAndPatternsMoveByKeyboard()
    {
        Main m;
        auto* form2 = m.form->findChild<TForm2*>(QStringLiteral("Form2"));
        QVERIFY(form2);
        form2->show();
        QVERIFY(QTest::qWaitForWindowExposed(form2));
        auto items = [](const KaListBox* box) {
            QStringList out;
            for (int i = 0; i < box->count(); ++i) out << box->item(i)->text();
            return out;
        };
        const QStringList categories = items(ui(*form2).LBox1);
        QVERIFY(categories.size() >= 3);
        ui(*form2).LBox1->setCurrentRow(1);
        const QStringList patterns = items(ui(*form2).LBox2);

        // Alt+Down drags the current category one place down, its patterns with it,
        // and it stays current for the next move.
        QTest::keyClick(ui(*form2).LBox1, Qt::Key_Down, Qt::AltModifier);
        QStringList moved = categories;
        moved.move(1, 2);
        QCOMPARE(items(ui(*form2).LBox1), moved);
        QCOMPARE(ui(*form2).LBox1->currentRow(), 2);
        QCOMPARE(items(ui(*form2).LBox2), patterns);
        QTest::keyClick(ui(*form2).LBox1, Qt::Key_Up, Qt::AltModifier);
        QTest::keyClick(ui(*form2).LBox1, Qt::Key_Up, Qt::AltModifier);
        moved.move(2, 0);
        QCOMPARE(items(ui(*form2).LBox1), moved);
        QTest::keyClick(ui(*form2).LBox1, Qt::Key_Up, Qt::AltModifier);   // already at the top
        QCOMPARE(items(ui(*form2).LBox1), moved);

        // Patterns, once they are what is edited.
        ui(*form2).SelectsItems[1]->click();
        QVERIFY(ui(*form2).LBox2->isEnabled());
        QStringList shown = items(ui(*form2).LBox2);
        QVERIFY(shown.size() >= 2);
        ui(*form2).LBox2->setCurrentRow(0);
        QTest::keyClick(ui(*form2).LBox2, Qt::Key_Down, Qt::AltModifier);
        shown.move(0, 1);
        QCOMPARE(items(ui(*form2).LBox2), shown);
        QCOMPARE(form2->editor().patternIndex(), 1);
        form2->hide();
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
