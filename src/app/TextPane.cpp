#include "TextPane.h"

#include "Cp932.h"
#include "FsPath.h"
#include "TColor.h"
#include "VarError.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QVBoxLayout>

TextPane::TextPane(QWidget* parent) : QWidget(parent), m_edit(new QPlainTextEdit(this))
{
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(m_edit);
    m_edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusProxy(m_edit);
    connect(m_edit, &QPlainTextEdit::selectionChanged, this, &TextPane::selectionChanged);
    connect(m_edit, &QPlainTextEdit::cursorPositionChanged, this, &TextPane::selectionChanged);
}

void TextPane::clear() { m_edit->clear(); }

void TextPane::loadFile(const QString& path)
{
    QByteArray bytes;
    if (!FsPath::readFile(path, &bytes, std::numeric_limits<qint64>::max())) throw VarError::cannotOpen(path);
    m_edit->setPlainText(Cp932::decode(bytes));
}

void TextPane::setPlainText(const QString& text) { m_edit->setPlainText(text); }
QString TextPane::text() const { return m_edit->toPlainText(); }
int TextPane::textLength() const { return m_edit->document()->characterCount() - 1; }

int TextPane::selStart() const { return m_edit->textCursor().selectionStart(); }
int TextPane::selLength() const
{
    QTextCursor c = m_edit->textCursor();
    return c.selectionEnd() - c.selectionStart();
}
void TextPane::setSelStart(int pos)
{
    QTextCursor c = m_edit->textCursor();
    c.setPosition(qBound(0, pos, textLength()));
    m_edit->setTextCursor(c);
}
void TextPane::setSelLength(int length)
{
    QTextCursor c = m_edit->textCursor();
    int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(qBound(0, start + length, textLength()), QTextCursor::KeepAnchor);
    m_edit->setTextCursor(c);
}
void TextPane::selectAll() { m_edit->selectAll(); }
void TextPane::copy() { m_edit->copy(); }
QString TextPane::selectedText() const { return m_edit->textCursor().selectedText(); }

int TextPane::find(const QString& what, int start, int length) const
{
    if (what.isEmpty()) return -1;
    const QString all = text();
    int idx = static_cast<int>(all.indexOf(what, start, Qt::CaseSensitive));
    if (idx < 0 || idx + what.size() > start + length) return -1;
    return idx;
}

int TextPane::lineFromChar(int pos) const
{
    QTextBlock block = m_edit->document()->findBlock(pos);
    if (!block.isValid()) block = m_edit->document()->lastBlock();
    int line = 0;
    for (QTextBlock b = m_edit->document()->begin(); b.isValid() && b != block; b = b.next())
        line += b.layout() && b.layout()->lineCount() > 0 ? b.layout()->lineCount() : 1;
    if (QTextLayout* lay = block.layout(); lay && lay->lineCount() > 0) {
        int rel = pos - block.position();
        for (int i = 0; i < lay->lineCount(); ++i) {
            QTextLine l = lay->lineAt(i);
            if (rel >= l.textStart() && (rel < l.textStart() + l.textLength() || i == lay->lineCount() - 1))
                return line + i;
        }
    }
    return line;
}

int TextPane::lineIndex(int line) const
{
    int count = 0;
    for (QTextBlock b = m_edit->document()->begin(); b.isValid(); b = b.next()) {
        int n = b.layout() && b.layout()->lineCount() > 0 ? b.layout()->lineCount() : 1;
        if (line < count + n) {
            if (QTextLayout* lay = b.layout(); lay && lay->lineCount() > 0)
                return b.position() + lay->lineAt(line - count).textStart();
            return b.position();
        }
        count += n;
    }
    return -1;
}

bool TextPane::wordWrap() const { return m_edit->lineWrapMode() != QPlainTextEdit::NoWrap; }
void TextPane::setWordWrap(bool on)
{
    m_edit->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    m_edit->setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn);
}

void TextPane::setFontFace(const QString& face) { m_face = face; applyFont(); }
void TextPane::setFontSize(int points) { m_size = points; applyFont(); }
void TextPane::setPaneFont(const QFont& font)
{
    m_face = font.family();
    m_size = font.pointSize() > 0 ? font.pointSize() : qMax(1, qRound(font.pixelSize() * 72.0 / 96.0));
    QFont f = font;
    m_edit->setFont(f);
}
QFont TextPane::paneFont() const { return m_edit->font(); }

void TextPane::applyFont()
{
    QFont f(m_face);
    if (m_size > 0) f.setPointSize(m_size);
    else if (m_size < 0) f.setPixelSize(-m_size);   // a negative size is a character height in pixels
    m_edit->setFont(f);
}

void TextPane::setFontColor(qint32 color) { m_fontColor = color; applyColors(); }
void TextPane::setFillColor(qint32 color) { m_fillColor = color; applyColors(); }

void TextPane::applyColors()
{
    QPalette pal = m_edit->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Text, TColor::toQColor(m_fontColor));
        pal.setColor(group, QPalette::Base, TColor::toQColor(m_fillColor));
    }
    m_edit->setPalette(pal);
}

void TextPane::setFocusToText() { m_edit->setFocus(Qt::OtherFocusReason); }
QWidget* TextPane::textWidget() const { return m_edit; }
