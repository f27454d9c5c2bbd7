// The text view of the main window: showing files, caret position, word wrap,
// select all, copy and find.
#include "Cp932.h"
#include "FindDialog.h"
#include "TestSupport.h"
#include "TextViewRig.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QSignalSpy>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

#include <algorithm>

#include <iconv.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray viaIconv(const QString& text, const char* to)
{
    const QByteArray in = text.toUtf8();
    iconv_t cd = iconv_open(to, "UTF-8");
    QByteArray out(in.size() * 4 + 16, '\0');
    char* ip = const_cast<char*>(in.constData());
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    out.truncate(out.size() - ol);
    return out;
}

struct View : TextViewRig {
    using TextViewRig::TextViewRig;
    // Writes, lists and selects one file.
    void show(const QString& name, const QByteArray& bytes)
    {
        write(name, bytes);
        showListed(name);
    }
    // The rich-text page's document (only meaningful while rich text is shown).
    QTextDocument* doc() const { return qobject_cast<QPlainTextEdit*>(pane()->textWidget())->document(); }
};

} // namespace

class TestTextView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QApplication::clipboard()->clear(); }
    void selectingAFileShowsItNamesItAndPlacesTheCaret();
    void listRulesLeaveThePaneAlone();
    void arrowKeysShowEachFileInTurn();
    void eachEncodingOfAJapaneseText_data();
    void eachEncodingOfAJapaneseText();
    void aCharacterIsFoundInEveryJapaneseEncoding();
    void binaryFileWithNulBytes();
    void richTextIsFormattedAndBrokenRichTextIsPlain();
    void filesThatCannotBeShownGiveTheirMessage();
    void caretPositionCountsWrappedLines();
    void caretPanelShowsItsWholeText_data();
    void caretPanelShowsItsWholeText();
    void wordWrapTicksBothMenuItems();
    void selectAllAndCopy();
    void ctrlCCopiesThePaneFromThePathField();
    void findRunsForwardsAndMatchesCase();
    void findDialogIsModelessAndOffersOnlyTheSearchText();
    void aReplacedListModelIsFollowed();
    void contextMenuOfEitherPageIsThePanes();
    void coloursStayUnderASelectionWithoutFocus();
};

void TestTextView::selectingAFileShowsItNamesItAndPlacesTheCaret()
{
    View v;
    v.show(QStringLiteral("before.txt"), QByteArray("x\n").repeated(7) + "abcdefgh");
    v.pane()->setSelStart(21);
    QCOMPARE(v.panel(0), QStringLiteral("7: 7"));
    v.show(QStringLiteral("a.txt"), QByteArray("first line\r\nsecond\r\nthird line\r\n"));
    QCOMPARE(v.form->windowTitle(), QStringLiteral("Vardolin - a.txt"));
    QCOMPARE(AppTitle::get(), QStringLiteral("Vardolin - a.txt"));
    QCOMPARE(v.panel(1), QStringLiteral("a.txt"));
    QCOMPARE(v.pane()->text(), QStringLiteral("first line\nsecond\nthird line\n"));
    QCOMPARE(v.panel(0), QStringLiteral("0: 0"));
    QVERIFY(!QApplication::overrideCursor());
    // Caret at the start of the third line, then inside it.
    v.pane()->setSelStart(18);
    QCOMPARE(v.panel(0), QStringLiteral("2: 0"));
    v.pane()->setSelStart(21);
    QCOMPARE(v.panel(0), QStringLiteral("2: 3"));
    // A selection reports its start, whichever way it was made.
    v.pane()->setSelStart(25);
    for (int i = 0; i < 13; ++i) QTest::keyClick(v.pane()->textWidget(), Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(v.pane()->selLength(), 13);
    QCOMPARE(v.panel(0), QStringLiteral("1: 1"));
}

void TestTextView::listRulesLeaveThePaneAlone()
{
    {
        // Before the first listing (Tag 0) selecting shows nothing.
        View unlisted(false);
        unlisted.write(QStringLiteral("a.txt"), "shown");
        unlisted.list({QStringLiteral("a.txt")});
        unlisted.select(0);
        QCOMPARE(unlisted.panel(1), QString());
        QCOMPARE(unlisted.pane()->text(), QString());
        unlisted.form->STItem();   // the first listing gives the list its Tag
        unlisted.list({QStringLiteral("a.txt")});
        unlisted.select(0);
        QCOMPARE(unlisted.pane()->text(), QStringLiteral("shown"));
    }
    View v;
    QDir(v.files.path()).mkdir(QStringLiteral("sub"));
    v.write(QStringLiteral("a.txt"), "shown");
    v.list({QStringLiteral("a.txt"), QStringLiteral("sub"), QStringLiteral("gone.txt")});
    v.select(0);
    QCOMPARE(v.pane()->text(), QStringLiteral("shown"));

    // A folder and a vanished file change caption and panel 1 only.
    for (int row : {1, 2}) {
        v.select(row);
        const QString name = v.model->index(row).data().toString();
        QCOMPARE(v.panel(1), name);
        QCOMPARE(v.form->windowTitle(), QStringLiteral("Vardolin - ") + name);
        QCOMPARE(v.pane()->text(), QStringLiteral("shown"));
    }
    QVERIFY(v.messages().isEmpty());

    // Deselecting everything keeps the file in the pane and its name in panel 1.
    v.select(0);
    ui(*v.form).LView->selectionModel()->clearSelection();
    QCOMPARE(v.pane()->text(), QStringLiteral("shown"));
    QCOMPARE(v.panel(1), QStringLiteral("a.txt"));
}

void TestTextView::arrowKeysShowEachFileInTurn()
{
    View v;
    const QStringList names = {QStringLiteral("1.txt"), QStringLiteral("2.txt"), QStringLiteral("3.txt")};
    for (const QString& n : names) v.write(n, "content of " + n.toLatin1());
    v.list(names);
    v.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(v.form.get()));
    ui(*v.form).LView->setFocus();
    v.select(0);
    QCOMPARE(v.pane()->text(), QStringLiteral("content of 1.txt"));
    for (int i = 1; i < 3; ++i) {
        QTest::keyClick(ui(*v.form).LView, Qt::Key_Down);
        QCOMPARE(v.panel(1), names[i]);
        QCOMPARE(v.pane()->text(), QStringLiteral("content of ") + names[i]);
    }
    QTest::keyClick(ui(*v.form).LView, Qt::Key_Up);
    QCOMPARE(v.pane()->text(), QStringLiteral("content of 2.txt"));
}

void TestTextView::eachEncodingOfAJapaneseText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    const QString t = QStringLiteral("日本語のテキスト\r\n２行目です。\r\n");
    using E = TextEncoding;
    QTest::newRow("CP932") << Cp932::encode(t) << int(E::Cp932);
    QTest::newRow("EUC-JP") << viaIconv(t, "EUC-JP") << int(E::EucJp);
    QTest::newRow("ISO-2022-JP") << viaIconv(t, "ISO-2022-JP") << int(E::Iso2022Jp);
    QTest::newRow("UTF-8") << t.toUtf8() << int(E::Utf8);
    QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF") + t.toUtf8() << int(E::Utf8);
    QTest::newRow("UTF-16LE BOM") << QByteArray("\xFF\xFE") + viaIconv(t, "UTF-16LE") << int(E::Utf16LE);
    QTest::newRow("UTF-16BE") << viaIconv(t, "UTF-16BE") << int(E::Utf16BE);
}

void TestTextView::eachEncodingOfAJapaneseText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    View v;
    v.show(QStringLiteral("jp.txt"), bytes);
    QCOMPARE(v.pane()->text(), QStringLiteral("日本語のテキスト\n２行目です。\n"));
    QCOMPARE(int(v.pane()->shownEncoding()), encoding);
    QVERIFY(!v.pane()->shownAsRichText());
    v.pane()->setSelStart(12);
    QCOMPARE(v.panel(0), QStringLiteral("1: 3"));
}

void TestTextView::aCharacterIsFoundInEveryJapaneseEncoding()
{
    // The same JIS codes (wave dash, double vertical line, minus sign, cent,
    // pound, not sign) read as each encoding's converter reads them; find
    // takes each pair for one character, also in RTF.
    const QString cp932Text = QStringLiteral("営業時間は９時～１７時です。∥－￠￡￢\r\n");
    QString other = cp932Text;
    for (auto [from, to] : {std::pair{u'～', u'\u301C'}, {u'∥', u'\u2016'}, {u'－', u'\u2212'}, {u'￠', u'\u00A2'},
                            {u'￡', u'\u00A3'}, {u'￢', u'\u00AC'}})
        other.replace(QChar(from), QChar(to));
    const std::pair<QByteArray, QString> files[] = {{Cp932::encode(cp932Text), cp932Text},
                                                    {viaIconv(other, "EUC-JP"), other},
                                                    {viaIconv(other, "ISO-2022-JP"), other}};
    for (const auto& [bytes, shown] : files) {
        QVERIFY(bytes.size() > cp932Text.size());
        View v;
        v.show(QStringLiteral("jp.txt"), bytes);
        QCOMPARE(v.pane()->text(), QString(shown).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        QCOMPARE(v.pane()->find(QStringLiteral("～"), 0, v.pane()->textLength()), 7);
    }
    View v;
    v.show(QStringLiteral("jp.rtf"), QByteArray("{\\rtf1 x\\u12316?1\\u8214?\\u8722?\\u162?\\u163?\\u172?\\par}"));
    QCOMPARE(v.pane()->find(QStringLiteral("～1∥－￠￡￢"), 0, v.pane()->textLength()), 1);
}

void TestTextView::binaryFileWithNulBytes()
{
    View v;
    QByteArray bin("MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF\0\0", 16);
    for (int i = 0; i < 4096; ++i) bin.append(char(i * 7 % 256));
    bin += QByteArray(1000, '\0') + "This program cannot be run in DOS mode.";
    v.show(QStringLiteral("a.exe"), bin);
    const QString text = v.pane()->text();
    QVERIFY(text.startsWith(QStringLiteral("MZ\uFFFD\uFFFD")));
    QVERIFY(text.endsWith(QStringLiteral("run in DOS mode.")));
    QVERIFY(!text.contains(QChar(u'\0')));
    QVERIFY(v.messages().isEmpty());
    QCOMPARE(v.panel(0), QStringLiteral("0: 0"));
}

void TestTextView::richTextIsFormattedAndBrokenRichTextIsPlain()
{
    View v;
    v.show(QStringLiteral("doc.rtf"),
           "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 MS Gothic;}}{\\colortbl;\\red200\\green0\\blue0;}"
           "\\f0 \\'93\\'fa\\'96\\'7b {\\b bold} {\\cf1 red}\\par {\\i\\fs40 big}}");
    QVERIFY(v.pane()->shownAsRichText());
    QCOMPARE(v.pane()->text(), QStringLiteral("日本 bold red\nbig"));
    QCOMPARE(v.doc()->blockCount(), 2);
    auto formatAt = [&](int pos) {
        QTextCursor c(v.doc());
        c.setPosition(pos + 1);
        return c.charFormat();
    };
    QCOMPARE(formatAt(3).fontWeight(), int(QFont::Bold));
    QCOMPARE(formatAt(0).fontWeight(), int(QFont::Normal));
    QCOMPARE(formatAt(8).foreground().color(), QColor(200, 0, 0));
    QVERIFY(formatAt(12).fontItalic());
    QCOMPARE(formatAt(12).fontPointSize(), 20.0);
    QCOMPARE(formatAt(0).fontFamilies().toStringList(), QStringList{QStringLiteral("MS Gothic")});
    // Finding and the caret work on the rich text's positions too.
    v.pane()->setSelStart(12);
    QCOMPARE(v.panel(0), QStringLiteral("1: 0"));

    // Cut off: the same bytes are shown as they are.
    const QByteArray cut = "{\\rtf1\\ansi {\\b bold} and \\'82\\'a0 no end";
    v.show(QStringLiteral("cut.rtf"), cut);
    QVERIFY(!v.pane()->shownAsRichText());
    QCOMPARE(v.pane()->text(), QString::fromLatin1(cut));
    QVERIFY(v.messages().isEmpty());
}

void TestTextView::filesThatCannotBeShownGiveTheirMessage()
{
    View v;
    v.show(QStringLiteral("before.txt"), "before");

    // Unreadable: refused by the file's permissions (the test drops root's
    // right to ignore them for the moment).
    v.write(QStringLiteral("locked.txt"), "secret");
    const QString locked = v.files.path() + QStringLiteral("/locked.txt");
    QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0) == 0);
    QVERIFY(::chmod(QFile::encodeName(v.files.path()).constData(), 0755) == 0);
    v.list({QStringLiteral("locked.txt")});
    const uid_t previous = geteuid() == 0 ? setfsuid(65534) : geteuid();
    v.select(0);
    if (geteuid() == 0) setfsuid(previous);
    QCOMPARE(v.messages(), QStringList{QStringLiteral("ﾌｧｲﾙ %1 は開けません.").arg(locked)});
    QCOMPARE(v.panel(1), QStringLiteral("locked.txt"));
    QCOMPARE(v.form->windowTitle(), QStringLiteral("Vardolin - locked.txt"));
    QCOMPARE(v.pane()->text(), QString());   // emptied before the load
    QVERIFY(!QApplication::overrideCursor());

    // A read that fails half-way, and a file larger than the pane takes.
    v.env.messages.log.clear();
    ui(*v.form).Edit1->setText(QStringLiteral("/proc/self/"));
    v.list({QStringLiteral("mem")});
    v.select(0);
    QCOMPARE(v.messages(), QStringList{QStringLiteral("ｽﾄﾘｰﾑからの読み込みに失敗しました.")});
    QVERIFY(!QApplication::overrideCursor());
    ui(*v.form).Edit1->setText(v.files.path() + QStringLiteral("/"));
    v.env.messages.log.clear();
    // Rich text is held whole in memory, so it has a limit; plain text is read
    // piecewise and has none.
    v.pane()->setLoadLimit(100);
    v.show(QStringLiteral("big.rtf"), "{\\rtf1 " + QByteArray(94, 'x'));
    QCOMPARE(v.messages(), QStringList{QStringLiteral("ｽﾄﾘｰﾑからの読み込みに失敗しました.")});
    v.env.messages.log.clear();
    v.show(QStringLiteral("fits.rtf"), "{\\rtf1 " + QByteArray(92, 'x') + "}");
    QVERIFY(v.messages().isEmpty());
    v.show(QStringLiteral("plain.txt"), QByteArray(5000, 'x'));
    QVERIFY(v.messages().isEmpty());
    QCOMPARE(v.pane()->textLength(), 5000);
}

void TestTextView::caretPositionCountsWrappedLines()
{
    View v;
    v.form->resize(420, 300);
    v.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(v.form.get()));
    const QByteArray longLine = QByteArray("word ").repeated(60);
    v.show(QStringLiteral("long.txt"), "short\r\n" + longLine + "\r\nlast");
    v.form->WWraps();
    QCoreApplication::processEvents();
    const int inLong = 6 + 200;
    v.pane()->setSelStart(inLong);
    const QStringList parts = v.panel(0).split(QStringLiteral(": "));
    QCOMPARE(parts.size(), 2);
    const int line = parts[0].toInt(), column = parts[1].toInt();
    QVERIFY2(line >= 2, qPrintable(v.panel(0)));   // the long line wraps at least once before 200
    QCOMPARE(v.pane()->lineIndex(line) + column, inLong);
    QVERIFY(column < 200);
    // The last line counts every visual line above it.
    v.pane()->setSelStart(v.pane()->textLength());
    QVERIFY(v.panel(0).split(QStringLiteral(": "))[0].toInt() > line);
    // Without wrap every line is one.
    v.form->WWraps();
    v.pane()->setSelStart(inLong);
    QCOMPARE(v.panel(0), QStringLiteral("1: 200"));
}

void TestTextView::caretPanelShowsItsWholeText_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<QByteArray>("last");
    QTest::newRow("short") << 3 << QByteArray("end");
    QTest::newRow("seven digits") << 7'360'001 << QByteArray("x");
    QTest::newRow("eight digits, a long column") << 19'000'000 << QByteArray(200'000, 'C');
}

void TestTextView::caretPanelShowsItsWholeText()
{
    QFETCH(int, lines);
    QFETCH(QByteArray, last);
    View v;
    v.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(v.form.get()));
    v.show(QStringLiteral("lines.txt"), QByteArray(lines, '\n') + last);
    QTRY_COMPARE_WITH_TIMEOUT(v.pane()->textLength(), qint64(lines) + last.size(), 60000);
    v.pane()->setSelStart(v.pane()->textLength());
    const QString text = QStringLiteral("%1: %2").arg(lines).arg(last.size());
    QCOMPARE(v.panel(0), text);
    // The panels by their place from the left: the caret's first, wide enough
    // for its text and never narrower than at first, the others beside it.
    QList<QLabel*> panels = v.form->findChild<QWidget*>(QStringLiteral("StatusBar1"))->findChildren<QLabel*>();
    std::sort(panels.begin(), panels.end(), [](QLabel* a, QLabel* b) { return a->x() < b->x(); });
    QCOMPARE(panels.size(), 3);
    QCOMPARE(panels[0]->text(), text);
    QVERIFY(panels[0]->contentsRect().width() >= panels[0]->fontMetrics().horizontalAdvance(text));
    QVERIFY(panels[0]->width() >= 63);
    QVERIFY(panels[1]->x() >= panels[0]->geometry().right());
    QVERIFY(panels[2]->x() >= panels[1]->geometry().right());
}

void TestTextView::wordWrapTicksBothMenuItems()
{
    View v;
    const bool was = v.pane()->wordWrap();
    v.form->N13Click();
    QCOMPARE(v.pane()->wordWrap(), !was);
    QCOMPARE(ui(*v.form).N13->isChecked(), !was);
    QCOMPARE(ui(*v.form).N29->isChecked(), !was);
    v.form->N29Click();
    QCOMPARE(v.pane()->wordWrap(), was);
    QCOMPARE(ui(*v.form).N13->isChecked(), was);
    QCOMPARE(ui(*v.form).N29->isChecked(), was);
    // The menu items run the same handler.
    ui(*v.form).N29->trigger();
    QCOMPARE(ui(*v.form).N13->isChecked(), !was);
}

void TestTextView::selectAllAndCopy()
{
    View v;
    v.show(QStringLiteral("a.txt"), Cp932::encode(QStringLiteral("一行目\r\n二行目")));
    // Copy with no selection copies nothing.
    QApplication::clipboard()->setText(QStringLiteral("untouched"));
    v.form->C1Click();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("untouched"));
    v.pane()->setSelStart(5);
    v.form->L1Click();
    QCOMPARE(v.pane()->selStart(), 0);
    QCOMPARE(v.pane()->selLength(), 7);
    QCOMPARE(v.panel(0), QStringLiteral("0: 0"));
    v.form->N27Click();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("一行目\n二行目"));
    ui(*v.form).N26->trigger();
    QCOMPARE(v.pane()->selLength(), 7);
}

void TestTextView::ctrlCCopiesThePaneFromThePathField()
{
    View v;
    v.show(QStringLiteral("a.txt"), "pane text");
    v.form->show();
    QVERIFY(QTest::qWaitForWindowActive(v.form.get()));
    v.pane()->setSelStart(5);
    v.pane()->setSelLength(4);
    ui(*v.form).Edit1->setFocus();
    ui(*v.form).Edit1->selectAll();
    QVERIFY(ui(*v.form).Edit1->hasSelectedText());
    QTest::keyClick(ui(*v.form).Edit1, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("text"));
    // The same from the pane and from the list.
    QApplication::clipboard()->clear();
    ui(*v.form).REdit->setFocusToText();
    QTest::keyClick(ui(*v.form).REdit->textWidget(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("text"));
    QApplication::clipboard()->clear();
    ui(*v.form).LView->setFocus();
    QTest::keyClick(ui(*v.form).LView, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("text"));
}

void TestTextView::findRunsForwardsAndMatchesCase()
{
    View v;
    v.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(v.form.get()));
    v.show(QStringLiteral("f.txt"), Cp932::encode(QStringLiteral("abc 表示\r\nxyz\r\nabc 表示を探す\r\nonce only\r\n")));
    const QString notFound = QStringLiteral("見つかりませんでした。");

    // No selection: from the top, even with the caret further down.
    v.pane()->setSelStart(12);
    ui(*v.form).FindDlg->setFindText(QStringLiteral("abc"));
    v.form->FindDlgFind();
    QCOMPARE(v.pane()->selStart(), 0);
    QCOMPARE(v.pane()->selLength(), 3);
    QCOMPARE(v.panel(0), QStringLiteral("0: 0"));
    QVERIFY(v.pane()->textWidget()->hasFocus() || !QApplication::focusWidget());
    // Behind the selection: the next one, exactly selected, Japanese included.
    ui(*v.form).FindDlg->setFindText(QStringLiteral("表示"));
    v.form->FindDlgFind();
    QCOMPARE(v.pane()->selectedText(), QStringLiteral("表示"));
    QCOMPARE(v.pane()->selStart(), 4);
    v.form->FindDlgFind();
    QCOMPARE(v.pane()->selStart(), 15);
    QCOMPARE(v.panel(0), QStringLiteral("2: 4"));
    // Past the last one: the notice, and the selection stays.
    v.form->FindDlgFind();
    QCOMPARE(v.messages(), QStringList{notFound});
    QCOMPARE(v.pane()->selStart(), 15);
    QCOMPARE(v.pane()->selLength(), 2);

    // Found once, then the notice on the second press.
    v.env.messages.log.clear();
    v.pane()->setSelStart(0);
    ui(*v.form).FindDlg->setFindText(QStringLiteral("once"));
    v.form->FindDlgFind();
    QCOMPARE(v.pane()->selectedText(), QStringLiteral("once"));
    v.form->FindDlgFind();
    QCOMPARE(v.messages(), QStringList{notFound});
    QCOMPARE(v.pane()->selectedText(), QStringLiteral("once"));

    // Letter case must match.
    v.env.messages.log.clear();
    v.pane()->setSelStart(0);
    ui(*v.form).FindDlg->setFindText(QStringLiteral("ABC"));
    v.form->FindDlgFind();
    QCOMPARE(v.messages(), QStringList{notFound});
    QCOMPARE(v.pane()->selLength(), 0);

    // After an edit the search sees the edited text.
    v.env.messages.log.clear();
    v.pane()->setSelStart(0);
    QTest::keyClicks(v.pane()->textWidget(), QStringLiteral("ABC"));
    v.pane()->setSelStart(0);
    v.form->FindDlgFind();
    QVERIFY(v.messages().isEmpty());
    QCOMPARE(v.pane()->selStart(), 0);
    QCOMPARE(v.pane()->selectedText(), QStringLiteral("ABC"));
}

void TestTextView::findDialogIsModelessAndOffersOnlyTheSearchText()
{
    View v;
    v.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(v.form.get()));
    v.form->S1Click();
    FindDialog* dlg = ui(*v.form).FindDlg;
    QVERIFY(dlg->isVisible());
    QVERIFY(!dlg->isModal());
    QCOMPARE(dlg->windowTitle(), QStringLiteral("検索"));
    QStringList buttons;
    for (QPushButton* b : dlg->findChildren<QPushButton*>()) buttons << b->text();
    QCOMPARE(buttons, (QStringList{QStringLiteral("次を検索"), QStringLiteral("キャンセル")}));
    QCOMPARE(dlg->findChildren<QAbstractButton*>().size(), 2);   // no case or direction options
    QVERIFY(!dlg->findButton()->isEnabled());
    // The dialog stands beside the window, not over it.
    QVERIFY(!dlg->frameGeometry().intersects(v.form->frameGeometry()) || dlg->x() > v.form->x());
    // Each press of its button runs the find step.
    v.show(QStringLiteral("a.txt"), "find me");
    dlg->setFindText(QStringLiteral("me"));
    QVERIFY(dlg->findButton()->isEnabled());
    dlg->findButton()->click();
    QCOMPARE(v.pane()->selectedText(), QStringLiteral("me"));
    dlg->findChild<QPushButton*>(QStringLiteral("Cancel"))->click();
    QVERIFY(!dlg->isVisible());
    v.form->Find1Click();
    QVERIFY(dlg->isVisible());
    QCOMPARE(dlg->findText(), QStringLiteral("me"));
}

void TestTextView::aReplacedListModelIsFollowed()
{
    View v;
    v.write(QStringLiteral("x.txt"), "x content");
    auto* other = new QStringListModel(QStringList{QStringLiteral("x.txt")}, v.form.get());
    ui(*v.form).LView->setModel(other);
    QCoreApplication::processEvents();   // the window notices the new selection model by itself
    ui(*v.form).LView->selectionModel()->select(other->index(0), QItemSelectionModel::ClearAndSelect);
    QCOMPARE(v.pane()->text(), QStringLiteral("x content"));
}

void TestTextView::contextMenuOfEitherPageIsThePanes()
{
    // The pane's context menu must open over plain text and over rich text
    // alike, whichever widget shows it.
    View v;
    QSignalSpy spy(v.pane(), &QWidget::customContextMenuRequested);
    v.show(QStringLiteral("plain.txt"), "plain");
    QVERIFY(!v.pane()->shownAsRichText());
    QContextMenuEvent plain(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(qobject_cast<QAbstractScrollArea*>(v.pane()->textWidget())->viewport(), &plain);
    QCOMPARE(spy.count(), 1);
    v.show(QStringLiteral("rich.rtf"), "{\\rtf1 rich}");
    QVERIFY(v.pane()->shownAsRichText());
    QContextMenuEvent rich(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(qobject_cast<QAbstractScrollArea*>(v.pane()->textWidget())->viewport(), &rich);
    QCOMPARE(spy.count(), 2);
}

namespace {
// Pixels of the pane's text widget, as drawn now, close to a colour.
int pixelsNear(QWidget* w, QColor colour)
{
    const QImage img = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 40 && qAbs(c.green() - colour.green()) < 40
                && qAbs(c.blue() - colour.blue()) < 40)
                ++count;
        }
    return count;
}
} // namespace

void TestTextView::coloursStayUnderASelectionWithoutFocus()
{
    // Select all from the menu while the focus is elsewhere: the selection is
    // not shown, and coloured text keeps its colour.
    View v;
    v.form->resize(700, 400);
    v.pane()->setFontColor(0x000000);   // black on white
    v.pane()->setFillColor(0xFFFFFF);
    v.show(QStringLiteral("red.rtf"), "{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}"
                                      "{\\cf1\\fs48 RRRRRRRR RRRRRRRR}\\par {\\fs48 plain plain}}");
    QVERIFY(v.pane()->shownAsRichText());
    QWidget* text = v.pane()->textWidget();
    text->resize(600, 300);
    QVERIFY(!text->hasFocus());
    const QColor red(255, 0, 0), black(0, 0, 0);
    const int redBefore = pixelsNear(text, red), blackBefore = pixelsNear(text, black);
    QVERIFY(redBefore > 50);
    QVERIFY(blackBefore > 50);

    ui(*v.form).L1->trigger();
    QCOMPARE(v.pane()->selLength(), v.pane()->textLength());
    QVERIFY(!text->hasFocus());
    QCOMPARE(pixelsNear(text, red), redBefore);
    QCOMPARE(pixelsNear(text, black), blackBefore);

    // The same for a part of the red run.
    v.pane()->setSelStart(2);
    v.pane()->setSelLength(5);
    QCOMPARE(pixelsNear(text, red), redBefore);
}

QTEST_MAIN(TestTextView)
#include "tst_textview.moc"
