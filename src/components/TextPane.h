#pragma once
#include "TextLoad.h"

#include <QByteArray>
#include <QFont>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <deque>

class BigTextView;
class RichTextLoader;
class RichTextPage;
class QStackedLayout;
class QTextCursor;

// The text view behind REdit. It offers exactly what the program needs, so that
// the widgets behind it stay its own business: plain text of any size is shown
// by a view that decodes only what is on screen, rich text by a rich-text
// editor. Positions are character positions counted from 0; a line break is
// one character.
class TextPane : public QWidget {
    Q_OBJECT
public:
    explicit TextPane(QWidget* parent = nullptr);

    void clear();
    // Loads a file as TextLoad reads it: rich text when it is valid RTF, plain
    // text otherwise, in the encoding its bytes show. An RTF file is read on a
    // worker and its text shows as it arrives (see loading()); one that does
    // not parse is shown as plain text once that is known. Throws VarError:
    // "ﾌｧｲﾙ %s は開けません" when it cannot be opened,
    // "ｽﾄﾘｰﾑからの読み込みに失敗しました" when it cannot be read or is too
    // large for memory.
    void loadFile(const QString& path);
    // The same for bytes already in memory.
    void loadData(QByteArray bytes);
    void setPlainText(const QString& text);
    QString text() const;
    qint64 textLength() const;
    // An RTF file is still being read or its text put in the page.
    bool loading() const;
    // What the last load found: rich text, or plain text in this encoding.
    bool shownAsRichText() const { return m_rich; }
    TextEncoding shownEncoding() const { return m_encoding; }

    // Positions are 64-bit: a plain text may hold more than 2^31 characters.
    qint64 selStart() const;
    qint64 selLength() const;
    void setSelStart(qint64 pos);      // puts the caret there, without a selection
    void setSelLength(qint64 length);  // selects from the selection start on
    void selectAll();
    // Throws, copying nothing, like BigTextMemory::requireClipboard() when the
    // selection is too long or does not fit in memory with room to spare.
    void copy();
    QString selectedText() const;
    // Case-sensitive forward search in [start, start + length), each look-alike
    // pair (LookAlike) one character; -1 when not found.
    qint64 find(const QString& what, qint64 start, qint64 length) const;
    // The same without holding up the event loop: the answer comes through
    // findFinished(), from within this call when the search is short. A long
    // one shows its progress and Escape cancels it (no answer then).
    void startFind(const QString& what, qint64 start, qint64 length);
    // Line of a position as the pane shows it (a wrapped line counts as
    // several) and the position where a line starts. Numbering may set the
    // big text's count of wrapped lines going (see BigTextView).
    qint64 lineFromChar(qint64 pos);
    // Whether the caret's line number (lineFromChar() of the selection start)
    // may still change: it rests on a guess (wrapped lines not counted yet),
    // or the caret stands at the end of a file still being indexed.
    bool lineNumberProvisional() const;
    qint64 lineIndex(qint64 line) const;

    bool wordWrap() const;
    void setWordWrap(bool on);

    // Font as stored in the settings: face and size in points kept exactly as
    // given, so that they are written back unchanged.
    QString fontFace() const { return m_face; }
    int fontSize() const { return m_size; }
    void setFontFace(const QString& face);
    void setFontSize(int points);
    void setPaneFont(const QFont& font);
    QFont paneFont() const;

    // Colours as stored values (see TColor).
    qint32 fontColor() const { return m_fontColor; }
    qint32 fillColor() const { return m_fillColor; }
    void setFontColor(qint32 color);
    void setFillColor(qint32 color);

    void setFocusToText();
    // The widget that shows the text now, and both of them.
    QWidget* textWidget() const;
    QList<QWidget*> textWidgets() const;

    // Largest file loadFile() holds in memory whole (rich text, a stream);
    // 0 means as much as memory allows. Other plain text is read piecewise.
    void setLoadLimit(qint64 bytes) { m_loadLimit = bytes; }

Q_SIGNALS:
    void selectionChanged();
    // A copy, cut or paste made by the text widgets' own keys was refused for
    // lack of memory (nothing was copied).
    void outOfMemory();
    // A copy was not made, for the reason message gives: too long, or
    // dropped because the file changed under it.
    void copyFailed(const QString& message);
    // The answer of startFind(): where what was found, -1 when it was not.
    void findFinished(qint64 hit, const QString& what);
    // The file being shown could not be read to its end (the text ends there),
    // or an RTF file not at all.
    void loadFailed(const QString& message);

private:
    void showPage(bool rich);
    // Empties the rich-text page and its search copy.
    void clearRich();
    // Shows what was read; path names a file for messages.
    void display(TextLoad::Content& content, const QString& path);
    void showRich(const RtfReader::Document& doc);
    // Puts what arrived of an RTF file in the page, a slice at a time.
    void insertArrived();
    void takeArrived();
    // Puts in at most limit characters of the front run waiting.
    void insertPending(QTextCursor& c, qsizetype limit);
    void endRichLoad();
    void showPlain(const QString& text);
    const QString& searchText() const;
    void applyFont();
    void applyColors();

    QStackedLayout* m_stack;
    RichTextPage* m_edit;
    BigTextView* m_big;
    bool m_wrap = false;
    QString m_face;
    int m_size = 9;
    qint32 m_fontColor = 0;
    qint32 m_fillColor = 0xFFFFFF;
    qint64 m_loadLimit = 0;
    bool m_rich = false;
    TextEncoding m_encoding = TextEncoding::Cp932;
    // The document's text in one piece for searching; rebuilt after an edit.
    mutable QString m_text;
    mutable bool m_textValid = true;
    bool m_loading = false;
    QString m_finding; // the text of the search under way
    // An RTF file being read: runs that arrived, the front one put in the
    // page up to m_pendingAt, and the timer that puts in the next slice.
    RichTextLoader* m_richLoader;
    std::deque<RtfReader::Run> m_pending;
    qsizetype m_pendingAt = 0;
    qsizetype m_pendingChars = 0;    // waiting to be put in, and
    qsizetype m_pendingBreaks = 0;   // the paragraph ends among them
    QTimer m_insert;
    bool m_richOpen = false;   // from the start of such a load to its end
    bool m_undo = true;        // the page's undo, off meanwhile
};
