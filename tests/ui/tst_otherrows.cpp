// The rows of the application registration dialog: provisional registration,
// reset, test run, "決定" and "設定の保存".
#include "LineBuffer.h"
#include "OtherDialogRig.h"

#include <QTimer>
#include <QtTest>

using namespace OtherDialogRig;

class TestOtherRows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void provisionalRegistration()
    {
        Fixture fx;
        fx.open();
        TForm4& f = *fx.form4;
        ui(f).ETitle->setText(QStringLiteral("Editor"));
        ui(f).EAppPath->setText(fx.program);
        f.Button1Click();
        for (int n = 1; n <= 5; ++n) {
            QCOMPARE(f.editor().row(n).title, kUnreg);
            QVERIFY(f.editor().picture(n).isNull());
        }
        QVERIFY(fx.platform.asked.isEmpty());

        fx.pick(2);   // loads the unregistered row into the fields
        ui(f).ETitle->setText(QStringLiteral("Editor"));
        ui(f).EOpt->setText(QStringLiteral("-n"));
        ui(f).EAppPath->setText(fx.program);
        f.Button1Click();
        QCOMPARE(f.editor().row(2).title, QStringLiteral("Editor"));
        QCOMPARE(f.editor().row(2).option, QStringLiteral("-n"));
        QCOMPARE(f.editor().row(2).path, fx.program);
        QVERIFY(isIconOverButtonFace(f.editor().picture(2)));
        QCOMPARE(f.editor().picture(2), f.editor().preview());
        // The row and the preview show it.
        QCOMPARE(ui(f).LTitle[2]->text(), QStringLiteral("Editor"));
        QCOMPARE(ui(f).LOpt[2]->text(), QStringLiteral("-n"));
        QCOMPARE(ui(f).LAppPath[2]->text(), fx.program);
        QCOMPARE(ui(f).AppImgN[2]->picture(), f.editor().picture(2));
        QCOMPARE(ui(f).AppImg->picture(), f.editor().preview());

        // A path where no file exists: taken as typed, the images stay blank.
        fx.pick(4);
        ui(f).ETitle->setText(QString());
        ui(f).EAppPath->setText(fx.t.path(QStringLiteral("missing")));
        f.Button1Click();
        QCOMPARE(f.editor().row(4).title, QString());
        QVERIFY(allPixels(f.editor().picture(4), btnFace()));
        QVERIFY(allPixels(f.editor().preview(), btnFace()));
    }

    // Reset empties the row and, for the selected row, the fields; the preview stays.
    void resetRows()
    {
        Fixture fx;
        fx.registerInMain(2, QStringLiteral("Two"), fx.program, QStringLiteral("-a"));
        fx.registerInMain(3, QStringLiteral("Three"), fx.program, QString());
        fx.open();
        TForm4& f = *fx.form4;
        fx.pick(2);
        const QImage preview = f.editor().preview();
        QVERIFY(isIconOverButtonFace(preview));
        f.ResetBtn1Click(3);
        QCOMPARE(ui(f).ETitle->text(), QStringLiteral("Two"));
        ui(f).ResetBtn[2]->click();
        QCOMPARE(f.editor().row(2).title, kUnreg);
        QVERIFY(f.editor().row(2).path.isEmpty() && f.editor().row(2).option.isEmpty());
        QVERIFY(allPixels(f.editor().picture(2), btnFace()));
        QVERIFY(ui(f).ETitle->text().isEmpty() && ui(f).EOpt->text().isEmpty() && ui(f).EAppPath->text().isEmpty());
        QCOMPARE(f.editor().preview(), preview);
        QCOMPARE(f.editor().row(3).title, kUnreg);
    }

    // "動作テスト" tries the row, not the edited fields; with no slot it does nothing.
    void testRunUsesRow()
    {
        Fixture fx;
        fx.registerInMain(2, QStringLiteral("Old"), QStringLiteral("/old/prog"), QStringLiteral("-old"));
        fx.main.slots.setIcon(2, solidImage(Qt::green));
        fx.open();
        TForm4& f = *fx.form4;
        bool shown = false;
        QTimer::singleShot(0, fx.form5.get(), [&] {
            shown = fx.form5->isVisible();
            ui(*fx.form5).Button2->click();
        });
        f.Button2Click();   // nothing selected
        QVERIFY(!shown);
        QCoreApplication::processEvents();

        fx.pick(2);
        ui(f).ETitle->setText(QStringLiteral("New"));
        ui(f).EOpt->setText(QStringLiteral("-new"));
        ui(f).EAppPath->setText(QStringLiteral("/new/prog"));
        ui(*fx.form5).Edit1->setText(QStringLiteral("/tmp/a.txt"));
        QString title, path, option, started;
        QImage image;
        QTimer::singleShot(0, fx.form5.get(), [&] {
            shown = fx.form5->isVisible();
            title = ui(*fx.form5).Ltitle->text();
            path = ui(*fx.form5).LPath->text();
            option = ui(*fx.form5).LOpt->text();
            image = ui(*fx.form5).AppImg->picture();
            ui(*fx.form5).Button1->click();
            ui(*fx.form5).Button2->click();
        });
        f.Button2Click();
        QVERIFY(shown);
        QCOMPARE(title, QStringLiteral("Old"));
        QCOMPARE(path, QStringLiteral("/old/prog"));
        QCOMPARE(option, QStringLiteral("-old"));
        QVERIFY(allPixels(image, Qt::green));
        QCOMPARE(fx.platform.started, QStringList{QStringLiteral("/old/prog /tmp/a.txt -old")});

        // Another row, the target typed before is still there; an empty row image
        // leaves the test dialog's image blank.
        fx.pick(5);
        QTimer::singleShot(0, fx.form5.get(), [&] {
            title = ui(*fx.form5).Ltitle->text();
            path = ui(*fx.form5).Edit1->text();
            image = ui(*fx.form5).AppImg->picture();
            ui(*fx.form5).Button1->click();   // no program in this row: nothing starts
            ui(*fx.form5).Button2->click();
        });
        f.Button2Click();
        QCOMPARE(fx.platform.started.size(), 1);
        QCOMPARE(title, kUnreg);
        QCOMPARE(path, QStringLiteral("/tmp/a.txt"));
        QVERIFY(allPixels(image, btnFace()));
    }

    // "決定" applies every row and switches direct mode on unless all five are unregistered.
    void confirmRows()
    {
        Fixture fx;
        fx.registerInMain(1, QStringLiteral("One"), fx.program, QStringLiteral("-1"));
        fx.open();
        TForm4& f = *fx.form4;
        // An unregistered row that still shows a path and option in its labels.
        ui(f).LAppPath[3]->setText(QStringLiteral("/left/over"));
        ui(f).LOpt[3]->setText(QStringLiteral("-z"));
        f.Button4Click();
        QCOMPARE(fx.main.confirmCount, 5);
        QVERIFY(fx.main.confirmed[1].registered());
        QCOMPARE(fx.main.confirmed[1].title, QStringLiteral("One"));
        QCOMPARE(fx.main.confirmed[1].path, fx.program);
        QCOMPARE(fx.main.confirmed[1].option, QStringLiteral("-1"));
        QVERIFY(isIconOverButtonFace(fx.main.confirmed[1].icon));
        QVERIFY(!fx.main.confirmed[3].registered());
        QCOMPARE(fx.main.confirmed[3].title, kUnreg);
        QVERIFY(fx.main.confirmed[3].path.isEmpty() && fx.main.confirmed[3].option.isEmpty());
        QCOMPARE(fx.main.directEnabled, QList<bool>{true});
        QCOMPARE(f.result(), int(QDialog::Accepted));

        // All five reset: direct mode disabled, blank glyphs.
        fx.open();
        for (int n = 1; n <= 5; ++n) f.ResetBtn1Click(n);
        ui(f).Button4->click();
        QCOMPARE(fx.main.confirmCount, 10);
        for (int n = 1; n <= 5; ++n) {
            QVERIFY(!fx.main.confirmed[n].registered());
            QVERIFY(allPixels(fx.main.confirmed[n].icon, btnFace()));
        }
        QCOMPARE(fx.main.directEnabled, (QList<bool>{true, false}));

        // A row titled with the marker by hand counts as unregistered too.
        fx.open();
        fx.pick(2);
        ui(f).ETitle->setText(kUnreg);
        ui(f).EAppPath->setText(fx.program);
        f.Button1Click();
        f.Button4Click();
        QVERIFY(!fx.main.confirmed[2].registered());
        QCOMPARE(fx.main.directEnabled.last(), false);
    }

    // Confirmed slot 2, opened again: texts from the main window, the image from
    // the hidden image when there is one, else what the row had.
    void reopening()
    {
        Fixture fx;
        fx.open();
        TForm4& f = *fx.form4;
        fx.pick(2);
        ui(f).ETitle->setText(QStringLiteral("Two"));
        ui(f).EAppPath->setText(QStringLiteral("/no/such/prog"));
        f.Button1Click();
        ui(f).ETitle->setText(QStringLiteral("Renamed in the dialog"));
        f.Button1Click();
        f.Button4Click();
        const QImage rowTwo = f.editor().picture(2);
        fx.registerInMain(2, QStringLiteral("Two"), QStringLiteral("/no/such/prog"), QString());
        fx.open();
        QCOMPARE(f.editor().row(2).title, QStringLiteral("Two"));
        QCOMPARE(f.editor().row(2).path, QStringLiteral("/no/such/prog"));
        QCOMPARE(f.editor().picture(2), rowTwo);

        // The selection survives; FormShow reloads the fields from the selected row.
        QCOMPARE(f.editor().selected(), 2);
        QCOMPARE(ui(f).ETitle->text(), QStringLiteral("Two"));

        fx.main.slots.setIcon(2, solidImage(Qt::blue));
        fx.registerInMain(4, QStringLiteral("Four"), fx.program, QString());
        fx.main.slots.setIcon(4, solidImage(Qt::blue));
        fx.registerInMain(5, QStringLiteral("Five"), fx.program, QString());
        fx.main.slots.setIcon(5, solidImage(Qt::blue));
        fx.open();
        // Row 2 is the first registered row with a path: GetImg finds no file and
        // draws nothing, so row 2 takes the preview left from FormInit.
        QCOMPARE(f.editor().picture(2), f.editor().preview());
        QVERIFY(allPixels(f.editor().picture(4), Qt::blue));
        QVERIFY(allPixels(f.editor().picture(5), Qt::blue));

        // A hidden image of another size is copied at (0, 0) and cut at 17 x 17.
        fx.main.slots.setIcon(5, solidImage(Qt::yellow, 32));
        fx.form4->copyFromMain();
        QCOMPARE(f.editor().picture(5).size(), QSize(17, 17));
        QVERIFY(allPixels(f.editor().picture(5), Qt::yellow));
    }

    // Saving writes the rows as they are; cancelling afterwards leaves the main window.
    void saveThenCancel()
    {
        Fixture fx;
        fx.registerInMain(1, QStringLiteral("エディタ"), fx.program, QStringLiteral("-r"));
        fx.open();
        TForm4& f = *fx.form4;
        fx.pick(3);
        ui(f).ETitle->setText(QStringLiteral("Three"));
        ui(f).EAppPath->setText(fx.program);
        f.Button1Click();
        ui(f).Button3->click();
        QVERIFY(fx.t.messages.log.isEmpty());
        LineBuffer lines;
        lines.load(fx.t.path(QStringLiteral("appitems.cfg")));
        QCOMPARE(lines.count(), 15);
        QCOMPARE(lines.line(0), QStringLiteral("エディタ"));
        QCOMPARE(lines.line(1), fx.program);
        QCOMPARE(lines.line(2), QStringLiteral("-r"));
        QCOMPARE(lines.line(3), kUnreg);
        QCOMPARE(lines.line(6), QStringLiteral("Three"));
        QVERIFY(fx.t.readFile(QStringLiteral("appitems.cfg")).contains("\r\n"));
        const QImage icon3 = AppSlots::loadBitmap(fx.t.path(QStringLiteral("IconImg3.bmp")));
        QVERIFY(isIconOverButtonFace(icon3));

        ui(f).Button5->click();
        QCOMPARE(f.result(), int(QDialog::Rejected));
        QCOMPARE(fx.main.confirmCount, 0);
        QVERIFY(fx.main.directEnabled.isEmpty());
        QCOMPARE(fx.main.slots.at(3).title, kUnreg);
    }

    void saveAfterFiveResets()
    {
        Fixture fx;
        fx.registerInMain(2, QStringLiteral("Two"), fx.program, QStringLiteral("-a"));
        fx.open();
        TForm4& f = *fx.form4;
        for (int n = 1; n <= 5; ++n) ui(f).ResetBtn[n]->click();
        f.Button3Click();
        LineBuffer lines;
        lines.load(fx.t.path(QStringLiteral("appitems.cfg")));
        QCOMPARE(lines.count(), 15);
        for (int n = 0; n < 5; ++n) {
            QCOMPARE(lines.line(3 * n), kUnreg);
            QVERIFY(lines.line(3 * n + 1).isEmpty());
            QVERIFY(lines.line(3 * n + 2).isEmpty());
        }
        QCOMPARE(fx.t.readFile(QStringLiteral("appitems.cfg")),
                 crlf({kUnreg, {}, {}, kUnreg, {}, {}, kUnreg, {}, {}, kUnreg, {}, {}, kUnreg, {}, {}}));
        for (int n = 1; n <= 5; ++n) {
            const QImage img = AppSlots::loadBitmap(fx.t.path(AppSlots::iconFile(n)));
            QCOMPARE(img.size(), QSize(17, 17));
            QVERIFY(allPixels(img, btnFace()));
        }
    }

    // A folder that cannot be written: the general error box, the dialog stays.
    void saveFailureIsReported()
    {
        Fixture fx;
        fx.env.settingsDir = fx.t.path(QStringLiteral("no/such/folder/"));
        TForm4 f(fx.main, fx.env, nullptr);
        f.show();
        ui(f).Button3->click();
        QCOMPARE(fx.t.messages.log.size(), 1);
        QCOMPARE(fx.t.messages.log[0].kind, RecordedMessage::Error);
        QVERIFY(fx.t.messages.log[0].text.contains(QStringLiteral("appitems.cfg")));
        QVERIFY(f.isVisible());
    }

};

QTEST_MAIN(TestOtherRows)
#include "tst_otherrows.moc"
