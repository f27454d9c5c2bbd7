#include "AppSlots.h"
#include "Cp932.h"
#include "Forms.h"
#include "MainControls.h"
#include "TColor.h"
#include "TestSupport.h"
#include "VarError.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

const QString kUnreg = QStringLiteral("（未登録）");

QColor slotColour(int n, int generation = 0) { return QColor(40 * n + generation * 7, 200 - 30 * n, 60 + generation * 50); }

void writeIcon(TestEnv& t, int n, const QColor& colour)
{
    QImage img(17, 17, QImage::Format_RGB32);
    img.fill(colour);
    AppSlots::saveBitmap(img, t.path(AppSlots::iconFile(n)));
}

// Five registered slots "A".."E" with paths /bin/a.. and their icons.
void writeFiveSlots(TestEnv& t, int generation = 0)
{
    QStringList lines;
    for (int n = 1; n <= 5; ++n) {
        const QString letter(QChar('A' + n - 1));
        lines << letter << "/bin/" + letter.toLower() << "-" + letter;
        writeIcon(t, n, slotColour(n, generation));
    }
    t.writeLines("appitems.cfg", lines);
}

// What a slot shows: hint, both captions, enabled states.
void checkSlot(TForm1& f, int n, const QString& title, bool enabled)
{
    QCOMPARE(ui(f).AppBtn[n]->toolTip(), title);
    QCOMPARE(ui(f).SApp[n]->text(), title);
    QCOMPARE(ui(f).FApp[n]->text(), title);
    QCOMPARE(ui(f).AppBtn[n]->isEnabled(), enabled);
    QCOMPARE(ui(f).SApp[n]->isEnabled(), enabled);
    QCOMPARE(ui(f).FApp[n]->isEnabled(), enabled);
    QCOMPARE(f.slotTable().at(n).title, title);
}

QColor hiddenColour(TForm1& f, int n) { return f.slotTable().at(n).icon.pixelColor(8, 8); }
QColor glyphColour(TForm1& f, int n)
{
    return ui(f).AppBtn[n]->icon().pixmap(17, 17).toImage().pixelColor(8, 8);
}

QString loadError(TForm1& f)
{
    try {
        f.LoadAppItem();
    } catch (const VarError& e) {
        return e.message();
    }
    return QString();
}

// An icon of its own colour for each program, on a transparent margin.
class ColourIconPlatform : public FakePlatform {
public:
    QIcon programIcon(const QString& path) override
    {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.fillRect(4, 4, 8, 8, colours.value(path, Qt::gray));
        return QIcon(pm);
    }
    QMap<QString, QColor> colours;
};

void writeProgram(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n");
    f.close();
    QVERIFY(f.setPermissions(f.permissions() | QFileDevice::ExeOwner));
}

// What a screen reader does: the named action of a control's accessible
// interface, or of the menu entry with the given caption.
void screenReaderDoes(QObject* control, const QString& action, const QString& entry = {})
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
    QVERIFY(iface);
    if (!entry.isEmpty()) {
        QAccessibleInterface* item = nullptr;
        for (int i = 0; i < iface->childCount() && !item; ++i)
            if (iface->child(i)->text(QAccessible::Name) == entry) item = iface->child(i);
        QVERIFY2(item, qPrintable(entry));
        iface = item;
    }
    QVERIFY(iface->actionInterface());
    QVERIFY(iface->actionInterface()->actionNames().contains(action));
    iface->actionInterface()->doAction(action);
}

QImage rgb32(const QImage& img) { return img.convertToFormat(QImage::Format_RGB32); }
QImage glyphOf(TForm1& main, int n) { return rgb32(ui(main).AppBtn[n]->icon().pixmap(17, 17).toImage()); }

} // namespace

class TestApps : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadShowsTitlesIconsAndOddTitles();
    void shortFileStopsAtFirstMissingIcon();
    void missingItemsFileChangesNoSlot();
    void reloadingAnUnregisteredSlotKeepsItsGlyph();
    void confirmingSlotsFromTheDialog();
    void reRegisteredIconIsShownAndSaved();
    void commandLinesInFileAndDirectMode();
    void emptyProgramPathStartsNothing();
    void directModeControlsStayInStep();
    void everyWayToSwitchDirectModeSwitchesAllThree_data();
    void everyWayToSwitchDirectModeSwitchesAllThree();
    void shellCommandsAndHelpDocuments();
};

void TestApps::loadShowsTitlesIconsAndOddTitles()
{
    TestEnv t;
    t.writeLines("appitems.cfg", {"エディタ", "/usr/bin/ed", "-r",
                                  kUnreg, "/kept/path", "-kept",
                                  "", "/bin/empty-title", "",
                                  "(未登録)", "/bin/half", "",
                                  kUnreg + " ", "/bin/blank", ""});
    for (int n : {1, 3, 4, 5}) writeIcon(t, n, slotColour(n));
    QFile::remove(t.path("IconImg2.bmp"));   // an unregistered slot's icon is never read
    TForm1 f(t.env());
    QVERIFY2(t.messages.log.isEmpty(), qPrintable(t.messages.texts().join('\n')));

    checkSlot(f, 1, "エディタ", true);
    QCOMPARE(f.slotTable().at(1).path, QStringLiteral("/usr/bin/ed"));
    QCOMPARE(f.slotTable().at(1).option, QStringLiteral("-r"));
    QCOMPARE(hiddenColour(f, 1), slotColour(1));
    QCOMPARE(glyphColour(f, 1), slotColour(1));

    checkSlot(f, 2, kUnreg, false);
    QCOMPARE(f.slotTable().at(2).path, QStringLiteral("/kept/path"));
    QCOMPARE(f.slotTable().at(2).option, QStringLiteral("-kept"));
    QVERIFY(f.slotTable().at(2).icon.isNull());
    QVERIFY(ui(f).AppBtn[2]->icon().isNull());

    checkSlot(f, 3, "", true);
    checkSlot(f, 4, "(未登録)", true);
    checkSlot(f, 5, kUnreg + " ", true);
    for (int n : {3, 4, 5}) QCOMPARE(hiddenColour(f, n), slotColour(n));
    QCOMPARE(f.slotTable().at(4).icon.size(), QSize(17, 17));
}

void TestApps::shortFileStopsAtFirstMissingIcon()
{
    TestEnv t;
    writeFiveSlots(t);
    TForm1 f(t.env());
    QVERIFY(t.messages.log.isEmpty());
    checkSlot(f, 3, "C", true);

    t.writeLines("appitems.cfg", {"New", "/bin/new", "-n"});
    writeIcon(t, 1, slotColour(1, 1));
    QFile::remove(t.path("IconImg2.bmp"));
    QCOMPARE(loadError(f), VarError::cannotOpen(t.path("IconImg2.bmp")).message());

    checkSlot(f, 1, "New", true);
    QCOMPARE(f.slotTable().at(1).option, QStringLiteral("-n"));
    QCOMPARE(glyphColour(f, 1), slotColour(1, 1));
    // Slot 2 got its (empty) texts and states but no new icon.
    checkSlot(f, 2, "", true);
    QVERIFY(f.slotTable().at(2).path.isEmpty());
    QCOMPARE(hiddenColour(f, 2), slotColour(2));
    QCOMPARE(glyphColour(f, 2), slotColour(2));
    // The slots after it are as they were.
    for (int n = 3; n <= 5; ++n) {
        checkSlot(f, n, QString(QChar('A' + n - 1)), true);
        QCOMPARE(f.slotTable().at(n).path, "/bin/" + QString(QChar('a' + n - 1)));
    }

    // A damaged icon stops the same way, with an error rather than a crash.
    writeFiveSlots(t, 2);
    t.writeFile("IconImg4.bmp", "BM garbage");
    QVERIFY(!loadError(f).isEmpty());
    QCOMPARE(hiddenColour(f, 3), slotColour(3, 2));
    QCOMPARE(hiddenColour(f, 4), slotColour(4, 0));
}

void TestApps::missingItemsFileChangesNoSlot()
{
    TestEnv t;
    writeFiveSlots(t);
    TForm1 f(t.env());
    QFile::remove(t.path("appitems.cfg"));
    QCOMPARE(loadError(f), VarError::cannotOpen(t.path("appitems.cfg")).message());
    for (int n = 1; n <= 5; ++n) checkSlot(f, n, QString(QChar('A' + n - 1)), true);
    QCOMPARE(f.slotTable().at(5).path, QStringLiteral("/bin/e"));

    // At start-up the same error reaches the general error box.
    TestEnv t2;
    QFile::remove(t2.path("appitems.cfg"));
    TForm1 g(t2.env());
    QCOMPARE(t2.messages.texts(), QStringList{Messages::errorText(VarError::cannotOpen(t2.path("appitems.cfg")).message())});
    checkSlot(g, 1, kUnreg, false);
}

void TestApps::reloadingAnUnregisteredSlotKeepsItsGlyph()
{
    TestEnv t;
    writeFiveSlots(t);
    TForm1 f(t.env());
    QStringList lines;
    for (int n = 1; n <= 5; ++n) lines << kUnreg << QString() << QString();
    t.writeLines("appitems.cfg", lines);
    for (int n = 1; n <= 5; ++n) QFile::remove(t.path(AppSlots::iconFile(n)));
    QCOMPARE(loadError(f), QString());
    for (int n = 1; n <= 5; ++n) {
        checkSlot(f, n, kUnreg, false);
        QCOMPARE(hiddenColour(f, n), slotColour(n));
        QCOMPARE(glyphColour(f, n), slotColour(n));
    }
}

void TestApps::confirmingSlotsFromTheDialog()
{
    TestEnv t;
    writeFiveSlots(t);
    TForm1 f(t.env());
    QImage glyph(17, 17, QImage::Format_RGB32);
    glyph.fill(Qt::magenta);

    f.confirmSlot(2, AppSlots::Slot{"New two", "/opt/two/run", "-2", glyph});
    checkSlot(f, 2, "New two", true);
    QCOMPARE(f.slotTable().at(2).path, QStringLiteral("/opt/two/run"));
    QCOMPARE(f.slotTable().at(2).option, QStringLiteral("-2"));
    QCOMPARE(glyphColour(f, 2), QColor(Qt::magenta));
    // The confirmed picture is the slot's one icon: what the dialog copies
    // back at its next opening is what the button shows.
    QCOMPARE(hiddenColour(f, 2), QColor(Qt::magenta));

    f.confirmSlot(3, AppSlots::Slot{kUnreg, "/ignored", "-ignored", glyph});
    checkSlot(f, 3, kUnreg, false);
    QVERIFY(f.slotTable().at(3).path.isEmpty());
    QVERIFY(f.slotTable().at(3).option.isEmpty());
    QCOMPARE(glyphColour(f, 3), QColor(Qt::magenta));

    f.confirmSlot(0, AppSlots::Slot{"x", "x", "x", glyph});   // out of range: ignored
    f.confirmSlot(6, AppSlots::Slot{"x", "x", "x", glyph});
    QVERIFY(!f.slotTable().at(6).registered() && f.slotTable().at(6).path.isEmpty());
    checkSlot(f, 1, "A", true);

    // Enabling or disabling direct mode leaves the tick alone.
    f.setDirectLaunchAvailable(true);
    ui(f).CheckBox1->click();
    f.setDirectLaunchAvailable(false);
    QVERIFY(!ui(f).CheckBox1->isEnabled() && !ui(f).E1->isEnabled() && !ui(f).N19->isEnabled());
    QVERIFY(ui(f).CheckBox1->isChecked() && ui(f).E1->isChecked() && ui(f).N19->isChecked());
}

// Slot 2 registered with a red icon is registered again with another
// program: the icon confirmed with "決定" is the one the button shows, the
// next opening shows, "設定の保存" writes and the next start loads.
void TestApps::reRegisteredIconIsShownAndSaved()
{
    TestEnv t;
    const QString one = t.path("one"), oldProg = t.path("old"), newProg = t.path("new");
    for (const QString& p : {one, oldProg, newProg}) writeProgram(p);
    t.writeLines("appitems.cfg", {"One", one, "", "Two", oldProg, "-2", kUnreg, "", "", kUnreg, "", "", kUnreg, "", ""});
    writeIcon(t, 1, Qt::green);
    writeIcon(t, 2, Qt::red);
    ColourIconPlatform platform;
    platform.colours = {{one, Qt::green}, {oldProg, Qt::red}, {newProg, Qt::blue}};
    AppEnv env = t.env().withPlatform(platform);

    TForm1 main(env);
    createForms(main);
    QCOMPARE(glyphOf(main, 2).pixelColor(8, 8), QColor(Qt::red));
    TForm4* f = ui(main).Form4;
    QImage shown;
    QTimer::singleShot(0, f, [&] {
        f->Num1Click(2);
        ui(*f).EAppPath->setText(newProg);
        ui(*f).Button1->click();
        shown = rgb32(f->editor().picture(2));
        ui(*f).Button4->click();
    });
    ui(main).X3->trigger();
    QCOMPARE(f->result(), int(QDialog::Accepted));
    QCOMPARE(shown.pixelColor(8, 8), QColor(Qt::blue));
    QCOMPARE(shown.pixelColor(0, 0), TColor::toQColor(TColor::BtnFace));
    QCOMPARE(glyphOf(main, 2), shown);
    QCOMPARE(main.slotTable().at(2).path, newProg);

    QImage reopened;
    QTimer::singleShot(0, f, [&] {
        reopened = rgb32(f->editor().picture(2));
        ui(*f).Button3->click();
        ui(*f).Button5->click();
    });
    ui(main).N34->trigger();
    QCOMPARE(reopened, shown);
    QCOMPARE(rgb32(AppSlots::loadBitmap(t.path(AppSlots::iconFile(2)))), shown);
    QCOMPARE(glyphOf(main, 2), shown);
    QVERIFY(t.messages.log.isEmpty());

    TForm1 restarted(env);
    QCOMPARE(glyphOf(restarted, 2), shown);
    QCOMPARE(rgb32(restarted.slotTable().at(2).icon), shown);
    QCOMPARE(restarted.slotTable().at(2).path, newProg);
    QCOMPARE(glyphOf(restarted, 1).pixelColor(8, 8), QColor(Qt::green));
}

void TestApps::commandLinesInFileAndDirectMode()
{
    TestEnv t;
    t.writeLines("appitems.cfg", {"Ed", "/tools/ed", "/r", "Plain", "/tools/plain", "", "Spaced",
                                  "/opt/my tools/view", "--mode \"two words\"", kUnreg, "", "", kUnreg, "", ""});
    for (int n = 1; n <= 3; ++n) writeIcon(t, n, slotColour(n));
    TForm1 f(t.env());
    QStringList& started = t.platform.started;

    // Right after listing, no file is shown: nothing starts.
    ui(f).Edit1->setText("/doc/");
    f.STItem();
    ui(f).AppBtn[1]->click();
    ui(f).SApp[1]->trigger();
    QVERIFY(started.isEmpty());

    // File mode: the option comes after the file; each control serves its slot.
    pickListed(f, "/doc/", "a.txt");
    ui(f).AppBtn[1]->click();
    ui(f).SApp[2]->trigger();
    ui(f).FApp[1]->trigger();
    QCOMPARE(started, (QStringList{"/tools/ed /doc/a.txt /r", "/tools/plain /doc/a.txt", "/tools/ed /doc/a.txt /r"}));
    started.clear();

    // Blanks and shell characters: quoted pieces, the option exactly as typed.
    pickListed(f, "/home/u/my docs/", "$(touch x);`id`.txt");
    ui(f).AppBtn[3]->click();
    QCOMPARE(started, QStringList{"\"/opt/my tools/view\" \"/home/u/my docs/$(touch x);`id`.txt\" --mode \"two words\""});
    started.clear();

    // A folder typed but not confirmed is used with the name shown before.
    ui(f).Edit1->setText("/elsewhere/");
    ui(f).FApp[2]->trigger();
    QCOMPARE(started, QStringList{"/tools/plain \"/elsewhere/$(touch x);`id`.txt\""});
    started.clear();

    // Checked but disabled: still file mode.
    f.ExeSetApp(true);
    QVERIFY(!ui(f).CheckBox1->isEnabled());
    ui(f).AppBtn[2]->click();
    QCOMPARE(started, QStringList{"/tools/plain \"/elsewhere/$(touch x);`id`.txt\""});
    started.clear();

    // Direct mode: no file needed, no trailing blank without an option.
    f.setDirectLaunchAvailable(true);
    f.STItem();
    QCOMPARE(f.panelText(1), QString());
    ui(f).AppBtn[2]->click();
    ui(f).AppBtn[1]->click();
    ui(f).SApp[3]->trigger();
    QCOMPARE(started, (QStringList{"/tools/plain", "/tools/ed /r", "\"/opt/my tools/view\" --mode \"two words\""}));
    started.clear();

    // Out-of-range slots and disabled controls start nothing.
    f.AppnExec(0);
    f.AppnExec(6);
    ui(f).AppBtn[4]->click();
    QVERIFY(started.isEmpty());
}

// A slot whose path is empty or only blanks has no program: no entry point may
// hand the shown file (or the option) to the launcher in its place.
void TestApps::emptyProgramPathStartsNothing()
{
    TestEnv t;
    // Three lines: slot 1 as written, slots 2 to 5 registered with empty texts
    // (their icon files are the shipped ones).
    t.writeLines("appitems.cfg", {"Data", "", ""});
    TForm1 f(t.env());
    QVERIFY2(t.messages.log.isEmpty(), qPrintable(t.messages.texts().join('\n')));
    for (int n = 1; n <= 5; ++n) QVERIFY(ui(f).AppBtn[n]->isEnabled());
    QStringList& started = t.platform.started;

    auto pressEverything = [&f] {
        for (int n = 1; n <= 5; ++n) {
            ui(f).AppBtn[n]->click();
            ui(f).SApp[n]->trigger();
            ui(f).FApp[n]->trigger();
        }
    };
    pickListed(f, "/doc/", "run.sh");
    pressEverything();
    QCOMPARE(started, QStringList());
    f.setDirectLaunchAvailable(true);
    ui(f).CheckBox1->click();
    pressEverything();
    QCOMPARE(started, QStringList());

    // Blank paths count as empty, whatever the option says; the launcher is
    // still reached for a real path.
    f.confirmSlot(1, AppSlots::Slot{"Blanks", "   ", "/doc/run.sh", QImage()});
    f.confirmSlot(2, AppSlots::Slot{"Tab", "\t", "", QImage()});
    f.confirmSlot(3, AppSlots::Slot{"Wide blank", QStringLiteral("\u3000"), "-x", QImage()});
    f.confirmSlot(4, AppSlots::Slot{"Quoted nothing", "\"\"", "/doc/run.sh", QImage()});
    f.confirmSlot(5, AppSlots::Slot{"Real", "/tools/ed", "", QImage()});
    pressEverything();
    QCOMPARE(started, QStringList(3, "/tools/ed"));
    started.clear();
    ui(f).CheckBox1->click();
    pressEverything();
    QCOMPARE(started, QStringList(3, "/tools/ed /doc/run.sh"));
}

void TestApps::directModeControlsStayInStep()
{
    TestEnv t;
    writeFiveSlots(t);
    TForm1 f(t.env());
    auto ticks = [&f] {
        return QList<bool>{ui(f).CheckBox1->isChecked(), ui(f).E1->isChecked(), ui(f).N19->isChecked()};
    };
    const QList<bool> on{true, true, true}, off{false, false, false};
    f.setDirectLaunchAvailable(true);
    QCOMPARE(ticks(), off);

    ui(f).E1->trigger();   // as the menu does it
    QCOMPARE(ticks(), on);
    ui(f).N19->trigger();
    QCOMPARE(ticks(), off);
    ui(f).N19->trigger();
    QCOMPARE(ticks(), on);
    ui(f).E1->trigger();
    QCOMPARE(ticks(), off);

    QTest::mouseClick(ui(f).CheckBox1, Qt::LeftButton, {}, ui(f).CheckBox1->rect().center());
    QCOMPARE(ticks(), on);
    ui(f).CheckBox1->click();
    QCOMPARE(ticks(), off);

    // The handlers themselves decide from the tick before the click.
    f.E1Click();
    QCOMPARE(ticks(), on);
    f.N19Click();
    QCOMPARE(ticks(), off);
    ui(f).CheckBox1->setChecked(true);
    f.CheckBox1Click();
    QCOMPARE(ticks(), on);
}

// However direct mode is switched, the check box and both menu items show
// the same tick afterwards, and the launch follows it.
void TestApps::everyWayToSwitchDirectModeSwitchesAllThree_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("mouse on the check box") << 0;
    QTest::newRow("Space on the check box") << 1;
    QTest::newRow("screen reader toggles the check box") << 2;
    QTest::newRow("main menu item") << 3;
    QTest::newRow("screen reader presses the list menu item") << 4;
}

void TestApps::everyWayToSwitchDirectModeSwitchesAllThree()
{
    QFETCH(int, way);
    TestEnv t;
    writeFiveSlots(t);
    TForm1 f(t.env());
    const MainControls c(f);
    f.setDirectLaunchAvailable(true);
    pickListed(f, "/doc/", "a.txt");
    auto switchOver = [&] {
        switch (way) {
        case 0: QTest::mouseClick(c.CheckBox1, Qt::LeftButton, {}, c.CheckBox1->rect().center()); break;
        case 1: QTest::keyClick(c.CheckBox1, Qt::Key_Space); break;
        case 2: screenReaderDoes(c.CheckBox1, QAccessibleActionInterface::toggleAction()); break;
        case 3: c.E1->trigger(); break;
        case 4: screenReaderDoes(c.ViewMenu, QAccessibleActionInterface::pressAction(), c.N19->text()); break;
        }
    };
    for (const bool on : {true, false}) {
        switchOver();
        QCOMPARE((QList<bool>{c.CheckBox1->isChecked(), c.E1->isChecked(), c.N19->isChecked()}), QList<bool>(3, on));
        QCOMPARE(f.state().directOn(), on);
        c.AppBtn[1]->click();
        QCOMPARE(t.platform.started.takeLast(), on ? QStringLiteral("/bin/a -A") : QStringLiteral("/bin/a /doc/a.txt -A"));
    }
    QVERIFY(t.messages.log.isEmpty());
}

void TestApps::shellCommandsAndHelpDocuments()
{
    TestEnv t;
    TForm1 f(t.env());
    QTemporaryDir docs;
    const QString folder = docs.path() + "/";
    QFile shown(folder + "shown.txt");
    QVERIFY(shown.open(QIODevice::WriteOnly));
    shown.write("text of shown.txt");
    shown.close();

    // The folder command takes the field as typed, unconfirmed or not.
    ui(f).Edit1->setText("/typed but not confirmed");
    ui(f).X1->trigger();
    ui(f).N16->trigger();
    QCOMPARE(t.platform.openedFolders, (QStringList{"/typed but not confirmed", "/typed but not confirmed"}));

    // "Open the selected file" needs a current item in the list.
    pickListed(f, folder, {"shown.txt", "other.txt"}, "shown.txt");
    QCOMPARE(ui(f).REdit->text(), QStringLiteral("text of shown.txt"));
    QItemSelectionModel* current = ui(f).LView->selectionModel();
    current->clearCurrentIndex();
    ui(f).R1->trigger();
    QVERIFY(t.platform.openedDocuments.isEmpty());
    current->setCurrentIndex(ui(f).LViewModel->index(1), QItemSelectionModel::NoUpdate);

    // The readme replaces the text but not the caption or the panels, so the
    // open command still opens the file shown before.
    ui(f).ReadmeR1->trigger();
    QVERIFY(t.messages.log.isEmpty());
    QVERIFY(ui(f).REdit->text().contains("Vardolin"));
    QVERIFY(!ui(f).REdit->text().contains("text of shown.txt"));
    QCOMPARE(f.panelText(1), QStringLiteral("shown.txt"));
    QCOMPARE(f.windowTitle(), QStringLiteral("Vardolin - shown.txt"));
    ui(f).R1->trigger();
    ui(f).N17->trigger();
    QCOMPARE(t.platform.openedDocuments, (QStringList{folder + "shown.txt", folder + "shown.txt"}));
    t.platform.openedDocuments.clear();

    ui(f).His1->trigger();
    QVERIFY(t.messages.log.isEmpty());
    QVERIFY(ui(f).REdit->text().contains(Cp932::decode(t.readFile("history.txt")).left(10)));

    // A missing document: the pane is already empty when the error shows.
    QFile::remove(t.path("history.txt"));
    ui(f).His1->trigger();
    QCOMPARE(t.messages.texts(), QStringList{Messages::errorText(VarError::cannotOpen(t.path("history.txt")).message())});
    QVERIFY(ui(f).REdit->text().isEmpty());

    ui(f).ManualM1->trigger();
    QCOMPARE(t.platform.openedDocuments, QStringList{t.path("manual/index.htm")});
    QVERIFY(t.platform.started.isEmpty());
}

QTEST_MAIN(TestApps)
#include "tst_apps.moc"
