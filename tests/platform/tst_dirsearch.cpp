// The name mask and the directory search behind the file list.
#include "BigTextJobs.h"
#include "FsPath.h"
#include "Platform.h"
#include "Wildcard.h"

#include <QTemporaryDir>
#include <QDir>
#include <QFile>
#include <QtTest>

#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void touch(const QString& path)
{
    const int fd = ::open(FsPath::encodeName(path).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    QVERIFY2(fd >= 0, qPrintable(path));
    ::close(fd);
}

} // namespace

class TstDirSearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void mask_data();
    void mask();
    void maskOnBytesAgreesWithText();
    void onlyRegularFilesListed();
    void caseInsensitiveMatch();
    void starDotStarMatchesEveryName();
    void emptyPatternListsNothing();
    void sortedCaseInsensitively();
    void undecodableNamesCanBeOpenedAgain();
    void missingOrUnreadableFolder();
    void listingBesideTheEventLoop_data();
    void listingBesideTheEventLoop();
    void droppedListingBringsNothing();

private:
    QStringList find(const QString& pattern) { return m_platform.findFiles(m_dir->path() + QLatin1Char('/'), pattern); }
    QString path(const QString& name) const { return m_dir->path() + QLatin1Char('/') + name; }

    std::unique_ptr<QTemporaryDir> m_dir;
    RealPlatform m_platform;
};

void TstDirSearch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TstDirSearch::mask_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("match");

    QTest::newRow("star") << "*" << "abc" << true;
    QTest::newRow("star, dot file") << "*" << ".bashrc" << true;
    QTest::newRow("*.* without dot") << "*.*" << "README" << true;
    QTest::newRow("*.* trailing dot") << "*.*" << "a." << true;
    QTest::newRow("*.* leading dot") << "*.*" << ".foo" << true;
    QTest::newRow("extension") << "*.txt" << "a.txt" << true;
    QTest::newRow("extension, case") << "*.txt" << "NOTES.TxT" << true;
    QTest::newRow("extension, two dots") << "*.txt" << "a.b.txt" << true;
    QTest::newRow("extension, only dot name") << "*.txt" << ".txt" << true;
    QTest::newRow("extension, longer") << "*.txt" << "a.txts" << false;
    QTest::newRow("extension, earlier") << "*.txt" << "a.txt.bak" << false;
    QTest::newRow("extension, no dot") << "*.txt" << "atxt" << false;
    QTest::newRow("literal dot") << "a.b" << "axb" << false;
    QTest::newRow("exact, case") << "ReadMe.TXT" << "readme.txt" << true;
    QTest::newRow("question") << "a?c" << "abc" << true;
    QTest::newRow("question not a dot") << "a?c" << "a.c" << false;
    QTest::newRow("question at end matches nothing") << "ab?" << "ab" << true;
    QTest::newRow("questions before dot") << "a??.txt" << "a.txt" << true;
    QTest::newRow("questions, too many chars") << "a?.txt" << "abc.txt" << false;
    QTest::newRow("?.? full") << "?.?" << "a.b" << true;
    QTest::newRow("?.? no ext") << "?.?" << "a" << true;
    QTest::newRow("?.? two chars") << "?.?" << "ab" << false;
    QTest::newRow("??.?? short") << "??.??" << "a.b" << true;
    QTest::newRow("dot-star matches no extension") << "x.*" << "x" << true;
    QTest::newRow("dot-star with extension") << "x.*" << "x.y" << true;
    QTest::newRow("*. no extension") << "*." << "Makefile" << true;
    QTest::newRow("*. with extension") << "*." << "a.b" << false;
    QTest::newRow("*. dot file") << "*." << ".profile" << false;
    QTest::newRow("foo*.") << "foo*." << "foobar" << true;
    QTest::newRow("foo*. ext") << "foo*." << "foo.c" << false;
    QTest::newRow("star in middle") << "a*z" << "a.b.z" << true;
    QTest::newRow("stars") << "**x**" << "abxcd" << true;
    QTest::newRow("star then dot-star") << "*.t*" << "a.tb.c" << true;
    QTest::newRow("japanese, full-width case") << QStringLiteral("ＡＢ*") << QStringLiteral("ａｂｃ") << true;
    QTest::newRow("japanese") << QStringLiteral("*.テキスト") << QStringLiteral("メモ.テキスト") << true;
    QTest::newRow("empty mask") << "" << "a" << false;
    QTest::newRow("separator in mask") << "a/b" << "b" << false;
}

void TstDirSearch::mask()
{
    QFETCH(QString, mask);
    QFETCH(QString, name);
    QTEST(Wildcard(mask).matches(name), "match");
}

void TstDirSearch::maskOnBytesAgreesWithText()
{
    const QStringList masks{"*", "*.*", "*.txt", "a?c", "?.?", "*.", "x.*", "a??.txt", "*.t*"};
    const QStringList names{"abc", "a.txt", "A.TXT", "a.c", "x", "x.y", "a.b.c", "Makefile", ".rc", "a.tb.c"};
    for (const QString& m : masks) {
        const Wildcard w(m);
        for (const QString& n : names) {
            const QByteArray b = n.toLatin1();
            QVERIFY2(w.matches(n) == w.matchesLatin1(b.constData(), b.size()), qPrintable(m + " " + n));
        }
    }
}

void TstDirSearch::onlyRegularFilesListed()
{
    touch(path("plain.txt"));
    touch(path(".hidden.txt"));
    QVERIFY(QDir(m_dir->path()).mkdir("folder.txt"));
    QCOMPARE(::mkfifo(FsPath::encodeName(path("pipe.txt")).constData(), 0644), 0);
    QVERIFY(QFile::link(path("plain.txt"), path("link.txt")));
    QVERIFY(QFile::link(path("nowhere"), path("dangling.txt")));
    QVERIFY(QFile::link(path("folder.txt"), path("dirlink.txt")));
    // A socket is neither a file nor a folder.
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray sock = FsPath::encodeName(path("sock.txt"));
    if (s >= 0 && sock.size() < static_cast<qsizetype>(sizeof addr.sun_path)) {
        std::memcpy(addr.sun_path, sock.constData(), sock.size());
        QCOMPARE(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    }
    QCOMPARE(find("*.txt"), (QStringList{".hidden.txt", "link.txt", "plain.txt"}));
    QCOMPARE(find("*"), (QStringList{".hidden.txt", "link.txt", "plain.txt"}));
    if (s >= 0) ::close(s);
}

void TstDirSearch::caseInsensitiveMatch()
{
    for (const char* n : {"a.TXT", "b.txt", "C.Txt", "d.text", "e.txt~"}) touch(path(n));
    QCOMPARE(find("*.txt"), (QStringList{"a.TXT", "b.txt", "C.Txt"}));
    QCOMPARE(find("*.TXT"), (QStringList{"a.TXT", "b.txt", "C.Txt"}));
    QCOMPARE(find("B.TXT"), QStringList{"b.txt"});
}

void TstDirSearch::starDotStarMatchesEveryName()
{
    for (const char* n : {"README", "a.b", ".rc", "x."}) touch(path(n));
    QCOMPARE(find("*.*"), (QStringList{".rc", "a.b", "README", "x."}));
    QCOMPARE(find("*."), (QStringList{"README", "x."}));
}

void TstDirSearch::emptyPatternListsNothing()
{
    touch(path("a.txt"));
    QCOMPARE(find(QString()), QStringList{});
}

void TstDirSearch::sortedCaseInsensitively()
{
    // Names compare upper-cased, so "_" (after the letters) sorts behind them.
    for (const char* n : {"b", "A", "a_b", "ab", "B1", "~x", "1"}) touch(path(n));
    QCOMPARE(find("*"), (QStringList{"1", "A", "ab", "a_b", "b", "B1", "~x"}));
}

void TstDirSearch::undecodableNamesCanBeOpenedAgain()
{
    // A Shift-JIS name ("表.txt") and a Latin-1 one on a UTF-8 system.
    const QByteArray folder = FsPath::encodeName(m_dir->path() + QLatin1Char('/'));
    for (const QByteArray& raw : {QByteArray("\x95\x5c.txt"), QByteArray("caf\xe9.txt")}) {
        const int fd = ::open((folder + raw).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "hello", 5), ssize_t(5));
        ::close(fd);
    }
    touch(path(QStringLiteral("日本語.txt")));
    const QStringList names = find("*.TXT");
    QCOMPARE(names.size(), 3);
    QVERIFY(names.contains(QStringLiteral("日本語.txt")));
    for (const QString& n : names) {
        if (n == QStringLiteral("日本語.txt")) continue;
        QByteArray bytes;
        QVERIFY2(FsPath::readFile(m_dir->path() + QLatin1Char('/') + n, &bytes, 100), qPrintable(n));
        QCOMPARE(bytes, QByteArray("hello"));
        // Qt's own folder removal cannot name these files; remove them here.
        QVERIFY(FsPath::remove(m_dir->path() + QLatin1Char('/') + n));
    }
}

void TstDirSearch::missingOrUnreadableFolder()
{
    QCOMPARE(m_platform.findFiles(path("missing/"), "*"), QStringList{});
    touch(path("file"));
    QCOMPARE(m_platform.findFiles(path("file/"), "*"), QStringList{});
    if (::geteuid() != 0) {
        QVERIFY(QDir(m_dir->path()).mkdir("locked"));
        touch(path("locked/a.txt"));
        ::chmod(FsPath::encodeName(path("locked")).constData(), 0);
        QCOMPARE(m_platform.findFiles(path("locked/"), "*"), QStringList{});
        ::chmod(FsPath::encodeName(path("locked")).constData(), 0755);
    }
}

void TstDirSearch::listingBesideTheEventLoop_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("folder");   // under the temporary folder
    QTest::newRow("none") << 0 << "*" << "";
    QTest::newRow("a few") << 5 << "*.txt" << "";
    QTest::newRow("several batches") << 9000 << "*" << "";
    QTest::newRow("missing folder") << 0 << "*" << "missing/";
}

// The names come in batches, in no order, and together are what the search
// finds; then the listing ends without an error.
void TstDirSearch::listingBesideTheEventLoop()
{
    QFETCH(int, files);
    QFETCH(QString, pattern);
    QFETCH(QString, folder);
    for (int i = 0; i < files; ++i) touch(path(QStringLiteral("f%1.%2").arg(i).arg(i % 2 ? "txt" : "dat")));
    touch(path("Z.TXT"));
    QVERIFY(QDir(m_dir->path()).mkdir("sub.txt"));
    QObject receiver;
    QStringList got;
    int batches = 0;
    bool ended = false;
    QString error = QStringLiteral("none");
    auto listing = m_platform.listFiles(path(folder), pattern, {}, &receiver,
                                        ListingSink{[&](const QStringList& names) {
                                                        QVERIFY(!ended);
                                                        got << names;
                                                        ++batches;
                                                    },
                                                    [&](const QString& e) {
                                                        ended = true;
                                                        error = e;
                                                    }});
    QTRY_VERIFY_WITH_TIMEOUT(ended, 20000);
    QCOMPARE(error, QString());
    std::sort(got.begin(), got.end());
    QStringList expected = m_platform.findFiles(path(folder), pattern);
    std::sort(expected.begin(), expected.end());
    QCOMPARE(got, expected);
    if (files > 4096) QVERIFY(batches > 1);
}

// A listing let go of before its worker ran hands nothing over, nor its end.
void TstDirSearch::droppedListingBringsNothing()
{
    for (int i = 0; i < 10; ++i) touch(path(QStringLiteral("f%1").arg(i)));
    QObject receiver;
    int calls = 0;
    {
        BigTextWorkers::Hold hold;
        auto listing = m_platform.listFiles(path(""), "*", [](const QString&) { return true; }, &receiver,
                                            ListingSink{[&](const QStringList&) { ++calls; }, [&](const QString&) { ++calls; }});
        // Nobody waits for a listing (the folder may sit on a slow mount):
        // its worker is not counted among the busy ones.
        QCOMPARE(BigTextWorkers::busy(), 0);
        QVERIFY(BigTextWorkers::waitIdle(0));
        listing.reset();
    }
    QVERIFY(BigTextWorkers::waitIdle(10000));
    QCoreApplication::processEvents();
    QCOMPARE(calls, 0);

    // Names the window would not keep never reach it.
    bool ended = false;
    QStringList got;
    auto kept = m_platform.listFiles(path(""), "*", [](const QString& n) { return n.endsWith('3'); }, &receiver,
                                     ListingSink{[&](const QStringList& names) { got << names; },
                                                 [&](const QString&) { ended = true; }});
    QTRY_VERIFY(ended);
    QCOMPARE(got, QStringList{"f3"});
}

QTEST_MAIN(TstDirSearch)
#include "tst_dirsearch.moc"
