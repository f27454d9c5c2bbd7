// The one way in for a file: what it comes back as for the text pane, which
// files are held whole and within what limit, and what is refused.
#include "BigTextDocument.h"
#include "CoreSupport.h"
#include "Cp932.h"
#include "TextLoad.h"
#include "VarError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using Kind = TextLoad::Content::Kind;

class TestTextLoad : public QObject {
    Q_OBJECT

    TempFolder m_dir{false};
    static QString failure(const std::function<void()>& load)
    {
        try {
            load();
        } catch (const VarError& e) {
            return e.message();
        }
        return QString();
    }

private Q_SLOTS:
    void eachKindOfFileComesBackAsThePaneShowsIt()
    {
        // Plain text stays in its file, open, for the document to read piecewise.
        const QString jp = QStringLiteral("日本語のテキスト\r\n二行目");
        TextLoad::Content c = TextLoad::readFile(m_dir.writeFile(QStringLiteral("a.txt"), Cp932::encode(jp)));
        QCOMPARE(c.kind, Kind::File);
        QCOMPARE(c.encoding, TextEncoding::Cp932);
        QVERIFY(c.file.fd() >= 0);
        BigTextDocument doc;
        doc.openHead(c.file.release(), QStringLiteral("a.txt"), c.encoding, -1);
        QCOMPARE(doc.text(0, doc.length()), QStringLiteral("日本語のテキスト\n二行目"));

        c = TextLoad::readFile(m_dir.writeFile(QStringLiteral("u.txt"), "\xFF\xFE" + QByteArray("a\0\r\0\n\0", 6)));
        QCOMPARE(c.kind, Kind::File);
        QCOMPARE(c.encoding, TextEncoding::Utf16LE);

        // ISO-2022-JP too, though stateful: its blocks are read from the state where they start.
        c = TextLoad::readFile(m_dir.writeFile(QStringLiteral("j.txt"), "\x1B$BF|K\\\x1B(B\r\nx\r"));
        QCOMPARE(c.kind, Kind::File);
        QCOMPARE(c.encoding, TextEncoding::Iso2022Jp);
        doc.openHead(c.file.release(), QStringLiteral("j.txt"), c.encoding, -1);
        QCOMPARE(doc.text(0, doc.length()), QStringLiteral("日本\nx\n"));

        // A rich-text file stays open for a worker to read; rich text in
        // memory, and rich text that does not parse, which is shown as it is.
        c = TextLoad::readFile(m_dir.writeFile(QStringLiteral("r.rtf"), "{\\rtf1\\ansi {\\b bold} text\\par}"), 4096);
        QCOMPARE(c.kind, Kind::RichFile);
        QVERIFY(c.file.fd() >= 0);
        QCOMPARE(c.limit, 4096);
        QCOMPARE(TextLoad::readPlain(c.file.fd(), 4096).text, QStringLiteral("{\\rtf1\\ansi {\\b bold} text\\par}"));
        QCOMPARE(failure([&] { TextLoad::readPlain(c.file.fd(), 10); }), QStringLiteral("ｽﾄﾘｰﾑからの読み込みに失敗しました"));
        c = TextLoad::readBytes("{\\rtf1\\ansi {\\b bold} text\\par}");
        QCOMPARE(c.kind, Kind::Rich);
        QCOMPARE(c.rich.plainText(), QStringLiteral("bold text\n"));
        c = TextLoad::readBytes("{\\rtf1 cut\r\noff");
        QCOMPARE(c.kind, Kind::Plain);
        QCOMPARE(c.text, QStringLiteral("{\\rtf1 cut\noff"));
    }

    void onlyWholeTextsHaveALimit()
    {
        const QString streamRead = QStringLiteral("ｽﾄﾘｰﾑからの読み込みに失敗しました");
        const QString rtf = m_dir.writeFile(QStringLiteral("big.rtf"), "{\\rtf1 " + QByteArray(94, 'x'));
        QCOMPARE(failure([&] { TextLoad::readFile(rtf, 100); }), streamRead);
        QCOMPARE(TextLoad::readFile(rtf, 101).kind, Kind::RichFile);   // parsed later, on a worker
        const QString iso = m_dir.writeFile(QStringLiteral("big.txt"), "\x1B$B$\"\x1B(B" + QByteArray(200, 'x'));
        QCOMPARE(TextLoad::readFile(iso, 100).kind, Kind::File);
        const QString plain = m_dir.writeFile(QStringLiteral("plain.txt"), QByteArray(5000, 'x'));
        QCOMPARE(TextLoad::readFile(plain, 100).kind, Kind::File);
    }

    void whatIsNoFileIsRefused()
    {
        const QString device = m_dir.path(QStringLiteral("null.txt"));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), device));
        for (const QString& path : {m_dir.dir.path(), m_dir.path(QStringLiteral("missing.txt")), device})
            QCOMPARE(failure([&] { TextLoad::readFile(path); }), QStringLiteral("ﾌｧｲﾙ %1 は開けません").arg(path));
    }
};

QTEST_MAIN(TestTextLoad)
#include "tst_textload.moc"
