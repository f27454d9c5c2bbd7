// The settings-file layer: line splitting, the CP932 round trip, the integer
// conversion and the atomic save.
#include "Cp932.h"
#include "FsPath.h"
#include "IntConv.h"
#include "LineBuffer.h"
#include "VarError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class TestSettingsFiles : public QObject {
    Q_OBJECT

private:
    static QByteArray readAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void lineEndings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n\r\nc\r\n");
        QTest::newRow("lf") << QByteArray("a\nb\n\nc\n");
        QTest::newRow("cr") << QByteArray("a\rb\r\rc\r");
        QTest::newRow("mixed, no final end") << QByteArray("a\rb\n\r\nc");
    }
    void lineEndings()
    {
        QFETCH(QByteArray, bytes);
        LineBuffer b;
        b.loadBytes(bytes);
        QCOMPARE(b.lines(), (QStringList{"a", "b", "", "c"}));
        // Past the end reads empty, never an error.
        QCOMPARE(b.line(4), QString());
        QCOMPARE(b.line(1000), QString());
        QCOMPARE(b.line(-1), QString());
    }

    void longLineIsCutAt4096Bytes()
    {
        LineBuffer b;
        b.loadBytes(QByteArray(5000, 'x') + "\r\nnext");
        QCOMPARE(b.line(0).size(), 4096);
        QCOMPARE(b.line(1), QStringLiteral("next"));
    }

    void cp932RoundTrip()
    {
        // Backslash stays a backslash; "ソ" and "表" have 0x5C as second byte;
        // half-width katakana are single bytes.
        const QString text = QStringLiteral("C:\\ソ表\\ﾃﾞｽｸﾄｯﾌﾟ\\（未登録）ﾌｧｲﾙ %s は開けません①ⅰ");
        bool ok = false;
        const QByteArray bytes = Cp932::encode(text, &ok);
        QVERIFY(ok);
        QVERIFY(bytes.startsWith("C:\\\x83\x5c\x95\x5c\\\xc3\xde"));
        QCOMPARE(Cp932::encode(QStringLiteral("（未登録）")).size(), 10);
        QCOMPARE(Cp932::decode(bytes), text);
        // Invalid and truncated sequences become replacement characters.
        QCOMPARE(Cp932::decode(QByteArray("a\x81")), QStringLiteral("a\uFFFD"));
        QCOMPARE(Cp932::decode(QByteArray("\xa0" "b")), QStringLiteral("\uFFFDb"));
    }

    void saveWritesCrLfAfterEveryLine()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.cfg"));
        LineBuffer b;
        b.append(QStringLiteral("Vardolin Ver 1.05"));
        b.append(QString());
        b.append(QStringLiteral("ＭＳ Ｐゴシック"));
        b.save(path);
        QCOMPARE(readAll(path), QByteArray("Vardolin Ver 1.05\r\n\r\n\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e\r\n"));
        LineBuffer c;
        c.load(path);
        QCOMPARE(c.lines(), b.lines());
    }

    void textOutsideCp932IsSavedAsUtf8WithBom()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.cfg"));
        LineBuffer b;
        b.append(QStringLiteral("/home/ü/😀/"));
        b.append(QStringLiteral("表"));
        b.save(path);
        QVERIFY(readAll(path).startsWith("\xEF\xBB\xBF/home/"));
        LineBuffer c;
        c.load(path);
        QCOMPARE(c.lines(), b.lines());
    }

    void missingFileIsAnOpenError()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("none.cfg"));
        LineBuffer b;
        b.append(QStringLiteral("kept?"));
        try {
            b.load(path);
            QFAIL("no error");
        } catch (const VarError& e) {
            QCOMPARE(e.message(), QStringLiteral("ﾌｧｲﾙ %1 は開けません").arg(path));
        }
        // A folder is not a file either.
        QVERIFY_THROWS_EXCEPTION(VarError, b.load(dir.path()));
    }

    void failedWriteLeavesOldFileWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("appcfgs.cfg"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old\r\n");
        f.close();
        LineBuffer b;
        b.append(QStringLiteral("new"));
        // The parent "folder" is a file: nothing can be created there.
        const QString bad = path + QStringLiteral("/inner.cfg");
        try {
            b.save(bad);
            QFAIL("no error");
        } catch (const VarError& e) {
            QCOMPARE(e.message(), QStringLiteral("ﾌｧｲﾙ %1 を作成できません").arg(bad));
        }
        QCOMPARE(readAll(path), QByteArray("old\r\n"));
        // A read-only folder (as a normal user) keeps the old file as well.
        if (::geteuid() != 0) {
            QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0555) == 0);
            QVERIFY_THROWS_EXCEPTION(VarError, b.save(path));
            ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
            QCOMPARE(readAll(path), QByteArray("old\r\n"));
        }
    }

    void integerConversion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "123" << true << 123;
        QTest::newRow("blanks and sign") << "  -45" << true << -45;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("hex") << "$FF" << true << 255;
        QTest::newRow("hex system colour") << "$80000008" << true << -2147483640;
        QTest::newRow("negative hex") << "-$10" << true << -16;
        QTest::newRow("min") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("max") << "2147483647" << true << 2147483647;
        QTest::newRow("overflow") << "2147483648" << false << 0;
        QTest::newRow("hex overflow") << "$100000000" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blank only") << "  " << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("trailing blank") << "1 " << false << 0;
        QTest::newRow("trailing text") << "12a" << false << 0;
        QTest::newRow("dollar only") << "$" << false << 0;
        QTest::newRow("full-width digit") << "１" << false << 0;
        QTest::newRow("tab is not a blank") << "\t1" << false << 0;
    }
    void integerConversion()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        if (ok) {
            QCOMPARE(strToInt(text), value);
        } else {
            try {
                strToInt(text);
                QFAIL("accepted");
            } catch (const VarError& e) {
                QCOMPARE(e.message(), QStringLiteral("'%1' は整数ではありません").arg(text));
            }
        }
    }

    void oddFileNamesRoundTrip()
    {
        const QByteArray raw("caf\xe9-\x83\x5c.txt");   // Latin-1 and CP932 bytes, not UTF-8
        const QString name = FsPath::decodeName(raw);
        QCOMPARE(FsPath::encodeName(name), raw);
        QCOMPARE(FsPath::encodeName(QStringLiteral("表.txt")), QByteArray("\xe8\xa1\xa8.txt"));
        QTemporaryDir dir;
        const QByteArray full = QFile::encodeName(dir.path()) + "/" + raw;
        FILE* f = ::fopen(full.constData(), "wb");
        QVERIFY(f);
        ::fputs("hello", f);
        ::fclose(f);
        QByteArray content;
        QVERIFY(FsPath::readFile(dir.path() + QStringLiteral("/") + name, &content, 100));
        QCOMPARE(content, QByteArray("hello"));
        QVERIFY(FsPath::remove(dir.path() + QStringLiteral("/") + name));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFiles)
#include "tst_settingsfiles.moc"
