// Start-up and shutdown of the main window with its settings file.
#include "MainControls.h"
#include "TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QLineEdit>
#include <QListView>
#include <QToolButton>
#include <QtTest>

namespace {
QStringList standardLines()
{
    return {"Vardolin Ver 1.05", "150", "120", "700", "500", "0", "ＭＳ ゴシック", "11",
            "-2147483640", "12632256", "0", "1", "140"};
}
QStringList settingsWithBounds(int top, int left, int width, int height)
{
    QStringList lines = standardLines();
    lines[1] = QString::number(top);
    lines[2] = QString::number(left);
    lines[3] = QString::number(width);
    lines[4] = QString::number(height);
    return lines;
}

QStringList boundsLines(const TestEnv& t)
{
    LineBuffer b;
    b.load(t.path(QStringLiteral("appcfgs.cfg")));
    return {b.line(1), b.line(2), b.line(3), b.line(4)};
}

QRect availableArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}
} // namespace

class TestMainSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTripIsByteExact()
    {
        TestEnv t;
        t.writeLines("appcfgs.cfg", standardLines());
        const QByteArray before = t.readFile("appcfgs.cfg");
        TForm1 w(t.env());
        QVERIFY2(t.messages.log.isEmpty(), qPrintable(t.messages.texts().join('|')));
        QVERIFY(ui(w).REdit->wordWrap());
        QVERIFY(ui(w).N13->isChecked() && ui(w).N29->isChecked());
        QCOMPARE(ui(w).REdit->fontFace(), QStringLiteral("ＭＳ ゴシック"));
        QCOMPARE(ui(w).REdit->fontSize(), 11);
        QCOMPARE(w.viewColors().text, -2147483640);
        QCOMPARE(w.viewColors().background, 12632256);
        QVERIFY(ui(w).CheckBox1->isEnabled() && ui(w).E1->isEnabled() && ui(w).N19->isEnabled());
        QVERIFY(!ui(w).CheckBox1->isChecked() && !ui(w).E1->isChecked() && !ui(w).N19->isChecked());
        QCOMPARE(w.outerBounds(), QRect(120, 150, 700, 500));
        QCOMPARE(w.listWidth(), 140);
        QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin"));
        QCOMPARE(ui(w).Edit1->text(), QStringLiteral("/nonexistent-home/ﾃﾞｽｸﾄｯﾌﾟ/"));
        w.FormClose();
        QCOMPARE(t.readFile("appcfgs.cfg"), before);
    }

    void hexColoursAreReadAndWrittenDecimal()
    {
        TestEnv t;
        QStringList lines = standardLines();
        lines[8] = "$80000008";
        lines[9] = " $FF";
        t.writeLines("appcfgs.cfg", lines);
        TForm1 w(t.env());
        QCOMPARE(w.viewColors().text, -2147483640);
        QCOMPARE(w.viewColors().background, 255);
        w.FormClose();
        LineBuffer b;
        b.load(t.path("appcfgs.cfg"));
        QCOMPARE(b.line(8), QStringLiteral("-2147483640"));
        QCOMPARE(b.line(9), QStringLiteral("255"));
    }

    void otherVersionAppliesNothing_data()
    {
        QTest::addColumn<QString>("header");
        QTest::newRow("trailing blank") << "Vardolin Ver 1.05 ";
        QTest::newRow("older") << "Vardolin Ver 1.02";
    }
    void otherVersionAppliesNothing()
    {
        QFETCH(QString, header);
        TestEnv t;
        QStringList lines = standardLines();
        lines[0] = header;
        t.writeLines("appcfgs.cfg", lines);
        TForm1 w(t.env());
        QCOMPARE(t.messages.log.size(), 1);
        QCOMPARE(t.messages.log[0].kind, RecordedMessage::Notice);
        QCOMPARE(t.messages.log[0].text, QStringLiteral("appcfgs.cfgファイルのバージョンが違います。"));
        QVERIFY(!ui(w).REdit->wordWrap());
        QVERIFY(!ui(w).CheckBox1->isEnabled());
        // Start-up goes on: the title is set, and the next close writes the header.
        QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin"));
        w.FormClose();
        LineBuffer b;
        b.load(t.path("appcfgs.cfg"));
        QCOMPARE(b.line(0), QStringLiteral("Vardolin Ver 1.05"));
        QCOMPARE(b.count(), 13);
    }

    void missingFileGivesOneErrorAndACompleteFileAtClose()
    {
        TestEnv t;
        QFile::remove(t.path("appcfgs.cfg"));
        TForm1 w(t.env());
        QCOMPARE(t.messages.log.size(), 1);
        QCOMPARE(t.messages.log[0].kind, RecordedMessage::Error);
        QCOMPARE(t.messages.log[0].text, QStringLiteral("ﾌｧｲﾙ %1 は開けません.").arg(t.path("appcfgs.cfg")));
        // The later steps of start-up did not run.
        QCOMPARE(ui(w).ChBox1->count(), 0);
        QCOMPARE(ui(w).Edit1->text(), QString());
        // The list has no Tag yet, so a file picked in it shows nothing; and
        // there is no base title, so the first listing leaves no caption.
        t.writeFile("a.txt", "text");
        pickListed(w, t.settingsDir(), "a.txt");
        QCOMPARE(w.panelText(1), QString());
        QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin"));
        w.STItem();
        QCOMPARE(w.windowTitle(), QString());
        QCOMPARE(w.viewColors().text, 0);
        QCOMPARE(w.viewColors().background, 16777215);
        w.FormClose();
        LineBuffer b;
        b.load(t.path("appcfgs.cfg"));
        QCOMPARE(b.count(), 13);
        QCOMPARE(b.line(0), QStringLiteral("Vardolin Ver 1.05"));
        // The next start is normal.
        t.messages.log.clear();
        TForm1 again(t.env());
        QVERIFY2(t.messages.log.isEmpty(), qPrintable(t.messages.texts().join('|')));
    }

    // With nothing read the pane keeps the window's layout font, and the file
    // written at close names it, so the next start shows the same font.
    void layoutFontIsWrittenWhenNoneWasRead_data()
    {
        QTest::addColumn<QString>("header");
        QTest::newRow("missing file") << QString();
        QTest::newRow("other version") << "Vardolin Ver 1.02";
    }
    void layoutFontIsWrittenWhenNoneWasRead()
    {
        QFETCH(QString, header);
        TestEnv t;
        QStringList lines = standardLines();
        lines[0] = header;
        if (header.isEmpty()) QFile::remove(t.path("appcfgs.cfg"));
        else t.writeLines("appcfgs.cfg", lines);
        TForm1 w(t.env());
        QCOMPARE(t.messages.log.size(), 1);
        QCOMPARE(ui(w).REdit->fontFace(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(ui(w).REdit->fontSize(), 9);
        w.FormClose();
        LineBuffer b;
        b.load(t.path("appcfgs.cfg"));
        QCOMPARE(b.line(6), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(b.line(7), QStringLiteral("9"));
    }

    void shortFiles()
    {
        {
            // 12 lines: all applied up to line 11, then the list width fails.
            TestEnv t;
            t.writeLines("appcfgs.cfg", standardLines().mid(0, 12));
            TForm1 w(t.env());
            QCOMPARE(t.messages.texts(), QStringList{QStringLiteral("'' は整数ではありません.")});
            QVERIFY(ui(w).CheckBox1->isEnabled());
            QCOMPARE(w.viewColors().background, 12632256);
        }
        {
            // 10 lines: direct launching ends up unavailable and off.
            TestEnv t;
            QStringList lines = standardLines().mid(0, 10);
            t.writeLines("appcfgs.cfg", lines);
            TForm1 w(t.env());
            QCOMPARE(t.messages.texts(), QStringList{QStringLiteral("'' は整数ではありません.")});
            QVERIFY(!ui(w).CheckBox1->isEnabled() && !ui(w).E1->isEnabled() && !ui(w).N19->isEnabled());
            QVERIFY(!ui(w).CheckBox1->isChecked());
        }
    }

    void flagLinesCompareAsText()
    {
        TestEnv t;
        QStringList lines = standardLines();
        lines[10] = " 0";   // not "0": disabled
        lines[11] = "0";    // ticked, even though disabled
        t.writeLines("appcfgs.cfg", lines);
        TForm1 w(t.env());
        QVERIFY(!ui(w).CheckBox1->isEnabled() && !ui(w).E1->isEnabled() && !ui(w).N19->isEnabled());
        QVERIFY(ui(w).CheckBox1->isChecked() && ui(w).E1->isChecked() && ui(w).N19->isChecked());
        w.FormClose();
        LineBuffer b;
        b.load(t.path("appcfgs.cfg"));
        QCOMPARE(b.line(10), QStringLiteral("1"));
        QCOMPARE(b.line(11), QStringLiteral("0"));
    }

    void lineFiveOtherThanZeroTurnsWrapOff()
    {
        TestEnv t;
        QStringList lines = standardLines();
        lines[5] = "2";
        t.writeLines("appcfgs.cfg", lines);
        TForm1 w(t.env());
        QVERIFY(!ui(w).REdit->wordWrap());
        QVERIFY(!ui(w).N13->isChecked() && !ui(w).N29->isChecked());
    }

    void lineEndingsDoNotMatter_data()
    {
        QTest::addColumn<QByteArray>("eol");
        QTest::newRow("lf") << QByteArray("\n");
        QTest::newRow("cr") << QByteArray("\r");
    }
    void lineEndingsDoNotMatter()
    {
        QFETCH(QByteArray, eol);
        TestEnv t;
        QByteArray bytes = crlf(standardLines());
        bytes.replace("\r\n", eol);
        t.writeFile("appcfgs.cfg", bytes);
        TForm1 w(t.env());
        QVERIFY(t.messages.log.isEmpty());
        QCOMPARE(w.listWidth(), 140);
        w.FormClose();
        QCOMPARE(t.readFile("appcfgs.cfg"), crlf(standardLines()));
    }

    void minimumSizeIsKept()
    {
        TestEnv t;
        QStringList lines = standardLines();
        lines[3] = "100";
        lines[4] = "-5";
        lines[2] = "-3000";
        t.writeLines("appcfgs.cfg", lines);
        TForm1 w(t.env());
        QCOMPARE(w.outerBounds().size(), QSize(330, 136));
        // Wholly beside the screen, it is brought onto it.
        QCOMPARE(w.outerBounds().left(), availableArea().left());
        // The controls follow the client width.
        const int cw = w.centralWidget()->width();
        QCOMPARE(ui(w).Edit1->width(), cw - 22);
        QCOMPARE(ui(w).FolderBtn->x(), cw - 19);
        QCOMPARE(ui(w).CheckBox1->x(), cw - 49);
        w.resize(10, 10);
        QCOMPARE(w.outerBounds().size(), QSize(330, 136));
    }

    // Shown, the window gets a frame from the platform (the offscreen one
    // draws one too), and what was read is still what is written back.
    void shownWindowWritesBackWhatWasRead()
    {
        TestEnv t;
        t.writeLines("appcfgs.cfg", settingsWithBounds(107, 200, 640, 480));
        for (int cycle = 0; cycle < 3; ++cycle) {
            TForm1 w(t.env());
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QCOMPARE(w.frameGeometry(), QRect(200, 107, 640, 480));
            w.FormClose();
            QCOMPARE(boundsLines(t), (QStringList{"107", "200", "640", "480"}));
        }
    }

    void smallSavedSizeOpensAtTheMinimumOuterSize()
    {
        TestEnv t;
        t.writeLines("appcfgs.cfg", settingsWithBounds(40, 30, 100, 50));
        TForm1 w(t.env());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.frameGeometry().size(), QSize(330, 136));
        w.FormClose();
        QCOMPARE(boundsLines(t), (QStringList{"40", "30", "330", "136"}));
        // Dragged smaller, it snaps back to the minimum outer size.
        w.resize(10, 10);
        QCOMPARE(w.frameGeometry().size(), QSize(330, 136));
    }

    void shownWindowResizedOrMovedByTheUserIsWritten()
    {
        TestEnv t;
        t.writeLines("appcfgs.cfg", settingsWithBounds(107, 200, 640, 480));
        TForm1 w(t.env());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(w.size() + QSize(60, 40));
        w.FormClose();
        QCOMPARE(boundsLines(t), (QStringList{"107", "200", "700", "520"}));
        w.move(250, 90);
        w.FormClose();
        QCOMPARE(boundsLines(t), (QStringList{"90", "250", "700", "520"}));
    }
    // A saved size far beyond the screen would cost gigabytes of window
    // memory at every start. The window asks for no more than the screen has,
    // and the close writes the fitted bounds, so the next start is cheap too.
    // (The window is not shown: the size it asks for is the point.)
    void hugeSavedSizeIsFittedToTheScreen_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("40000") << 40000;
        QTest::newRow("largest integer") << 2147483647;
    }
    void hugeSavedSizeIsFittedToTheScreen()
    {
        QFETCH(int, size);
        const QRect area = availableArea();
        TestEnv t;
        t.writeLines("appcfgs.cfg", settingsWithBounds(107, 200, size, size));
        QStringList written;
        for (int cycle = 0; cycle < 2; ++cycle) {
            TForm1 w(t.env());
            QVERIFY2(t.messages.log.isEmpty(), qPrintable(t.messages.texts().join('|')));
            QVERIFY2(area.contains(w.frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                .arg(w.frameGeometry().x()).arg(w.frameGeometry().y())
                .arg(w.frameGeometry().width()).arg(w.frameGeometry().height())));
            QCOMPARE(w.outerBounds().size(), area.size());
            w.FormClose();
            if (cycle == 0) written = boundsLines(t);
            else QCOMPARE(boundsLines(t), written);   // fitted once, then kept
        }
        QCOMPARE(written, (QStringList{QString::number(area.top()), QString::number(area.left()),
                                       QString::number(area.width()), QString::number(area.height())}));
    }

    // Values at the ends of the integer range reach no arithmetic that could
    // overflow: each is brought into the range its use allows.
    void extremeIntegersAreBroughtIntoRange_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("value");
        QTest::newRow("font size smallest") << 7 << "-2147483648";
        QTest::newRow("font size hex") << 7 << "$80000000";
        QTest::newRow("font size largest") << 7 << "2147483647";
        QTest::newRow("list width smallest") << 12 << "-2147483648";
        QTest::newRow("list width largest") << 12 << "2147483647";
        QTest::newRow("top largest") << 1 << "2147483647";
        QTest::newRow("left largest") << 2 << "2147483647";
        QTest::newRow("top smallest") << 1 << "-2147483648";
        QTest::newRow("left smallest") << 2 << "$80000000";
        QTest::newRow("width smallest") << 3 << "-2147483648";
        QTest::newRow("text colour smallest") << 8 << "-2147483648";
        QTest::newRow("background largest") << 9 << "$FFFFFFFF";
    }
    void extremeIntegersAreBroughtIntoRange()
    {
        QFETCH(int, line);
        QFETCH(QString, value);
        TestEnv t;
        QStringList lines = standardLines();
        lines[line] = value;
        t.writeLines("appcfgs.cfg", lines);
        TForm1 w(t.env());
        QVERIFY2(t.messages.log.isEmpty(), qPrintable(t.messages.texts().join('|')));
        // Reachable: the top-left corner, where the title bar starts, is on the screen.
        QVERIFY(availableArea().contains(w.frameGeometry().topLeft()));
        QVERIFY(w.frameGeometry().size().boundedTo(availableArea().size()) == w.frameGeometry().size());
        QVERIFY(ui(w).REdit->fontSize() >= -1638 && ui(w).REdit->fontSize() <= 1638);
        QVERIFY(w.listWidth() >= ui(w).LView->minimumWidth() && w.listWidth() <= w.frameGeometry().width());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.FormClose();
        LineBuffer b;
        b.load(t.path("appcfgs.cfg"));
        QCOMPARE(b.count(), 13);
    }

    // Sizes a font can have are applied as read; beyond them the nearest one.
    void fontSizeIsKeptWithinWhatAFontCanHave_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("applied");
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("1638") << "1638" << 1638;
        QTest::newRow("pixels") << "-16" << -16;
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("1639") << "1639" << 1638;
        QTest::newRow("largest") << "2147483647" << 1638;
        QTest::newRow("smallest") << "-2147483648" << -1638;
        QTest::newRow("hex smallest") << "$80000000" << -1638;
    }
    void fontSizeIsKeptWithinWhatAFontCanHave()
    {
        QFETCH(QString, stored);
        QFETCH(int, applied);
        TestEnv t;
        QStringList lines = standardLines();
        lines[7] = stored;
        t.writeLines("appcfgs.cfg", lines);
        TForm1 w(t.env());
        QCOMPARE(ui(w).REdit->fontSize(), applied);
        w.FormClose();
        LineBuffer b;
        b.load(t.path("appcfgs.cfg"));
        QCOMPARE(b.line(7), QString::number(applied));
    }

    // A failed write keeps the window with the error; the next close tries
    // again, and ends the program either way (with a word when it failed too).
    void failedSaveIsTriedAgainAtTheNextClose_data()
    {
        QTest::addColumn<bool>("folderBack");
        QTest::newRow("folder writable again") << true;
        QTest::newRow("folder still unwritable") << false;
    }
    void failedSaveIsTriedAgainAtTheNextClose()
    {
        QFETCH(bool, folderBack);
        TestEnv t;
        TForm1 w(t.env());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QString cannot = QStringLiteral("ﾌｧｲﾙ %1 を作成できません.").arg(t.path("appcfgs.cfg"));
        QVERIFY(t.dir.remove());
        w.close();
        QVERIFY(w.isVisible());
        QCOMPARE(t.messages.texts(), QStringList{cannot});
        w.resize(w.size() + QSize(60, 40));
        const QSize size = w.frameGeometry().size();
        if (folderBack) QVERIFY(QDir().mkpath(t.dir.path()));
        w.close();
        QVERIFY(!w.isVisible());
        if (folderBack) {
            QCOMPARE(t.messages.texts(), QStringList{cannot});
            QVERIFY(QFile::exists(t.path("appcfgs.cfg")));
            QCOMPARE(boundsLines(t).mid(2), (QStringList{QString::number(size.width()), QString::number(size.height())}));
        } else {
            QCOMPARE(t.messages.texts(), (QStringList{cannot, cannot, QStringLiteral("設定は保存されませんでした。")}));
        }
    }
};

QTEST_MAIN(TestMainSettings)
#include "tst_mainsettings.moc"
