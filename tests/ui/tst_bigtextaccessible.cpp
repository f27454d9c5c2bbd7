// The big-text view as a screen reader reads it through the accessibility
// interfaces: text, caret, selection and lines against the document, files of
// every size, the window of a text longer than a reader can count, the events
// that tell of changes, and edits made through it.

#include "AccessibleRig.h"

class TestBigTextAccessible : public QObject {
    Q_OBJECT

    TempFolder m_dir{false};

private Q_SLOTS:
    void initTestCase() { QVERIFY(startListening()); }
    void init() { g_heard.clear(); }
    void cleanup() { AccessibleWindow::resetLimits(); }

    void textCaretSelectionAndLinesFollowTheDocument_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString cp932 = QStringLiteral("一行目の文章です。Some words\r\n二行目\r\n\r\nｶﾀｶﾅ 半角、最後の行");
        const QString utf8 = QStringLiteral("𠮷野家の一行目 first\n二行目\n\nlast line 最後");
        QTest::newRow("CP932") << Cp932::encode(cp932) << cp932;
        QTest::newRow("UTF-8") << utf8.toUtf8() << utf8;
    }
    void textCaretSelectionAndLinesFollowTheDocument()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        TextPane pane;
        pane.loadFile(m_dir.writeFile(QStringLiteral("lines.txt"), bytes));
        BigTextView* big = bigOf(pane);
        QVERIFY(big);
        show(pane, 600, 300);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(big);
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::EditableText);
        QVERIFY(iface->state().multiLine && iface->state().editable && iface->state().focusable);
        QAccessibleTextInterface* t = iface->textInterface();
        QVERIFY(t && iface->editableTextInterface());

        QString shown = text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(t->characterCount(), shown.size());
        QCOMPARE(t->text(0, t->characterCount()), shown);
        QCOMPARE(t->text(3, 9), shown.mid(3, 6));
        QCOMPARE(t->text(-5, INT_MAX), shown);   // out of range is clamped, never read past the end
        QCOMPARE(t->text(9, 3), QString());

        // Every line, at, before and after any offset in it; the line end goes with its line.
        const QStringList lines = shown.split(QLatin1Char('\n'));
        int start = 0;
        for (int i = 0; i < lines.size(); ++i) {
            const int end = start + int(lines[i].size()) + (i + 1 < lines.size() ? 1 : 0);
            const Item line{shown.mid(start, end - start), start, end};
            for (int offset : {start, (start + end) / 2, end - 1}) {
                if (offset < start || offset >= end) continue;
                QCOMPARE(itemOf(t, Where::At, offset, QAccessible::LineBoundary), line);
                if (i > 0) QCOMPARE(itemOf(t, Where::Before, offset, QAccessible::LineBoundary).end, start);
                if (i + 1 < lines.size()) QCOMPARE(itemOf(t, Where::After, offset, QAccessible::LineBoundary).start, end);
            }
            start = end;
        }
        // At the very end the last line is read, and nothing is after it.
        const int n = t->characterCount();
        QCOMPARE(itemOf(t, Where::At, n, QAccessible::LineBoundary).text, lines.last());
        QCOMPARE(itemOf(t, Where::At, -1, QAccessible::LineBoundary).text, lines.last());
        QCOMPARE(itemOf(t, Where::After, n - 1, QAccessible::LineBoundary), (Item{QString(), n, n}));
        QCOMPARE(itemOf(t, Where::Before, 0, QAccessible::LineBoundary), (Item{QString(), 0, 0}));
        QCOMPARE(itemOf(t, Where::At, n + 1, QAccessible::LineBoundary), (Item{QString(), -1, -1}));

        // A character is a whole surrogate pair; words run as Ctrl+arrows step.
        const int second = shown.startsWith(QStringLiteral("𠮷")) ? 2 : 1;
        QCOMPARE(itemOf(t, Where::At, 0, QAccessible::CharBoundary), (Item{shown.left(second), 0, second}));
        QCOMPARE(itemOf(t, Where::After, 0, QAccessible::CharBoundary).start, second);
        const int words = int(shown.indexOf(QStringLiteral("words")));
        if (words > 0) {
            QCOMPARE(itemOf(t, Where::At, words + 2, QAccessible::WordBoundary), (Item{QStringLiteral("words"), words, words + 5}));
            QCOMPARE(itemOf(t, Where::Before, words, QAccessible::WordBoundary).text, QStringLiteral("Some "));
            QCOMPARE(itemOf(t, Where::At, 1, QAccessible::WordBoundary), (Item{QStringLiteral("一行目"), 0, 3}));
            QCOMPARE(itemOf(t, Where::After, 1, QAccessible::WordBoundary).text, QStringLiteral("の"));
        }
        const Item sentence = itemOf(t, Where::At, 1, QAccessible::SentenceBoundary);
        QCOMPARE(sentence.start, 0);
        QVERIFY(sentence.end > 1 && sentence.end <= int(lines[0].size()) + 1);

        // The caret and the selection are the view's, both ways.
        QCOMPARE(t->cursorPosition(), 0);
        big->setFocus();
        QTest::keyClick(big, Qt::Key_Down);
        QCOMPARE(t->cursorPosition(), int(big->caret()));
        QCOMPARE(t->cursorPosition(), int(lines[0].size()) + 1);
        t->setCursorPosition(4);
        QCOMPARE(big->caret(), 4);
        QCOMPARE(t->selectionCount(), 0);
        t->setSelection(0, 2, 5);
        QCOMPARE(big->selStart(), 2);
        QCOMPARE(big->selLength(), 3);
        int s = -1, e = -1;
        t->selection(0, &s, &e);
        QCOMPARE(std::make_pair(s, e), std::make_pair(2, 5));
        QCOMPARE(t->selectionCount(), 1);
        QTest::keyClick(big, Qt::Key_Right, Qt::ShiftModifier);
        t->selection(0, &s, &e);
        QCOMPARE(std::make_pair(s, e), std::make_pair(2, 6));
        t->removeSelection(0);
        QCOMPARE(t->selectionCount(), 0);
        QCOMPARE(t->cursorPosition(), 6);
        QCOMPARE(iface->text(QAccessible::Value), shown);
    }

    void wrappedRowsAreTheLinesAsShown()
    {
        BigTextView view;
        QString para;
        for (int i = 0; i < 30; ++i) para += QStringLiteral("折り返される長い段落の文章、words %1。").arg(i);
        view.setPlainText(para + QStringLiteral("\nshort"));
        view.setWordWrap(true);
        show(view, 220, 400);
        QAccessibleTextInterface* t = textOf(&view);
        QVERIFY(t);
        // The rows a reader gets are the pane's lines: they start where the
        // pane says its lines start, and together they are the paragraph.
        QString joined;
        qint64 row = 0;
        for (int offset = 0; offset < int(para.size()); ++row) {
            const Item item = itemOf(t, Where::At, offset, QAccessible::LineBoundary);
            QCOMPARE(item.start, int(view.lineIndex(row)));
            QVERIFY(item.end > item.start);
            joined += item.text;
            offset = item.end;
        }
        QVERIFY(row > 5);
        QCOMPARE(joined, para + QStringLiteral("\n"));
        const Item last = itemOf(t, Where::Before, int(para.size()) + 1, QAccessible::LineBoundary);
        QCOMPARE(last.start, int(view.lineIndex(row - 1)));
        // A paragraph is still the whole line.
        QCOMPARE(itemOf(t, Where::At, 5, QAccessible::ParagraphBoundary).text, para + QStringLiteral("\n"));
    }

    void aLongLineIsOneParagraph()
    {
        // A line over several blocks is one paragraph, one row and one line
        // of the caret's numbering.
        BigTextView view;
        const QString longLine(600000, u'p');
        view.setPlainText(QStringLiteral("top\n") + longLine + QStringLiteral("\nend"));
        show(view, 400, 300);
        QAccessibleTextInterface* t = textOf(&view);
        QVERIFY(t);
        for (int offset : {4, 300000, 600003}) {
            const Item item = itemOf(t, Where::At, offset, QAccessible::ParagraphBoundary);
            QCOMPARE(item, (Item{longLine + QStringLiteral("\n"), 4, 600005}));
            QCOMPARE(view.lineFromChar(offset), 1);
            QCOMPARE(view.lineIndex(1), 4);
            const Item row = itemOf(t, Where::At, offset, QAccessible::LineBoundary);
            QCOMPARE(row, item);
        }
        QCOMPARE(itemOf(t, Where::After, 300000, QAccessible::ParagraphBoundary).text, QStringLiteral("end"));
        // A line longer than a reader is handed at once: the part around the offset.
        view.setPlainText(QString(BigTextAccessible::MaxRange + 1000, u'q'));
        const Item part = itemOf(t, Where::At, 3000000, QAccessible::ParagraphBoundary);
        QVERIFY(part.start <= 3000000 && 3000000 < part.end && part.end - part.start <= 256 * 1024);
        QCOMPARE(view.lineFromChar(view.document().length()), 0);
    }

    void aHundredMegabytesAreReadInRanges()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.txt"));
        qint64 written = 0;
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray chunk;
            for (int i = 0; i < 4096; ++i) chunk += Cp932::encode(QStringLiteral("行 %1 の内容です abcdefghij\r\n").arg(i, 5, 10, QLatin1Char('0')));
            while (written < (qint64(100) << 20)) written += f.write(chunk);
        }
        TextPane pane;
        pane.loadFile(path);
        BigTextView* big = bigOf(pane);
        QVERIFY(big);
        QTRY_VERIFY_WITH_TIMEOUT(big->isComplete(), 120000);
        QAccessibleTextInterface* t = textOf(big);
        QVERIFY(t);
        const BigTextDocument& doc = big->document();
        QCOMPARE(qint64(t->characterCount()), doc.length());
        QVERIFY(doc.length() > (qint64(40) << 20));

        // A range deep inside, and the line around an offset there.
        const int middle = int(doc.length() / 2);
        QCOMPARE(t->text(middle, middle + 5000), doc.text(middle, 5000));
        const qint64 line = doc.lineOf(middle);
        const Item item = itemOf(t, Where::At, middle, QAccessible::LineBoundary);
        QCOMPARE(qint64(item.start), doc.lineStart(line));
        QCOMPARE(qint64(item.end), doc.lineStart(line + 1));
        QCOMPARE(item.text, doc.lineText(line) + QLatin1Char('\n'));
        QCOMPARE(itemOf(t, Where::After, middle, QAccessible::LineBoundary).text, doc.lineText(line + 1) + QLatin1Char('\n'));

        // Asking for everything gets a long head of it, never the whole text.
        const QString head = t->text(0, -1);
        QCOMPARE(head.size(), BigTextAccessible::MaxRange);
        QCOMPARE(head.right(100), doc.text(BigTextAccessible::MaxRange - 100, 100));
        QVERIFY(QAccessible::queryAccessibleInterface(big)->text(QAccessible::Value).size() <= BigTextAccessible::MaxRange);

        // The caret at the very end.
        big->setSelStart(doc.length());
        QCOMPARE(qint64(t->cursorPosition()), doc.length());
        QCOMPARE(itemOf(t, Where::At, -2, QAccessible::LineBoundary).text, doc.lineText(doc.lineCount() - 1));
    }

    void aTextBeingIndexedAnswersWithWhatIsKnown()
    {
        // Lines of text, then a sparse stretch far longer than a test could index.
        const QString path = m_dir.path(QStringLiteral("growing.txt"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray head;
            for (int i = 0; head.size() < (1 << 20); ++i) head += QByteArray("line ") + QByteArray::number(i) + " of the head\n";
            f.write(head);
            if (!f.resize(qint64(64) << 30)) QSKIP("no room for a sparse 64 GB file");
        }
        TextPane pane;
        BigTextView* big = bigOf(pane);
        QVERIFY(big);
        BigTextIndexer::Options o;
        o.headBytes = 64 * 1024;
        o.segmentBytes = 256 * 1024;
        o.chunkBytes = 64 * 1024;
        big->activity().indexer().setOptions(o);
        pane.loadFile(path);
        QVERIFY(!big->isComplete());
        QAccessibleTextInterface* t = textOf(big);
        QVERIFY(t);
        const BigTextDocument& doc = big->document();

        // The text as far as it is indexed: its length, its end, its last line.
        const qint64 known = doc.length();
        QVERIFY(known > 0 && known < INT_MAX);
        QCOMPARE(qint64(t->characterCount()), known);
        QCOMPARE(t->text(int(known) - 10, -1), doc.text(known - 10, 10));
        const Item last = itemOf(t, Where::At, -1, QAccessible::LineBoundary);
        QCOMPARE(qint64(last.start), doc.lineStart(doc.lineCount() - 1));
        QCOMPARE(qint64(last.end), known);
        QVERIFY(!big->isComplete());   // asking waited for nothing

        // Ctrl+End keeps the caret at the end as the text grows, and a reader hears it go.
        g_heard.clear();
        QTest::keyClick(big, Qt::Key_End, Qt::ControlModifier);
        const auto lastCaret = [] {
            for (qsizetype i = g_heard.size() - 1; i >= 0; --i)
                if (g_heard[i].type == QAccessible::TextCaretMoved) return g_heard[i].position;
            return -1;
        };
        QCOMPARE(lastCaret(), int(known));
        QTRY_VERIFY_WITH_TIMEOUT(lastCaret() > known, 30000);
        QVERIFY(doc.length() > known);
        QCOMPARE(qint64(t->characterCount()), doc.length());
        QCOMPARE(t->cursorPosition(), int(big->caret()));
        QVERIFY(!big->isComplete());
    }

    void caretSelectionEditsAndLoadsAreAnnounced()
    {
        BigTextView view;
        view.setPlainText(QStringLiteral("abc\ndef"));
        show(view, 300, 200);
        view.setFocus();
        QVERIFY(textOf(&view));   // asked about: from now on it tells of changes
        BigTextView quiet;        // nobody asked about this one
        quiet.setPlainText(QStringLiteral("xyz"));
        quiet.setSelStart(2);
        g_heard.clear();

        QTest::keyClick(&view, Qt::Key_Right);
        QCOMPARE(g_heard.size(), 1);
        QCOMPARE(g_heard[0].type, QAccessible::TextCaretMoved);
        QCOMPARE(g_heard[0].object, &view);
        QCOMPARE(g_heard[0].position, 1);

        g_heard.clear();
        QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(g_heard.size(), 2);
        QCOMPARE(g_heard[0].type, QAccessible::TextSelectionChanged);
        QCOMPARE(std::make_pair(g_heard[0].start, g_heard[0].end), std::make_pair(1, 2));
        QCOMPARE(g_heard[1].type, QAccessible::TextCaretMoved);
        QCOMPARE(g_heard[1].position, 2);

        // Typing over the selection: the selected text goes, the typed comes.
        g_heard.clear();
        QTest::keyClicks(&view, QStringLiteral("X"));
        QCOMPARE(view.toPlainText(), QStringLiteral("aXc\ndef"));
        QList<QAccessible::Event> kinds;
        for (const Heard& h : g_heard) kinds << h.type;
        QVERIFY(kinds.contains(QAccessible::TextRemoved) && kinds.contains(QAccessible::TextInserted));
        QVERIFY(kinds.indexOf(QAccessible::TextRemoved) < kinds.indexOf(QAccessible::TextInserted));
        for (const Heard& h : g_heard) {
            if (h.type == QAccessible::TextRemoved) QCOMPARE(std::make_pair(h.position, h.removed), std::make_pair(1, QStringLiteral("b")));
            if (h.type == QAccessible::TextInserted) QCOMPARE(std::make_pair(h.position, h.inserted), std::make_pair(1, QStringLiteral("X")));
        }
        QCOMPARE(g_heard.last().type, QAccessible::TextCaretMoved);
        QCOMPARE(g_heard.last().position, 2);

        // A new text: all of the old one (by its length) out, the new one in, the caret home.
        g_heard.clear();
        const QString path = m_dir.writeFile(QStringLiteral("next.txt"), QByteArray("first line\nsecond"));
        view.load(openFd(path), path, TextEncoding::Utf8);
        QVERIFY(g_heard.size() >= 1);
        QCOMPARE(g_heard[0].type, QAccessible::TextUpdated);
        QCOMPARE(g_heard[0].position, 0);
        QCOMPARE(g_heard[0].removed.size(), 7);
        QCOMPARE(g_heard[0].inserted, QStringLiteral("first line\nsecond"));
        QCOMPARE(g_heard.last().type, QAccessible::TextCaretMoved);
        QCOMPARE(g_heard.last().position, 0);
        g_heard.clear();
        view.clear();
        QCOMPARE(g_heard.size(), 1);
        QCOMPARE(g_heard[0].removed.size(), 17);
        QVERIFY(g_heard[0].inserted.isEmpty());

        for (const Heard& h : g_heard) QVERIFY(h.object != &quiet);
    }

    void placesOfCharactersOnScreen()
    {
        BigTextView view;
        QString text;
        for (int i = 0; i < 200; ++i) text += QStringLiteral("line %1 テキスト\n").arg(i);
        view.setPlainText(text);
        show(view, 300, 200);
        QAccessibleTextInterface* t = textOf(&view);
        QVERIFY(t);
        const QRect screen(view.viewport()->mapToGlobal(QPoint(0, 0)), view.viewport()->size());
        for (int offset : {0, 3, int(text.indexOf(QStringLiteral("line 2 ")) + 6)}) {
            const QRect r = t->characterRect(offset);
            QVERIFY2(screen.contains(r), qPrintable(QStringLiteral("offset %1").arg(offset)));
            QCOMPARE(t->offsetAtPoint(r.center()), offset);
        }
        QVERIFY(t->characterRect(0).left() < t->characterRect(1).left());
        QVERIFY(t->characterRect(0).top() < t->characterRect(int(text.indexOf(QStringLiteral("line 1 ")))).top());
        QCOMPARE(t->offsetAtPoint(screen.topLeft() - QPoint(5, 5)), -1);

        // Far down the text has no place until it is scrolled to.
        const int far = int(text.indexOf(QStringLiteral("line 150 ")));
        QVERIFY(t->characterRect(far).isEmpty());
        t->scrollToSubstring(far, far + 4);
        QVERIFY(screen.contains(t->characterRect(far)));
        QCOMPARE(view.caret(), 0);   // scrolling leaves the caret where it was
    }

    void editsThroughTheInterfaceGoIntoTheText()
    {
        BigTextView view;
        view.setPlainText(QStringLiteral("hello world"));
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&view);
        QAccessibleEditableTextInterface* edit = iface->editableTextInterface();
        QVERIFY(edit);
        edit->insertText(5, QStringLiteral(","));
        QCOMPARE(view.toPlainText(), QStringLiteral("hello, world"));
        edit->deleteText(0, 1);
        QCOMPARE(view.toPlainText(), QStringLiteral("ello, world"));
        edit->replaceText(6, 11, QStringLiteral("there\r\nfriend"));
        QCOMPARE(view.toPlainText(), QStringLiteral("ello, there\nfriend"));
        QCOMPARE(iface->textInterface()->characterCount(), 18);
        edit->deleteText(-7, INT_MAX);   // clamped to the text
        QCOMPARE(view.toPlainText(), QString());
    }
};

QTEST_MAIN(TestBigTextAccessible)
#include "tst_bigtextaccessible.moc"
