#include "BigTextView.h"

// The file behind the view once it is shown: noticing that it changed,
// telling the user so, and reading it again with the caret kept on its line.
//
// The file is looked at by its open descriptor (its stamp) and its name (where
// it leads) every BigTextWatch::kIntervalMs on a worker, and every block read
// again is checked against its digest, rather than watched by name: the
// descriptor is what the view reads, whatever the name leads to, and a file
// watcher loses a file renamed away and says nothing of one rewritten through
// another name. A reload opens the name anew, as a first open does.
#include "BigTextNotice.h"
#include "VarError.h"

#include <algorithm>
#include <new>

namespace {
const QString& changedText()
{
    static const QString text = QStringLiteral("ファイルが変更されました。");
    return text;
}
} // namespace

void BigTextView::queueFileCheck()
{
    if (m_checkQueued) return;
    m_checkQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_checkQueued = false;
            checkFile();
        },
        Qt::QueuedConnection);
}

void BigTextView::watchFile()
{
    m_lookMark = m_quietMark = 0;
    m_watch.watch(m_doc.isFile() ? m_doc.source() : nullptr);
}

void BigTextView::checkFile()
{
    if (!m_doc.isFile()) return;
    // Found changed by a reader: nothing more to look at.
    if (m_doc.fileChanged()) reloadKeepingCaret(true);
    else m_watch.lookNow();
}

void BigTextView::looked(const BigTextSource::Look& look)
{
    if (!m_doc.isFile()) return;
    m_lookMark = look.mark;
    if (look.state == BigTextSource::State::Changed) {
        // What is shown can no longer be read as it was: nothing but a
        // reload shows one version of the file, whole.
        reloadKeepingCaret(true);
        return;
    }
    if (look.state == BigTextSource::State::Same && look.named == BigTextSource::Named::File) return;
    if (look.mark == m_quietMark) return;
    // What is shown is still the file as opened: it stays, and the user chooses.
    if (look.named == BigTextSource::Named::Nothing)
        m_notice->tell(QStringLiteral("ファイルが削除または移動されました。"), false);
    else
        m_notice->tell(changedText(), true);
}

void BigTextView::reloadFile()
{
    if (m_doc.isFile()) reloadKeepingCaret(false);
}

void BigTextView::reloadKeepingCaret(bool onItsOwn)
{
    // The caret's line and column in the text as it was shown: from its block
    // as it was decoded then, or the block's first line when none is held.
    const int b = m_doc.blockAt(m_caret);
    const BigTextDocument::Block block = m_doc.block(b);
    qint64 line = block.firstLine, column = 0;
    if (const auto d = m_doc.cachedText(m_doc.part(b))) {
        const qint64 off = m_caret - block.start;
        const auto r = std::upper_bound(d->lineStarts.begin(), d->lineStarts.end(), off) - d->lineStarts.begin() - 1;
        line += r;
        column = off - d->lineStarts[size_t(r)];
    }
    const qint64 top = m_top.line;
    const QString path = m_doc.source()->path();
    QString failure;
    bool shown = true;
    try {
        shown = m_activity.reload();
    } catch (const VarError& e) {
        failure = e.message();
    } catch (const std::bad_alloc&) {
        failure = VarError::streamRead().message();
    }
    if (!shown) {
        // Rich text now: its owner shows it, as a first open would.
        Q_EMIT reloadFoundOther(path);
        return;
    }
    if (!failure.isEmpty()) {
        // The name gives what a first open of it would refuse. Text that
        // still holds stays; what is no longer the file is not shown.
        if (m_doc.fileChanged()) {
            m_activity.stopAll();
            m_doc.clear();
            reset();
            m_watch.watch(nullptr);
        }
        m_quietMark = m_lookMark;
        m_notice->tell(failure, false);
        return;
    }
    reset();
    watchFile();
    if (onItsOwn) m_notice->tell(changedText(), false);
    else m_notice->dismiss();
    m_restoreLine = line;
    m_restoreColumn = column;
    m_restoreTop = top;
    restoreCaret();
}

// The caret goes back to its line once the index holds it whole, or to the
// last line when the file ends before.
void BigTextView::restoreCaret()
{
    if (m_restoreLine < 0) return;
    const qint64 last = m_doc.lineCount() - 1;
    if (m_restoreLine >= last && !m_doc.isComplete()) return;
    const qint64 line = std::min(m_restoreLine, last);
    const qint64 pos = m_doc.lineStart(line) + std::min(m_restoreColumn, m_doc.lineLength(line));
    const qint64 top = std::min(m_restoreTop, last);
    m_restoreLine = -1;
    m_following = true;
    setCaret(pos, pos);
    m_following = false;
    setTop(Visual{top, 0});
    ensureCaretVisible();
}

// The notice takes room above the text rather than covering its first line.
void BigTextView::placeNotice()
{
    const int h = m_notice->shown() ? m_notice->sizeHint().height() : 0;
    if (viewportMargins().top() != h) setViewportMargins(0, h, 0, 0);
    if (h == 0) return;
    // As wide as the text, so that the vertical scroll bar beside it never
    // covers the strip's buttons.
    const QRect area = contentsRect();
    m_notice->setGeometry(area.left(), area.top(), viewport()->width(), h);
    m_notice->raise();
}
