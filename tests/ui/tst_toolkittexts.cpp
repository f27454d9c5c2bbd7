// The toolkit's own texts in the common dialogs are Japanese, whatever the
// user's locale (the tests run under the C locale).
#include "CommonDialogs.h"
#include "Translations.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {
template <class W> QStringList texts(const QWidget& dialog)
{
    QStringList out;
    for (const W* w : dialog.findChildren<W*>()) out << w->text();
    return out;
}
} // namespace

class TestToolkitTexts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(Translations::installJapanese(*QCoreApplication::instance())); }

    void fontDialogAsTheProgramShowsIt()
    {
        std::unique_ptr<QFontDialog> dlg(QtCommonDialogs::makeFontDialog(nullptr, QFont()));
        QCOMPARE(dlg->windowTitle(), QStringLiteral("フォントの選択"));
        const QStringList labels = texts<QLabel>(*dlg);
        QVERIFY2(labels.contains(QStringLiteral("フォント(&F)")), qPrintable(labels.join('|')));
        QVERIFY(labels.contains(QStringLiteral("サイズ(&S)")));
        QVERIFY(texts<QPushButton>(*dlg).contains(QStringLiteral("キャンセル")));
    }

    void colourAndFileDialogs()
    {
        QColorDialog colour;
        colour.setOption(QColorDialog::DontUseNativeDialog);
        QCOMPARE(colour.windowTitle(), QStringLiteral("色を選択"));
        QVERIFY(texts<QLabel>(colour).contains(QStringLiteral("基本カラー(&B)")));
        QVERIFY(texts<QPushButton>(colour).contains(QStringLiteral("キャンセル")));

        QFileDialog file;
        file.setOption(QFileDialog::DontUseNativeDialog);
        QVERIFY(texts<QLabel>(file).contains(QStringLiteral("ファイル名(&N):")));
        QVERIFY(texts<QPushButton>(file).contains(QStringLiteral("キャンセル")));
    }
};

QTEST_MAIN(TestToolkitTexts)
#include "tst_toolkittexts.moc"
