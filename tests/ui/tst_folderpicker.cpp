// The folder picker component, alone and as the main window uses it. The
// picker is driven from timers that run inside Execute's own event loop.
#include "FileListModel.h"
#include "FolderPicker.h"
#include "FsPath.h"
#include "SHBFFEX.h"
#include "TestSupport.h"
#include "MainControls.h"
#include "VarError.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString g_home;

QString desktop() { return g_home + QStringLiteral("/Desktop"); }
QString ownDesktop() { return g_home + QStringLiteral("/ﾃﾞｽｸﾄｯﾌﾟ"); }

void touchFile(const QString& path)
{
    const int fd = ::open(FsPath::encodeName(path).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    QVERIFY2(fd >= 0, qPrintable(path));
    ::close(fd);
}

// Puts the usual desktop folder aside for the time of a test; the guard puts
// it back and removes what the test made.
struct NoDesktopFolders {
    NoDesktopFolders() { ok = QDir().rename(desktop(), g_home + "/Desktop.aside"); }
    ~NoDesktopFolders()
    {
        QDir(ownDesktop()).removeRecursively();
        QDir(g_home + "/Schreibtisch").removeRecursively();
        QFile::remove(g_home + "/.config/user-dirs.dirs");
        QDir().rename(g_home + "/Desktop.aside", desktop());
    }
    bool ok = false;
};

void writeUserDirs(const QByteArray& desktopLine)
{
    QVERIFY(QDir().mkpath(g_home + "/.config"));
    QFile f(g_home + "/.config/user-dirs.dirs");
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("# written by the test\nXDG_DESKTOP_DIR=" + desktopLine + "\n");
}

// Runs `steps` once the picker is up, then closes it with OK or "キャンセル"
// (also when a check inside the steps failed, so that Execute always returns).
bool runPicker(TSHBrowseForFolderEx& dlg, std::function<void(FolderPickerWindow*)> steps, bool accept = true)
{
    QTimer::singleShot(0, &dlg, [&dlg, steps, accept] {
        auto close = qScopeGuard([&dlg, accept] {
            if (FolderPickerWindow* p = dlg.pickerWindow()) accept ? p->accept() : p->reject();
        });
        if (FolderPickerWindow* p = dlg.pickerWindow()) steps(p);
    });
    return dlg.Execute();
}

struct Event {
    QString path;
    QString showTextIn;
    TOKButtonState okIn;
};

// Records every selection change and answers with scripted status texts and
// OK requests (the last answer repeats).
class Recorder : public TSHBrowseForFolderEx {
public:
    using TSHBrowseForFolderEx::TSHBrowseForFolderEx;
    void DoSelectionChanged(qintptr wnd, const QString& path, QString& showText, TOKButtonState& ok) override
    {
        events.append({path, showText, ok});
        lastWnd = wnd;
        if (throwOn == path && !path.isEmpty()) throw VarError(QStringLiteral("handler failed"));
        if (!answers.isEmpty()) {
            const auto& a = answers.at(std::min<qsizetype>(events.size() - 1, answers.size() - 1));
            showText = a.first;
            ok = a.second;
        }
        TSHBrowseForFolderEx::DoSelectionChanged(wnd, path, showText, ok);
    }
    QList<Event> events;
    QList<std::pair<QString, TOKButtonState>> answers;
    qintptr lastWnd = 0;
    QString throwOn;
};

} // namespace

class TstFolderPicker : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void browseFlags();
    void centring();
    void startAndRootItems();
    void noRootShowsNoPicker();
    void namespaceTree();
    void callbackOrderAndAnswers();
    void statusLineShowsPath();
    void resultOfExecute();
    void secondExecuteOnlyRaises();
    void handlerErrorEndsThePicker();
    void ownerDestroyedWhileOpen();
    void placement();
    void mainWindowFollowsThePicker();
    void desktopEntryNamesAnExistingFolder();
    void openingAndCancellingChangesNothing();
    void keyboardWayToThePicker();
};

void TstFolderPicker::initTestCase()
{
    QVERIFY(QDir().mkpath(desktop() + "/sub1/inner"));
    QVERIFY(QDir().mkpath(desktop() + "/Sub2"));
    QVERIFY(QDir().mkpath(desktop() + "/.secret/deep"));
    QVERIFY(QDir().mkpath(g_home + "/docs"));
    QCOMPARE(ShellNamespace::desktopPath(), desktop());
    QCOMPARE(ShellNamespace::homePath(), g_home);
}

void TstFolderPicker::browseFlags()
{
    bool showPath = true;
    QCOMPARE(TSHBrowseForFolderEx::browseFlags({}, &showPath), 0u);
    QVERIFY(!showPath);
    QCOMPARE(TSHBrowseForFolderEx::browseFlags({sboReturnOnlyFSDirs}, &showPath), 1u);
    QCOMPARE(TSHBrowseForFolderEx::browseFlags({sboDontGoBelowDomain, sboReturnFSAncestors}, &showPath), 10u);
    QCOMPARE(TSHBrowseForFolderEx::browseFlags({sboStatusText}, &showPath), 4u);
    QVERIFY(!showPath);
    QCOMPARE(TSHBrowseForFolderEx::browseFlags({sboStatusTextAndShowPath, sboStatusText}, &showPath), 4u);
    QVERIFY(showPath);
    QCOMPARE(TSHBrowseForFolderEx::browseFlags({sboDontGoBelowDomain, sboReturnFSAncestors, sboReturnOnlyFSDirs,
                                                sboStatusTextAndShowPath, sboStatusText},
                                               &showPath),
             15u);
    QVERIFY(showPath);
    const TSHBrowseOptions defaults = TSHBrowseForFolderEx(nullptr).Options;
    QCOMPARE(defaults.bits(), static_cast<unsigned char>(1u << sboReturnOnlyFSDirs));
}

void TstFolderPicker::centring()
{
    using T = TSHBrowseForFolderEx;
    QCOMPARE(T::centreInWorkArea(QRect(0, 0, 300, 200), QRect(0, 0, 1280, 800)), QPoint(490, 300));
    // The work area's own corner is not added.
    QCOMPARE(T::centreInWorkArea(QRect(5, 5, 300, 200), QRect(100, 50, 1000, 700)), QPoint(350, 250));
    // Larger than the work area: negative, truncated toward zero.
    QCOMPARE(T::centreInWorkArea(QRect(0, 0, 1101, 1002), QRect(0, 0, 1000, 700)), QPoint(-50, -151));
}

void TstFolderPicker::startAndRootItems()
{
    using T = TSHBrowseForFolderEx;
    QCOMPARE(T::folderItem(sfDesktop, QString()), ShellItem::desktop());
    QCOMPARE(T::folderItem(sfManual, QString()), ShellItem::desktop());
    QCOMPARE(T::folderItem(sfManual, g_home + "/missing/"), ShellItem::desktop());
    QCOMPARE(T::folderItem(sfManual, QStringLiteral("Desktop")), ShellItem::desktop());   // not a full path
    const int fd = ::open(FsPath::encodeName(g_home + "/file").constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ::close(fd);
    QCOMPARE(T::folderItem(sfManual, g_home + "/file"), ShellItem::desktop());
    QCOMPARE(T::folderItem(sfManual, g_home + "//docs/"), ShellItem::folder(g_home + "/docs"));
    QCOMPARE(T::folderItem(rfManual, QStringLiteral("/")), ShellItem::folder(QStringLiteral("/")));
    QCOMPARE(T::folderItem(sfDrives, QString()), ShellItem::computer());
    QCOMPARE(T::folderItem(sfDesktopDir, QString()), ShellItem::folder(desktop()));
    QVERIFY(!T::folderItem(sfFavorites, QString()));
    QVERIFY(!T::folderItem(sfRecent, QString()));
    QVERIFY(!T::folderItem(sfSendTo, QString()));
    // A kind whose folder does not exist here.
    QVERIFY(!T::folderItem(sfStartup, QString()));
}

void TstFolderPicker::noRootShowsNoPicker()
{
    Recorder dlg(nullptr);
    dlg.RootFolder = rfFavorites;
    bool shown = false;
    QTimer::singleShot(0, &dlg, [&] { shown = dlg.pickerWindow() != nullptr; });
    QVERIFY(!dlg.Execute());
    QVERIFY(!dlg.pickerWindow());
    QCoreApplication::processEvents();
    QVERIFY(!shown);
    QVERIFY(dlg.events.isEmpty());
}

void TstFolderPicker::namespaceTree()
{
    FolderTreeModel m(ShellItem::desktop());
    const QModelIndex top = m.rootItemIndex();
    QCOMPARE(m.displayName(top), QStringLiteral("デスクトップ"));
    QVERIFY(m.hasChildren(top));
    m.fetchMore(top);
    QStringList names;
    for (int r = 0; r < m.rowCount(top); ++r) names << m.displayName(m.index(r, 0, top));
    // The computer, the home folder, then the desktop's folders (dot folders hidden).
    QCOMPARE(names, (QStringList{QStringLiteral("コンピュータ"), QDir(g_home).dirName(), "sub1", "Sub2"}));
    QCOMPARE(m.item(m.index(0, 0, top)), ShellItem::computer());

    const QModelIndex computer = m.indexOf(ShellItem::computer());
    m.fetchMore(computer);
    QVERIFY(m.rowCount(computer) >= 1);
    QCOMPARE(m.item(m.index(0, 0, computer)), ShellItem::folder(QStringLiteral("/")));

    // A path below the desktop is reached through it; one elsewhere through
    // the home folder or the computer; a hidden folder is still reachable.
    const QModelIndex inner = m.indexOf(ShellItem::folder(desktop() + "/sub1/inner/"));
    QVERIFY(inner.isValid());
    QCOMPARE(m.displayName(inner.parent()), QStringLiteral("sub1"));
    QCOMPARE(inner.parent().parent(), top);
    const QModelIndex docs = m.indexOf(ShellItem::folder(g_home + "/docs"));
    QCOMPARE(m.item(docs.parent()), ShellItem::folder(g_home));
    const QModelIndex deep = m.indexOf(ShellItem::folder(desktop() + "/.secret/deep"));
    QVERIFY(deep.isValid());
    QCOMPARE(m.displayName(deep.parent()), QStringLiteral(".secret"));
    const QModelIndex etc = m.indexOf(ShellItem::folder(QStringLiteral("/etc")));
    QVERIFY(etc.isValid());
    QVERIFY(!m.indexOf(ShellItem::folder(g_home + "/nothing")).isValid());

    // A folder named in Shift-JIS bytes reads decoded; its path keeps the bytes.
    const QByteArray raw = FsPath::encodeName(desktop()) + "/\x95\x5c";
    QCOMPARE(::mkdir(raw.constData(), 0755), 0);
    auto removeIt = qScopeGuard([&] { ::rmdir(raw.constData()); });
    FolderTreeModel fresh(ShellItem::desktop());
    const QModelIndex hyo = fresh.indexOf(ShellItem::folder(FsPath::decodeName(raw)));
    QCOMPARE(fresh.displayName(hyo), QStringLiteral("表"));
    QCOMPARE(FsPath::encodeName(fresh.item(hyo).path), raw);

    // Under a folder root nothing outside it can be selected.
    FolderTreeModel sub(ShellItem::folder(desktop() + "/sub1"));
    QVERIFY(sub.indexOf(ShellItem::folder(desktop() + "/sub1/inner")).isValid());
    QVERIFY(!sub.indexOf(ShellItem::folder(g_home)).isValid());
    QVERIFY(!sub.indexOf(ShellItem::computer()).isValid());
}

void TstFolderPicker::callbackOrderAndAnswers()
{
    Recorder dlg(nullptr);
    dlg.SelectFolder = sfDesktop;
    dlg.Options = {};   // the picker itself leaves OK alone
    dlg.answers = {{QStringLiteral("first"), obsDisabled}, {QString(), obsNone}, {QStringLiteral("third"), obsEnabled}};
    QString statusAfterFirst;
    bool okAfterFirst = true, okAfterSecond = true, okAfterThird = false;
    QString statusAfterSecond = QStringLiteral("x"), statusAfterThird;
    const bool result = runPicker(dlg, [&](FolderPickerWindow* p) {
        statusAfterFirst = p->statusText();
        okAfterFirst = p->okEnabled();
        QVERIFY(p->selectPath(desktop() + "/sub1"));
        statusAfterSecond = p->statusText();
        okAfterSecond = p->okEnabled();
        QVERIFY(p->setSelection(ShellItem::computer()));
        statusAfterThird = p->statusText();
        okAfterThird = p->okEnabled();
        // Selecting what is already selected is no change.
        QVERIFY(p->setSelection(ShellItem::computer()));
    });
    QVERIFY(result);
    QCOMPARE(dlg.events.size(), 3);
    // Each event starts with an empty status text and no OK request.
    for (const Event& e : dlg.events) {
        QCOMPARE(e.showTextIn, QString());
        QCOMPARE(e.okIn, obsNone);
    }
    QCOMPARE(dlg.events[0].path, desktop());   // the start selection, reported once the picker is up
    QCOMPARE(dlg.events[1].path, desktop() + "/sub1");
    QCOMPARE(dlg.events[2].path, QString());   // the computer has no path
    QCOMPARE(statusAfterFirst, QStringLiteral("first"));
    QVERIFY(!okAfterFirst);
    QCOMPARE(statusAfterSecond, QString());   // an empty answer clears the status line...
    QVERIFY(!okAfterSecond);                  // ...and no request leaves OK as it was
    QCOMPARE(statusAfterThird, QStringLiteral("third"));
    QVERIFY(okAfterThird);
    QVERIFY(dlg.lastWnd != 0);
}

void TstFolderPicker::statusLineShowsPath()
{
    Recorder dlg(nullptr);
    dlg.SelectFolder = sfManual;
    dlg.SelectFolderName = desktop() + "/Sub2/";
    dlg.Options = {sboStatusTextAndShowPath, sboReturnOnlyFSDirs};
    dlg.answers = {{QStringLiteral("mine"), obsNone}};
    QString first, second;
    bool shown = false, okOnComputer = true;
    runPicker(dlg, [&](FolderPickerWindow* p) {
        shown = p->statusLineShown();
        first = p->statusText();
        QVERIFY(p->setSelection(ShellItem::computer()));
        second = p->statusText();
        okOnComputer = p->okEnabled();
    });
    QVERIFY(shown);
    QCOMPARE(dlg.events.first().path, desktop() + "/Sub2");
    QCOMPARE(first, desktop() + "/Sub2");
    QCOMPARE(second, QString());
    // Only folders with a path can be confirmed with this option.
    QVERIFY(!okOnComputer);

    // Without a status option the status line is not shown.
    Recorder plain(nullptr);
    runPicker(plain, [&](FolderPickerWindow* p) { shown = p->statusLineShown(); });
    QVERIFY(!shown);
}

void TstFolderPicker::resultOfExecute()
{
    Recorder dlg(nullptr);
    dlg.SelectFolder = sfDesktop;
    QVERIFY(runPicker(dlg, [](FolderPickerWindow* p) { QVERIFY(p->selectPath(desktop() + "/Sub2")); }));
    QCOMPARE(dlg.FolderPath(), desktop() + "/Sub2");
    QCOMPARE(dlg.DisplayName(), QStringLiteral("Sub2"));

    // Cancelled: false and both results cleared.
    QVERIFY(!runPicker(dlg, [](FolderPickerWindow* p) { QVERIFY(p->selectPath(desktop() + "/sub1")); }, false));
    QCOMPARE(dlg.FolderPath(), QString());
    QCOMPARE(dlg.DisplayName(), QString());

    // Confirmed on an item without a path: true, a name but no path.
    dlg.Options = {};
    QVERIFY(runPicker(dlg, [](FolderPickerWindow* p) { QVERIFY(p->setSelection(ShellItem::computer())); }));
    QCOMPARE(dlg.FolderPath(), QString());
    QCOMPARE(dlg.DisplayName(), QStringLiteral("コンピュータ"));

    // The root "/" under the computer.
    dlg.SelectFolder = sfManual;
    dlg.SelectFolderName = QStringLiteral("/");
    QVERIFY(runPicker(dlg, [](FolderPickerWindow*) {}));
    QCOMPARE(dlg.FolderPath(), QStringLiteral("/"));
    QCOMPARE(dlg.events.last().path, QStringLiteral("/"));
}

void TstFolderPicker::secondExecuteOnlyRaises()
{
    Recorder dlg(nullptr);
    FolderPickerWindow* first = nullptr;
    bool second = true;
    FolderPickerWindow* during = nullptr;
    QVERIFY(runPicker(dlg, [&](FolderPickerWindow* p) {
        first = p;
        second = dlg.Execute();
        during = dlg.pickerWindow();
    }));
    QVERIFY(!second);
    QCOMPARE(during, first);
    QCOMPARE(dlg.events.size(), 1);
    QVERIFY(!dlg.pickerWindow());
}

void TstFolderPicker::handlerErrorEndsThePicker()
{
    Recorder dlg(nullptr);
    dlg.throwOn = desktop() + "/sub1";
    bool threw = false;
    QTimer::singleShot(0, &dlg, [&] {
        if (FolderPickerWindow* p = dlg.pickerWindow()) p->selectPath(desktop() + "/sub1");
        // Should the error not end the picker, end it here.
        QTimer::singleShot(0, &dlg, [&] { if (dlg.pickerWindow()) dlg.pickerWindow()->reject(); });
    });
    try {
        dlg.Execute();
    } catch (const VarError& e) {
        threw = e.message() == QStringLiteral("handler failed");
    }
    QVERIFY(threw);
    QVERIFY(!dlg.pickerWindow());
    QCOMPARE(dlg.FolderPath(), QString());
}

void TstFolderPicker::ownerDestroyedWhileOpen()
{
    auto* owner = new QWidget;
    owner->show();
    auto* dlg = new TSHBrowseForFolderEx(owner);
    QPointer<TSHBrowseForFolderEx> watch(dlg);
    bool opened = false;
    QTimer::singleShot(0, qApp, [&] {
        opened = dlg->pickerWindow() != nullptr;
        delete owner;
    });
    QVERIFY(!dlg->Execute());
    QVERIFY(opened);
    QVERIFY(!watch);
}

void TstFolderPicker::placement()
{
    QMainWindow owner;
    owner.setCentralWidget(new QWidget);
    owner.move(120, 90);
    owner.resize(400, 300);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    TSHBrowseForFolderEx dlg(&owner);
    dlg.ShowStyle = ssCenterScreen;
    QPoint at;
    QRect frame, work;
    runPicker(dlg, [&](FolderPickerWindow* p) {
        at = p->pos();
        frame = p->frameGeometry();
        work = p->screen()->availableGeometry();
    });
    QCOMPARE(at, QPoint((work.width() - frame.width()) / 2, (work.height() - frame.height()) / 2));

    dlg.ShowStyle = ssClient;
    runPicker(dlg, [&](FolderPickerWindow* p) { at = p->pos(); });
    QCOMPARE(at, owner.centralWidget()->mapToGlobal(QPoint(0, 0)));

    // An owner whose window has not been made yet leaves the picker where it
    // would be without placement.
    QPoint none;
    {
        QWidget unshown;
        TSHBrowseForFolderEx loose(&unshown);
        loose.ShowStyle = ssNone;
        runPicker(loose, [&](FolderPickerWindow* p) { none = p->pos(); });
    }
    QWidget unshown;
    TSHBrowseForFolderEx loose(&unshown);
    loose.ShowStyle = ssClient;
    runPicker(loose, [&](FolderPickerWindow* p) { at = p->pos(); });
    QCOMPARE(at, none);
    // An owner that is no widget at all.
    QObject plain;
    TSHBrowseForFolderEx bare(&plain);
    bare.ShowStyle = ssClient;
    bool ran = false;
    runPicker(bare, [&](FolderPickerWindow*) { ran = true; });
    QVERIFY(ran);
}

void TstFolderPicker::mainWindowFollowsThePicker()
{
    TestEnv te;
    te.platform.home = g_home;
    auto touch = [](const QString& path) {
        const int fd = ::open(FsPath::encodeName(path).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        ::close(fd);
    };
    touch(desktop() + "/sub1/a.txt");
    touch(desktop() + "/Sub2/b.txt");
    TForm1 w(te.env());
    w.show();
    const QString startField = ui(w).Edit1->text();

    bool enabled = false, modal = true, timerRan = false;
    QStringList fieldAfter;
    QList<QStringList> listAfter;
    ui(w).ChBox2->setCurrentIndex(0);
    QTimer::singleShot(0, &w, [&] {
        FolderPickerWindow* p = ui(w).FolderDlg->pickerWindow();
        auto close = qScopeGuard([&] { if (ui(w).FolderDlg->pickerWindow()) ui(w).FolderDlg->pickerWindow()->reject(); });
        QVERIFY(p);
        // Opened at the desktop, which was listed at once.
        fieldAfter << ui(w).Edit1->text();
        enabled = w.isEnabled();
        modal = p->isModal() || p->windowModality() != Qt::NonModal;
        QVERIFY(p->selectPath(desktop() + "/sub1"));
        fieldAfter << ui(w).Edit1->text();
        listAfter << ui(w).LViewModel->names();
        // The computer has no path: nothing changes.
        QVERIFY(p->setSelection(ShellItem::computer()));
        fieldAfter << ui(w).Edit1->text();
        listAfter << ui(w).LViewModel->names();
        // Another press of the folder button only brings the picker forward.
        w.FolderBtnClick();
        QCOMPARE(ui(w).FolderDlg->pickerWindow(), p);
        // Events of the main window go on while the picker is open.
        QTimer::singleShot(0, &w, [&] { timerRan = true; });
        QTRY_VERIFY(timerRan);
    });
    w.FolderBtnClick();
    QCOMPARE(te.messages.log.size(), 0);
    QVERIFY(enabled);
    QVERIFY(!modal);
    QCOMPARE(fieldAfter, (QStringList{desktop() + "/", desktop() + "/sub1/", desktop() + "/sub1/"}));
    QCOMPARE(listAfter, (QList<QStringList>{QStringList{"a.txt"}, QStringList{"a.txt"}}));
    QVERIFY(startField != fieldAfter.first());
    // Cancelled, yet the field and list stay on the last folder, and the next
    // opening starts there.
    QCOMPARE(ui(w).Edit1->text(), desktop() + "/sub1/");
    QCOMPARE(ui(w).FolderDlg->SelectFolder, sfManual);
    QCOMPARE(ui(w).FolderDlg->SelectFolderName, desktop() + "/sub1/");
    QString reopened;
    QTimer::singleShot(0, &w, [&] {
        if (FolderPickerWindow* p = ui(w).FolderDlg->pickerWindow()) {
            reopened = p->currentItem().path;
            p->accept();
        }
    });
    w.FolderBtnClick();
    QCOMPARE(reopened, desktop() + "/sub1");
    QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin"));
}

void TstFolderPicker::desktopEntryNamesAnExistingFolder()
{
    using T = TSHBrowseForFolderEx;
    NoDesktopFolders aside;
    QVERIFY(aside.ok);
    // No desktop folder at all: the desktop has no path, like the computer.
    QCOMPARE(ShellNamespace::desktopPath(), QString());
    QCOMPARE(ShellItem::desktop().path, QString());
    QVERIFY(!T::folderItem(sfDesktopDir, QString()));
    FolderTreeModel m(ShellItem::desktop());
    m.fetchMore(m.rootItemIndex());
    QCOMPARE(m.rowCount(m.rootItemIndex()), 2);   // the computer and the home folder
    QCOMPARE(m.item(m.indexOf(ShellItem::folder(g_home + "/docs")).parent()), ShellItem::folder(g_home));

    // The desktop settings name one: only once it exists does it count, and
    // the home folder named as desktop means there is none.
    writeUserDirs("\"$HOME/Schreibtisch\"");
    QCOMPARE(ShellNamespace::desktopPath(), QString());
    QVERIFY(QDir().mkpath(g_home + "/Schreibtisch/inside"));
    QCOMPARE(ShellNamespace::desktopPath(), g_home + "/Schreibtisch");
    QCOMPARE(T::folderItem(sfDesktop, QString())->path, g_home + "/Schreibtisch");
    writeUserDirs("\"$HOME/\"");
    QCOMPARE(ShellNamespace::desktopPath(), QString());

    // The program's own desktop folder comes before the settings' one.
    writeUserDirs("\"$HOME/Schreibtisch\"");
    QVERIFY(QDir().mkpath(ownDesktop()));
    QCOMPARE(ShellNamespace::desktopPath(), ownDesktop());
    QCOMPARE(T::folderItem(sfDesktopDir, QString()), ShellItem::folder(ownDesktop()));
}

void TstFolderPicker::openingAndCancellingChangesNothing()
{
    NoDesktopFolders aside;
    QVERIFY(aside.ok);
    TestEnv te;
    te.platform.home = g_home;
    touchFile(g_home + "/docs/d.txt");
    auto cleanup = qScopeGuard([] { QFile::remove(g_home + "/docs/d.txt"); });

    // Opens the picker and cancels it at once: the path field and the list
    // are the same before, while it is open, and after.
    auto openAndCancel = [](TForm1& w, const QString& field, const QStringList& list) {
        QCOMPARE(ui(w).Edit1->text(), field);
        QCOMPARE(ui(w).LViewModel->names(), list);
        QString fieldDuring;
        QStringList listDuring;
        QTimer::singleShot(0, &w, [&] {
            if (FolderPickerWindow* p = ui(w).FolderDlg->pickerWindow()) {
                fieldDuring = ui(w).Edit1->text();
                listDuring = ui(w).LViewModel->names();
                p->reject();
            }
        });
        w.FolderBtnClick();
        QCOMPARE(fieldDuring, field);
        QCOMPARE(listDuring, list);
        QCOMPARE(ui(w).Edit1->text(), field);
        QCOMPARE(ui(w).LViewModel->names(), list);
    };

    // Without any desktop folder: a folder typed in stays.
    TForm1 w(te.env());
    ui(w).Edit1->setText(g_home + "/docs/");
    w.Edit1KeyPress(QChar(13));
    openAndCancel(w, g_home + "/docs/", QStringList{"d.txt"});
    QCOMPARE(ui(w).FolderDlg->SelectFolder, sfDesktop);

    // With the program's own desktop folder, the start folder: it stays.
    QVERIFY(QDir().mkpath(ownDesktop()));
    touchFile(ownDesktop() + "/s.txt");
    TForm1 started(te.env());
    openAndCancel(started, ownDesktop() + "/", QStringList{"s.txt"});
    QCOMPARE(te.messages.log.size(), 0);
}

// The picker's button follows the path field in the Tab order (the rest of
// the order as it was); Alt+Down in the path field, or the button's key,
// opens the picker, whose tree names its one column for a screen reader.
void TstFolderPicker::keyboardWayToThePicker()
{
    TestEnv te;
    te.platform.home = g_home;
    TForm1 w(te.env());
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    ui(w).Edit1->setFocus(Qt::OtherFocusReason);
    for (QWidget* next : {static_cast<QWidget*>(ui(w).FolderBtn), static_cast<QWidget*>(ui(w).ChBox1)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    for (const auto& [from, key] : {std::pair<QWidget*, int>{ui(w).Edit1, Qt::Key_Down}, {ui(w).FolderBtn, Qt::Key_Space}}) {
        QStringList headers{QStringLiteral("not opened")};
        QTimer::singleShot(0, &w, [&] {
            FolderPickerWindow* p = ui(w).FolderDlg->pickerWindow();
            QAccessibleInterface* tree = p ? QAccessible::queryAccessibleInterface(p->tree()) : nullptr;
            if (tree) headers.clear();
            for (int i = 0; tree && i < tree->childCount(); ++i)
                if (tree->child(i)->role() == QAccessible::ColumnHeader) headers << tree->child(i)->text(QAccessible::Name);
            if (p) p->reject();
        });
        from->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(from, Qt::Key(key), key == Qt::Key_Down ? Qt::AltModifier : Qt::NoModifier);
        QCOMPARE(headers, QStringList{QStringLiteral("フォルダ")});
    }
}

int main(int argc, char** argv)
{
    // A home of our own, so that the desktop and its folders are known.
    QTemporaryDir home;
    g_home = ShellNamespace::cleanPath(home.path());
    qputenv("HOME", g_home.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (g_home + "/.config").toLocal8Bit());
    QApplication app(argc, argv);
    TstFolderPicker t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_folderpicker.moc"
