// Faults around the settings files: a folder that cannot be written, a full
// disk, and damaged files of every kind. Nothing may crash or hang, every save
// reports the specified message, and no old file is damaged.
#include "TestSupport.h"

#include "Cp932.h"
#include "Forms.h"
#include "Guard.h"
#include "MainControls.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Every file of the settings folder with its bytes: a save that failed must
// leave exactly this behind (no half-written or temporary file either).
QMap<QString, QByteArray> snapshot(const TestEnv& t)
{
    QMap<QString, QByteArray> m;
    for (const QString& f : QDir(t.dir.path()).entryList(QDir::Files | QDir::Hidden)) m[f] = t.readFile(f);
    return m;
}

// A main window with its dialogs on a fresh settings folder. The registration
// dialog that F4Call shows modally is closed as soon as it shows.
struct SaveRig {
    SaveRig() : w(t.env())
    {
        createForms(w);
        QObject::connect(&closer, &QTimer::timeout, &w, [this] { if (ui(w).Form4->isVisible()) ui(w).Form4->Button5Click(); });
        closer.start(20);
        before = snapshot(t);
        t.messages.log.clear();
    }
    TestEnv t;
    TForm1 w;
    QTimer closer;
    QMap<QString, QByteArray> before;
};

// Runs every save the program has: the main settings at close, the extension
// table, and the application table with its icons.
void saveEverything(TForm1& w)
{
    guarded(w.env().messages, &w, [&] { w.FormClose(); });
    guarded(w.env().messages, &w, [&] { ui(w).Form2->StDat(); ui(w).Form2->TagsSave(); });
    guarded(w.env().messages, &w, [&] { w.F4Call(); });
    guarded(w.env().messages, &w, [&] { ui(w).Form4->Button3Click(); });
}

bool setImmutable(const QString& path, bool on)
{
    return QProcess::execute(QStringLiteral("chattr"), {on ? QStringLiteral("+i") : QStringLiteral("-i"), path}) == 0;
}

// Every message the program may give for a damaged settings file.
bool isSpecifiedMessage(const QString& text)
{
    static const QRegularExpression re(QStringLiteral(
        "^(ﾌｧｲﾙ .* は開けません\\.|'.*' は整数ではありません\\.|ｽﾄﾘｰﾑからの読み込みに失敗しました(（ﾌｧｲﾙ .*）)?\\.|"
        "appcfgs\\.cfgファイルのバージョンが違います。)$"),
        QRegularExpression::DotMatchesEverythingOption);
    return re.match(text).hasMatch();
}
} // namespace

class TestFaults : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readOnlyFolderReportsEverySaveAndKeepsFiles()
    {
        SaveRig rig;
        TestEnv& t = rig.t;
        bool locked = false;
        if (::geteuid() == 0) {
            locked = setImmutable(t.dir.path(), true);
        } else {
            locked = QFile::setPermissions(t.dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        if (!locked) QSKIP("cannot make a folder read-only here");
        saveEverything(rig.w);
        if (::geteuid() == 0) setImmutable(t.dir.path(), false);
        else QFile::setPermissions(t.dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

        const QStringList texts = t.messages.texts();
        QCOMPARE(texts, (QStringList{QStringLiteral("ﾌｧｲﾙ %1 を作成できません.").arg(t.path("appcfgs.cfg")),
                                     QStringLiteral("ﾌｧｲﾙ %1 を作成できません.").arg(t.path("exitem.cfg")),
                                     QStringLiteral("ﾌｧｲﾙ %1 を作成できません.").arg(t.path("appitems.cfg"))}));
        QCOMPARE(snapshot(t), rig.before);
    }

    void fullDiskLosesNothing()
    {
        SaveRig rig;
        TestEnv& t = rig.t;
        TForm1& w = rig.w;
        // A file-size limit of a few bytes makes every write fail part-way, as a
        // full disk does; the signal it raises is ignored so the write returns an error.
        struct rlimit old {};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &old) == 0);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit tiny = old;
        tiny.rlim_cur = 8;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &tiny) == 0);
        saveEverything(w);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(t.messages.log.size(), 3);
        for (const auto& m : t.messages.log) QVERIFY2(m.text.endsWith(QStringLiteral("を作成できません.")), qPrintable(m.text));
        QCOMPARE(snapshot(t), rig.before);
        // With room again, the same saves succeed.
        t.messages.log.clear();
        guarded(t.messages, &w, [&] { w.FormClose(); });
        QVERIFY(t.messages.log.isEmpty());
    }

    void damagedFiles_data()
    {
        static const char kBadBitmap[] = "BM\x36\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00"
                                         "\xff\xff\xff\x7f\xff\xff\xff\x7f\x01\x00\x18\x00";
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QRandomGenerator rng(20261207);
        QByteArray random(64 * 1024, '\0');
        for (char& c : random) c = static_cast<char>(rng.bounded(256));
        QByteArray hundredThousand;
        for (int i = 0; i < 100000; ++i) hundredThousand += QByteArray::number(i) + "\r\n";
        const QByteArray hugeLine = QByteArray(8 * 1024 * 1024, 'A') + "\r\n";
        const QByteArray invalidCp932("\x81\x81\xff\xfe\x80\xa0\xfd\r\n\x82\r\n**\r\n\x81\r\n**\r\n***\r\n");
        static const char nulBytes[] = "Vardolin Ver 1.05\r\n1\0" "0\r\n\0\0\r\n**\r\n\0\r\n***\r\n";
        const QByteArray nul(nulBytes, sizeof nulBytes - 1);
        for (const QString& f : {QStringLiteral("appcfgs.cfg"), QStringLiteral("exitem.cfg"), QStringLiteral("appitems.cfg"),
                                 QStringLiteral("IconImg1.bmp")}) {
            QTest::newRow(qPrintable(f + " random")) << f << random;
            QTest::newRow(qPrintable(f + " 100000 lines")) << f << hundredThousand;
            QTest::newRow(qPrintable(f + " huge line")) << f << hugeLine;
            QTest::newRow(qPrintable(f + " invalid cp932")) << f << invalidCp932;
            QTest::newRow(qPrintable(f + " nul bytes")) << f << nul;
            QTest::newRow(qPrintable(f + " empty")) << f << QByteArray();
        }
        // A damaged header that claims to be a bitmap.
        QTest::newRow("bitmap header only") << QStringLiteral("IconImg1.bmp")
                                            << QByteArray(kBadBitmap, sizeof kBadBitmap - 1);
    }
    void damagedFiles()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        TestEnv t;
        // Make slot 1 registered so that its icon file is read.
        t.writeLines("appitems.cfg", {"エディタ", "/bin/true", "", "（未登録）", "", "", "（未登録）", "", "",
                                      "（未登録）", "", "", "（未登録）", "", ""});
        t.writeFile(file, bytes);
        TForm1 w(t.env());
        for (const QString& text : t.messages.texts()) QVERIFY2(isSpecifiedMessage(text), qPrintable(text));
        QVERIFY(ui(w).ChBox1->count() <= PatternGrid::Categories);
        // Closing still writes a complete main settings file.
        t.messages.log.clear();
        w.FormClose();
        QVERIFY(t.messages.log.isEmpty());
        LineBuffer b;
        b.load(t.path("appcfgs.cfg"));
        QCOMPARE(b.count(), 13);
        QCOMPARE(b.line(0), QStringLiteral("Vardolin Ver 1.05"));
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
