// The main window's menus as laid out, and the about box they show.
#include "Fonts.h"
#include "Forms.h"
#include "MainControls.h"
#include "Messages.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestMenus : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aboutBox();
    void menusAsLaidOut();
};

void TestMenus::aboutBox()
{
    Fonts::installSubstitutions();
    TAboutBox box;
    QCOMPARE(box.windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    // Wide enough for its caption in the title bar, the layout in the middle.
    QCOMPARE(box.height(), 138);
    QVERIFY(box.width() >= 156 && box.width() >= QtMessages::captionWidth(box, box.windowTitle()));
    QCOMPARE(box.Panel1->geometry(), QRect(8 + (box.width() - 156) / 2, 8, 140, 92));
    QCOMPARE(box.OKButton->geometry(), QRect(40 + (box.width() - 156) / 2, 108, 81, 25));
    // A dialog frame: close only.
    QVERIFY(box.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(box.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(box.ProductName->text(), QStringLiteral("Vardolin"));
    QVERIFY(box.ProductName->font().bold());
    QCOMPARE(box.ProductName->palette().color(QPalette::WindowText), QColor(0, 0x80, 0));
    QCOMPARE(box.Version->text(), QStringLiteral("Version 1.05"));
    QVERIFY(box.Version->font().bold());
    QVERIFY(box.OKButton->isDefault());
    QCOMPARE(box.OKButton->text(), QStringLiteral("OK"));
    QVERIFY(!box.ProgramIcon->pixmap().isNull());
    // Every label's text fits its place in the panel.
    for (QLabel* l : {box.ProductName, box.Version, box.Credit, box.Contact}) {
        QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), qPrintable(l->text()));
        QVERIFY2(l->geometry().right() < box.Panel1->width(), qPrintable(l->text()));
    }

    // From the menu: Enter presses OK and ends the modal showing.
    TestEnv t;
    TForm1 f(t.env());
    f.V1Click();   // no about box yet: nothing happens
    createForms(f);
    bool sawIt = false;
    QTimer::singleShot(0, &f, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        sawIt = modal == ui(f).AboutBox;
        if (modal) QTest::keyClick(modal, Qt::Key_Return);
    });
    QTimer::singleShot(5000, &f, [&f] { ui(f).AboutBox->reject(); });   // never hang
    ui(f).V1->trigger();
    QVERIFY(sawIt);
    QCOMPARE(ui(f).AboutBox->result(), int(QDialog::Accepted));
}

// One line per item: "-" for a separator, ">" after a submenu, "[ ]" for a
// tickable item, "(off)" for a disabled one, "^" + key for a shortcut.
static void dumpMenu(const QList<QAction*>& actions, const QString& indent, QStringList* out)
{
    for (QAction* a : actions) {
        if (a->isSeparator()) {
            *out << indent + "-";
            continue;
        }
        QString line = indent + a->text();
        if (a->menu()) line += " >";
        if (a->isCheckable()) line += " [ ]";
        if (!a->isEnabled()) line += " (off)";
        if (!a->shortcut().isEmpty()) line += " ^" + a->shortcut().toString();
        *out << line;
        if (a->menu()) dumpMenu(a->menu()->actions(), indent + "  ", out);
    }
}

void TestMenus::menusAsLaidOut()
{
    TestEnv t;
    TForm1 f(t.env());
    QStringList bar, view, text;
    dumpMenu(f.menuBar()->actions(), QString(), &bar);
    dumpMenu(ui(f).ViewMenu->actions(), QString(), &view);
    dumpMenu(ui(f).txMenu->actions(), QString(), &text);
    const QString u = "（未登録） (off)";
    QCOMPARE(bar, (QStringList{
        "操作（&C） >",
        "  フォルダをエクスプローラーで開く（&E）", "  選択ファイルを関連付けアプリで開く（&R）", "  -",
        "  登録アプリ（&A） >", "    登録アプリを直接起動する（&E） [ ] (off)", "    -",
        "    " + u, "    " + u, "    " + u, "    " + u, "    " + u, "  -",
        "  テキスト（&T） >", "    右端で折り返す（&W） [ ]", "    -", "    テキスト全体を選択（&L）",
        "    コピー（&C） ^Ctrl+C", "    検索（&S）", "  -",
        "  Ver1.02用の設定ファイルをインポート（&I）", "  終了（&X）",
        "設定（&O） >",
        "  文字色と背景色の設定（&C）", "  フォント設定（&F）", "  拡張子の設定（&E）", "  外部起動アプリの登録（X）",
        "ヘルプ（&H） >",
        "  Readmeを表示する（&R）", "  Historyを表示する（&H）", "  マニュアルを表示する（&M）", "  -",
        "  バージョン情報（&V）"}));
    QCOMPARE(view, (QStringList{"フォルダをエクスプローラーで開く", "選択ファイルを関連付けアプリで開く", "-",
                                "登録アプリを直接起動する [ ] (off)", "-", u, u, u, u, u}));
    QCOMPARE(text, (QStringList{"テキスト全体を選択", "クリップボードにコピー", "検索", "-", "右端で折り返す [ ]", "-",
                                "文字色と背景色の設定", "フォントの設定", "拡張子の設定", "外部起動アプリの登録"}));
    for (int n = 1; n <= 5; ++n) {
        QCOMPARE(ui(f).SApp[n]->property("Tag").toInt(), n);
        QCOMPARE(ui(f).FApp[n]->property("Tag").toInt(), n);
        QCOMPARE(ui(f).AppBtn[n]->property("Tag").toInt(), n);
    }
    QCOMPARE(ui(f).CheckBox1->text(), QStringLiteral("直接"));
    QVERIFY(!ui(f).CheckBox1->isEnabled() && !ui(f).CheckBox1->isChecked());

    // "終了" closes the window, which writes the main settings file.
    QFile::remove(t.path("appcfgs.cfg"));
    ui(f).X2->trigger();
    QVERIFY(QFile::exists(t.path("appcfgs.cfg")));
}

QTEST_MAIN(TestMenus)
#include "tst_menus.moc"
