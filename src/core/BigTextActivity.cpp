#include "BigTextActivity.h"

#include "BigTextMemory.h"
#include "TextLoad.h"

#include <QClipboard>
#include <QGuiApplication>

#include "VarError.h"

#include <algorithm>
#include <new>


namespace {
// How often growth and better line numbers are passed on.
constexpr int kReportMs = 100;
} // namespace

BigTextActivity::BigTextActivity(BigTextDocument& doc, BigTextLayout& layout, QObject* parent)
    : QObject(parent), m_doc(doc), m_layout(layout), m_indexer(doc, this), m_find(doc, this), m_copy(doc, this),
      m_count(doc, this)
{
    m_grewTimer.setSingleShot(true);
    m_grewTimer.setInterval(kReportMs);
    m_numberTimer.setSingleShot(true);
    m_numberTimer.setInterval(kReportMs);
    connect(&m_indexer, &BigTextIndexer::grew, this, &BigTextActivity::onGrew);
    connect(&m_indexer, &BigTextIndexer::finished, this, &BigTextActivity::onIndexed);
    connect(&m_indexer, &BigTextIndexer::corrected, this, &BigTextActivity::corrected);
    connect(&m_indexer, &BigTextIndexer::corrected, this, [this](qint64 position, qint64 delta) {
        // A copy waiting for the counts keeps to the text it was asked for.
        if (!m_copyPending) return;
        const qint64 end = m_copyFrom + m_copyLength;
        if (position < m_copyFrom) m_copyFrom = std::max(position, m_copyFrom + delta);
        if (m_copyLength >= 0 && position < end)
            m_copyLength = std::max<qint64>(0, std::max(position, end + delta) - m_copyFrom);
    });
    connect(&m_indexer, &BigTextIndexer::exact, this, [this] {
        m_find.grew();
        if (m_copyPending) startPendingCopy();
    });
    connect(&m_indexer, &BigTextIndexer::changed, this, &BigTextActivity::onFileChanged);
    connect(&m_find, &BigTextTask::fileChanged, this, &BigTextActivity::onFileChanged);
    connect(&m_copy, &BigTextTask::fileChanged, this, [this] {
        onFileChanged();
        tellCopyDropped();
    });
    connect(&m_grewTimer, &QTimer::timeout, this, &BigTextActivity::grew);
    connect(&m_numberTimer, &QTimer::timeout, this, &BigTextActivity::numberingChanged);
    connect(&m_find, &BigTextFindTask::finished, this, [this](qint64 hit) {
        updateBusy();
        Q_EMIT found(hit);
    });
    connect(&m_copy, &BigTextCopyTask::finished, this, [this](const QString& text) {
        setClipboard(text);
        updateBusy();
    });
    connect(&m_count, &BigTextCountTask::counted, this,
            [this](quint64 key, const std::vector<BigTextMeasure::Counted>& counts) {
                m_layout.addCounts(key, counts);
                if (!m_numberTimer.isActive()) m_numberTimer.start();
            });
    connect(&m_count, &BigTextCountTask::finished, this, &BigTextActivity::countLater);
}

BigTextActivity::~BigTextActivity()
{
    const bool working = BigTextWorkers::busy() > 0;
    stopAll();
    // Told to stop, workers end within the block or chunk in hand; waiting for
    // that here means none of them measures text (fonts) or reads a file after
    // the view, or the program, is gone.
    if (working) BigTextWorkers::waitIdle(1000);
}

void BigTextActivity::stopAll()
{
    m_indexer.cancel();
    m_find.cancel();
    m_copy.cancel();
    m_count.cancel();
    m_copyPending = false;
    m_grewTimer.stop();
    m_numberTimer.stop();
    updateBusy();
}

void BigTextActivity::load(int fd, const QString& path, TextEncoding encoding)
{
    stopAll();
    m_indexer.open(fd, path, encoding);
}

bool BigTextActivity::reload()
{
    const auto source = m_doc.source();
    if (!source) return true;
    // A copy of the text read before would be of neither version.
    dropCopy();
    const QString path = source->path();
    TextLoad::Content content = TextLoad::readFile(path);
    if (content.kind != TextLoad::Content::Kind::File) return false;
    load(content.file.release(), path, content.encoding);
    return true;
}

void BigTextActivity::dropCopy()
{
    if (!m_copy.active() && !m_copyPending) return;
    m_copy.cancel();
    m_copyPending = false;
    updateBusy();
    tellCopyDropped();
}

void BigTextActivity::tellCopyDropped()
{
    // Told once the reload that follows a change is done: a message box
    // opened in the middle of it would let the next check of the file in.
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT copyFailed(QStringLiteral("ファイルが変更されたため、コピーできませんでした")); },
        Qt::QueuedConnection);
}

void BigTextActivity::onFileChanged()
{
    dropCopy();
    updateBusy();
    Q_EMIT fileChanged();
}

void BigTextActivity::onGrew()
{
    m_find.grew();
    if (!m_grewTimer.isActive()) m_grewTimer.start();
}

void BigTextActivity::onIndexed()
{
    m_find.grew();
    m_grewTimer.stop();
    Q_EMIT grew();
    Q_EMIT indexed();
    if (m_copyPending && m_doc.isExact()) startPendingCopy();
}

// ---------------------------------------------------------------- find, copy

void BigTextActivity::find(const QString& what, qint64 from, qint64 to)
{
    m_find.cancel();
    if (to < 0 && m_doc.isComplete()) to = m_doc.length();
    m_find.start(what, from, to);
    updateBusy();
}

void BigTextActivity::edited()
{
    m_find.cancel();
    updateBusy();
}

void BigTextActivity::copy(qint64 from, qint64 length, bool toEnd)
{
    // The end of the file, not of what the caller has seen of it: the index
    // may have grown since.
    if (toEnd) length = std::max<qint64>(0, m_doc.length() - from);
    // Weighed before anything is taken: a copy too big to hand over whole is
    // refused here, never half-made or failed in the toolkit.
    BigTextMemory::requireClipboard(length);
    m_copy.cancel();
    m_copyPending = false;
    // A copy reads no count of characters that is not checked: it waits for
    // the index to end (to the end of the text) and for the counts.
    if ((toEnd && !m_doc.isComplete()) || !m_doc.isExact()) {
        m_copyPending = true;
        m_copyFrom = from;
        m_copyLength = toEnd ? -1 : length;
        updateBusy();
        return;
    }
    m_copy.start(from, length);
    updateBusy();
}

void BigTextActivity::startPendingCopy()
{
    m_copyPending = false;
    const qint64 length = m_copyLength < 0 ? m_doc.length() - m_copyFrom : m_copyLength;
    switch (BigTextMemory::clipboardRefusal(length)) {
    case BigTextMemory::Refusal::None:
        break;
    case BigTextMemory::Refusal::TooLong:
        updateBusy();
        Q_EMIT copyFailed(BigTextMemory::tooLongMessage(length));
        return;
    case BigTextMemory::Refusal::NoMemory:
        updateBusy();
        Q_EMIT outOfMemory();
        return;
    }
    try {
        m_copy.start(m_copyFrom, length);
    } catch (const std::bad_alloc&) {
        Q_EMIT outOfMemory();
    }
    updateBusy();
}

void BigTextActivity::setClipboard(const QString& text)
{
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

// ---------------------------------------------------------------- numbering

void BigTextActivity::countLater()
{
    if (m_count.running() && m_count.key() == m_layout.countsKey()) return; // another pass when it ends
    const auto blocks = m_layout.blocksToCount();
    if (!blocks.empty()) m_count.start(blocks, m_layout.font(), m_layout.wrapWidth(), m_layout.countsKey());
    updateBusy();
}

void BigTextActivity::layoutChanged()
{
    m_count.cancel();
    m_numberTimer.stop();
    updateBusy();
}

// ---------------------------------------------------------------- busy

// Counting wrapped lines is shown too: until it ends, line numbers are guesses.
// (Unwrapped, only widths of long lines are counted: nothing shown is a guess of a number.)
bool BigTextActivity::busy() const
{
    return m_find.active() || m_copy.active() || m_copyPending || (m_count.active() && m_layout.wraps());
}

double BigTextActivity::progress() const
{
    if (m_copyPending)
        return m_doc.fileEnd() > 0 ? double(m_doc.indexedEnd()) / double(m_doc.fileEnd()) : 0;
    if (m_copy.active()) return m_copy.progress();
    if (!m_find.active() && m_count.active()) return m_count.progress();
    return m_find.progress();
}

QString BigTextActivity::busyText() const
{
    if (m_copy.active() || m_copyPending) return QStringLiteral("コピーしています…");
    if (!m_find.active() && m_count.active()) return QStringLiteral("行を数えています…");
    return QStringLiteral("検索しています…");
}

void BigTextActivity::cancelBusy()
{
    m_find.cancel();
    m_copy.cancel();
    m_copyPending = false;
    updateBusy();
}

void BigTextActivity::updateBusy()
{
    const bool now = busy();
    if (now == m_busy) return;
    m_busy = now;
    Q_EMIT busyChanged(now);
}
