#include "TextPane.h"

#include "BigTextMemory.h"
#include "BigTextView.h"
#include "LookAlike.h"
#include "RichTextLoader.h"
#include "RichTextPage.h"
#include "TColor.h"
#include "VarError.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QStackedLayout>

#include <array>
#include <new>
#include <utility>

namespace {

// Forward search of a short needle: Horspool with shifts keyed by the low
// byte of each code unit, and the vectorised single-character search for a
// needle of one.
qsizetype search(QStringView hay, QStringView needle)
{
    const qsizetype m = needle.size(), n = hay.size();
    if (m == 0 || m > n) return -1;
    if (m == 1) return hay.indexOf(needle.front());
    std::array<qsizetype, 256> shift;
    shift.fill(m);
    const char16_t* nd = needle.utf16();
    for (qsizetype i = 0; i + 1 < m; ++i) shift[nd[i] & 0xFF] = m - 1 - i;
    const char16_t* h = hay.utf16();
    const char16_t last = nd[m - 1];
    for (qsizetype pos = 0; pos + m <= n;) {
        const char16_t c = h[pos + m - 1];
        if (c == last && memcmp(h + pos, nd, (m - 1) * sizeof(char16_t)) == 0) return pos;
        pos += shift[c & 0xFF];
    }
    return -1;
}

QTextCharFormat charFormat(const RtfReader::Format& f)
{
    QTextCharFormat cf;
    if (f.bold) cf.setFontWeight(QFont::Bold);
    if (f.italic) cf.setFontItalic(true);
    if (f.underline) cf.setFontUnderline(true);
    if (f.strike) cf.setFontStrikeOut(true);
    if (f.halfPoints > 0) cf.setFontPointSize(f.halfPoints / 2.0);
    if (f.hasColor) cf.setForeground(QColor::fromRgb(f.color));
    if (!f.font.isEmpty()) cf.setFontFamilies(QStringList{f.font});
    return cf;
}

// Text of an RTF file goes into the page in slices of this many characters,
// for at most this long before the event loop has its turn again.
constexpr qsizetype kSliceChars = 4 * 1024;
constexpr qint64 kSliceNs = 8'000'000;

} // namespace

TextPane::TextPane(QWidget* parent)
    : QWidget(parent), m_stack(new QStackedLayout(this)), m_edit(new RichTextPage(this)), m_big(new BigTextView(this)),
      m_richLoader(new RichTextLoader(this))
{
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_big);
    m_stack->addWidget(m_edit);
    m_edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_big->setWordWrap(false);
    connect(m_edit, &QPlainTextEdit::selectionChanged, this, [this] { if (m_rich) Q_EMIT selectionChanged(); });
    connect(m_edit, &QPlainTextEdit::cursorPositionChanged, this, [this] { if (m_rich) Q_EMIT selectionChanged(); });
    connect(m_big, &BigTextView::selectionChanged, this, [this] { if (!m_rich) Q_EMIT selectionChanged(); });
    connect(m_big, &BigTextView::outOfMemory, this, &TextPane::outOfMemory);
    connect(m_big, &BigTextView::copyFailed, this, &TextPane::copyFailed);
    // Line numbers that firm up as wrapped lines are counted are a new caret position to show.
    connect(m_big, &BigTextView::numberingChanged, this, [this] { if (!m_rich) Q_EMIT selectionChanged(); });
    connect(m_big, &BigTextView::findFinished, this, [this](qint64 hit) { Q_EMIT findFinished(hit, m_finding); });
    // A failure of reading is told by the indexer that met it, straight to the pane's listeners.
    connect(&m_big->activity().indexer(), &BigTextIndexer::failed, this, &TextPane::loadFailed);
    // A reload that found rich text at the file's name shows it as a first open would.
    connect(m_big, &BigTextView::reloadFoundOther, this, [this](const QString& path) {
        try {
            loadFile(path);
        } catch (const VarError& e) {
            Q_EMIT loadFailed(e.message());
        }
    });
    connect(m_edit, &RichTextPage::outOfMemory, this, &TextPane::outOfMemory);
    connect(m_edit->document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (!m_loading && (removed || added)) m_textValid = false;
    });
    m_insert.setSingleShot(true);
    connect(&m_insert, &QTimer::timeout, this, &TextPane::insertArrived);
    // Runs are taken from the loader as they are put in, so that its worker
    // stays only so far ahead.
    connect(m_richLoader, &RichTextLoader::arrived, this, [this] {
        if (!m_insert.isActive()) m_insert.start(0);
    });
    // Text held back for a long paragraph goes in once the file has been read.
    connect(m_richLoader, &RichTextLoader::finished, this, [this] {
        if (m_pending.empty() && !m_richLoader->hasRuns()) endRichLoad();
        else if (!m_insert.isActive()) m_insert.start(0);
    });
    connect(m_richLoader, &RichTextLoader::fellBack, this, [this] {
        TextLoad::Content plain = m_richLoader->takePlain();
        m_encoding = plain.encoding;
        showPlain(std::exchange(plain.text, QString()));
    });
    connect(m_richLoader, &RichTextLoader::failed, this, [this](const QString& message) {
        if (m_pending.empty() && !m_richLoader->hasRuns()) endRichLoad();
        else if (!m_insert.isActive()) m_insert.start(0);
        Q_EMIT loadFailed(message);
    });
    // The context menu is the pane's, whichever widget shows the text.
    setContextMenuPolicy(Qt::CustomContextMenu);
    for (QWidget* w : textWidgets()) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& pos) {
            Q_EMIT customContextMenuRequested(mapFromGlobal(w->mapToGlobal(pos)));
        });
    }
    showPage(false);
    applyColors();
}

void TextPane::showPage(bool rich)
{
    m_rich = rich;
    QWidget* page = rich ? static_cast<QWidget*>(m_edit) : static_cast<QWidget*>(m_big);
    const bool hadFocus = m_edit->hasFocus() || m_big->hasFocus();
    m_stack->setCurrentWidget(page);
    setFocusProxy(page);
    if (hadFocus) page->setFocus(Qt::OtherFocusReason);
}

void TextPane::clearRich()
{
    endRichLoad();
    m_loading = true;
    m_edit->clear();
    m_loading = false;
    m_text.clear();
    m_textValid = true;
}

void TextPane::clear()
{
    clearRich();
    m_big->clear();
    showPage(false);
}

void TextPane::loadFile(const QString& path)
{
    TextLoad::Content content = TextLoad::readFile(path, m_loadLimit);
    display(content, path);
}

void TextPane::loadData(QByteArray bytes)
{
    TextLoad::Content content = TextLoad::readBytes(std::move(bytes));
    display(content, QString());
}

void TextPane::display(TextLoad::Content& content, const QString& path)
{
    try {
        switch (content.kind) {
        case TextLoad::Content::Kind::Rich:
            showRich(content.rich);
            return;
        case TextLoad::Content::Kind::Plain:
            m_encoding = content.encoding;
            showPlain(std::exchange(content.text, QString()));
            return;
        case TextLoad::Content::Kind::RichFile:
            clearRich();
            m_big->clear();
            showPage(true);
            m_undo = m_edit->document()->isUndoRedoEnabled();
            m_edit->document()->setUndoRedoEnabled(false);
            m_textValid = false;   // the search copy is made when first needed
            m_richOpen = true;
            m_richLoader->start(std::move(content));
            return;
        case TextLoad::Content::Kind::File:
            clearRich();
            m_big->load(content.file.release(), path, content.encoding);
            m_encoding = content.encoding;
            showPage(false);
            return;
        }
    } catch (const std::bad_alloc&) {
        clear();
        throw VarError::streamRead();
    }
}

void TextPane::showPlain(const QString& text)
{
    clearRich();
    m_big->setPlainText(text);
    showPage(false);
}

void TextPane::showRich(const RtfReader::Document& doc)
{
    endRichLoad();
    QTextDocument* d = m_edit->document();
    m_loading = true;
    m_edit->clear();
    const bool undo = d->isUndoRedoEnabled();
    d->setUndoRedoEnabled(false);
    QTextCursor c(d);
    c.beginEditBlock();
    for (const RtfReader::Run& run : doc.runs) c.insertText(run.text, charFormat(run.format));   // '\n' starts a new paragraph
    c.endEditBlock();
    d->setUndoRedoEnabled(undo);
    m_edit->moveCursor(QTextCursor::Start);
    m_loading = false;
    m_big->clear();
    showPage(true);
    m_text = doc.plainText();
    m_textValid = m_text.size() == textLength();
}

bool TextPane::loading() const { return m_richOpen; }

void TextPane::takeArrived()
{
    for (RtfReader::Run& run : m_richLoader->takeRuns()) {
        m_pendingChars += run.text.size();
        m_pendingBreaks += run.text.count(u'\n');
        m_pending.push_back(std::move(run));
    }
}

void TextPane::insertPending(QTextCursor& c, qsizetype limit)
{
    const RtfReader::Run& run = m_pending.front();
    qsizetype n = std::min(run.text.size() - m_pendingAt, limit);
    if (m_pendingAt + n < run.text.size() && run.text.at(m_pendingAt + n - 1).isHighSurrogate()) --n;
    const QString slice = run.text.mid(m_pendingAt, n);
    c.insertText(slice, charFormat(run.format));   // '\n' starts a new paragraph
    m_pendingChars -= n;
    m_pendingBreaks -= slice.count(u'\n');
    m_pendingAt += n;
    if (m_pendingAt >= run.text.size()) {
        m_pending.pop_front();
        m_pendingAt = 0;
    }
}

void TextPane::insertArrived()
{
    QElapsedTimer clock;
    clock.start();
    takeArrived();
    QTextDocument* d = m_edit->document();
    // The toolkit lays a paragraph out whole at each change of it. Text for a
    // long last paragraph waits until there is as much again as it holds, or
    // the paragraph ends, or the file has been read, and then goes in at once:
    // the paragraph is laid out as often as its length doubles, which costs
    // time in proportion to the size in all.
    const int tail = d->lastBlock().length();
    const bool longTail = tail >= RichTextPage::kLongParagraph;
    if (longTail && m_pendingBreaks == 0 && m_pendingChars < tail && m_richLoader->running()) return;
    const bool first = d->isEmpty();
    m_loading = true;
    QTextCursor c(d);
    c.movePosition(QTextCursor::End);
    c.beginEditBlock();
    if (longTail) {
        while (!m_pending.empty()) insertPending(c, m_pendingChars);
    } else {
        while (clock.nsecsElapsed() < kSliceNs) {
            if (m_pending.empty()) takeArrived();
            if (m_pending.empty()) break;
            insertPending(c, kSliceChars);
        }
    }
    c.endEditBlock();
    // The page opens at the top, whatever has been put in behind.
    if (first) m_edit->moveCursor(QTextCursor::Start);
    m_loading = false;
    m_textValid = false;
    if (!m_pending.empty() || m_richLoader->hasRuns()) m_insert.start(0);
    else if (!m_richLoader->running()) endRichLoad();
}

void TextPane::endRichLoad()
{
    if (!m_richOpen) return;
    m_richOpen = false;
    m_richLoader->cancel();
    m_insert.stop();
    m_pending.clear();
    m_pendingAt = 0;
    m_pendingChars = 0;
    m_pendingBreaks = 0;
    m_edit->document()->setUndoRedoEnabled(m_undo);
}

void TextPane::setPlainText(const QString& text)
{
    showPlain(text);
}

const QString& TextPane::searchText() const
{
    if (!m_textValid) {
        // Edited since loading: take the text from the document again, with
        // its paragraph separators as line breaks.
        m_text = m_edit->document()->toRawText();
        m_text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        m_textValid = true;
    }
    return m_text;
}

QString TextPane::text() const { return m_rich ? searchText() : m_big->toPlainText(); }

// The rich page's positions are the toolkit's 32-bit ones; its text is held in
// memory within the load limit, well below 2^31 characters, so its positions
// convert to and from qint64 here, at that edge. The plain page is 64-bit.
namespace {
int toRich(qint64 pos)
{
    return int(std::clamp<qint64>(pos, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
} // namespace

qint64 TextPane::textLength() const
{
    return m_rich ? m_edit->document()->characterCount() - 1 : m_big->textLength();
}

qint64 TextPane::selStart() const
{
    return m_rich ? m_edit->textCursor().selectionStart() : m_big->selStart();
}
qint64 TextPane::selLength() const
{
    if (!m_rich) return m_big->selLength();
    const QTextCursor c = m_edit->textCursor();
    return c.selectionEnd() - c.selectionStart();
}
void TextPane::setSelStart(qint64 pos)
{
    if (!m_rich) {
        m_big->setSelStart(std::clamp<qint64>(pos, 0, m_big->textLength()));
        return;
    }
    QTextCursor c = m_edit->textCursor();
    c.setPosition(toRich(std::clamp<qint64>(pos, 0, textLength())));
    m_edit->setTextCursor(c);
}
void TextPane::setSelLength(qint64 length)
{
    if (!m_rich) {
        m_big->setSelLength(length);
        return;
    }
    QTextCursor c = m_edit->textCursor();
    const int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(toRich(std::clamp<qint64>(start + length, 0, textLength())), QTextCursor::KeepAnchor);
    m_edit->setTextCursor(c);
}
void TextPane::selectAll()
{
    if (m_rich) m_edit->selectAll();
    else m_big->selectAll();
}
void TextPane::copy()
{
    if (!m_rich) {
        m_big->copy();
        return;
    }
    const QTextCursor c = m_edit->textCursor();
    if (!c.hasSelection()) return;
    BigTextMemory::requireClipboard(c.selectionEnd() - c.selectionStart());
    m_edit->copy();
}
QString TextPane::selectedText() const
{
    return m_rich ? m_edit->selectionText() : m_big->selectedText();
}

qint64 TextPane::find(const QString& what, qint64 start, qint64 length) const
{
    if (!m_rich) return m_big->document().find(what, start, length < 0 ? -1 : start + length);
    const QString& all = searchText();
    const qsizetype from = std::clamp<qsizetype>(start, 0, all.size());
    const qsizetype to = std::clamp<qsizetype>(length > all.size() - from ? all.size() : from + length, from, all.size());
    // Each look-alike pair is one character to find, typed either way.
    const QStringView range = QStringView(all).mid(from, to - from);
    const qsizetype hit = LookAlike::any(what) ? LookAlike::indexIn(range, LookAlike::folded(what)) : search(range, what);
    return hit < 0 ? -1 : from + hit;
}

void TextPane::startFind(const QString& what, qint64 start, qint64 length)
{
    m_finding = what;
    if (m_rich) Q_EMIT findFinished(find(what, start, length), what);
    else m_big->startFind(what, start, length);
}

namespace {
// The pane lays out only what it shows; a block whose lines are asked for is
// laid out on the spot, so that its wrapped lines count.
QTextLayout* laidOut(QTextDocument* d, const QTextBlock& b)
{
    QTextLayout* lay = b.layout();
    if (lay && lay->lineCount() == 0 && b.isVisible()) d->documentLayout()->blockBoundingRect(b);
    return lay && lay->lineCount() > 0 ? lay : nullptr;
}
} // namespace

bool TextPane::lineNumberProvisional() const { return !m_rich && m_big->caretNumberProvisional(); }

qint64 TextPane::lineFromChar(qint64 at)
{
    if (!m_rich) return m_big->lineFromChar(at);
    const int pos = toRich(std::clamp<qint64>(at, 0, textLength()));
    QTextDocument* d = m_edit->document();
    QTextBlock b = d->findBlock(pos);
    if (!b.isValid()) b = d->lastBlock();
    QTextLayout* lay = laidOut(d, b);
    int inBlock = 0;
    if (lay) {
        const QTextLine line = lay->lineForTextPosition(pos - b.position());
        inBlock = line.isValid() ? line.lineNumber() : lay->lineCount() - 1;
    }
    return b.firstLineNumber() + inBlock;
}

qint64 TextPane::lineIndex(qint64 at) const
{
    if (!m_rich) return m_big->lineIndex(at);
    if (at < 0 || at > std::numeric_limits<int>::max()) return -1;
    const int line = int(at);
    QTextDocument* d = m_edit->document();
    QTextBlock b = d->findBlockByLineNumber(line);
    if (!b.isValid()) return -1;
    QTextLayout* lay = laidOut(d, b);
    b = d->findBlockByLineNumber(line);   // laying out may have moved the line numbers behind
    const int inBlock = line - b.firstLineNumber();
    if (lay && b.layout() == lay && inBlock >= 0 && inBlock < lay->lineCount())
        return b.position() + lay->lineAt(inBlock).textStart();
    return b.position();
}

bool TextPane::wordWrap() const { return m_wrap; }
void TextPane::setWordWrap(bool on)
{
    m_wrap = on;
    m_edit->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    m_edit->setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn);
    m_big->setWordWrap(on);
}

void TextPane::setFontFace(const QString& face) { m_face = face; applyFont(); }
void TextPane::setFontSize(int points) { m_size = points; applyFont(); }
void TextPane::setPaneFont(const QFont& font)
{
    m_face = font.family();
    m_size = font.pointSize() > 0 ? font.pointSize() : qMax(1, qRound(font.pixelSize() * 72.0 / 96.0));
    m_edit->setFont(font);
    m_big->setFont(font);
}
QFont TextPane::paneFont() const { return m_big->font(); }

void TextPane::applyFont()
{
    QFont f(m_face);
    if (m_size > 0) f.setPointSize(m_size);
    else if (m_size < 0) f.setPixelSize(-m_size);   // a negative size is a character height in pixels
    m_edit->setFont(f);
    m_big->setFont(f);
}

void TextPane::setFontColor(qint32 color) { m_fontColor = color; applyColors(); }
void TextPane::setFillColor(qint32 color) { m_fillColor = color; applyColors(); }

void TextPane::applyColors()
{
    QPalette pal = m_edit->palette();
    const QColor text = TColor::toQColor(m_fontColor), fill = TColor::toQColor(m_fillColor);
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Text, text);
        pal.setColor(group, QPalette::Base, fill);
    }
    // The selection shows only while the pane has the keyboard focus. Without
    // it the selection is drawn with empty brushes: an empty foreground leaves
    // each run its own colour, where any colour at all would paint the whole
    // selected text in it.
    pal.setBrush(QPalette::Inactive, QPalette::Highlight, QBrush());
    pal.setBrush(QPalette::Inactive, QPalette::HighlightedText, QBrush());
    m_edit->setPalette(pal);
    m_big->setTextColor(text);
    m_big->setFillColor(fill);
}

void TextPane::setFocusToText()
{
    if (m_rich) m_edit->setFocus(Qt::OtherFocusReason);
    else m_big->setFocus(Qt::OtherFocusReason);
}
QWidget* TextPane::textWidget() const { return m_rich ? static_cast<QWidget*>(m_edit) : static_cast<QWidget*>(m_big); }
QList<QWidget*> TextPane::textWidgets() const { return {m_big, m_edit}; }
