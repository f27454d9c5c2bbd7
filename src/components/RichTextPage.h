#pragma once
#include <QElapsedTimer>
#include <QPlainTextEdit>

class QMimeData;

// The rich-text page of the text pane. What it hands to the clipboard (copy,
// cut, drag) is made here in full, weighed against the memory there is,
// before the toolkit takes it: nothing is left to be converted later, inside
// the toolkit, when another program pastes.
//
// Idle means idle: the toolkit paints a whole line for any part of it, so the
// caret's blink in a paragraph of megabytes (one line, unwrapped) would keep a
// core busy while nothing happens. In or beside a long paragraph (the caret's
// line then touches it) the caret stands still instead; it is painted when it
// moves, like everything else. A long
// paragraph also keeps its shaped glyphs, which the toolkit would otherwise
// drop after laying it out and shape anew for each paint (a move of the caret
// costs a third of the time then).
class RichTextPage : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit RichTextPage(QWidget* parent = nullptr);

    // Selections up to this many characters also go over as HTML, made at
    // once; a bigger one goes as plain text only.
    static constexpr qsizetype kHtmlChars = 64 * 1024;
    // Paragraphs at least this long keep their glyphs and a steady caret.
    static constexpr int kLongParagraph = 4096;

    // The selection's plain text, line breaks as '\n'.
    QString selectionText() const;

Q_SIGNALS:
    // A copy, cut or drag from the page's own keys was refused for lack of memory.
    void outOfMemory();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void keepShaped(int position, int removed, int added);
    bool caretNearLongParagraph() const;

    // The toolkit's text control inside the editor, whose timer blinks the caret.
    QObject* m_control = nullptr;
    // After a double click the control's other timer (for a triple click) runs
    // for a moment; its events are let through.
    QElapsedTimer m_doubleClick;
};
