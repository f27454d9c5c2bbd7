// The main window's folder field, category and pattern lists and file list.
#include "CommandLine.h"
#include "FileListModel.h"
#include "FsPath.h"
#include "FileListRig.h"
#include "MainControls.h"
#include "TestSupport.h"
#include "VarError.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QLabel>
#include <QListView>
#include <QScopeGuard>
#include <QToolButton>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A platform whose search fails part-way, as a damaged file system might.
class FailingPlatform : public FakePlatform {
public:
    QStringList findFiles(const QString& folder, const QString& pattern) override
    {
        if (fail) throw VarError(QStringLiteral("search failed"));
        return FakePlatform::findFiles(folder, pattern);
    }
    bool fail = false;
};

} // namespace

class TstFileList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void startUpListsTheStartFolder();
    void listIsSmallIconsInColumns();
    void enterInThePathField();
    void typedPathWithoutEnter();
    void categoryAndPatternChoice();
    void emptyPatternOrEmptyField();
    void closingStepsRunAfterAnError();
    void listingResetsCaptionAndStatus();
    void tagStaysZeroUntilAListing();
    void pickerSelectionFollowedByTheList();
    void missingExtensionFileKeepsTheLists();
    void namesThatAreNotUtf8();

private:
    QString home() const { return m_folder.home(); }
    QString start() const { return m_folder.start(); }

    FileListFolder m_folder;
};

void TstFileList::init() { m_folder.reset(); }

void TstFileList::startUpListsTheStartFolder()
{
    TForm1 w(m_folder.env->env());
    QCOMPARE(m_folder.env->messages.log.size(), 0);
    QCOMPARE(ui(w).ChBox1->count(), 5);
    QCOMPARE(ui(w).ChBox1->currentIndex(), 0);
    QCOMPARE(ui(w).ChBox1->itemText(0), QStringLiteral("テキスト"));
    QCOMPARE(ui(w).ChBox2->currentText(), QStringLiteral("*.txt"));
    QCOMPARE(ui(w).ChBox2->count(), 5);
    QCOMPARE(ui(w).Edit1->text(), start());
    QCOMPARE(listed(w), (QStringList{".hidden.txt", "A.TXT", "b.txt", "c.txt"}));
    QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin"));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    // The listing has given the list its Tag: a file picked in it is shown.
    pickInList(w, start(), listed(w), "b.txt");
    QCOMPARE(w.panelText(1), QStringLiteral("b.txt"));
}

void TstFileList::listIsSmallIconsInColumns()
{
    TForm1 w(m_folder.env->env());
    QListView* v = ui(w).LView;
    QCOMPARE(v->model(), ui(w).LViewModel);
    QCOMPARE(v->viewMode(), QListView::ListMode);
    QCOMPARE(v->flow(), QListView::TopToBottom);
    QVERIFY(v->isWrapping());
    QVERIFY(!v->wordWrap());
    QVERIFY(v->uniformItemSizes());
    QCOMPARE(v->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(v->iconSize(), QSize(17, 17));

    // The caption of an item is its name, and every item gets an icon, also a
    // file whose type the desktop does not know.
    touch(start() + "unknown.zzqq");
    touch(start() + QStringLiteral("長い名前のファイルです.txt"));
    ui(w).ChBox1->setCurrentIndex(4);
    w.TagsSet(4);
    ui(w).ChBox2->setCurrentIndex(0);   // *.*
    w.STItem();
    const QStringList names = listed(w);
    QCOMPARE(names.size(), 8);
    QSize size;
    for (int row = 0; row < names.size(); ++row) {
        const QModelIndex i = ui(w).LViewModel->index(row);
        QCOMPARE(i.data().toString(), ui(w).LViewModel->name(row));
        const QIcon icon = qvariant_cast<QIcon>(i.data(Qt::DecorationRole));
        QVERIFY2(!icon.isNull() && !icon.pixmap(16, 16).isNull(), qPrintable(names[row]));
        if (row == 0) size = i.data(Qt::SizeHintRole).toSize();
        QCOMPARE(i.data(Qt::SizeHintRole).toSize(), size);
    }
    QVERIFY(size.height() >= 17);
    // Until its type is looked up (on a worker), a row shows the icon of an
    // unknown type; then the icon of its type, the same for every file of it.
    QTRY_VERIFY(!ui(w).LViewModel->typesPending());
    for (int row = 0; row < names.size(); ++row) {
        const QIcon icon = qvariant_cast<QIcon>(ui(w).LViewModel->index(row).data(Qt::DecorationRole));
        QCOMPARE(icon.cacheKey(), m_folder.env->platform.fileIcon(start() + names[row]).cacheKey());
    }
    QVERIFY(!ui(w).LViewModel->typesPending());
    // Wide enough for the widest label (full-width characters included).
    const int widest = ui(w).LView->fontMetrics().horizontalAdvance(QStringLiteral("長い名前のファイルです.txt"));
    QVERIFY2(size.width() >= 17 + widest, qPrintable(QString::number(size.width())));
    QCOMPARE(ui(w).LViewModel->name(names.size()), QString());
}

void TstFileList::enterInThePathField()
{
    TForm1 w(m_folder.env->env());
    const QStringList before = listed(w);

    // A folder that does not exist: warning, separator appended, list kept.
    ui(w).Edit1->setText(home() + "/missing");
    w.Edit1KeyPress(QChar(13));
    QCOMPARE(m_folder.env->messages.texts(), QStringList{QStringLiteral("そのフォルダPathは不正です。")});
    QCOMPARE(m_folder.env->messages.log.first().kind, RecordedMessage::Warning);
    QCOMPARE(ui(w).Edit1->text(), home() + "/missing/");
    QCOMPARE(listed(w), before);

    // A file given as folder warns too.
    ui(w).Edit1->setText(start() + "b.txt");
    w.Edit1KeyPress(QChar(13));
    QCOMPARE(m_folder.env->messages.log.size(), 2);
    QCOMPARE(ui(w).Edit1->text(), start() + "b.txt/");

    // Other keys do nothing.
    ui(w).Edit1->setText(home());
    w.Edit1KeyPress(QChar('a'));
    QCOMPARE(ui(w).Edit1->text(), home());

    // An existing folder typed without separator, confirmed with the real key.
    touch(home() + "/top.txt");
    ui(w).Edit1->setText(home());
    ui(w).Edit1->setFocus();
    QTest::keyClick(ui(w).Edit1, Qt::Key_Return);
    QCOMPARE(ui(w).Edit1->text(), home() + "/");
    QCOMPARE(listed(w), QStringList{"top.txt"});
    QCOMPARE(m_folder.env->messages.log.size(), 2);

    // An empty field becomes the root folder, which is listed without a word.
    ui(w).Edit1->clear();
    w.Edit1KeyPress(QChar(13));
    QCOMPARE(ui(w).Edit1->text(), QStringLiteral("/"));
    QCOMPARE(m_folder.env->messages.log.size(), 2);
    QCOMPARE(listed(w), m_folder.env->platform.findFiles("/", "*.txt"));
}

void TstFileList::typedPathWithoutEnter()
{
    TForm1 w(m_folder.env->env());
    // Without its final separator the field is joined with the pattern as it
    // is: the search looks in the folder above for names starting "ﾃﾞｽｸﾄｯﾌﾟ",
    // and a match counts only if field + name is a file.
    const QString field = home() + "/ﾃﾞｽｸﾄｯﾌﾟ";
    touch(home() + "/ﾃﾞｽｸﾄｯﾌﾟmemo.txt");
    ui(w).Edit1->setText(field);
    w.ChBox2Change();
    QCOMPARE(listed(w), QStringList{});
    QCOMPARE(ui(w).Edit1->text(), field);
    touch(field + "ﾃﾞｽｸﾄｯﾌﾟmemo.txt");
    w.ChBox2Change();
    QCOMPARE(listed(w), QStringList{"ﾃﾞｽｸﾄｯﾌﾟmemo.txt"});
}

void TstFileList::categoryAndPatternChoice()
{
    TForm1 w(m_folder.env->env());
    // A selection the program makes lists nothing again.
    ui(w).ChBox2->setCurrentIndex(1);   // *.log
    QCOMPARE(listed(w), (QStringList{".hidden.txt", "A.TXT", "b.txt", "c.txt"}));
    w.selectFirstCategoryAndPattern();
    QCOMPARE(listed(w), (QStringList{".hidden.txt", "A.TXT", "b.txt", "c.txt"}));

    // The user's choice does.
    ui(w).ChBox2->setCurrentIndex(1);
    Q_EMIT ui(w).ChBox2->activated(1);
    QCOMPARE(listed(w), QStringList{"notes.log"});

    ui(w).ChBox1->setCurrentIndex(4);   // every file: *.* and *
    Q_EMIT ui(w).ChBox1->activated(4);
    QCOMPARE(ui(w).ChBox2->count(), 2);
    QCOMPARE(ui(w).ChBox2->currentIndex(), 0);
    QCOMPARE(ui(w).ChBox2->currentText(), QStringLiteral("*.*"));
    QCOMPARE(listed(w), (QStringList{".hidden.txt", "A.TXT", "b.txt", "c.txt", "notes.log", "photo.png"}));

    // TagsSet refills without selecting.
    w.TagsSet(0);
    QCOMPARE(ui(w).ChBox2->count(), 5);
    QCOMPARE(ui(w).ChBox2->currentIndex(), -1);
}

void TstFileList::emptyPatternOrEmptyField()
{
    m_folder.env->writeLines("exitem.cfg", {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("**"),
                                     QStringLiteral("*.txt"), QStringLiteral("**"), QStringLiteral("**"),
                                     QStringLiteral("***")});
    TForm1 w(m_folder.env->env());
    QCOMPARE(listed(w).size(), 4);
    // A category without patterns: the folder alone is searched, nothing found.
    ui(w).ChBox1->setCurrentIndex(1);
    Q_EMIT ui(w).ChBox1->activated(1);
    QCOMPARE(ui(w).ChBox2->count(), 0);
    QCOMPARE(listed(w), QStringList{});
    QCOMPARE(ui(w).LViewModel->rowCount(), 0);

    // An emptied path field and a category change: empty list, normal cursor.
    ui(w).ChBox1->setCurrentIndex(0);
    Q_EMIT ui(w).ChBox1->activated(0);
    QCOMPARE(listed(w).size(), 4);
    ui(w).Edit1->clear();
    Q_EMIT ui(w).ChBox1->activated(0);
    QCOMPARE(listed(w), QStringList{});
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TstFileList::closingStepsRunAfterAnError()
{
    FailingPlatform platform;
    platform.home = home();
    AppEnv env = m_folder.env->env().withPlatform(platform);
    TForm1 w(env);
    QCOMPARE(listed(w).size(), 4);
    pickInList(w, start(), listed(w), "b.txt");
    QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin - b.txt"));
    platform.fail = true;
    ui(w).ChBox2->setCurrentIndex(1);
    Q_EMIT ui(w).ChBox2->activated(1);
    // The error reaches the general error box; the closing steps ran.
    QCOMPARE(m_folder.env->messages.texts(), QStringList{QStringLiteral("search failed.")});
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin"));
    QCOMPARE(AppTitle::get(), QStringLiteral("Vardolin"));
    QCOMPARE(w.panelText(1), QString());
    QCOMPARE(listed(w), QStringList{});
    // And the next listing works again.
    platform.fail = false;
    Q_EMIT ui(w).ChBox2->activated(1);
    QCOMPARE(listed(w), QStringList{"notes.log"});
}

void TstFileList::listingResetsCaptionAndStatus()
{
    QFile b(start() + "b.txt");
    QVERIFY(b.open(QIODevice::WriteOnly));
    b.write("1\n2\n3\nabcdef\n");
    b.close();
    TForm1 w(m_folder.env->env());
    pickInList(w, start(), listed(w), "b.txt");
    ui(w).REdit->setSelStart(10);   // the caret placed in the fourth line
    QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin - b.txt"));
    QCOMPARE(w.panelText(1), QStringLiteral("b.txt"));
    QCOMPARE(w.panelText(0), QStringLiteral("3: 4"));
    w.ChBox2Change();
    QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin"));
    QCOMPARE(AppTitle::get(), QStringLiteral("Vardolin"));
    QCOMPARE(w.panelText(1), QString());
    QCOMPARE(w.panelText(0), QStringLiteral("3: 4"));
}

void TstFileList::tagStaysZeroUntilAListing()
{
    // Without the main settings the creation handler stops before the first
    // listing: the path field stays empty and so does the list's Tag.
    QFile::remove(m_folder.env->path("appcfgs.cfg"));
    TForm1 w(m_folder.env->env());
    QCOMPARE(m_folder.env->messages.log.size(), 1);
    QCOMPARE(ui(w).Edit1->text(), QString());
    // Until the list has its Tag, a file picked in it shows nothing.
    auto pickedShows = [&] {
        pickInList(w, start(), {"b.txt"}, "b.txt");
        return !w.panelText(1).isEmpty();
    };
    QVERIFY(!pickedShows());
    w.STItem();   // an empty field does not count
    QVERIFY(!pickedShows());
    ui(w).Edit1->setText(start());
    w.STItem();
    QVERIFY(pickedShows());
}

void TstFileList::pickerSelectionFollowedByTheList()
{
    TForm1 w(m_folder.env->env());
    QCOMPARE(ui(w).FolderDlg->SelectFolder, sfDesktop);
    QCOMPARE(ui(w).FolderDlg->Caption, QStringLiteral("閲覧フォルダの選択"));
    QCOMPARE(ui(w).FolderDlg->ShowStyle, ssCenterScreen);
    QVERIFY(bool(ui(w).FolderDlg->OnSelectionChanged));

    QString status = QStringLiteral("kept");
    TOKButtonState ok = obsDisabled;
    // An item without a path changes nothing.
    w.FolderDlgSelectionChanged(ui(w).FolderDlg, 0, QString(), status, ok);
    QCOMPARE(ui(w).Edit1->text(), start());
    QCOMPARE(ui(w).FolderDlg->SelectFolder, sfDesktop);

    touch(home() + "/top.txt");
    pickInList(w, start(), listed(w), "b.txt");
    QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin - b.txt"));
    ui(w).FolderDlg->OnSelectionChanged(ui(w).FolderDlg, 0, home(), status, ok);
    QCOMPARE(ui(w).Edit1->text(), home() + "/");
    QCOMPARE(listed(w), QStringList{"top.txt"});
    QCOMPARE(ui(w).FolderDlg->SelectFolder, sfManual);
    QCOMPARE(ui(w).FolderDlg->SelectFolderName, home() + "/");
    QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin"));
    // The handler leaves the status text and the OK request alone.
    QCOMPARE(status, QStringLiteral("kept"));
    QCOMPARE(ok, obsDisabled);

    // A folder whose name is not valid UTF-8 goes through the field unharmed.
    const QByteArray raw = FsPath::encodeName(home()) + "/\x95\x5c";
    QCOMPARE(::mkdir(raw.constData(), 0755), 0);
    const QString odd = FsPath::decodeName(raw);
    touch(odd + "/in.txt");
    w.FolderDlgSelectionChanged(ui(w).FolderDlg, 0, odd, status, ok);
    QCOMPARE(FsPath::encodeName(ui(w).Edit1->text()), raw + "/");
    QCOMPARE(listed(w), QStringList{"in.txt"});
    QVERIFY(FsPath::remove(odd + "/in.txt"));
    QCOMPARE(::rmdir(raw.constData()), 0);

    // "/" keeps its single separator.
    w.FolderDlgSelectionChanged(ui(w).FolderDlg, 0, QStringLiteral("/"), status, ok);
    QCOMPARE(ui(w).Edit1->text(), QStringLiteral("/"));
}

void TstFileList::missingExtensionFileKeepsTheLists()
{
    TForm1 w(m_folder.env->env());
    QFile::remove(m_folder.env->path("exitem.cfg"));
    ui(w).ChBox1->setCurrentIndex(2);
    QVERIFY_THROWS_EXCEPTION(VarError, w.TagsLoad());
    QCOMPARE(ui(w).ChBox1->count(), 5);
    QCOMPARE(ui(w).ChBox1->currentIndex(), 2);
    QCOMPARE(w.patternGrid().cell[0][0], QStringLiteral("*.txt"));
    try {
        w.TagsLoad();
    } catch (const VarError& e) {
        QCOMPARE(e.message(), QStringLiteral("ﾌｧｲﾙ %1 は開けません").arg(m_folder.env->path("exitem.cfg")));
    }
}

void TstFileList::namesThatAreNotUtf8()
{
    // Shift-JIS names as archives made on Windows leave them, and a name that
    // is neither UTF-8 nor Shift-JIS.
    const QByteArray folder = FsPath::encodeName(start());
    const QByteArray sjis = QByteArray("sjis_\x83\x5c.txt");    // "ソ": its second byte is "\"
    const QByteArray odd = QByteArray("odd_\x82.txt");           // a lead byte without its second
    // Qt's own file classes cannot remove such names: the test does.
    auto removeThem = qScopeGuard([&] {
        for (const QByteArray& raw : {sjis, odd}) ::unlink((folder + raw).constData());
    });
    for (const QByteArray& raw : {sjis, odd}) {
        const int fd = ::open((folder + raw).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        QVERIFY(fd >= 0);
        const QByteArray content = "content of " + raw.toHex();
        QCOMPARE(::write(fd, content.constData(), content.size()), content.size());
        ::close(fd);
    }

    TForm1 w(m_folder.env->env());
    struct Case {
        QByteArray raw;
        QString shown;
    };
    const QList<Case> cases{{sjis, QStringLiteral("sjis_ソ.txt")}, {odd, QStringLiteral("odd_\uFFFD.txt")}};
    w.confirmSlot(1, AppSlots::Slot{QStringLiteral("Viewer"), QStringLiteral("/opt/viewer"), QString(), QImage()});
    for (const Case& c : cases) {
        const QString name = FsPath::decodeName(c.raw);
        const int row = int(listed(w).indexOf(name));
        QVERIFY(row >= 0);
        const QModelIndex index = ui(w).LViewModel->index(row);
        QCOMPARE(index.data().toString(), c.shown);
        QCOMPARE(index.data(FileListModel::NameRole).toString(), name);
        QCOMPARE(ui(w).LViewModel->shownName(row), c.shown);

        ui(w).LView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin - ") + c.shown);
        QCOMPARE(AppTitle::get(), QStringLiteral("Vardolin - ") + c.shown);
        QCOMPARE(ui(w).StatusPanel[1]->text(), c.shown);
        // What the launch reads as the file's name is the name itself.
        QCOMPARE(w.panelText(1), name);
        QCOMPARE(ui(w).REdit->text(), QString::fromLatin1("content of " + c.raw.toHex()));

        m_folder.env->platform.started.clear();
        ui(w).AppBtn[1]->click();
        QCOMPARE(m_folder.env->platform.started.size(), 1);
        const QStringList args = CommandLine::split(m_folder.env->platform.started.first());
        QCOMPARE(args.size(), 2);
        QCOMPARE(FsPath::encodeName(args.at(1)), folder + c.raw);

        m_folder.env->platform.openedDocuments.clear();
        w.R1Click();
        QCOMPARE(m_folder.env->platform.openedDocuments.size(), 1);
        QCOMPARE(FsPath::encodeName(m_folder.env->platform.openedDocuments.first()), folder + c.raw);
    }
    QCOMPARE(m_folder.env->messages.log.size(), 0);

    // A listing forgets the shown name in both forms.
    w.ChBox2Change();
    QCOMPARE(w.panelText(1), QString());
    QCOMPARE(ui(w).StatusPanel[1]->text(), QString());
}

QTEST_MAIN(TstFileList)
#include "tst_filelist.moc"
