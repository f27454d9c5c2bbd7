// The application registration dialog: its window, selector and fields, and its
// showing from the main window.
#include "CommonDialogs.h"
#include "Forms.h"
#include "MainControls.h"
#include "MyInputDialog.h"
#include "OtherDialogRig.h"

#include <QApplication>
#include <QFileDialog>
#include <QListView>
#include <QTimer>
#include <QtTest>

using namespace OtherDialogRig;

class TestOtherDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windowAndControls()
    {
        Fixture fx;
        TForm4& f = *fx.form4;
        QCOMPARE(f.windowTitle(), QStringLiteral("外部起動アプリの登録"));
        QCOMPARE(f.size(), QSize(465, 217));
        QVERIFY(f.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(f.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint), Qt::WindowCloseButtonHint);
        QCOMPARE(ui(f).ChBox->count(), 5);
        QCOMPARE(ui(f).ChBox->itemText(4), QStringLiteral("5"));
        QCOMPARE(ui(f).ChBox->toolTip(), QStringLiteral("ここで設定したいアイテムの番号を選択してください。"));
        QCOMPARE(ui(f).FolderBtn->toolTip(),
                 QStringLiteral("外部起動アプリへのパスを指定するダイアログボックスを開きます。"));
        const QStringList captions = {ui(f).Button1->text(), ui(f).Button2->text(), ui(f).Button3->text(), ui(f).Button4->text(),
                                      ui(f).Button5->text()};
        QCOMPARE(captions, (QStringList{QStringLiteral("仮登録"), QStringLiteral("動作テスト"),
                                        QStringLiteral("設定の保存"), QStringLiteral("決定"),
                                        QStringLiteral("キャンセル")}));
        // Rows 24 pixels apart, all inside the client area, nothing overlapping the buttons.
        for (int n = 1; n <= 5; ++n) {
            QCOMPARE(ui(f).ResetBtn[n]->text(), QStringLiteral("Reset"));
            QCOMPARE(ui(f).LTitle[n]->y() - ui(f).LTitle[1]->y(), 24 * (n - 1));
            QVERIFY(f.rect().contains(ui(f).ResetBtn[n]->geometry()));
            QVERIFY(ui(f).ResetBtn[n]->geometry().bottom() < ui(f).Button1->y());
        }
        QVERIFY(f.rect().contains(ui(f).Button5->geometry()));
        QCOMPARE(TForm4::openFilter(),
                 QStringLiteral("実行ファイル（*.exe）|*.exe|全てのファイル（*.*）|*.*"));
        // Tab order: selector, three fields, the five buttons, the Reset buttons.
        QList<QWidget*> chain;
        QWidget* w = ui(f).ChBox;
        for (int i = 0; i < 14; ++i) {
            chain << w;
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || w->parentWidget() != &f) w = w->nextInFocusChain();
        }
        QCOMPARE(chain, (QList<QWidget*>{ui(f).ChBox, ui(f).ETitle, ui(f).EOpt, ui(f).EAppPath, ui(f).Button1, ui(f).Button2, ui(f).Button3,
                                         ui(f).Button4, ui(f).Button5, ui(f).ResetBtn[1], ui(f).ResetBtn[2], ui(f).ResetBtn[3],
                                         ui(f).ResetBtn[4], ui(f).ResetBtn[5]}));
    }

    // First opening: nothing selected, fields empty; the first registered row
    // with a path gets the program's icon in the preview and in its row only.
    void firstOpening()
    {
        Fixture fx;
        fx.registerInMain(1, QString(), fx.program, QString());            // empty title: skipped
        fx.registerInMain(2, QStringLiteral("Tool"), QString(), QString()); // no path: skipped
        fx.registerInMain(3, QStringLiteral("Tool3"), fx.program, QStringLiteral("-x"));
        fx.registerInMain(4, QStringLiteral("Tool4"), fx.program, QString());
        fx.main.slots.setIcon(4, solidImage(Qt::blue));
        fx.open();
        TForm4& f = *fx.form4;
        QCOMPARE(f.editor().selected(), 0);
        QVERIFY(ui(f).ETitle->text().isEmpty() && ui(f).EOpt->text().isEmpty() && ui(f).EAppPath->text().isEmpty());
        QCOMPARE(f.editor().row(3).title, QStringLiteral("Tool3"));
        QCOMPARE(f.editor().row(3).option, QStringLiteral("-x"));
        QCOMPARE(f.editor().row(5).title, kUnreg);
        QCOMPARE(fx.platform.asked, QStringList{fx.program});
        QVERIFY(isIconOverButtonFace(f.editor().preview()));
        QCOMPARE(f.editor().picture(3), f.editor().preview());
        QVERIFY(allPixels(f.editor().picture(4), Qt::blue));
        QVERIFY(f.editor().picture(1).isNull());
        QVERIFY(fx.t.messages.log.isEmpty());

        // Nothing registered: nothing is drawn at all.
        Fixture empty;
        empty.open();
        QVERIFY(empty.form4->editor().preview().isNull());
        QVERIFY(empty.platform.asked.isEmpty());
    }

    // Picking "3" loads row 3; typing (even an item's own text) warns and
    // clears the selector but leaves fields and preview alone.
    void selectorPickAndTyping()
    {
        Fixture fx;
        fx.registerInMain(3, QStringLiteral("Three"), QStringLiteral("/no/such"), QStringLiteral("-o"));
        fx.main.slots.setIcon(3, solidImage(Qt::green));
        fx.open();
        TForm4& f = *fx.form4;
        fx.pick(3);
        QCOMPARE(f.editor().selected(), 3);
        QCOMPARE(ui(f).ETitle->text(), QStringLiteral("Three"));
        QCOMPARE(ui(f).EOpt->text(), QStringLiteral("-o"));
        QCOMPARE(ui(f).EAppPath->text(), QStringLiteral("/no/such"));
        QVERIFY(allPixels(f.editor().preview(), Qt::green));

        for (const QString& typed : {QStringLiteral("x"), QStringLiteral("2")}) {
            fx.t.messages.log.clear();
            ui(f).ChBox->lineEdit()->selectAll();
            QTest::keyClicks(ui(f).ChBox->lineEdit(), typed);
            QCOMPARE(fx.t.messages.log.size(), 1);
            QCOMPARE(fx.t.messages.log[0].kind, RecordedMessage::Warning);
            QCOMPARE(fx.t.messages.log[0].text, QStringLiteral("不正な値を入力しました。"));
            QCOMPARE(f.editor().selected(), 0);
            QVERIFY(ui(f).ChBox->currentText().isEmpty());
            QCOMPARE(ui(f).ETitle->text(), QStringLiteral("Three"));
            QVERIFY(allPixels(f.editor().preview(), Qt::green));
        }

        // An unregistered row loads its fields and blanks the preview.
        fx.pick(5);
        QCOMPARE(ui(f).ETitle->text(), kUnreg);
        QVERIFY(allPixels(f.editor().preview(), btnFace()));

        // A click on a row's label selects it as a program would (no change event).
        QTest::mouseClick(ui(f).LAppPath[3], Qt::LeftButton);
        QCOMPARE(f.editor().selected(), 3);
        QCOMPARE(ui(f).ChBox->currentText(), QStringLiteral("3"));
        QCOMPARE(ui(f).ETitle->text(), QStringLiteral("Three"));
        QTest::mouseClick(ui(f).Num[1], Qt::LeftButton);
        QCOMPARE(f.editor().selected(), 1);
        QTest::mouseClick(ui(f).AppImgN[2], Qt::LeftButton);
        QCOMPARE(f.editor().selected(), 2);
        QCOMPARE(fx.t.messages.log.size(), 1);
    }

    // "仮登録" copies the fields into the selected row with the program's icon;
    // with no slot selected it changes nothing.
    void pathFieldAndFolderButton()
    {
        Fixture fx;
        TForm4& f = *fx.form4;
        struct Case {
            QString path;
            bool warns;
        };
        const QList<Case> cases = {{QString(), false},
                                   {fx.program, false},
                                   {fx.t.path(QStringLiteral("missing")), true},
                                   {fx.t.dir.path(), true}};
        for (const Case& c : cases) {
            fx.t.messages.log.clear();
            ui(f).EAppPath->setText(c.path);
            QTest::keyClick(ui(f).EAppPath, Qt::Key_Return);
            QCOMPARE(fx.t.messages.log.size(), c.warns ? 1 : 0);
            if (c.warns) QCOMPARE(fx.t.messages.log[0].text, QStringLiteral("そのファイルPathは不正です。"));
            QCOMPARE(ui(f).EAppPath->text(), c.path);
            QCOMPARE(fx.main.confirmCount, 0);
        }

        fx.open();
        ui(f).ETitle->setText(QStringLiteral("kept"));
        fx.t.dialogs.openFileAccept = false;
        ui(f).FolderBtn->click();
        QCOMPARE(fx.t.dialogs.lastFilter, TForm4::openFilter());
        QVERIFY(ui(f).EAppPath->text().isEmpty());
        fx.t.dialogs.openFileAccept = true;
        fx.t.dialogs.openFileResult = fx.program;
        ui(f).FolderBtn->click();
        QCOMPARE(ui(f).EAppPath->text(), fx.program);
        QCOMPARE(ui(f).ETitle->text(), QStringLiteral("kept"));
        QVERIFY(f.editor().preview().isNull());
    }

    // Enter and Esc press nothing; the colours follow ViewColors at each showing.
    void keysAndColours()
    {
        Fixture fx;
        fx.main.colors = ViewColors{0x0000FF, 0x00FF00};   // red text on green
        TForm4& f = *fx.form4;
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QTest::keyClick(ui(f).ETitle, Qt::Key_Return);
        QTest::keyClick(ui(f).ETitle, Qt::Key_Escape);
        QTest::keyClick(&f, Qt::Key_Escape);
        QVERIFY(f.isVisible());
        QCOMPARE(fx.main.confirmCount, 0);
        for (QWidget* w : {static_cast<QWidget*>(ui(f).ChBox), static_cast<QWidget*>(ui(f).ETitle),
                           static_cast<QWidget*>(ui(f).EOpt), static_cast<QWidget*>(ui(f).EAppPath)}) {
            QCOMPARE(w->palette().color(QPalette::Base), QColor(0, 255, 0));
            QCOMPARE(w->palette().color(QPalette::Text), QColor(255, 0, 0));
        }
        ui(f).Button5->click();
        QVERIFY(!f.isVisible());
    }

    // Opened from the main window's menu: rows from the main window, a test run
    // through the test-run dialog, and "決定" switching direct mode.
    void openedFromMainWindow()
    {
        TestEnv t;
        // Direct launching ticked, though unavailable.
        t.writeLines("appcfgs.cfg", {"Vardolin Ver 1.05", "107", "200", "640", "480", "1", "ＭＳ Ｐゴシック", "10", "0",
                                     "16777215", "1", "0", "160"});
        TForm1 main(t.env());
        createForms(main);
        QVERIFY(ui(main).CheckBox1->isChecked());
        TForm4* f = ui(main).Form4;
        QVERIFY(f && ui(main).Form5 && !f->isVisible());
        QStringList titles;
        QString testedPath;
        QTimer::singleShot(0, f, [&] {
            for (int n = 1; n <= 5; ++n) titles << f->editor().row(n).title;
            f->Num1Click(1);
            ui(*f).ETitle->setText(QStringLiteral("Shell"));
            ui(*f).EAppPath->setText(QStringLiteral("/bin/sh"));
            ui(*f).Button1->click();
            QTimer::singleShot(0, ui(main).Form5, [&] {
                testedPath = ui(*ui(main).Form5).LPath->text();
                ui(*ui(main).Form5).Button2->click();
            });
            ui(*f).Button2->click();
            ui(*f).Button4->click();
        });
        ui(main).X3->trigger();
        QCOMPARE(f->result(), int(QDialog::Accepted));
        QStringList expected;
        for (int n = 1; n <= 5; ++n) expected << main.slotTable().at(n).title;
        QCOMPARE(titles.size(), 5);
        QCOMPARE(titles.mid(1), expected.mid(1));
        QCOMPARE(testedPath, QStringLiteral("/bin/sh"));
        QVERIFY(ui(main).CheckBox1->isEnabled() && ui(main).E1->isEnabled() && ui(main).N19->isEnabled());

        QTimer::singleShot(0, f, [&] {
            for (int n = 1; n <= 5; ++n) ui(*f).ResetBtn[n]->click();
            ui(*f).Button4->click();
        });
        QCOMPARE(main.F4Call(), int(QDialog::Accepted));
        QVERIFY(!ui(main).CheckBox1->isEnabled() && !ui(main).E1->isEnabled() && !ui(main).N19->isEnabled());
        QVERIFY(ui(main).CheckBox1->isChecked());
        QVERIFY(t.messages.log.isEmpty());
    }

    // The first entry of the file dialog's filter lists the files that can be
    // run, whatever their names end with; the second lists every file.
    void executableFilterOfFileDialog()
    {
        QTemporaryDir dir;
        auto make = [&](const char* name, bool exec) {
            QFile f(dir.filePath(QLatin1String(name)));
            f.open(QIODevice::WriteOnly);
            f.write("x");
            f.close();
            if (exec) f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        };
        make("runme", true);
        make("notes.txt", false);
        make("setup.exe", false);
        QtCommonDialogs dialogs;
        QStringList shownExe, shownAll, filters;
        auto listed = [](QFileDialog* dlg) {
            QStringList names;
            auto* view = dlg->findChild<QListView*>(QStringLiteral("listView"));
            if (!view) return names;
            const QModelIndex root = view->rootIndex();
            for (int r = 0; r < view->model()->rowCount(root); ++r)
                names << view->model()->index(r, 0, root).data().toString();
            names.sort();
            return names;
        };
        QTimer timer;
        int step = 0;
        connect(&timer, &QTimer::timeout, &timer, [&] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dlg) return;
            filters = dlg->nameFilters();
            ++step;
            if (step == 10) shownExe = listed(dlg);
            if (step == 11) {
                dlg->selectNameFilter(filters.value(1));
                Q_EMIT dlg->filterSelected(filters.value(1));
            }
            if (step == 20) {
                shownAll = listed(dlg);
                dlg->reject();
            }
        });
        timer.start(20);
        QString chosen;
        QVERIFY(!dialogs.openFile(nullptr, TForm4::openFilter(), dir.path(), &chosen));
        QCOMPARE(filters.size(), 2);
        QVERIFY(filters[0].startsWith(QStringLiteral("実行ファイル（*.exe）")));
        QVERIFY(filters[1].startsWith(QStringLiteral("全てのファイル（*.*）")));
        QCOMPARE(shownExe, QStringList{QStringLiteral("runme")});
        QCOMPARE(shownAll, (QStringList{QStringLiteral("notes.txt"), QStringLiteral("runme"),
                                        QStringLiteral("setup.exe")}));
    }
    // A one-line field never holds a line break: what arrives with one keeps
    // only what comes before it, pasted at the caret (the text after the
    // caret stays) or set as a whole. A paste that brings a control character
    // is refused whole with a warning; a value set from code is kept.
    void oneLineFieldsHoldOneLine_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("arriving");
        QTest::addColumn<bool>("pasted");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("warning");
        const QString nul = QStringLiteral("制御文字 (0x00)");
        const QString withNul = QStringLiteral("T6") + QChar(0) + QLatin1Char('x');
        for (int field = 0; field < 7; ++field) {
            QTest::addRow("%d paste CR LF", field) << field << QStringLiteral("Title2\r\n/path/rec.sh") << true
                                                   << QStringLiteral("abTitle2cd") << QString();
            QTest::addRow("%d paste LF", field) << field << QStringLiteral("メモ\n日記") << true << QStringLiteral("abメモcd")
                                                << QString();
            QTest::addRow("%d paste CR first", field) << field << QStringLiteral("\rX") << true << QStringLiteral("abcd")
                                                      << QString();
            QTest::addRow("%d set", field) << field << QStringLiteral("A\r\nB\nC") << false << QStringLiteral("A") << QString();
            QTest::addRow("%d paste NUL", field) << field << withNul << true
                                                 << QStringLiteral("abcd") << nul;
            QTest::addRow("%d paste DEL", field) << field << QStringLiteral("x\x7Fy") << true << QStringLiteral("abcd")
                                                 << QStringLiteral("制御文字 (0x7F)");
            QTest::addRow("%d paste tab", field) << field << QStringLiteral("x\ty") << true << QStringLiteral("abx\tycd")
                                                 << QString();
            QTest::addRow("%d control after the break", field) << field << QStringLiteral("x\n") + QChar(0) << true
                                                               << QStringLiteral("abxcd") << QString();
            QTest::addRow("%d set NUL", field) << field << withNul << false
                                               << withNul << QString();
        }
    }
    void oneLineFieldsHoldOneLine()
    {
        QFETCH(int, field);
        QFETCH(QString, arriving);
        QFETCH(bool, pasted);
        QFETCH(QString, expected);
        QFETCH(QString, warning);
        Fixture fx;
        TForm3 form3(fx.env);
        std::unique_ptr<TForm1> main;
        if (field >= 5) main = std::make_unique<TForm1>(fx.env);
        QLineEdit* edit = field == 5   ? ui(*main).Edit1
                          : field == 6 ? ui(*main).FindDlg->findChild<QLineEdit*>(QStringLiteral("FindText"))
                                       : std::array<QLineEdit*, 5>{ui(*fx.form4).ETitle, ui(*fx.form4).EOpt,
                                                                   ui(*fx.form4).EAppPath, ui(form3).Edit1,
                                                                   ui(*fx.form5).Edit1}[field];
        edit->setText(pasted ? QStringLiteral("abcd") : arriving);
        edit->setCursorPosition(2);
        if (pasted) edit->insert(arriving);   // what a paste or a drop does
        QCOMPARE(edit->text(), expected);
        if (warning.isEmpty()) {
            QCoreApplication::processEvents();
            QVERIFY(fx.t.messages.log.isEmpty());
            return;
        }
        QTRY_COMPARE(fx.t.messages.log.size(), 1);
        QCOMPARE(fx.t.messages.log[0].kind, RecordedMessage::Warning);
        QVERIFY2(fx.t.messages.log[0].text.contains(warning), qPrintable(fx.t.messages.log[0].text));
    }

    // A value saved in a settings file takes no more than one of its lines
    // holds when read back, counted as UTF-8 (the file's encoding when any
    // value needs it, and never fewer bytes than CP932): more is refused whole
    // with a warning. A longer value set from code is kept and can shrink.
    void savedFieldsTakeWhatALineHolds_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<bool>("taken");
        for (int field = 0; field < 4; ++field) {
            QTest::addRow("%d just fits", field) << field << QString(4000, 'a') << QString(96, 'b') << true;
            QTest::addRow("%d one byte more", field) << field << QString(4095, 'a') << QStringLiteral("bc") << false;
            QTest::addRow("%d kanji within", field) << field << QString() << QString(1365, QChar(0x6F22)) << true;
            QTest::addRow("%d kanji past", field) << field << QString() << QString(1366, QChar(0x6F22)) << false;
            QTest::addRow("%d 100000", field) << field << QStringLiteral("ab") << QString(100000, 'y') << false;
        }
    }
    void savedFieldsTakeWhatALineHolds()
    {
        QFETCH(int, field);
        QFETCH(QString, before);
        QFETCH(QString, pasted);
        QFETCH(bool, taken);
        Fixture fx;
        TForm3 form3(fx.env);
        QLineEdit* edit = std::array<QLineEdit*, 4>{ui(*fx.form4).ETitle, ui(*fx.form4).EOpt, ui(*fx.form4).EAppPath,
                                                    ui(form3).Edit1}[field];
        edit->setText(before);
        edit->insert(pasted);
        QCOMPARE(edit->text(), taken ? before + pasted : before);
        QTRY_COMPARE(fx.t.messages.log.size(), taken ? 0 : 1);
        edit->setText(QString(5000, 'k'));   // as read from a file: kept, and it shrinks
        edit->backspace();
        QCOMPARE(edit->text().size(), 4999);
        QCoreApplication::processEvents();
        QCOMPARE(fx.t.messages.log.size(), taken ? 0 : 1);
    }
};

QTEST_MAIN(TestOtherDialog)
#include "tst_otherdialog.moc"
