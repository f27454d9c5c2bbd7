// The test-run dialog: its command lines, its target field and its window.
#include "CommandLine.h"
#include "DialogControls.h"
#include "TestSupport.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {

using FakeMain = StubMainForm;

} // namespace

class TestTestExe : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowAndControls()
    {
        TestEnv t(false);
        FakeMain main;
        TForm5 f(main, t.env(), nullptr);
        QCOMPARE(f.windowTitle(), QStringLiteral("Form5"));
        QCOMPARE(f.size(), QSize(393, 130));
        QVERIFY(f.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(f.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint), Qt::WindowCloseButtonHint);
        QCOMPARE(ui(f).Label4->text(), QStringLiteral("対象ファイル"));
        QCOMPARE(ui(f).Button1->text(), QStringLiteral("テスト実行"));
        QCOMPARE(ui(f).Button2->text(), QStringLiteral("終了"));
        QCOMPARE(ui(f).FolderBtn->toolTip(),
                 QStringLiteral("対象ファイルへのパスを指定するダイアログボックスを開きます。"));
        for (QWidget* w : f.findChildren<QWidget*>())
            if (w->parentWidget() == &f) QVERIFY2(f.rect().contains(w->geometry()), qPrintable(w->objectName()));
        auto nextStop = [](QWidget* w) {
            do w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus);
            return w;
        };
        QCOMPARE(nextStop(ui(f).Edit1), static_cast<QWidget*>(ui(f).Button1));
        QCOMPARE(nextStop(ui(f).Button1), static_cast<QWidget*>(ui(f).Button2));
        // Labels show their text as it is, never as markup.
        f.showRow({QStringLiteral("<b>x</b>"), QString(), QString()}, QImage());
        QCOMPARE(ui(f).Ltitle->text(), QStringLiteral("<b>x</b>"));
        QCOMPARE(ui(f).Ltitle->textFormat(), Qt::PlainText);
    }

    // The main window's file mode with the target in place of folder and name.
    void commandLines_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("argv");
        QTest::newRow("target and option") << "/usr/bin/ed" << "/tmp/a.txt" << "-r"
                                           << "/usr/bin/ed /tmp/a.txt -r"
                                           << QStringList{"/usr/bin/ed", "/tmp/a.txt", "-r"};
        QTest::newRow("empty target and option") << "/usr/bin/ed" << "" << ""
                                                 << "/usr/bin/ed " << QStringList{"/usr/bin/ed"};
        QTest::newRow("empty target, an option") << "/usr/bin/ed" << "" << "-r"
                                                 << "/usr/bin/ed  -r" << QStringList{"/usr/bin/ed", "-r"};
        // A row without a program (unregistered, or a path of blanks) starts
        // nothing: the target must never become the program.
        QTest::newRow("unregistered row") << "" << "/tmp/a.txt" << "" << "" << QStringList();
        QTest::newRow("unregistered row, option") << "" << "/tmp/a.txt" << "-r" << "" << QStringList();
        QTest::newRow("blank path") << "  " << "/tmp/a.txt" << "" << "" << QStringList();
        QTest::newRow("blank path, path as option") << " \t " << "" << "/tmp/a.sh" << "" << QStringList();
        QTest::newRow("blanks are kept whole") << "/opt/my tool/run" << "/home/u/my file.txt" << "-a b"
                                               << "\"/opt/my tool/run\" \"/home/u/my file.txt\" -a b"
                                               << QStringList{"/opt/my tool/run", "/home/u/my file.txt", "-a",
                                                              "b"};
    }
    void commandLines()
    {
        QFETCH(QString, path);
        QFETCH(QString, target);
        QFETCH(QString, option);
        QFETCH(QString, line);
        QFETCH(QStringList, argv);
        TestEnv t(false);
        FakeMain main;
        TForm5 f(main, t.env(), nullptr);
        f.showRow({QString(), path, option}, QImage());
        ui(f).Edit1->setText(target);
        ui(f).Button1->click();
        QCOMPARE(t.platform.started, line.isEmpty() ? QStringList() : QStringList{line});
        QCOMPARE(CommandLine::split(line), argv);
        QVERIFY(t.messages.log.isEmpty());
    }

    // The dialog stays open after a run; the target stays between showings.
    void staysOpenAndKeepsTarget()
    {
        TestEnv t(false);
        FakeMain main;
        TForm5 f(main, t.env(), nullptr);
        f.showRow({QString(), QStringLiteral("/bin/true"), QString()}, QImage());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QTest::keyClicks(ui(f).Edit1, QStringLiteral("/tmp/x"));
        ui(f).Button1->click();
        ui(f).Button1->click();
        QCOMPARE(t.platform.started.size(), 2);
        QVERIFY(f.isVisible());
        QTest::keyClick(&f, Qt::Key_Escape);
        QVERIFY(f.isVisible());
        ui(f).Button2->click();
        QVERIFY(!f.isVisible());
        f.showRow({QString(), QStringLiteral("/bin/false"), QString()}, QImage());
        f.show();
        QCOMPARE(ui(f).Edit1->text(), QStringLiteral("/tmp/x"));
        f.Button2Click();
    }

    void targetField()
    {
        TestEnv t(false);
        FakeMain main;
        TForm5 f(main, t.env(), nullptr);
        t.writeFile(QStringLiteral("a.txt"), "x");
        struct Case {
            QString target;
            bool warns;
        };
        const QList<Case> cases = {{QString(), true},
                                   {t.path(QStringLiteral("a.txt")), false},
                                   {t.path(QStringLiteral("b.txt")), true},
                                   {t.dir.path(), true}};
        for (const Case& c : cases) {
            t.messages.log.clear();
            ui(f).Edit1->setText(c.target);
            QTest::keyClick(ui(f).Edit1, Qt::Key_Return);
            QCOMPARE(t.messages.log.size(), c.warns ? 1 : 0);
            if (c.warns) {
                QCOMPARE(t.messages.log[0].kind, RecordedMessage::Warning);
                QCOMPARE(t.messages.log[0].text, QStringLiteral("そのファイルPathは不正です。"));
            }
            QCOMPARE(ui(f).Edit1->text(), c.target);
            QVERIFY(t.platform.started.isEmpty());
        }

        ui(f).Edit1->setText(QStringLiteral("typed"));
        t.dialogs.openFileAccept = false;
        ui(f).FolderBtn->click();
        QCOMPARE(ui(f).Edit1->text(), QStringLiteral("typed"));
        QVERIFY(t.dialogs.lastFilter.isEmpty());
        t.dialogs.openFileAccept = true;
        t.dialogs.openFileResult = t.path(QStringLiteral("a.txt"));
        ui(f).FolderBtn->click();
        QCOMPARE(ui(f).Edit1->text(), t.path(QStringLiteral("a.txt")));
    }

    void coloursAtEachShowing()
    {
        TestEnv t(false);
        FakeMain main;
        TForm5 f(main, t.env(), nullptr);
        main.colors = ViewColors{0xFF0000, 0x000000};   // blue on black
        f.show();
        QCOMPARE(ui(f).Edit1->palette().color(QPalette::Base), QColor(0, 0, 0));
        QCOMPARE(ui(f).Edit1->palette().color(QPalette::Text), QColor(0, 0, 255));
        f.hide();
        main.colors = ViewColors{0x000000, 0xFFFFFF};
        f.show();
        QCOMPARE(ui(f).Edit1->palette().color(QPalette::Base), QColor(255, 255, 255));
        f.hide();
    }
};

QTEST_MAIN(TestTestExe)
#include "tst_testexe.moc"
