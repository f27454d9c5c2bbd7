#pragma once
#include "BigTextActivity.h"
#include "BigTextDocument.h"
#include "BigTextLayout.h"
#include "BigTextWatch.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QString>
#include <QTimer>

// An editable plain-text view of any size: only the lines on screen are decoded
// and measured, so a file of a gigabyte shows as quickly as a small one. The
// caret and the selection are character positions (every line end is one);
// typing goes into the document's memory, never into the file.
//
// Its operations are those of the program's text pane: load, selection start
// and length, select all, copy, find, line of a position as shown (wrapped
// lines count as several) and start of a line, word wrap, font and colours.
//
// Nothing it does holds up the event loop for long: a file shows from its
// head at once while the rest is indexed in the background (the text grows
// until it is complete; Ctrl+End and select all then stay at its end), and a
// long search, a big copy and the numbering of wrapped lines run on workers.
// A search or copy that takes a while shows its progress and is cancelled by
// Escape.
class BigTextNotice;
class BigTextProgress;

class BigTextView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit BigTextView(QWidget* parent = nullptr);
    ~BigTextView() override;

    void clear();
    // Shows the file over a descriptor the caller opened; the view owns it from
    // here on. Throws VarError when the file cannot be read.
    void load(int fd, const QString& path, TextEncoding encoding);
    void setPlainText(const QString& text);
    // The whole text, with '\n' for every line end.
    QString toPlainText() const;
    qint64 textLength() const;

    qint64 selStart() const;
    qint64 selLength() const;
    qint64 caret() const { return m_caret; }
    // Moves the caret there and empties the selection.
    void setSelStart(qint64 pos);
    // Selects length characters from the selection start.
    void setSelLength(qint64 length);
    // While the file is still indexed, the selection reaches to the end of
    // the whole file, as do Shift+Ctrl+End and any selection whose anchor
    // stays at the end after Ctrl+End.
    void selectAll();
    // Throws, copying nothing, like BigTextMemory::requireClipboard() when
    // the selection is too long or does not fit in memory with room to spare.
    // A big selection reaches the clipboard when it has been decoded; one
    // that runs to the end of a file still being indexed, when the index is
    // complete (with its progress shown, and Escape cancels it).
    void copy();
    void cut();
    void paste();
    QString selectedText() const;
    // Case-sensitive forward search in [start, start + length), without
    // waiting: the answer (-1 if absent) comes through findFinished(), from
    // within this call when the search is short. A range that reaches the end
    // of a text still being indexed runs on to the end of the whole text.
    // Another search, a load, an edit or Escape cancels it (no answer then).
    void startFind(const QString& what, qint64 start, qint64 length);
    // Whether the whole file is indexed (the length and line numbers are final).
    bool isComplete() const { return m_doc.isComplete(); }
    // Whether the line numbers lineFromChar() gave last are final: the file is
    // indexed and no wrapped lines before were guessed.
    bool lineNumbersFinal() const { return m_doc.isComplete() && !m_layout.numbersGuessed(); }
    // Whether the caret's line number (lineFromChar() of the selection start)
    // may still change: wrapped lines before it were guessed, or it stands at
    // the end of a file still being indexed and moves on with it.
    bool caretNumberProvisional() const
    {
        return m_layout.numbersGuessed() || (m_followEnd && m_anchor == m_caret && !m_doc.isComplete());
    }
    // A search or copy is under way, and whether its progress shows.
    bool isBusy() const { return m_activity.busy(); }
    bool progressShown() const;
    BigTextActivity& activity() { return m_activity; }
    // Line of a position as shown (a wrapped line counts as several), and the
    // position where a shown line starts (-1 past the last). With word wrap,
    // numbering a line may guess the wrapped lines of blocks not measured yet:
    // those are then counted in the background (numberingChanged()).
    qint64 lineFromChar(qint64 pos);
    qint64 lineIndex(qint64 line) const;

    bool wordWrap() const { return m_wrap; }
    void setWordWrap(bool on);

    // Text and fill colours (the palette's Text and Base, set on the view).
    QColor textColor() const;
    QColor fillColor() const;
    void setTextColor(const QColor& color);
    void setFillColor(const QColor& color);

    // Looks whether the file shown changed since it was opened (done on its
    // own every BigTextWatch::kIntervalMs while a file is shown, and as soon
    // as a reader finds it changed); the look is a worker's, and what it
    // found comes a moment later. One that shrank or was rewritten is
    // reloaded at once, the caret kept on its line (and column) where that
    // line still is, and until then nothing read from it is shown or handed
    // on; one that grew, or whose name leads elsewhere or nowhere now, keeps
    // its text. Either way the notice tells, once for each change: closed, it
    // stays closed until the file or its name changes again.
    void checkFile();
    // Reloads the file shown: opens its name anew, through the checks of a
    // first open (what the notice offers, also by F5, when its text still
    // holds and the name leads somewhere). A failure is told by the notice.
    void reloadFile();
    const BigTextNotice& notice() const { return *m_notice; }
    const BigTextWatch& watch() const { return m_watch; }

    const BigTextDocument& document() const { return m_doc; }
    const BigTextLayout& layout() const { return m_layout; }

Q_SIGNALS:
    // Whenever the caret or the selection changes.
    void selectionChanged();
    // A copy, cut or paste from the keyboard was refused for lack of memory.
    void outOfMemory();
    // A copy was not made: too long (also one from the keyboard), or dropped
    // because the file changed under it. message tells the user why.
    void copyFailed(const QString& message);
    // The answer of startFind(): where the text was found, -1 when it was not.
    void findFinished(qint64 hit);
    // Line numbers of positions (lineFromChar) have come nearer to the final
    // ones: wrapped lines counted in the background.
    void numberingChanged();
    // A reload found rich text at the file's name, which this view does not
    // show: whoever shows texts loads path.
    void reloadFoundOther(const QString& path);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool focusNextPrevChild(bool next) override;

private:
    // The accessible interface reads the layout and moves the caret as a user would.
    friend class BigTextAccessible;
    using Visual = BigTextLayout::Visual;
    static constexpr int kMargin = 4; // around the text, inside the viewport

    void reset();
    void grown();
    void queueFileCheck();
    void watchFile();
    void looked(const BigTextSource::Look& look);
    void reloadKeepingCaret(bool onItsOwn);
    void restoreCaret();
    void placeNotice();
    // followEnd: the caret is put at the end of the text, and keeps to the
    // end of the whole file while it is indexed.
    void setCaret(qint64 anchor, qint64 caret, bool keepGoal = false, bool followEnd = false);
    void moveCaret(qint64 pos, bool extend, bool keepGoal = false);
    // Ctrl+End, with Shift when extend.
    void moveToEnd(bool extend);
    void insertText(const QString& text);
    void removeSelection();
    void textChanged();
    bool handleShortcut(QKeyEvent* event);
    void keyPress(QKeyEvent* event);

    int pageLines() const;
    void setTop(Visual top);
    Visual maxTop() const;
    void ensureCaretVisible();
    void updateScrollBars();
    // Pixels the rows are scrolled to the left by (0 when wrapped).
    qreal scrollX() const;
    void setScrollX(qreal x);
    // Unwrapped: the widths of long lines came in place of guesses.
    void widthsCounted();
    void updateWrapWidth();
    qint64 hitTest(const QPoint& point) const;
    QRect caretRect() const;
    void restartBlink();
    // Nothing shown or read stands on a count of characters the background
    // check has not reached yet: the blocks about to be read are checked first.
    void checkShownCounts();
    void checkCounts(qint64 from, qint64 to);
    void drawRow(class QPainter& painter, const BigTextLayout::Line& line, int sub, int y, const QRect& clip);

    BigTextDocument m_doc;
    BigTextLayout m_layout;
    BigTextActivity m_activity;
    BigTextProgress* m_progress;
    BigTextNotice* m_notice;
    BigTextWatch m_watch;
    bool m_checkQueued = false;
    // What the last look found, and what the notice is not to tell again
    // (closed by the user, or a reload of it failed).
    quint64 m_lookMark = 0;
    quint64 m_quietMark = 0;
    // After a reload, the caret goes back to this line once it is indexed.
    qint64 m_restoreLine = -1;
    qint64 m_restoreColumn = 0;
    qint64 m_restoreTop = 0;
    bool m_wrap = false;
    // The caret (and a selection's end) stays at the end of a text still being
    // indexed, as it grows; with followScroll the view follows it.
    bool m_followEnd = false;
    bool m_followScroll = false;
    bool m_following = false;
    qint64 m_linesShown = 0; // folds of the text when it last grew

    qint64 m_anchor = 0;
    qint64 m_caret = 0;
    qreal m_goalX = -1;
    QString m_preedit;

    Visual m_top;
    qint64 m_vScale = 1;  // lines per scroll-bar step when there are more lines than it can count
    bool m_settingScroll = false;
    qreal m_widest = 0;   // widest line painted so far, for the horizontal range
    qint64 m_hScale = 1;  // pixels per scroll-bar step when a row is wider than it can count
    bool m_caretXGuessed = false; // the caret was last scrolled to on a guessed width
    qreal m_wheel = 0;    // wheel turn not yet worth a line

    QBasicTimer m_blink;
    bool m_caretOn = true;
    QBasicTimer m_dragScroll;
    bool m_dragging = false;
    QPoint m_dragPoint;
};
