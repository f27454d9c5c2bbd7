#include "RichTextPage.h"

#include "BigTextMemory.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextDocumentFragment>

#include <new>

RichTextPage::RichTextPage(QWidget* parent) : QPlainTextEdit(parent)
{
    // Tab moves the focus on, as in the plain-text page and everywhere else.
    setTabChangesFocus(true);
    connect(document(), &QTextDocument::contentsChange, this, &RichTextPage::keepShaped);
    for (QObject* child : children())
        if (child->inherits("QWidgetTextControl")) m_control = child;
    if (m_control) m_control->installEventFilter(this);
}

bool RichTextPage::caretNearLongParagraph() const
{
    // The caret's blink repaints its line and a pixel around it, which is the
    // edge of the paragraphs before and after: each of them is painted whole.
    const QTextBlock at = textCursor().block();
    for (const QTextBlock& b : {at.previous(), at, at.next()})
        if (b.isValid() && b.length() >= kLongParagraph) return true;
    return false;
}

bool RichTextPage::eventFilter(QObject* watched, QEvent* event)
{
    // The control's timers are its caret blink and, for a moment after a
    // double click, the wait for a triple click. Outside that moment a timer
    // is the blink, which a caret in or beside a long paragraph goes without
    // (its painting would paint the paragraph): the caret stays as it
    // was last painted, visible, since every move of the caret shows it anew.
    if (watched == m_control && event->type() == QEvent::Timer && caretNearLongParagraph()) {
        const bool tripleClickWait =
            m_doubleClick.isValid() && m_doubleClick.elapsed() <= QApplication::doubleClickInterval() + 100;
        if (!tripleClickWait) return true;
    }
    return QPlainTextEdit::eventFilter(watched, event);
}

void RichTextPage::keyPressEvent(QKeyEvent* event)
{
    // A cut whose copy is refused would lose the text; both keys are refused
    // whole, before the toolkit starts on them.
    if (event == QKeySequence::Cut || event == QKeySequence::Copy) {
        const QTextCursor c = textCursor();
        if (!BigTextMemory::clipboardFits(c.selectionEnd() - c.selectionStart())) {
            event->accept();
            Q_EMIT outOfMemory();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void RichTextPage::mouseDoubleClickEvent(QMouseEvent* event)
{
    m_doubleClick.start();
    QPlainTextEdit::mouseDoubleClickEvent(event);
}

void RichTextPage::keepShaped(int position, int, int added)
{
    QTextDocument* d = document();
    const QTextBlock last = d->findBlock(position + added);
    for (QTextBlock b = d->findBlock(position); b.isValid(); b = b.next()) {
        if (b.length() >= kLongParagraph && b.layout()) b.layout()->setCacheEnabled(true);
        if (b == last) break;
    }
}

QString RichTextPage::selectionText() const
{
    QString s = textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    s.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return s;
}

QMimeData* RichTextPage::createMimeDataFromSelection() const
{
    // Called by the toolkit (copy, cut, drag): nothing may escape from here.
    auto* mime = new QMimeData;
    try {
        const QTextCursor c = textCursor();
        const qint64 chars = c.selectionEnd() - c.selectionStart();
        if (!BigTextMemory::clipboardFits(chars)) {
            // Told once the toolkit is done with its call.
            QMetaObject::invokeMethod(const_cast<RichTextPage*>(this), &RichTextPage::outOfMemory, Qt::QueuedConnection);
            return mime;
        }
        mime->setText(selectionText());
        if (chars <= kHtmlChars) mime->setHtml(c.selection().toHtml());
    } catch (...) {
        mime->clear();
    }
    return mime;
}

bool RichTextPage::canInsertFromMimeData(const QMimeData* source) const
{
    return source && source->hasText();
}

void RichTextPage::insertFromMimeData(const QMimeData* source)
{
    // Pasted as plain text: no markup of unknown size is converted here.
    try {
        if (source && source->hasText()) insertPlainText(source->text());
    } catch (const std::bad_alloc&) {
        Q_EMIT outOfMemory();
    } catch (...) {
    }
}
