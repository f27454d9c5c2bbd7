// The toolkit's own texts in the common dialogs are Japanese, whatever the
// user's locale (the tests run under the C locale).
#include "CommonDialogs.h"
#include "Messages.h"
#include "Translations.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeView>
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
        // The preview shows its sample in the chosen font, tall enough for a line of it.
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        auto* sample = dlg->findChild<QLineEdit*>(QStringLiteral("qt_fontDialog_sampleEdit"));
        QVERIFY(sample && sample->isVisible());
        // Latin letters and Japanese ones.
        QVERIFY(sample->text().contains(QStringLiteral("Aa")) && sample->text().contains(QStringLiteral("あ")));
        QVERIFY2(sample->height() >= sample->fontMetrics().height(),
                 qPrintable(QStringLiteral("%1 < %2").arg(sample->height()).arg(sample->fontMetrics().height())));
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

    // The open dialog's columns speak Japanese (the system locale here is C):
    // the kind of a folder and of a file, the size and the date.
    void openDialogColumnsInJapanese()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        QFile f(dir.filePath(QStringLiteral("memo.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(2048, 'x')) == 2048);
        f.close();
        QFileSystemModel fs;
        const QModelIndex root = fs.setRootPath(dir.path());
        QTRY_COMPARE(fs.rowCount(root), 2);
        std::unique_ptr<QSortFilterProxyModel> list(QtCommonDialogs::makeFileListModel(nullptr));
        list->setSourceModel(&fs);
        auto cells = [&](const QString& name) {
            const QModelIndex at = list->mapFromSource(fs.index(dir.filePath(name)));
            return QStringList{at.siblingAtColumn(1).data().toString(), at.siblingAtColumn(2).data().toString(),
                               at.siblingAtColumn(3).data().toString()};
        };
        const QLocale ja(QLocale::Japanese, QLocale::Japan);
        QCOMPARE(cells(QStringLiteral("sub")).value(1), QStringLiteral("フォルダ"));
        QCOMPARE(cells(QStringLiteral("memo.txt")), (QStringList{ja.formattedDataSize(2048), QStringLiteral("txt ファイル"),
                                                                 ja.toString(QFileInfo(f).lastModified(), QLocale::ShortFormat)}));
    }

    // The size and date columns of the open dialog are as wide as what they
    // show ("34....MiB" otherwise), also after the toolkit restored narrower
    // ones kept from an earlier run.
    void openDialogColumnsFitWhatTheyShow()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("big.log")));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(qint64(34.56 * 1024 * 1024)));
        f.close();
        QFileDialog dlg;
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        dlg.setProxyModel(QtCommonDialogs::makeFileListModel(&dlg));
        auto* tree = dlg.findChild<QTreeView*>(QStringLiteral("treeView"));
        QVERIFY(tree);
        tree->header()->setSectionResizeMode(QHeaderView::Interactive);
        for (const int column : {1, 3}) tree->header()->resizeSection(column, 20);
        QtCommonDialogs::fitFileColumns(&dlg);
        dlg.setDirectory(dir.path());
        dlg.show();
        QTRY_COMPARE(tree->model()->rowCount(tree->rootIndex()), 1);
        for (const int column : {1, 3})
            QTRY_VERIFY2(tree->header()->sectionSize(column) >= static_cast<QAbstractItemView*>(tree)->sizeHintForColumn(column),
                         qPrintable(QString::number(column)));
    }

    // A message box is wide enough for its caption, which the title bar would
    // otherwise cut ("Vard... .txt"); the text still decides when it is wider.
    void messageBoxesFitTheirCaption_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::newRow("shown file") << QStringLiteral("Vardolin - とても長い名前のテキスト文書その二.txt") << QStringLiteral("OK");
        QTest::newRow("warning") << QStringLiteral("警告") << QStringLiteral("x");
        QTest::newRow("long text") << QStringLiteral("警告") << QString(80, QLatin1Char('w'));
    }
    void messageBoxesFitTheirCaption()
    {
        QFETCH(QString, caption);
        QFETCH(QString, text);
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
        QtMessages::fitCaption(box);
        box.show();
        QVERIFY(QtMessages::captionWidth(box, caption) > box.fontMetrics().horizontalAdvance(caption));
        QTRY_VERIFY(box.width() >= QtMessages::captionWidth(box, caption));
        QVERIFY(box.width() >= box.fontMetrics().horizontalAdvance(text));
    }
};

QTEST_MAIN(TestToolkitTexts)
#include "tst_toolkittexts.moc"
