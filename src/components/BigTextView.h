#pragma once
#include "BigTextDocument.h"
#include "BigTextLayout.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QString>

// An editable plain-text view of any size: only the lines on screen are decoded
// and measured, so a file of a gigabyte shows as quickly as a small one. The
// caret and the selection are character positions (every line end is one);
// typing goes into the document's memory, never into the file.
//
// Its operations are those of the program's text pane: load, selection start
// and length, select all, copy, find, line of a position as shown (wrapped
// lines count as several) and start of a line, word wrap, font and colours.
class BigTextView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit BigTextView(QWidget* parent = nullptr);
    ~BigTextView() override;

    void clear();
    // Throws VarError when the file cannot be opened or read.
    void load(const QString& path, TextEncoding encoding);
    // The same over a descriptor the caller opened; the view owns it from here on.
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
    void selectAll();
    // Throws std::bad_alloc, copying nothing, when the selection does not fit
    // in memory with room to spare.
    void copy();
    void cut();
    void paste();
    QString selectedText() const;
    // Case-sensitive forward search in [start, start + length); -1 if absent.
    qint64 find(const QString& what, qint64 start, qint64 length) const;
    // Line of a position as shown (a wrapped line counts as several), and the
    // position where a shown line starts (-1 past the last).
    qint64 lineFromChar(qint64 pos) const;
    qint64 lineIndex(qint64 line) const;

    bool wordWrap() const { return m_wrap; }
    void setWordWrap(bool on);

    // Text and fill colours (the palette's Text and Base, set on the view).
    QColor textColor() const;
    QColor fillColor() const;
    void setTextColor(const QColor& color);
    void setFillColor(const QColor& color);

    const BigTextDocument& document() const { return m_doc; }

Q_SIGNALS:
    // Whenever the caret or the selection changes.
    void selectionChanged();
    // A copy, cut or paste from the keyboard was refused for lack of memory.
    void outOfMemory();

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
    static constexpr int kMargin = 4;

    void reset();
    void setCaret(qint64 anchor, qint64 caret, bool keepGoal = false);
    void moveCaret(qint64 pos, bool extend, bool keepGoal = false);
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
    void updateWrapWidth();
    qint64 hitTest(const QPoint& point) const;
    QRect caretRect() const;
    void restartBlink();
    void drawRow(class QPainter& painter, const BigTextLayout::Line& line, int sub, int y, const QRect& clip);

    BigTextDocument m_doc;
    BigTextLayout m_layout;
    bool m_wrap = false;

    qint64 m_anchor = 0;
    qint64 m_caret = 0;
    qreal m_goalX = -1;
    QString m_preedit;

    Visual m_top;
    qint64 m_vScale = 1;  // lines per scroll-bar step when there are more lines than it can count
    bool m_settingScroll = false;
    qreal m_widest = 0;   // widest line painted so far, for the horizontal range
    qreal m_wheel = 0;    // wheel turn not yet worth a line

    QBasicTimer m_blink;
    bool m_caretOn = true;
    QBasicTimer m_dragScroll;
    bool m_dragging = false;
    QPoint m_dragPoint;
};
