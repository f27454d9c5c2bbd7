// An RTF file is read and parsed beside the event loop: its text arrives
// formatted (raw CP932 bytes too), a later selection drops what the earlier
// one had under way, a long paragraph goes in as its length doubles, and
// what does not parse or cannot be read ends as the other files do.
#include "BigTextJobs.h"
#include "Cp932.h"
#include "RichTextPage.h"
#include "TextPane.h"
#include "TextViewRig.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

const QString kStreamRead = QStringLiteral("ｽﾄﾘｰﾑからの読み込みに失敗しました.");

struct View : TextViewRig {
    QTextDocument* doc() const { return qobject_cast<QPlainTextEdit*>(pane()->textWidget())->document(); }
    bool boldAt(int pos) const
    {
        QTextCursor c(doc());
        c.setPosition(pos + 1);
        return c.charFormat().fontWeight() == QFont::Bold;
    }
};

} // namespace

class TestRichLoad : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rawCp932TextIsFormatted_data();
    void rawCp932TextIsFormatted();
    void aLaterSelectionDropsWhatTheEarlierHadUnderWay();
    void aLongParagraphGoesInAsItsLengthDoubles();
    void whatDoesNotParseOrCannotBeReadEndsAsBefore();
};

void TestRichLoad::rawCp932TextIsFormatted_data()
{
    // ソ and 表 end in the byte of '\\', 倍 in that of '{', 図 in that of '}'.
    QTest::addColumn<QByteArray>("head");
    QTest::newRow("ansicpg932") << QByteArray("{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fcharset128 Gothic;}}");
    QTest::newRow("no code page") << QByteArray("{\\rtf1\\ansi ");
}

void TestRichLoad::rawCp932TextIsFormatted()
{
    QFETCH(QByteArray, head);
    View v;
    QByteArray body;
    for (int i = 0; i < 2000; ++i)   // several pieces of the file
        body += Cp932::encode(QStringLiteral("ソフト表示の倍率図")) + "{\\b " + Cp932::encode(QStringLiteral("太字")) + "}\\par\r\n";
    v.write(QStringLiteral("raw.rtf"), head + body + "}");
    v.showListed(QStringLiteral("raw.rtf"));
    QVERIFY(v.pane()->shownAsRichText());
    QVERIFY(v.messages().isEmpty());
    const QString line = QStringLiteral("ソフト表示の倍率図太字\n");
    QCOMPARE(v.pane()->text(), line.repeated(2000));
    QCOMPARE(v.doc()->blockCount(), 2001);
    const int last = int(line.size()) * 1999;
    QVERIFY(!v.boldAt(last) && v.boldAt(last + 9) && v.boldAt(10));
    QCOMPARE(v.pane()->selStart(), 0);   // the page opens at its top
    QCOMPARE(v.panel(0), QStringLiteral("0: 0"));
}

void TestRichLoad::aLaterSelectionDropsWhatTheEarlierHadUnderWay()
{
    View v;
    v.write(QStringLiteral("a.rtf"), "{\\rtf1 first\\par}");
    v.write(QStringLiteral("b.rtf"), "{\\rtf1 {\\b second}\\par}");
    v.write(QStringLiteral("c.txt"), "plain");
    v.list({QStringLiteral("a.rtf"), QStringLiteral("b.rtf"), QStringLiteral("c.txt")});
    {
        // Nothing is read on the event loop's time: while the workers wait,
        // the page is empty, and the window has already moved on.
        BigTextWorkers::Hold hold;
        v.select(0);
        QVERIFY(v.pane()->loading());
        QVERIFY(v.pane()->shownAsRichText());
        QCOMPARE(v.pane()->textLength(), 0);
        QCOMPARE(v.panel(1), QStringLiteral("a.rtf"));
        v.select(1);
        QCOMPARE(v.panel(1), QStringLiteral("b.rtf"));
    }
    QTRY_VERIFY(!v.pane()->loading());
    QCOMPARE(v.pane()->text(), QStringLiteral("second\n"));
    QVERIFY(v.boldAt(0));

    // Read to its end, its text waiting in the event loop's queue, when the
    // next file is selected: none of it arrives.
    for (int next : {1, 2}) {
        v.select(0);
        QVERIFY(BigTextWorkers::waitIdle(10000));   // posted, not yet taken
        v.select(next);
        QTRY_VERIFY(!v.pane()->loading());
        QVERIFY(BigTextWorkers::waitIdle(10000));
        QCoreApplication::processEvents();
        QCOMPARE(v.pane()->text(), next == 1 ? QStringLiteral("second\n") : QStringLiteral("plain"));
        QCOMPARE(v.pane()->shownAsRichText(), next == 1);
    }
    QVERIFY(v.messages().isEmpty());
}

void TestRichLoad::aLongParagraphGoesInAsItsLengthDoubles()
{
    // Each change of a paragraph lays it out whole again: one paragraph read
    // over many pieces of the file (its lines ended by raw line ends, a
    // skipped group making each piece short of text) is changed only when
    // there is as much text again for it, or when it ends.
    View v;
    const QString words = QStringLiteral("words of one long paragraph ").repeated(32);
    const QByteArray line = words.toLatin1() + "{\\*\\pad " + QByteArray(15000, 'x') + "}\r\n";
    v.write(QStringLiteral("one.rtf"), "{\\rtf1 " + line.repeated(256) + "\\par end\\par}");
    QTextDocument* doc = v.pane()->findChild<RichTextPage*>()->document();
    QList<int> lengths;
    QObject::connect(doc, &QTextDocument::contentsChange, doc, [&] {
        const int length = doc->firstBlock().length();
        if (doc->blockCount() == 1 && length > 1) lengths << length;
    });
    v.showListed(QStringLiteral("one.rtf"));
    QCOMPARE(v.pane()->text(), words.repeated(256) + QStringLiteral("\nend\n"));
    for (qsizetype i = 1; i < lengths.size(); ++i)
        if (lengths[i - 1] >= RichTextPage::kLongParagraph) QVERIFY2(lengths[i] >= 2 * lengths[i - 1] - 1, qPrintable(QString::number(i)));
}

void TestRichLoad::whatDoesNotParseOrCannotBeReadEndsAsBefore()
{
    View v;
    // Cut off: the file is shown as it is, in its own encoding.
    const QByteArray cut = "{\\rtf1\\ansi {\\b bold} " + Cp932::encode(QStringLiteral("日本語")) + " no end";
    v.write(QStringLiteral("cut.rtf"), cut);
    v.showListed(QStringLiteral("cut.rtf"));
    QVERIFY(!v.pane()->shownAsRichText());
    QCOMPARE(v.pane()->text(), Cp932::decode(cut));
    QVERIFY(v.messages().isEmpty());

    // Grown past the limit between the selection and the worker's reading:
    // the general error box tells it.
    v.pane()->setLoadLimit(100);
    v.write(QStringLiteral("grows.rtf"), "{\\rtf1 " + QByteArray(50, 'x'));
    {
        BigTextWorkers::Hold hold;
        v.list({QStringLiteral("grows.rtf")});
        v.select(0);
        QVERIFY(v.messages().isEmpty());
        v.write(QStringLiteral("grows.rtf"), "{\\rtf1 " + QByteArray(200, 'x') + "}");
    }
    QTRY_COMPARE(v.messages(), QStringList{kStreamRead});
    QTRY_VERIFY(!v.pane()->loading());
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(TestRichLoad)
#include "tst_richload.moc"
