#pragma once
#include <QPlainTextEdit>

class QMimeData;

// The rich-text page of the text pane. What it hands to the clipboard (copy,
// cut, drag) is made here in full, weighed against the memory there is,
// before the toolkit takes it: nothing is left to be converted later, inside
// the toolkit, when another program pastes.
//
// A long paragraph keeps its shaped glyphs: the toolkit would otherwise drop
// them after laying the paragraph out and shape the whole of it again for
// every paint of any part of it, the caret's blink included, which for a
// paragraph of megabytes keeps a core busy while nothing happens.
class RichTextPage : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit RichTextPage(QWidget* parent = nullptr);

    // Selections up to this many characters also go over as HTML, made at
    // once; a bigger one goes as plain text only.
    static constexpr qsizetype kHtmlChars = 64 * 1024;
    // Paragraphs at least this long keep their glyphs.
    static constexpr int kKeepShapedChars = 4096;

    // The selection's plain text, line breaks as '\n'.
    QString selectionText() const;

Q_SIGNALS:
    // A copy, cut or drag from the page's own keys was refused for lack of memory.
    void outOfMemory();

private:
    void keepShaped(int position, int removed, int added);

protected:
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
};
