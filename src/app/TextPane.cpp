#include "TextPane.h"

#include "FsPath.h"
#include "RtfReader.h"
#include "TColor.h"
#include "VarError.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QVBoxLayout>

#include <array>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Bytes of memory that can still be had without pushing others out.
qint64 availableMemory()
{
    QFile f(QStringLiteral("/proc/meminfo"));
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("MemAvailable:")) {
                const QList<QByteArray> parts = line.simplified().split(' ');
                if (parts.size() >= 2) return parts[1].toLongLong() * 1024;
            }
    }
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : std::numeric_limits<qint64>::max();
}

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

} // namespace

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
    connect(m_edit->document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (!m_loading && (removed || added)) m_textValid = false;
    });
    applyColors();
}

void TextPane::clear()
{
    m_loading = true;
    m_edit->clear();
    m_loading = false;
    m_text.clear();
    m_textValid = true;
    m_rich = false;
}

qint64 TextPane::loadLimit() const
{
    // The pane counts positions in int, and the text takes several times the
    // file's size on its way in (bytes, decoded text, the widget's copy).
    const qint64 hard = qint64(1) << 30;
    if (m_loadLimit > 0) return std::min(m_loadLimit, hard);
    return std::min(hard, availableMemory() / 6);
}

void TextPane::loadFile(const QString& path)
{
    const QByteArray native = FsPath::encodeName(path);
    struct stat st;
    if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        throw VarError::cannotOpen(path);   // gone, or a device or pipe that is no file to show
    const qint64 limit = loadLimit();
    if (st.st_size > limit) throw VarError::streamRead();
    QByteArray bytes;
    try {
        if (!FsPath::readFile(path, &bytes, limit + 1)) {
            // Tell a file that cannot be opened from one that fails while being read.
            const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
            if (fd < 0) throw VarError::cannotOpen(path);
            ::close(fd);
            throw VarError::streamRead();
        }
        if (bytes.size() > limit) throw VarError::streamRead();   // it grew while being read
        loadData(std::move(bytes));
    } catch (const std::bad_alloc&) {
        clear();
        throw VarError::streamRead();
    }
}

void TextPane::loadData(QByteArray bytes)
{
    if (RtfReader::isRtf(bytes)) {
        if (std::optional<RtfReader::Document> doc = RtfReader::read(bytes)) {
            bytes = QByteArray();
            showRich(*doc);
            return;
        }
    }
    TextDecoder::Options options;
    options.unifyLineBreaks = true;
    TextDecoder::Result r = TextDecoder::decode(bytes, options);
    bytes = QByteArray();   // free the file before the widget takes its copy
    m_encoding = r.encoding;
    showPlain(r.text);
}

void TextPane::showPlain(const QString& text)
{
    m_loading = true;
    m_edit->setPlainText(text);
    m_loading = false;
    m_text = text;
    m_textValid = true;
    m_rich = false;
}

void TextPane::showRich(const RtfReader::Document& doc)
{
    QTextDocument* d = m_edit->document();
    m_loading = true;
    m_edit->clear();
    const bool undo = d->isUndoRedoEnabled();
    d->setUndoRedoEnabled(false);
    QTextCursor c(d);
    c.beginEditBlock();
    for (const RtfReader::Run& run : doc.runs) {
        const RtfReader::Format& f = run.format;
        QTextCharFormat cf;
        if (f.bold) cf.setFontWeight(QFont::Bold);
        if (f.italic) cf.setFontItalic(true);
        if (f.underline) cf.setFontUnderline(true);
        if (f.strike) cf.setFontStrikeOut(true);
        if (f.halfPoints > 0) cf.setFontPointSize(f.halfPoints / 2.0);
        if (f.hasColor) cf.setForeground(QColor::fromRgb(f.color));
        if (!f.font.isEmpty()) cf.setFontFamilies(QStringList{f.font});
        c.insertText(run.text, cf);   // '\n' starts a new paragraph
    }
    c.endEditBlock();
    d->setUndoRedoEnabled(undo);
    m_edit->moveCursor(QTextCursor::Start);
    m_loading = false;
    m_text = doc.plainText();
    m_textValid = m_text.size() == textLength();
    m_rich = true;
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

QString TextPane::text() const { return searchText(); }
int TextPane::textLength() const { return m_edit->document()->characterCount() - 1; }

int TextPane::selStart() const { return m_edit->textCursor().selectionStart(); }
int TextPane::selLength() const
{
    const QTextCursor c = m_edit->textCursor();
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
    const int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(qBound(0, start + length, textLength()), QTextCursor::KeepAnchor);
    m_edit->setTextCursor(c);
}
void TextPane::selectAll() { m_edit->selectAll(); }
void TextPane::copy() { m_edit->copy(); }
QString TextPane::selectedText() const
{
    QString s = m_edit->textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return s;
}

int TextPane::find(const QString& what, int start, int length) const
{
    const QString& all = searchText();
    const qsizetype from = std::clamp<qsizetype>(start, 0, all.size());
    const qsizetype to = std::clamp<qsizetype>(qsizetype(start) + length, from, all.size());
    const qsizetype hit = search(QStringView(all).mid(from, to - from), what);
    return hit < 0 ? -1 : int(from + hit);
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

int TextPane::lineFromChar(int pos) const
{
    QTextDocument* d = m_edit->document();
    QTextBlock b = d->findBlock(qBound(0, pos, textLength()));
    if (!b.isValid()) b = d->lastBlock();
    QTextLayout* lay = laidOut(d, b);
    int inBlock = 0;
    if (lay) {
        const QTextLine line = lay->lineForTextPosition(pos - b.position());
        inBlock = line.isValid() ? line.lineNumber() : lay->lineCount() - 1;
    }
    return b.firstLineNumber() + inBlock;
}

int TextPane::lineIndex(int line) const
{
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
    m_edit->setFont(font);
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
    const QColor text = TColor::toQColor(m_fontColor), fill = TColor::toQColor(m_fillColor);
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Text, text);
        pal.setColor(group, QPalette::Base, fill);
    }
    // The selection shows only while the pane has the keyboard focus.
    pal.setColor(QPalette::Inactive, QPalette::Highlight, fill);
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, text);
    m_edit->setPalette(pal);
}

void TextPane::setFocusToText() { m_edit->setFocus(Qt::OtherFocusReason); }
QWidget* TextPane::textWidget() const { return m_edit; }
