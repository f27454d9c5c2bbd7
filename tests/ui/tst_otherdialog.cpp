// The application registration dialog against a small stand-in main window.
#include "AppSlots.h"
#include "LineBuffer.h"
#include "MainForm.h"
#include "OtherDialog.h"
#include "OtherImage.h"
#include "TColor.h"
#include "TestSupport.h"
#include "testexe.h"
#include "Forms.h"
#include "Unit1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

const QString kUnreg = QStringLiteral("（未登録）");

struct Confirmed {
    bool registered = false;
    QString title, path, option;
    QImage glyph;
};

// The main window as the dialogs see it: five slots and the direct-mode switch.
class FakeMain : public StubMainForm {
public:
    FakeMain()
    {
        for (int n = 1; n <= 5; ++n) hint[n] = kUnreg;
    }
    QString slotHint(int n) const override { return hint[n]; }
    QString slotPath(int n) const override { return path[n]; }
    QString slotOption(int n) const override { return option[n]; }
    QImage slotHiddenImage(int n) const override { return hidden[n]; }
    void confirmSlot(int n, bool registered, const QString& title, const QString& p, const QString& o,
                     const QImage& glyph) override
    {
        confirmed[n] = Confirmed{registered, title, p, o, glyph};
        ++confirmCount;
        hint[n] = title;
        path[n] = p;
        option[n] = o;
        hidden[n] = glyph;   // the confirmed picture is the slot's icon
    }
    void setDirectEnabled(bool enabled) override { directEnabled.append(enabled); }

    std::array<QString, 6> hint, path, option;
    std::array<QImage, 6> hidden;
    std::array<Confirmed, 6> confirmed;
    int confirmCount = 0;
    QList<bool> directEnabled;
};

QIcon solidIcon(const QColor& c)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.fillRect(4, 4, 8, 8, c);   // a transparent margin around a solid square
    return QIcon(pm);
}

// Real files and folders, a fixed icon for every program.
class IconPlatform : public FakePlatform {
public:
    QIcon programIcon(const QString& path) override
    {
        asked << path;
        return solidIcon(Qt::red);
    }
    QStringList asked;
};

QImage solidImage(const QColor& c, int side = 17)
{
    QImage img(side, side, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

QColor btnFace() { return TColor::toQColor(TColor::BtnFace); }

bool allPixels(const QImage& img, const QColor& c)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y).rgb() != c.rgb()) return false;
    return true;
}

// The icon over the button face: red in the middle, button face at the rim.
bool isIconOverButtonFace(const QImage& img)
{
    return img.size() == QSize(17, 17) && img.pixelColor(8, 8).rgb() == QColor(Qt::red).rgb() &&
           img.pixelColor(0, 0).rgb() == btnFace().rgb();
}

} // namespace

class TestOtherDialog : public QObject {
    Q_OBJECT

    struct Fixture {
        Fixture()
        {
            form4 = std::make_unique<TForm4>(main, env, nullptr);
            form5 = std::make_unique<TForm5>(main, env, nullptr);
            form4->setTestForm(form5.get());
            program = t.path(QStringLiteral("tool"));
            QFile f(program);
            f.open(QIODevice::WriteOnly);
            f.write("#!/bin/sh\n");
            f.close();
            f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        }
        void registerInMain(int n, const QString& title, const QString& p, const QString& o)
        {
            main.hint[n] = title;
            main.path[n] = p;
            main.option[n] = o;
        }
        void open()
        {
            form4->copyFromMain();
            form4->FormShow();
        }
        void pick(int n)
        {
            form4->ChBox->setCurrentIndex(n - 1);
            Q_EMIT form4->ChBox->activated(n - 1);
        }

        TestEnv t;
        IconPlatform platform;
        AppEnv env = t.env().withPlatform(platform);
        FakeMain main;
        std::unique_ptr<TForm4> form4;
        std::unique_ptr<TForm5> form5;
        QString program;
    };

private Q_SLOTS:
    void windowAndControls()
    {
        Fixture fx;
        TForm4& f = *fx.form4;
        QCOMPARE(f.windowTitle(), QStringLiteral("外部起動アプリの登録"));
        QCOMPARE(f.size(), QSize(465, 217));
        QVERIFY(f.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!(f.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(f.ChBox->count(), 5);
        QCOMPARE(f.ChBox->itemText(4), QStringLiteral("5"));
        QCOMPARE(f.ChBox->toolTip(), QStringLiteral("ここで設定したいアイテムの番号を選択してください。"));
        QCOMPARE(f.FolderBtn->toolTip(),
                 QStringLiteral("外部起動アプリへのパスを指定するダイアログボックスを開きます。"));
        const QStringList captions = {f.Button1->text(), f.Button2->text(), f.Button3->text(), f.Button4->text(),
                                      f.Button5->text()};
        QCOMPARE(captions, (QStringList{QStringLiteral("仮登録"), QStringLiteral("動作テスト"),
                                        QStringLiteral("設定の保存"), QStringLiteral("決定"),
                                        QStringLiteral("キャンセル")}));
        // Rows 24 pixels apart, all inside the client area, nothing overlapping the buttons.
        for (int n = 1; n <= 5; ++n) {
            QCOMPARE(f.ResetBtn[n]->text(), QStringLiteral("Reset"));
            QCOMPARE(f.LTitle[n]->y() - f.LTitle[1]->y(), 24 * (n - 1));
            QVERIFY(f.rect().contains(f.ResetBtn[n]->geometry()));
            QVERIFY(f.ResetBtn[n]->geometry().bottom() < f.Button1->y());
        }
        QVERIFY(f.rect().contains(f.Button5->geometry()));
        QCOMPARE(TForm4::openFilter(),
                 QStringLiteral("実行ファイル（*.exe）|*.exe|全てのファイル（*.*）|*.*"));
        // Tab order: selector, three fields, the five buttons, the Reset buttons.
        QList<QWidget*> chain;
        QWidget* w = f.ChBox;
        for (int i = 0; i < 14; ++i) {
            chain << w;
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || w->parentWidget() != &f) w = w->nextInFocusChain();
        }
        QCOMPARE(chain, (QList<QWidget*>{f.ChBox, f.ETitle, f.EOpt, f.EAppPath, f.Button1, f.Button2, f.Button3,
                                         f.Button4, f.Button5, f.ResetBtn[1], f.ResetBtn[2], f.ResetBtn[3],
                                         f.ResetBtn[4], f.ResetBtn[5]}));
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
        fx.main.hidden[4] = solidImage(Qt::blue);
        fx.open();
        TForm4& f = *fx.form4;
        QCOMPARE(f.selectedSlot(), 0);
        QVERIFY(f.ETitle->text().isEmpty() && f.EOpt->text().isEmpty() && f.EAppPath->text().isEmpty());
        QCOMPARE(f.row(3).title, QStringLiteral("Tool3"));
        QCOMPARE(f.row(3).option, QStringLiteral("-x"));
        QCOMPARE(f.row(5).title, kUnreg);
        QCOMPARE(fx.platform.asked, QStringList{fx.program});
        QVERIFY(isIconOverButtonFace(f.AppImg->picture()));
        QCOMPARE(f.rowImage(3), f.AppImg->picture());
        QVERIFY(allPixels(f.rowImage(4), Qt::blue));
        QVERIFY(f.rowImage(1).isNull());
        QVERIFY(fx.t.messages.log.isEmpty());

        // Nothing registered: nothing is drawn at all.
        Fixture empty;
        empty.open();
        QVERIFY(empty.form4->AppImg->picture().isNull());
        QVERIFY(empty.platform.asked.isEmpty());
    }

    // Picking "3" loads row 3; typing (even an item's own text) warns and
    // clears the selector but leaves fields and preview alone.
    void selectorPickAndTyping()
    {
        Fixture fx;
        fx.registerInMain(3, QStringLiteral("Three"), QStringLiteral("/no/such"), QStringLiteral("-o"));
        fx.main.hidden[3] = solidImage(Qt::green);
        fx.open();
        TForm4& f = *fx.form4;
        fx.pick(3);
        QCOMPARE(f.selectedSlot(), 3);
        QCOMPARE(f.ETitle->text(), QStringLiteral("Three"));
        QCOMPARE(f.EOpt->text(), QStringLiteral("-o"));
        QCOMPARE(f.EAppPath->text(), QStringLiteral("/no/such"));
        QVERIFY(allPixels(f.AppImg->picture(), Qt::green));

        for (const QString& typed : {QStringLiteral("x"), QStringLiteral("2")}) {
            fx.t.messages.log.clear();
            f.ChBox->lineEdit()->selectAll();
            QTest::keyClicks(f.ChBox->lineEdit(), typed);
            QCOMPARE(fx.t.messages.log.size(), 1);
            QCOMPARE(fx.t.messages.log[0].kind, RecordedMessage::Warning);
            QCOMPARE(fx.t.messages.log[0].text, QStringLiteral("不正な値を入力しました。"));
            QCOMPARE(f.selectedSlot(), 0);
            QVERIFY(f.ChBox->currentText().isEmpty());
            QCOMPARE(f.ETitle->text(), QStringLiteral("Three"));
            QVERIFY(allPixels(f.AppImg->picture(), Qt::green));
        }

        // An unregistered row loads its fields and blanks the preview.
        fx.pick(5);
        QCOMPARE(f.ETitle->text(), kUnreg);
        QVERIFY(allPixels(f.AppImg->picture(), btnFace()));

        // A click on a row's label selects it as a program would (no change event).
        QTest::mouseClick(f.LAppPath[3], Qt::LeftButton);
        QCOMPARE(f.selectedSlot(), 3);
        QCOMPARE(f.ChBox->currentText(), QStringLiteral("3"));
        QCOMPARE(f.ETitle->text(), QStringLiteral("Three"));
        QTest::mouseClick(f.Num[1], Qt::LeftButton);
        QCOMPARE(f.selectedSlot(), 1);
        QTest::mouseClick(f.AppImgN[2], Qt::LeftButton);
        QCOMPARE(f.selectedSlot(), 2);
        QCOMPARE(fx.t.messages.log.size(), 1);
    }

    // "仮登録" copies the fields into the selected row with the program's icon;
    // with no slot selected it changes nothing.
    void provisionalRegistration()
    {
        Fixture fx;
        fx.open();
        TForm4& f = *fx.form4;
        f.ETitle->setText(QStringLiteral("Editor"));
        f.EAppPath->setText(fx.program);
        f.Button1Click();
        for (int n = 1; n <= 5; ++n) {
            QCOMPARE(f.row(n).title, kUnreg);
            QVERIFY(f.rowImage(n).isNull());
        }
        QVERIFY(fx.platform.asked.isEmpty());

        fx.pick(2);   // loads the unregistered row into the fields
        f.ETitle->setText(QStringLiteral("Editor"));
        f.EOpt->setText(QStringLiteral("-n"));
        f.EAppPath->setText(fx.program);
        f.Button1Click();
        QCOMPARE(f.row(2).title, QStringLiteral("Editor"));
        QCOMPARE(f.row(2).option, QStringLiteral("-n"));
        QCOMPARE(f.row(2).path, fx.program);
        QVERIFY(isIconOverButtonFace(f.rowImage(2)));
        QCOMPARE(f.rowImage(2), f.AppImg->picture());

        // A path where no file exists: taken as typed, the images stay blank.
        fx.pick(4);
        f.ETitle->setText(QString());
        f.EAppPath->setText(fx.t.path(QStringLiteral("missing")));
        f.Button1Click();
        QCOMPARE(f.row(4).title, QString());
        QVERIFY(allPixels(f.rowImage(4), btnFace()));
        QVERIFY(allPixels(f.AppImg->picture(), btnFace()));
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
        const QImage preview = f.AppImg->picture();
        QVERIFY(isIconOverButtonFace(preview));
        f.ResetBtn1Click(3);
        QCOMPARE(f.ETitle->text(), QStringLiteral("Two"));
        f.ResetBtn[2]->click();
        QCOMPARE(f.row(2).title, kUnreg);
        QVERIFY(f.row(2).path.isEmpty() && f.row(2).option.isEmpty());
        QVERIFY(allPixels(f.rowImage(2), btnFace()));
        QVERIFY(f.ETitle->text().isEmpty() && f.EOpt->text().isEmpty() && f.EAppPath->text().isEmpty());
        QCOMPARE(f.AppImg->picture(), preview);
        QCOMPARE(f.row(3).title, kUnreg);
    }

    // "動作テスト" tries the row, not the edited fields; with no slot it does nothing.
    void testRunUsesRow()
    {
        Fixture fx;
        fx.registerInMain(2, QStringLiteral("Old"), QStringLiteral("/old/prog"), QStringLiteral("-old"));
        fx.main.hidden[2] = solidImage(Qt::green);
        fx.open();
        TForm4& f = *fx.form4;
        bool shown = false;
        QTimer::singleShot(0, fx.form5.get(), [&] {
            shown = fx.form5->isVisible();
            fx.form5->Button2->click();
        });
        f.Button2Click();   // nothing selected
        QVERIFY(!shown);
        QCoreApplication::processEvents();

        fx.pick(2);
        f.ETitle->setText(QStringLiteral("New"));
        f.EOpt->setText(QStringLiteral("-new"));
        f.EAppPath->setText(QStringLiteral("/new/prog"));
        fx.form5->Edit1->setText(QStringLiteral("/tmp/a.txt"));
        QString title, path, option, started;
        QImage image;
        QTimer::singleShot(0, fx.form5.get(), [&] {
            shown = fx.form5->isVisible();
            title = fx.form5->Ltitle->text();
            path = fx.form5->LPath->text();
            option = fx.form5->LOpt->text();
            image = fx.form5->AppImg->picture();
            fx.form5->Button1->click();
            fx.form5->Button2->click();
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
            title = fx.form5->Ltitle->text();
            path = fx.form5->Edit1->text();
            image = fx.form5->AppImg->picture();
            fx.form5->Button1->click();   // no program in this row: nothing starts
            fx.form5->Button2->click();
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
        f.LAppPath[3]->setText(QStringLiteral("/left/over"));
        f.LOpt[3]->setText(QStringLiteral("-z"));
        f.Button4Click();
        QCOMPARE(fx.main.confirmCount, 5);
        QVERIFY(fx.main.confirmed[1].registered);
        QCOMPARE(fx.main.confirmed[1].title, QStringLiteral("One"));
        QCOMPARE(fx.main.confirmed[1].path, fx.program);
        QCOMPARE(fx.main.confirmed[1].option, QStringLiteral("-1"));
        QVERIFY(isIconOverButtonFace(fx.main.confirmed[1].glyph));
        QVERIFY(!fx.main.confirmed[3].registered);
        QCOMPARE(fx.main.confirmed[3].title, kUnreg);
        QVERIFY(fx.main.confirmed[3].path.isEmpty() && fx.main.confirmed[3].option.isEmpty());
        QCOMPARE(fx.main.directEnabled, QList<bool>{true});
        QCOMPARE(f.result(), int(QDialog::Accepted));

        // All five reset: direct mode disabled, blank glyphs.
        fx.open();
        for (int n = 1; n <= 5; ++n) f.ResetBtn1Click(n);
        f.Button4->click();
        QCOMPARE(fx.main.confirmCount, 10);
        for (int n = 1; n <= 5; ++n) {
            QVERIFY(!fx.main.confirmed[n].registered);
            QVERIFY(allPixels(fx.main.confirmed[n].glyph, btnFace()));
        }
        QCOMPARE(fx.main.directEnabled, (QList<bool>{true, false}));

        // A row titled with the marker by hand counts as unregistered too.
        fx.open();
        fx.pick(2);
        f.ETitle->setText(kUnreg);
        f.EAppPath->setText(fx.program);
        f.Button1Click();
        f.Button4Click();
        QVERIFY(!fx.main.confirmed[2].registered);
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
        f.ETitle->setText(QStringLiteral("Two"));
        f.EAppPath->setText(QStringLiteral("/no/such/prog"));
        f.Button1Click();
        f.LTitle[2]->setText(QStringLiteral("Renamed in the dialog"));
        f.Button4Click();
        const QImage rowTwo = f.rowImage(2);
        fx.main.hint[2] = QStringLiteral("Two");
        fx.open();
        QCOMPARE(f.row(2).title, QStringLiteral("Two"));
        QCOMPARE(f.row(2).path, QStringLiteral("/no/such/prog"));
        QCOMPARE(f.rowImage(2), rowTwo);

        // The selection survives; FormShow reloads the fields from the selected row.
        QCOMPARE(f.selectedSlot(), 2);
        QCOMPARE(f.ETitle->text(), QStringLiteral("Two"));

        fx.main.hidden[2] = solidImage(Qt::blue);
        fx.registerInMain(4, QStringLiteral("Four"), fx.program, QString());
        fx.main.hidden[4] = solidImage(Qt::blue);
        fx.registerInMain(5, QStringLiteral("Five"), fx.program, QString());
        fx.main.hidden[5] = solidImage(Qt::blue);
        fx.open();
        // Row 2 is the first registered row with a path: GetImg finds no file and
        // draws nothing, so row 2 takes the preview left from FormInit.
        QCOMPARE(f.rowImage(2), f.AppImg->picture());
        QVERIFY(allPixels(f.rowImage(4), Qt::blue));
        QVERIFY(allPixels(f.rowImage(5), Qt::blue));

        // A hidden image of another size is copied at (0, 0) and cut at 17 x 17.
        fx.main.hidden[5] = solidImage(Qt::yellow, 32);
        fx.form4->copyFromMain();
        QCOMPARE(f.rowImage(5).size(), QSize(17, 17));
        QVERIFY(allPixels(f.rowImage(5), Qt::yellow));
    }

    // Saving writes the rows as they are; cancelling afterwards leaves the main window.
    void saveThenCancel()
    {
        Fixture fx;
        fx.registerInMain(1, QStringLiteral("エディタ"), fx.program, QStringLiteral("-r"));
        fx.open();
        TForm4& f = *fx.form4;
        fx.pick(3);
        f.ETitle->setText(QStringLiteral("Three"));
        f.EAppPath->setText(fx.program);
        f.Button1Click();
        f.Button3->click();
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
        QCOMPARE(&fx.main.lineBuffer(), &fx.main.buffer);
        QCOMPARE(fx.main.buffer.count(), 15);

        f.Button5->click();
        QCOMPARE(f.result(), int(QDialog::Rejected));
        QCOMPARE(fx.main.confirmCount, 0);
        QVERIFY(fx.main.directEnabled.isEmpty());
        QCOMPARE(fx.main.hint[3], kUnreg);
    }

    void saveAfterFiveResets()
    {
        Fixture fx;
        fx.registerInMain(2, QStringLiteral("Two"), fx.program, QStringLiteral("-a"));
        fx.open();
        TForm4& f = *fx.form4;
        for (int n = 1; n <= 5; ++n) f.ResetBtn[n]->click();
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
        f.Button3->click();
        QCOMPARE(fx.t.messages.log.size(), 1);
        QCOMPARE(fx.t.messages.log[0].kind, RecordedMessage::Error);
        QVERIFY(fx.t.messages.log[0].text.contains(QStringLiteral("appitems.cfg")));
        QVERIFY(f.isVisible());
    }

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
            f.EAppPath->setText(c.path);
            QTest::keyClick(f.EAppPath, Qt::Key_Return);
            QCOMPARE(fx.t.messages.log.size(), c.warns ? 1 : 0);
            if (c.warns) QCOMPARE(fx.t.messages.log[0].text, QStringLiteral("そのファイルPathは不正です。"));
            QCOMPARE(f.EAppPath->text(), c.path);
            QCOMPARE(fx.main.confirmCount, 0);
        }

        fx.open();
        f.ETitle->setText(QStringLiteral("kept"));
        fx.t.dialogs.openFileAccept = false;
        f.FolderBtn->click();
        QCOMPARE(fx.t.dialogs.lastFilter, TForm4::openFilter());
        QVERIFY(f.EAppPath->text().isEmpty());
        fx.t.dialogs.openFileAccept = true;
        fx.t.dialogs.openFileResult = fx.program;
        f.FolderBtn->click();
        QCOMPARE(f.EAppPath->text(), fx.program);
        QCOMPARE(f.ETitle->text(), QStringLiteral("kept"));
        QVERIFY(f.AppImg->picture().isNull());
    }

    // Enter and Esc press nothing; the colours follow ViewColors at each showing.
    void keysAndColours()
    {
        Fixture fx;
        fx.main.colors = ViewColors{0x0000FF, 0x00FF00};   // red text on green
        TForm4& f = *fx.form4;
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QTest::keyClick(f.ETitle, Qt::Key_Return);
        QTest::keyClick(f.ETitle, Qt::Key_Escape);
        QTest::keyClick(&f, Qt::Key_Escape);
        QVERIFY(f.isVisible());
        QCOMPARE(fx.main.confirmCount, 0);
        for (QWidget* w : {static_cast<QWidget*>(f.ChBox), static_cast<QWidget*>(f.ETitle),
                           static_cast<QWidget*>(f.EOpt), static_cast<QWidget*>(f.EAppPath)}) {
            QCOMPARE(w->palette().color(QPalette::Base), QColor(0, 255, 0));
            QCOMPARE(w->palette().color(QPalette::Text), QColor(255, 0, 0));
        }
        f.Button5->click();
        QVERIFY(!f.isVisible());
    }

    // Opened from the main window's menu: rows from the main window, a test run
    // through the test-run dialog, and "決定" switching direct mode.
    void openedFromMainWindow()
    {
        TestEnv t;
        TForm1 main(t.env());
        createForms(main);
        main.CheckBox1->blockSignals(true);
        main.CheckBox1->setChecked(true);
        main.CheckBox1->blockSignals(false);
        TForm4* f = main.Form4;
        QVERIFY(f && main.Form5 && !f->isVisible());
        QStringList titles;
        QString testedPath;
        QTimer::singleShot(0, f, [&] {
            for (int n = 1; n <= 5; ++n) titles << f->row(n).title;
            f->Num1Click(1);
            f->ETitle->setText(QStringLiteral("Shell"));
            f->EAppPath->setText(QStringLiteral("/bin/sh"));
            f->Button1->click();
            QTimer::singleShot(0, main.Form5, [&] {
                testedPath = main.Form5->LPath->text();
                main.Form5->Button2->click();
            });
            f->Button2->click();
            f->Button4->click();
        });
        main.X3->trigger();
        QCOMPARE(f->result(), int(QDialog::Accepted));
        QStringList expected;
        for (int n = 1; n <= 5; ++n) expected << main.slotHint(n);
        QCOMPARE(titles.size(), 5);
        QCOMPARE(titles.mid(1), expected.mid(1));
        QCOMPARE(testedPath, QStringLiteral("/bin/sh"));
        QVERIFY(main.CheckBox1->isEnabled() && main.E1->isEnabled() && main.N19->isEnabled());

        QTimer::singleShot(0, f, [&] {
            for (int n = 1; n <= 5; ++n) f->ResetBtn[n]->click();
            f->Button4->click();
        });
        QCOMPARE(main.F4Call(), int(QDialog::Accepted));
        QVERIFY(!main.CheckBox1->isEnabled() && !main.E1->isEnabled() && !main.N19->isEnabled());
        QVERIFY(main.CheckBox1->isChecked());
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
};

QTEST_MAIN(TestOtherDialog)
#include "tst_otherdialog.moc"
