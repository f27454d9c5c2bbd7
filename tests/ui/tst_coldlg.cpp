// The colour dialog and the font dialog of the text pane.
#include "CommonDialogs.h"
#include "Fonts.h"
#include "Forms.h"
#include "LineBuffer.h"
#include "MainControls.h"
#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace {
// A colour dialog that also leaves a custom colour behind on each confirmation,
// and records the custom colours it was handed.
class CustomColourDialogs : public FakeDialogs {
public:
    bool chooseColor(QWidget* parent, QColor* color, QList<QColor>* custom) override
    {
        customSeen << (custom ? *custom : QList<QColor>());
        const bool ok = FakeDialogs::chooseColor(parent, color, custom);
        if (ok && custom) custom->append(*color);
        return ok;
    }
    QList<QList<QColor>> customSeen;
};

QColor labelText(const TForm6& dlg) { return ui(dlg).Label1->palette().color(QPalette::WindowText); }
QColor labelFill(const TForm6& dlg) { return ui(dlg).Label1->palette().color(QPalette::Window); }

QString appcfgsLine(TestEnv& t, int i)
{
    LineBuffer b;
    b.load(t.path(QStringLiteral("appcfgs.cfg")));
    return b.line(i);
}
} // namespace

class TestColDlg : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Fonts::installSubstitutions(); }

    void cancelledColourKeepsTheSampleConfirmedSetsIt()
    {
        TestEnv t;
        TForm1 main(t.env());
        main.setViewColors({0x123456, 0x654321});
        TForm6 dlg(main, t.env(), &main);
        dlg.FormShow();
        QCOMPARE(dlg.sampleTextColor(), 0x123456);
        QCOMPARE(dlg.sampleBackColor(), 0x654321);
        QCOMPARE(labelText(dlg), QColor(0x56, 0x34, 0x12));
        QCOMPARE(labelFill(dlg), QColor(0x21, 0x43, 0x65));

        t.dialogs.colorAccept = false;
        dlg.Button1Click();
        QCOMPARE(t.dialogs.lastColorPreset, QColor(Qt::black));
        dlg.Button2Click();
        QCOMPARE(t.dialogs.lastColorPreset, QColor(Qt::white));
        QCOMPARE(dlg.sampleTextColor(), 0x123456);
        QCOMPARE(dlg.sampleBackColor(), 0x654321);
        QCOMPARE(labelText(dlg), QColor(0x56, 0x34, 0x12));

        t.dialogs.colorAccept = true;
        t.dialogs.colorResult = QColor(255, 0, 0);
        dlg.Button1Click();
        t.dialogs.colorResult = QColor(0, 0, 128);
        dlg.Button2Click();
        QCOMPARE(dlg.sampleTextColor(), 0x0000FF);
        QCOMPARE(dlg.sampleBackColor(), 0x800000);
        QCOMPARE(labelText(dlg), QColor(255, 0, 0));
        QCOMPARE(labelFill(dlg), QColor(0, 0, 128));
        // The sample is the only preview.
        QCOMPARE(main.viewColors().text, 0x123456);
        QCOMPARE(ui(main).REdit->fontColor(), 0);
    }

    void customColoursLastForTheRun()
    {
        TestEnv t;
        CustomColourDialogs dialogs;
        AppEnv env = t.env().withDialogs(dialogs);
        TForm1 main(env);
        TForm6 dlg(main, env, &main);
        dlg.FormShow();
        dialogs.colorAccept = true;
        dialogs.colorResult = QColor(1, 2, 3);
        dlg.Button1Click();
        dialogs.colorAccept = false;
        dlg.Button2Click();
        dlg.Button4Click();
        dlg.FormShow();
        dlg.Button2Click();
        QCOMPARE(dialogs.customSeen.size(), 3);
        QVERIFY(dialogs.customSeen[0].isEmpty());
        QCOMPARE(dialogs.customSeen[1], QList<QColor>{QColor(1, 2, 3)});
        QCOMPARE(dialogs.customSeen[2], QList<QColor>{QColor(1, 2, 3)});
    }

    void cancelLeavesMainWindowAndNextShowingStartsOver()
    {
        TestEnv t;
        TForm1 main(t.env());
        main.setViewColors({255, 0xFFFF});
        main.ColorSet();
        TForm6 dlg(main, t.env(), &main);
        dlg.show();
        QCOMPARE(dlg.sampleTextColor(), 255);
        t.dialogs.colorAccept = true;
        t.dialogs.colorResult = QColor(0, 128, 0);
        dlg.Button1Click();
        dlg.Button2Click();
        dlg.Button4Click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(main.viewColors().text, 255);
        QCOMPARE(main.viewColors().background, 0xFFFF);
        QCOMPARE(ui(main).REdit->fontColor(), 255);
        QCOMPARE(ui(main).REdit->fillColor(), 0xFFFF);
        QCOMPARE(ui(main).Edit1->palette().color(QPalette::Text), QColor(255, 0, 0));

        dlg.show();
        QCOMPARE(dlg.sampleTextColor(), 255);
        QCOMPARE(dlg.sampleBackColor(), 0xFFFF);
        QCOMPARE(labelText(dlg), QColor(255, 0, 0));
        // Escape is no cancel button here.
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.isVisible());
        dlg.Button4Click();
    }

    void confirmAppliesThePairEverywhere()
    {
        TestEnv t;
        TForm1 main(t.env());
        TForm6 dlg(main, t.env(), &main);
        dlg.show();
        t.dialogs.colorAccept = true;
        t.dialogs.colorResult = QColor(0x10, 0x20, 0x30);
        dlg.Button1Click();
        t.dialogs.colorResult = QColor(0xF0, 0xE0, 0xD0);
        dlg.Button2Click();
        ui(dlg).Button3->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(main.viewColors().text, 0x302010);
        QCOMPARE(main.viewColors().background, 0xD0E0F0);
        QCOMPARE(ui(main).REdit->fontColor(), 0x302010);
        QCOMPARE(ui(main).REdit->fillColor(), 0xD0E0F0);
        QCOMPARE(ui(main).Edit1->palette().color(QPalette::Text), QColor(0x10, 0x20, 0x30));
        QCOMPARE(ui(main).Edit1->palette().color(QPalette::Base), QColor(0xF0, 0xE0, 0xD0));
        // The drop-down lists are painted in the fill colour itself, beside
        // their text, not in a shade of it.
        for (QComboBox* box : {ui(main).ChBox1, ui(main).ChBox2}) {
            box->clear();
            const QImage shown = box->grab().toImage();
            QCOMPARE(shown.pixelColor(box->width() / 3, box->height() / 2), QColor(0xF0, 0xE0, 0xD0));
        }
        main.FormClose();
        QCOMPARE(appcfgsLine(t, 8), QString::number(0x302010));
        QCOMPARE(appcfgsLine(t, 9), QString::number(0xD0E0F0));
    }

    void fontDialogKeepsItsOwnFontAndGivesWindowText()
    {
        TestEnv t;
        TForm1 main(t.env());
        main.setViewColors({0x0000FF, 0xFFFFFF});
        main.ColorSet();
        const QFont paneBefore = ui(main).REdit->paneFont();

        // Cancel changes nothing; the dialog starts from its own font.
        t.dialogs.fontAccept = false;
        main.F1Click();
        // The layout font: 12 pixels are 9 points.
        QCOMPARE(t.dialogs.lastFontShown.family(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(t.dialogs.lastFontShown.pointSize(), 9);
        QCOMPARE(ui(main).REdit->paneFont(), paneBefore);
        QCOMPARE(ui(main).REdit->fontColor(), 0x0000FF);

        QFont chosen(QStringLiteral("IPAGothic"));
        chosen.setPointSize(14);
        chosen.setBold(true);
        t.dialogs.fontAccept = true;
        t.dialogs.fontResult = chosen;
        main.N32Click();
        QCOMPARE(ui(main).REdit->fontFace(), QStringLiteral("IPAGothic"));
        QCOMPARE(ui(main).REdit->fontSize(), 14);
        QVERIFY(ui(main).REdit->paneFont().bold());
        QCOMPARE(ui(main).REdit->fontColor(), TColor::WindowText);
        QCOMPARE(main.viewColors().text, 0x0000FF);
        QCOMPARE(ui(main).Edit1->palette().color(QPalette::Text), QColor(255, 0, 0));

        // Settings read again do not move the dialog off its last font.
        main.LoadSet();
        t.dialogs.fontAccept = false;
        main.F1Click();
        QCOMPARE(t.dialogs.lastFontShown.family(), QStringLiteral("IPAGothic"));
        QCOMPARE(t.dialogs.lastFontShown.pointSize(), 14);
    }

    // The dialog can only show installed families: the stored face is shown
    // through the family that stands in for it, and choosing that family
    // again keeps the stored name.
    void changingTheSizeAloneKeepsTheStoredFace()
    {
        TestEnv t;
        TForm1 main(t.env());
        const QString shown = QFontInfo(QFont(QStringLiteral("ＭＳ Ｐゴシック"))).family();
        QVERIFY(shown != QStringLiteral("ＭＳ Ｐゴシック"));
        QFont chosen(shown);
        chosen.setPointSize(12);
        t.dialogs.fontAccept = true;
        t.dialogs.fontResult = chosen;
        main.F1Click();
        QCOMPARE(ui(main).REdit->fontFace(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(ui(main).REdit->fontSize(), 12);
        QCOMPARE(QFontInfo(ui(main).REdit->paneFont()).family(), shown);
        main.FormClose();
        QCOMPARE(appcfgsLine(t, 6), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(appcfgsLine(t, 7), QStringLiteral("12"));
        // The next showing opens on the stored face at the new size.
        t.dialogs.fontAccept = false;
        main.N32Click();
        QCOMPARE(t.dialogs.lastFontShown.family(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(t.dialogs.lastFontShown.pointSize(), 12);
    }

    void theRealDialogOpensOnTheStoredFace()
    {
        TestEnv t;
        QtCommonDialogs real;
        AppEnv env = t.env().withDialogs(real);
        TForm1 main(env);
        QString family;
        int points = 0;
        bool effectsShown = true;
        // Answers the dialog once it is shown, so that nothing waits on it.
        QTimer answer;
        answer.setInterval(0);
        connect(&answer, &QTimer::timeout, &main, [&] {
            auto* dlg = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            if (!dlg) return;
            answer.stop();
            family = dlg->currentFont().family();
            points = dlg->currentFont().pointSize();
            effectsShown = false;
            for (QCheckBox* box : dlg->findChildren<QCheckBox*>()) effectsShown = effectsShown || box->isVisible();
            QFont f = dlg->currentFont();
            f.setPointSize(14);
            dlg->setCurrentFont(f);
            dlg->accept();
        });
        answer.start();
        main.F1Click();
        answer.stop();
        QCOMPARE(family, QFontInfo(QFont(QStringLiteral("ＭＳ Ｐゴシック"))).family());
        QCOMPARE(points, 9);
        QVERIFY(!effectsShown);
        QCOMPARE(ui(main).REdit->fontFace(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(ui(main).REdit->fontSize(), 14);
    }

    void confirmAfterFontChangeReappliesTheConfiguredColour()
    {
        TestEnv t;
        TForm1 main(t.env());
        main.setViewColors({0x0000FF, 0xFFFFFF});
        main.ColorSet();
        t.dialogs.fontAccept = true;
        t.dialogs.fontResult = QFont(QStringLiteral("IPAGothic"), 11);
        main.F1Click();
        main.FormClose();
        QCOMPARE(appcfgsLine(t, 8), QStringLiteral("-2147483640"));

        TForm6 dlg(main, t.env(), &main);
        dlg.FormShow();
        QCOMPARE(dlg.sampleTextColor(), 0x0000FF);
        dlg.Button3Click();
        QCOMPARE(ui(main).REdit->fontColor(), 0x0000FF);
        main.FormClose();
        QCOMPARE(appcfgsLine(t, 8), QString::number(0x0000FF));

        // A window-text colour read back is shown as such in the sample and kept on "決定".
        main.setViewColors({TColor::WindowText, 0xFFFFFF});
        dlg.FormShow();
        QCOMPARE(labelText(dlg), TColor::toQColor(TColor::WindowText));
        dlg.Button3Click();
        QCOMPARE(main.viewColors().text, TColor::WindowText);
    }

    void menuShowsTheDialogModallyWithNothingCut()
    {
        TestEnv t;
        TForm1 main(t.env());
        createForms(main);
        QVERIFY(ui(main).Form6);
        bool modal = false, onTop = false, closeOnly = false, centred = false, fits = false;
        QTimer::singleShot(0, ui(main).Form6, [&] {
            TForm6* d = ui(main).Form6;
            modal = d->isVisible() && d->isModal();
            onTop = d->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            closeOnly = d->windowFlags().testFlag(Qt::WindowCloseButtonHint) && d->windowType() == Qt::Dialog;
            const QRect area = d->screen()->availableGeometry();
            centred = (d->frameGeometry().center() - area.center()).manhattanLength() <= 2;
            // The sample's glyphs, drawn from the label's top left, stay inside it.
            const QFontMetrics fm(ui(*d).Label1->font());
            const QRect ink = fm.tightBoundingRect(ui(*d).Label1->text()).translated(0, fm.ascent());
            fits = ink.left() >= 0 && ink.right() < ui(*d).Label1->width() && ink.top() >= 0
                   && ink.bottom() < ui(*d).Label1->height();
            for (QPushButton* b : {ui(*d).Button1, ui(*d).Button2, ui(*d).Button3, ui(*d).Button4})
                fits = fits && b->fontMetrics().horizontalAdvance(b->text()) + 8 <= b->width();
            // Enter on the dialog does not confirm nor cancel.
            fits = fits && !ui(*d).Button3->isDefault() && !ui(*d).Button4->isDefault();
            ui(*d).Button4->click();
        });
        main.N31Click();
        QVERIFY(modal);
        QVERIFY(onTop);
        QVERIFY(closeOnly);
        QVERIFY(centred);
        QVERIFY(fits);
        QVERIFY(!ui(main).Form6->isVisible());
    }
};

QTEST_MAIN(TestColDlg)
#include "tst_coldlg.moc"
