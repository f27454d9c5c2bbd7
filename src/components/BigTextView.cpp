#include "BigTextView.h"

#include "BigTextAccessible.h"
#include "BigTextMemory.h"
#include "BigTextNotice.h"
#include "BigTextProgress.h"
#include "VarError.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QtMath>

#include <algorithm>
#include <climits>
#include <cmath>


BigTextView::BigTextView(QWidget* parent)
    : QAbstractScrollArea(parent), m_layout(m_doc), m_activity(m_doc, m_layout, this),
      m_progress(new BigTextProgress(this)), m_notice(new BigTextNotice(this))
{
    connect(&m_activity, &BigTextActivity::grew, this, &BigTextView::grown);
    connect(&m_activity, &BigTextActivity::found, this, &BigTextView::findFinished);
    connect(&m_activity, &BigTextActivity::numberingChanged, this, [this] {
        // Folds inside a long line laid out on a guess have their real rows (or places) now.
        if (m_wrap) setTop(m_top);
        else widthsCounted();
        Q_EMIT numberingChanged();
    });
    connect(&m_activity, &BigTextActivity::outOfMemory, this, &BigTextView::outOfMemory);
    connect(&m_activity, &BigTextActivity::copyFailed, this, &BigTextView::copyFailed);
    // A block of text that is not well formed turned out to hold another number
    // of characters: what stands behind it keeps its place in the text.
    connect(&m_activity, &BigTextActivity::corrected, this, [this](qint64 position, qint64 delta) {
        auto shift = [&](qint64 pos) { return pos > position ? std::max(position, pos + delta) : pos; };
        m_following = true;
        setCaret(shift(m_anchor), shift(m_caret), true);
        m_following = false;
        grown();
    });
    connect(&m_activity, &BigTextActivity::busyChanged, this, [this](bool busy) {
        if (busy) m_progress->begin(m_activity.busyText(), [this] { return m_activity.progress(); });
        else m_progress->end();
    });
    connect(m_progress, &BigTextProgress::cancelRequested, &m_activity, &BigTextActivity::cancelBusy);
    connect(&m_activity, &BigTextActivity::fileChanged, this, &BigTextView::queueFileCheck);
    connect(m_notice, &BigTextNotice::reloadRequested, this, &BigTextView::reloadFile);
    connect(m_notice, &BigTextNotice::shownChanged, this, &BigTextView::placeNotice);
    connect(m_notice, &BigTextNotice::closed, this, [this] { m_quietMark = m_lookMark; });
    connect(&m_watch, &BigTextWatch::looked, this, &BigTextView::looked);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    horizontalScrollBar()->setSingleStep(20);
    m_layout.setFont(font());
    updateScrollBars();
    BigTextAccessible::install();
}

BigTextView::~BigTextView() = default;

// ---------------------------------------------------------------- content

void BigTextView::reset()
{
    m_linesShown = m_layout.scrollLines();
    m_preedit.clear();
    m_top = Visual{};
    m_widest = 0;
    m_wheel = 0;
    m_settingScroll = true;
    horizontalScrollBar()->setValue(0);
    m_settingScroll = false;
    updateWrapWidth();
    updateScrollBars();
    BigTextAccessible::replaced(this);
    setCaret(0, 0);
    viewport()->update();
}

void BigTextView::clear()
{
    m_watch.watch(nullptr);
    m_notice->dismiss();
    m_activity.stopAll();
    m_doc.clear();
    reset();
}

void BigTextView::load(int fd, const QString& path, TextEncoding encoding)
{
    m_notice->dismiss();
    m_watch.watch(nullptr);
    try {
        m_activity.load(fd, path, encoding);
    } catch (...) {
        reset();
        throw;
    }
    reset();
    watchFile();
}

void BigTextView::setPlainText(const QString& text)
{
    m_watch.watch(nullptr);
    m_notice->dismiss();
    m_activity.stopAll();
    m_doc.setText(text);
    reset();
}

// More of the file is indexed: the scroll range grows, and a caret kept at
// the end goes with it.
void BigTextView::grown()
{
    // Lines appear below the old end: only a screen that showed it changes.
    const bool endShown = m_layout.scrollLine(m_top) + pageLines() >= m_linesShown - 1;
    m_linesShown = m_layout.scrollLines();
    updateScrollBars();
    if (m_followEnd) {
        // The end of the selection (the caret, the anchor or both) was the
        // end of the text, and is.
        const qint64 end = m_doc.length(), was = std::max(m_anchor, m_caret);
        m_following = true;
        setCaret(m_anchor == was ? end : m_anchor, m_caret == was ? end : m_caret, true);
        m_following = false;
        if (m_followScroll) ensureCaretVisible();
        if (m_doc.isComplete()) {
            m_followEnd = false;
            Q_EMIT numberingChanged(); // the caret's number at the end is final now
        }
    }
    if (endShown) viewport()->update(); // what is shown above the end stays as it was
    restoreCaret();
}

bool BigTextView::progressShown() const { return m_progress->shown(); }

QString BigTextView::toPlainText() const { return m_doc.text(0, m_doc.length()); }
qint64 BigTextView::textLength() const { return m_doc.length(); }

// ---------------------------------------------------------------- selection

qint64 BigTextView::selStart() const { return std::min(m_anchor, m_caret); }
qint64 BigTextView::selLength() const { return std::abs(m_caret - m_anchor); }

void BigTextView::setCaret(qint64 anchor, qint64 caret, bool keepGoal, bool followEnd)
{
    const qint64 length = m_doc.length();
    anchor = std::clamp<qint64>(anchor, 0, length);
    caret = std::clamp<qint64>(caret, 0, length);
    if (!keepGoal) m_goalX = -1;
    const bool followed = m_followEnd;
    if (!m_following) {
        // Set before the change is signalled, so that the caret display knows.
        // A selection keeps reaching to the end of the file while its anchor
        // stays there (Ctrl+End, then Shift and a move back).
        m_followEnd = followEnd ? !m_doc.isComplete() : m_followEnd && anchor == m_anchor && m_anchor >= m_caret;
        m_restoreLine = -1; // the user's move wins over a reload's
    }
    restartBlink();
    if (anchor == m_anchor && caret == m_caret && m_followEnd == followed) return;
    m_anchor = anchor;
    m_caret = caret;
    viewport()->update();
    Q_EMIT selectionChanged();
}

void BigTextView::moveCaret(qint64 pos, bool extend, bool keepGoal)
{
    setCaret(extend ? m_anchor : pos, pos, keepGoal);
    ensureCaretVisible();
}

void BigTextView::moveToEnd(bool extend)
{
    const qint64 end = m_doc.length();
    setCaret(extend ? m_anchor : end, end, false, true);
    m_followScroll = true;
    ensureCaretVisible();
}

void BigTextView::setSelStart(qint64 pos) { moveCaret(pos, false); }

void BigTextView::setSelLength(qint64 length)
{
    const qint64 start = selStart();
    setCaret(start, start + length);
    ensureCaretVisible();
}

void BigTextView::selectAll()
{
    m_followScroll = false;
    setCaret(0, m_doc.length(), false, true);
}

QString BigTextView::selectedText() const { return m_doc.text(selStart(), selLength()); }

void BigTextView::copy()
{
    if (selLength() == 0) return;
    // A selection that follows the end reaches to the end of the file, also
    // past what the view was last told the index holds.
    m_activity.copy(selStart(), selLength(), m_followEnd);
}

void BigTextView::cut()
{
    if (selLength() == 0) return;
    m_followEnd = false; // what goes is what is selected now
    copy();
    removeSelection();
    textChanged();
}

void BigTextView::paste()
{
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty()) return;
    // Taken in, the text is copied again (line ends, the edit's own block):
    // weighed like a copy of it, and refused the same way.
    BigTextMemory::requireClipboard(text.size());
    insertText(text);
}

void BigTextView::startFind(const QString& what, qint64 start, qint64 length)
{
    qint64 to = length < 0 ? -1 : start + std::min(length, m_doc.length() - start);
    if (!m_doc.isComplete() && (to < 0 || to >= m_doc.length())) to = -1;
    m_activity.find(what, start, to);
}

// Numbers of wrapped lines rest on counts of every block before; those that
// were guessed are counted in the background, and numberingChanged() tells
// when better numbers are to be had.
qint64 BigTextView::lineFromChar(qint64 pos)
{
    const qint64 line = m_layout.visualLineOf(pos);
    if (m_doc.fileChanged()) queueFileCheck(); // the number is the last good one; a reload follows
    if (m_wrap) QMetaObject::invokeMethod(&m_activity, &BigTextActivity::countLater, Qt::QueuedConnection);
    return line;
}

qint64 BigTextView::lineIndex(qint64 line) const { return m_layout.visualLineStart(line); }

// ---------------------------------------------------------------- editing

void BigTextView::removeSelection()
{
    const qint64 start = selStart();
    BigTextAccessible::removing(this, start, selLength());
    m_doc.remove(start, selLength());
    setCaret(start, start);
}

void BigTextView::insertText(const QString& text)
{
    if (selLength() > 0) removeSelection();
    const qint64 before = m_doc.length();
    m_doc.insert(m_caret, text);
    BigTextAccessible::inserted(this, m_caret, m_doc.length() - before);
    const qint64 pos = m_caret + (m_doc.length() - before);
    setCaret(pos, pos);
    textChanged();
}

void BigTextView::textChanged()
{
    m_activity.edited();
    m_goalX = -1;
    updateScrollBars();
    setTop(m_top); // the text may have become shorter than the page
    ensureCaretVisible();
    viewport()->update();
}

void BigTextView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        m_activity.layoutChanged();
        m_layout.setFont(font());
        m_widest = 0;
        updateWrapWidth();
        updateScrollBars();
        setTop(m_top);
        viewport()->update();
    } else if (event->type() == QEvent::PaletteChange) {
        viewport()->update();
    }
    QAbstractScrollArea::changeEvent(event);
}

// ---------------------------------------------------------------- scrolling

int BigTextView::pageLines() const
{
    return std::max(1, (viewport()->height() - kMargin) / m_layout.lineHeight());
}

BigTextView::Visual BigTextView::maxTop() const
{
    return m_layout.step(m_layout.lastVisual(), -(pageLines() - 1));
}

void BigTextView::setTop(Visual top)
{
    top = std::max(std::min(top, maxTop()), Visual{});
    if (m_layout.wraps()) top.sub = std::min(top.sub, m_layout.visualCount(top.line) - 1);
    else top = m_layout.atScrollLine(m_layout.scrollLine(top)); // a row begins with its line
    m_top = top;
    m_settingScroll = true;
    verticalScrollBar()->setValue(int(m_layout.scrollLine(top) / m_vScale));
    m_settingScroll = false;
    viewport()->update();
}

void BigTextView::scrollContentsBy(int, int dy)
{
    if (!m_settingScroll && dy != 0) m_top = m_layout.atScrollLine(qint64(verticalScrollBar()->value()) * m_vScale);
    viewport()->update();
}

void BigTextView::updateWrapWidth()
{
    const quint64 key = m_layout.countsKey();
    m_layout.setWrapWidth(m_wrap ? std::max(1, viewport()->width() - 2 * kMargin) : 0);
    if (m_layout.countsKey() != key) m_activity.layoutChanged();
}

void BigTextView::updateScrollBars()
{
    const qint64 lines = m_layout.scrollLines();
    m_vScale = lines > INT_MAX / 2 ? lines / (INT_MAX / 2) + 1 : 1;
    m_settingScroll = true;
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, int(m_layout.scrollLine(maxTop()) / m_vScale));
    v->setPageStep(std::max<int>(1, int(pageLines() / m_vScale)));
    v->setValue(int(m_layout.scrollLine(m_top) / m_vScale));
    // A line wider than the scroll bar counts is scrolled by more than a pixel a step.
    QScrollBar* h = horizontalScrollBar();
    const qreal x = scrollX();
    // In 64 bits: a line of billions of characters is wider than an int counts.
    const qint64 widest = qint64(std::ceil(std::min<qreal>(m_widest, qreal(qint64(1) << 52))));
    const qint64 width = m_wrap ? 0 : std::max<qint64>(0, widest + 2 * kMargin - viewport()->width());
    m_hScale = width > INT_MAX / 2 ? width / (INT_MAX / 2) + 1 : 1;
    h->setRange(0, int((width + m_hScale - 1) / m_hScale));
    h->setPageStep(std::max(1, int(viewport()->width() / m_hScale)));
    h->setValue(qRound(x / qreal(m_hScale)));
    m_settingScroll = false;
}

qreal BigTextView::scrollX() const { return m_wrap ? 0 : qreal(horizontalScrollBar()->value()) * qreal(m_hScale); }

void BigTextView::setScrollX(qreal x) { horizontalScrollBar()->setValue(qRound(std::max<qreal>(0, x) / qreal(m_hScale))); }

void BigTextView::widthsCounted()
{
    // The widest row shown is known now; a caret scrolled to on a guess is shown where it really is.
    const int page = pageLines();
    Visual v = m_top;
    for (int i = 0; i < page; ++i) {
        m_widest = std::max(m_widest, m_layout.rowWidth(v));
        const Visual next = m_layout.step(v, 1);
        if (next == v) break;
        v = next;
    }
    updateScrollBars();
    if (m_caretXGuessed) ensureCaretVisible();
    viewport()->update();
}

void BigTextView::ensureCaretVisible()
{
    const Visual c = m_layout.visualOf(m_caret);
    const int page = pageLines();
    if (c < m_top) setTop(c);
    else if (m_layout.distance(m_top, c, page) >= page) setTop(m_layout.step(c, -(page - 1)));
    if (m_wrap) return;
    const qreal x = m_layout.xOf(m_caret);
    m_caretXGuessed = m_layout.lineHolding(m_caret)->guessed;
    // Also a width a paint found and has not shown yet: the caret's x must be in range.
    m_widest = std::max({m_widest, m_layout.rowWidth(c), x});
    updateScrollBars();
    const qreal at = scrollX();
    const int visible = viewport()->width() - 2 * kMargin;
    if (x < at) setScrollX(std::floor(x) - visible / 4);
    else if (x > at + visible - 1) setScrollX(std::ceil(x) - visible * 3 / 4);
}

void BigTextView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    m_progress->place(viewport()->geometry());
    placeNotice();
    updateWrapWidth();
    updateScrollBars();
    setTop(m_top);
}

void BigTextView::setWordWrap(bool on)
{
    if (on == m_wrap) return;
    m_wrap = on;
    setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn);
    m_top.sub = 0;
    m_settingScroll = true;
    horizontalScrollBar()->setValue(0);
    m_settingScroll = false;
    updateWrapWidth();
    updateScrollBars();
    setTop(m_top);
}
