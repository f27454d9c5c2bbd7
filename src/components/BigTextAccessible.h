#pragma once
#include "AccessibleWindow.h"

#include <QAccessibleWidget>
#include <QMetaObject>
#include <QString>

class BigTextView;

// What a screen reader sees of a BigTextView: an editable multi-line text.
// Every answer is read from the document when it is asked for (a range, the
// line or word at an offset, the rectangle of a character), so a file of a
// gigabyte answers as quickly as a small one and its whole text is never
// built. Offsets are the bridge's 32-bit ones: a text longer than they can
// count is shown as a window of it around the caret (AccessibleWindow), and
// when the caret leaves the window for another part of the text, the reader
// is told that the text was replaced by that part, then where the caret is.
//
// The bridge calls in from the toolkit, so nothing here lets an exception
// out: a failure (no memory for a range, say) answers as an empty text.
class BigTextAccessible : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface {
public:
    explicit BigTextAccessible(BigTextView* view);
    ~BigTextAccessible() override;

    // Makes every BigTextView answer through this class; the view calls it.
    static void install();

    // Most characters one answer or one range of text carries; a longer
    // range is cut there (a reader reads on from where it ends).
    static constexpr int MaxRange = 1 << 22;
    // Most characters a change event quotes of the text removed or inserted.
    static constexpr int MaxEventText = 1 << 16;

    // What the view tells of its changes. Only a view whose interface exists
    // (someone has asked about it) sends events; the others cost a lookup.
    static void removing(BigTextView* view, qint64 pos, qint64 length);
    static void inserted(BigTextView* view, qint64 pos, qint64 length);
    // The whole content was replaced (a file loaded, the view emptied).
    static void replaced(BigTextView* view);

    // QAccessibleInterface
    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text type) const override;

    // QAccessibleTextInterface
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                             int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                            int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    // QAccessibleEditableTextInterface: edits go where typing goes, into the
    // document's memory, never into the file.
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    struct Span {
        qint64 start = 0;
        qint64 end = 0;
    };
    enum class Where { Before, At, After };

    BigTextView* view() const;
    // The range of the text a reader is shown now, as positions.
    Span shown() const;
    // An offset from the bridge as a position: -2 is the caret, -1 the end.
    qint64 position(int offset) const;
    // A position as the bridge's offset: clipped to what is shown.
    int offsetOf(qint64 pos) const;
    QString boundaryText(Where where, int offset, QAccessible::TextBoundaryType type, int* startOffset,
                         int* endOffset) const;
    Span item(qint64 pos, QAccessible::TextBoundaryType type) const;
    Span lineItem(qint64 pos) const;
    Span paragraphItem(qint64 pos) const;
    Span wordItem(qint64 pos) const;
    Span finderItem(qint64 pos, QAccessible::TextBoundaryType type) const;
    QString spanText(Span span, int* startOffset, int* endOffset) const;
    QRect placeOf(qint64 pos) const;
    // Sends the caret and selection events for a move the view reported.
    void selectionMoved();
    // When the window of the text has moved, tells the reader that its text
    // was replaced; returns whether it did.
    bool announceMove();
    // Tells the selection and the caret as they are now.
    void tell(bool selection, bool caret);
    // More of the file was indexed: a window at the caret may have moved.
    void indexGrew();

    BigTextView* m_view;        // the key under which this interface is known
    qint64 m_anchor = 0;        // the selection as last announced
    qint64 m_caret = 0;
    qint64 m_announced = 0;     // the length as last announced
    qint64 m_toldStart = 0;     // where the text as last announced starts
    mutable AccessibleWindow m_window;
    QMetaObject::Connection m_moves;
    QMetaObject::Connection m_growth;
};
