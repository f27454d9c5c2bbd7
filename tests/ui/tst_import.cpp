// The import dialog: the order of its steps, its messages and what it leaves on disk.
#include "AppSlots.h"
#include "CFC.h"
#include "Cp932.h"
#include "Forms.h"
#include "MainControls.h"
#include "OldSettings.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QImageWriter>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace {

// The main window as the import sees it: records the reloads and what
// appcfgs.cfg held when LoadSet ran.
class FakeMain : public StubMainForm {
public:
    explicit FakeMain(TestEnv& t) : m_t(t) {}
    void LoadSet() override
    {
        calls << QStringLiteral("LoadSet");
        settingsSeen = m_t.readFile(QStringLiteral("appcfgs.cfg"));
    }
    void TagsLoad() override { calls << QStringLiteral("TagsLoad"); }
    void LoadAppItem() override
    {
        calls << QStringLiteral("LoadAppItem");
        itemsSeen = m_t.readFile(QStringLiteral("appitems.cfg"));
    }
    void ColorSet() override { calls << QStringLiteral("ColorSet"); }

    QStringList calls;
    QByteArray settingsSeen, itemsSeen;

private:
    TestEnv& m_t;
};

const QString kFree = QStringLiteral("（未登録）");
const QString kNoItems = QStringLiteral("appitem.cfgが見付かりません。");
const QString kNoImages = QStringLiteral("画像ファイルが見付かりません。");
const QString kNoConfig = QStringLiteral("appcfg.cfgが見付かりません。");
const QStringList kReload = {QStringLiteral("LoadSet"), QStringLiteral("TagsLoad"), QStringLiteral("LoadAppItem")};

const QStringList kOldItems = {QStringLiteral("メモ帳"), QStringLiteral("/usr/bin/memo"), QStringLiteral("-n"),
                               kFree, QString(), QString(),
                               QStringLiteral("表示"), QStringLiteral("/usr/bin/view"), QStringLiteral("-r")};
const QStringList kOldConfig = {QStringLiteral("50"), QStringLiteral("60"), QStringLiteral("500"),
                                QStringLiteral("400"), QStringLiteral("0"), QStringLiteral("ＭＳ 明朝"),
                                QStringLiteral("12"), QStringLiteral("255"), QStringLiteral("65280")};

QByteArray bmp(const QColor& fill, int w = 16, int h = 16)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    QImageWriter(&buf, "bmp").write(img);
    return bytes;
}

void writeOldSet(TestEnv& t)
{
    t.writeLines(OldSettings::oldItemsFile(), kOldItems);
    t.writeFile(QStringLiteral("gitem1.bmp"), bmp(Qt::red));
    t.writeFile(QStringLiteral("gitem2.bmp"), bmp(Qt::green, 17, 17));
    t.writeFile(QStringLiteral("gitem3.bmp"), bmp(Qt::blue, 20, 10));
    t.writeLines(OldSettings::oldMainFile(), kOldConfig);
}

const QStringList kAllFiles = {
    QStringLiteral("appitem.cfg"),  QStringLiteral("gitem1.bmp"),   QStringLiteral("gitem2.bmp"),
    QStringLiteral("gitem3.bmp"),   QStringLiteral("appcfg.cfg"),   QStringLiteral("appitems.cfg"),
    QStringLiteral("appcfgs.cfg"),  QStringLiteral("exitem.cfg"),   QStringLiteral("IconImg1.bmp"),
    QStringLiteral("IconImg2.bmp"), QStringLiteral("IconImg3.bmp"), QStringLiteral("IconImg4.bmp"),
    QStringLiteral("IconImg5.bmp")};

QMap<QString, QByteArray> snapshot(const TestEnv& t)
{
    QMap<QString, QByteArray> m;
    for (const QString& f : kAllFiles)
        m[f] = QFile::exists(t.path(f)) ? t.readFile(f) : QByteArray("<missing>");
    return m;
}

QList<RecordedMessage::Kind> kinds(const FakeMessages& m)
{
    QList<RecordedMessage::Kind> out;
    for (const auto& r : m.log) out << r.kind;
    return out;
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void missingItemsStillConvertsMainSettings()
    {
        // appcfg.cfg of seven lines: copied as it stands, the three lines follow its last one.
        TestEnv t;
        const QStringList seven = kOldConfig.mid(0, 7);
        t.writeLines(OldSettings::oldMainFile(), seven);
        const auto before = snapshot(t);
        FakeMain main(t);
        TForm7 dlg(main, t.env(), nullptr);
        dlg.show();
        dlg.Button1Click();

        QCOMPARE(t.messages.texts(), QStringList{kNoItems});
        QCOMPARE(kinds(t.messages), QList<RecordedMessage::Kind>{RecordedMessage::Notice});
        QStringList expected = QStringList{QStringLiteral("Vardolin Ver 1.05")} + seven;
        expected << QStringLiteral("1") << QStringLiteral("1") << QStringLiteral("88");
        QCOMPARE(t.readFile(QStringLiteral("appcfgs.cfg")), crlf(expected));
        QCOMPARE(main.calls, kReload);
        QCOMPARE(main.settingsSeen, crlf(expected));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        auto after = snapshot(t);
        for (const QString& f : kAllFiles)
            if (f != QLatin1String("appcfgs.cfg")) QCOMPARE(after[f], before[f]);
    }

    void bothMissingGivesBothMessagesInOrder()
    {
        TestEnv t;
        const auto before = snapshot(t);
        FakeMain main(t);
        TForm7 dlg(main, t.env(), nullptr);
        ui(dlg).Chex1->setChecked(true);
        dlg.show();
        dlg.Button1Click();
        QCOMPARE(t.messages.texts(), (QStringList{kNoItems, kNoConfig}));
        QCOMPARE(main.calls, kReload);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(snapshot(t), before);
    }

    void missingBitmapSkipsIconsOnly()
    {
        TestEnv t;
        writeOldSet(t);
        QFile::remove(t.path(QStringLiteral("gitem2.bmp")));
        const auto before = snapshot(t);
        FakeMain main(t);
        TForm7 dlg(main, t.env(), nullptr);
        ui(dlg).Chex1->setChecked(true);
        dlg.show();
        dlg.Button1Click();

        QCOMPARE(t.messages.texts(), QStringList{kNoImages});
        QCOMPARE(t.readFile(QStringLiteral("appitems.cfg")), crlf(OldSettings::appItemLines(kOldItems)));
        QCOMPARE(main.itemsSeen, crlf(OldSettings::appItemLines(kOldItems)));
        QVERIFY(!QFile::exists(t.path(QStringLiteral("appitem.cfg"))));
        for (int n = 1; n <= 5; ++n) QCOMPARE(t.readFile(AppSlots::iconFile(n)), before[AppSlots::iconFile(n)]);
        QVERIFY(QFile::exists(t.path(QStringLiteral("gitem1.bmp"))));
        QVERIFY(QFile::exists(t.path(QStringLiteral("gitem3.bmp"))));
        // The main settings are converted all the same.
        QCOMPARE(t.readFile(QStringLiteral("appcfgs.cfg")), crlf(OldSettings::mainSettingsLines(kOldConfig)));
        QVERIFY(!QFile::exists(t.path(QStringLiteral("appcfg.cfg"))));
        QCOMPARE(main.calls, kReload);
        QVERIFY(!dlg.isVisible());
    }

    void uncheckedImportIsRepeatableAndLeavesSlotsFourAndFive()
    {
        TestEnv t;
        writeOldSet(t);
        const auto original = snapshot(t);
        FakeMain main(t);
        TForm7 dlg(main, t.env(), nullptr);
        dlg.show();
        dlg.Button1Click();
        QVERIFY(t.messages.log.isEmpty());
        const auto first = snapshot(t);
        for (const QString& f : {QStringLiteral("appitem.cfg"), QStringLiteral("gitem1.bmp"),
                                 QStringLiteral("gitem2.bmp"), QStringLiteral("gitem3.bmp"),
                                 QStringLiteral("appcfg.cfg"), QStringLiteral("exitem.cfg"),
                                 QStringLiteral("IconImg4.bmp"), QStringLiteral("IconImg5.bmp")})
            QCOMPARE(first[f], original[f]);
        QCOMPARE(AppSlots::loadBitmap(t.path(QStringLiteral("IconImg3.bmp"))).size(), QSize(20, 10));
        QCOMPARE(AppSlots::loadBitmap(t.path(QStringLiteral("IconImg1.bmp"))).pixelColor(5, 5), QColor(Qt::red));

        dlg.show();
        dlg.Button1Click();
        QCOMPARE(snapshot(t), first);
        QCOMPARE(main.calls, kReload + kReload);
    }

    void damagedBitmapStopsTheImportWithTheDialogOpen()
    {
        TestEnv t;
        writeOldSet(t);
        t.writeFile(QStringLiteral("gitem2.bmp"), QByteArray("BMnot really a bitmap"));
        const auto before = snapshot(t);
        FakeMain main(t);
        TForm7 dlg(main, t.env(), nullptr);
        ui(dlg).Chex1->setChecked(true);
        dlg.show();
        // The button runs through the same guard as a click.
        ui(dlg).Button1->click();

        QCOMPARE(kinds(t.messages), QList<RecordedMessage::Kind>{RecordedMessage::Error});
        // The sentence of a failed read, then the file and why.
        QCOMPARE(t.messages.texts(),
                 QStringList{QStringLiteral("ｽﾄﾘｰﾑからの読み込みに失敗しました（ﾌｧｲﾙ %1: ビットマップが壊れているか、大きすぎます）.")
                                 .arg(t.path(QStringLiteral("gitem2.bmp")))});
        QVERIFY(dlg.isVisible());
        QVERIFY(main.calls.isEmpty());
        QCOMPARE(t.readFile(QStringLiteral("appitems.cfg")), crlf(OldSettings::appItemLines(kOldItems)));
        const auto after = snapshot(t);
        for (const QString& f : kAllFiles)
            if (f != QLatin1String("appitems.cfg")) QCOMPARE(after[f], before[f]);
    }

    void cancelAndKeysAndCheckBoxState()
    {
        TestEnv t;
        writeOldSet(t);
        const auto before = snapshot(t);
        FakeMain main(t);
        TForm7 dlg(main, t.env(), nullptr);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        ui(dlg).Chex1->setChecked(true);
        ui(dlg).Button2->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));

        // The box keeps its tick; Escape is the cancel button.
        dlg.show();
        QVERIFY(ui(dlg).Chex1->isChecked());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(snapshot(t), before);
        QVERIFY(main.calls.isEmpty());

        // Enter runs the import.
        ui(dlg).Chex1->setChecked(false);
        dlg.show();
        ui(dlg).Chex1->setFocus();
        QTest::keyClick(&dlg, Qt::Key_Return);
        QCOMPARE(main.calls, kReload);
        QVERIFY(!dlg.isVisible());
    }

    void realMainWindowReloadsConvertedSettings()
    {
        TestEnv t;
        writeOldSet(t);
        TForm1 main(t.env());
        createForms(main);
        QVERIFY(ui(main).Form7);
        QCOMPARE(main.viewColors().text, 0);
        // The menu item shows the dialog modally; "実行" runs from inside it.
        bool shownModal = false, onTop = false, closeOnly = false, centred = false;
        QTimer::singleShot(0, ui(main).Form7, [&] {
            shownModal = ui(main).Form7->isVisible() && ui(main).Form7->isModal();
            onTop = ui(main).Form7->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            closeOnly = ui(main).Form7->windowFlags().testFlag(Qt::WindowCloseButtonHint);
            const QRect area = ui(main).Form7->screen()->availableGeometry();
            centred = (ui(main).Form7->frameGeometry().center() - area.center()).manhattanLength() <= 2;
            ui(*ui(main).Form7).Chex1->setChecked(true);
            ui(*ui(main).Form7).Button1->click();
        });
        main.ImportClick();

        QVERIFY(shownModal);
        QVERIFY(onTop);
        QVERIFY(closeOnly);
        QVERIFY(centred);
        QVERIFY(!ui(main).Form7->isVisible());
        QVERIFY2(t.messages.log.isEmpty(), qPrintable(t.messages.texts().join(QLatin1Char('|'))));
        QCOMPARE(main.viewColors().text, 255);
        QCOMPARE(main.viewColors().background, 65280);
        QCOMPARE(ui(main).REdit->fontFace(), QStringLiteral("ＭＳ 明朝"));
        QCOMPARE(ui(main).REdit->fontSize(), 12);
        QVERIFY(ui(main).REdit->wordWrap());
        QVERIFY(!ui(main).CheckBox1->isEnabled());
        QVERIFY(!ui(main).CheckBox1->isChecked());
        for (const QString& f : {QStringLiteral("appitem.cfg"), QStringLiteral("gitem1.bmp"),
                                 QStringLiteral("gitem2.bmp"), QStringLiteral("gitem3.bmp"),
                                 QStringLiteral("appcfg.cfg")})
            QVERIFY2(!QFile::exists(t.path(f)), qPrintable(f));
    }

    void damagedOldFilesAreRefusedAndKept()
    {
        // 4 KB of random bytes as appitem.cfg and a 300 MB appcfg.cfg (a hole
        // of NUL bytes), with "delete the old files" ticked: both are refused
        // with a notice, nothing is written or deleted, the reload still runs.
        TestEnv t;
        writeOldSet(t);
        QByteArray random(4096, Qt::Uninitialized);
        quint32 seed = 3;
        for (char& c : random) c = char((seed = seed * 1664525u + 1013904223u) >> 24);
        t.writeFile(OldSettings::oldItemsFile(), random);
        QFile big(t.path(OldSettings::oldMainFile()));
        QVERIFY(big.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(big.write(crlf(kOldConfig)) > 0);
        QVERIFY(big.resize(300ll * 1024 * 1024));
        big.close();
        const auto before = snapshot(t);
        FakeMain main(t);
        TForm7 dlg(main, t.env(), nullptr);
        ui(dlg).Chex1->setChecked(true);
        dlg.show();
        dlg.Button1Click();

        // The sentence, then the file and the reason.
        const QStringList said = t.messages.texts();
        QCOMPARE(said.size(), 2);
        QVERIFY2(said[0].startsWith(QStringLiteral("appitem.cfgファイルの内容が正しくありません。\nﾌｧｲﾙ %1: ")
                                        .arg(t.path(OldSettings::oldItemsFile()))) &&
                     said[0].contains(QStringLiteral("制御文字")),
                 qPrintable(said[0]));
        QCOMPARE(said[1], QStringLiteral("appcfg.cfgファイルの内容が正しくありません。\nﾌｧｲﾙ %1: "
                                         "ファイルが大きすぎます（262275 バイトを超えています）。")
                              .arg(t.path(OldSettings::oldMainFile())));
        QCOMPARE(kinds(t.messages), (QList<RecordedMessage::Kind>{RecordedMessage::Notice, RecordedMessage::Notice}));
        QCOMPARE(main.calls, kReload);
        QVERIFY(!dlg.isVisible());
        const auto after = snapshot(t);
        for (const QString& f : kAllFiles)
            if (f != QLatin1String("appcfg.cfg")) QCOMPARE(after[f], before[f]);
        QCOMPARE(QFileInfo(t.path(OldSettings::oldMainFile())).size(), 300ll * 1024 * 1024);
    }

    void damagedMainFileStillConvertsTheApplications()
    {
        TestEnv t;
        writeOldSet(t);
        t.writeFile(OldSettings::oldMainFile(), crlf(kOldConfig + QStringList{QStringLiteral("extra\x1B")}));
        const QByteArray settings = t.readFile(QStringLiteral("appcfgs.cfg"));
        FakeMain main(t);
        TForm7 dlg(main, t.env(), nullptr);
        ui(dlg).Chex1->setChecked(true);
        dlg.Button1Click();
        QCOMPARE(t.messages.texts(), QStringList{QStringLiteral("appcfg.cfgファイルの内容が正しくありません。\nﾌｧｲﾙ %1: "
                                                                "10 行目に制御文字 (0x1B) があります。")
                                                     .arg(t.path(OldSettings::oldMainFile()))});
        QCOMPARE(t.readFile(QStringLiteral("appitems.cfg")), crlf(OldSettings::appItemLines(kOldItems)));
        QVERIFY(!QFile::exists(t.path(OldSettings::oldItemsFile())));
        QCOMPARE(t.readFile(QStringLiteral("appcfgs.cfg")), settings);
        QVERIFY(QFile::exists(t.path(OldSettings::oldMainFile())));
    }

    void oddBytesReachTheNewFilesAndStayThere()
    {
        // Old lines with bytes that are no CP932 character, NEC-selected IBM
        // codes and NEC twins of common signs: copied byte for byte, and the
        // main window writes them back unchanged after its reload.
        TestEnv t;
        writeOldSet(t);
        QByteArray oldItems = crlf(kOldItems);
        oldItems.replace(crlf({QStringLiteral("メモ帳")}), "\xED\x40\x87\x90\xA0\r\n");
        oldItems.replace("/usr/bin/memo", "/usr/bin/\xFF\xEE\xF9");
        t.writeFile(OldSettings::oldItemsFile(), oldItems);
        QByteArray oldConfig = crlf(kOldConfig);
        oldConfig.replace(Cp932::encode(QStringLiteral("ＭＳ 明朝")), "\xED\x40\x87\x90 \x81");
        t.writeFile(OldSettings::oldMainFile(), oldConfig);

        TForm1 main(t.env());
        createForms(main);
        ui(main).Form7->Button1Click();
        QVERIFY2(t.messages.log.isEmpty(), qPrintable(t.messages.texts().join(QLatin1Char('|'))));
        const QByteArray items = oldItems + crlf({kFree, QString(), QString(), kFree, QString(), QString()});
        const QByteArray config = "Vardolin Ver 1.05\r\n" + oldConfig + "1\r\n1\r\n88\r\n";
        QCOMPARE(t.readFile(QStringLiteral("appitems.cfg")), items);
        QCOMPARE(t.readFile(QStringLiteral("appcfgs.cfg")), config);

        main.FormClose();
        QCOMPARE(t.readFile(QStringLiteral("appcfgs.cfg")), config);
        ui(main).Form4->copyFromMain();
        ui(main).Form4->FormShow();
        ui(main).Form4->Button3Click();
        QCOMPARE(t.readFile(QStringLiteral("appitems.cfg")), items);
        QVERIFY2(t.messages.log.isEmpty(), qPrintable(t.messages.texts().join(QLatin1Char('|'))));
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
