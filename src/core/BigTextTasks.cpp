#include "BigTextTasks.h"

#include "BigTextMeasure.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
std::atomic<qint64> g_immediate{2 << 20};
} // namespace

// ---------------------------------------------------------------- task

void BigTextTask::setImmediateLimit(qint64 chars) { g_immediate.store(std::max<qint64>(chars, 0)); }
qint64 BigTextTask::immediateLimit() { return g_immediate.load(); }

void BigTextTask::cancel()
{
    if (m_job) m_job->cancel();
    m_job.reset();
}

bool BigTextTask::readChanged(const BigTextDocument& doc)
{
    return doc.source() && doc.source()->verify() == BigTextSource::State::Changed;
}

std::shared_ptr<BigTextJob> BigTextTask::newJob()
{
    if (m_job) m_job->cancel();
    m_job = std::make_shared<BigTextJob>(this);
    return m_job;
}

// ---------------------------------------------------------------- find

BigTextFindTask::BigTextFindTask(const BigTextDocument& doc, QObject* parent) : BigTextTask(parent), m_doc(doc) {}

void BigTextFindTask::start(const QString& what, qint64 from, qint64 to)
{
    cancel();
    m_search = std::make_shared<BigTextSearch>(what, m_doc.source() ? &m_doc.source()->codec() : nullptr);
    const qint64 length = m_doc.length();
    m_from = std::clamp<qint64>(from, 0, length);
    m_to = to < 0 ? std::numeric_limits<qint64>::max() : std::clamp<qint64>(to, m_from, length);
    m_nextPart = m_doc.blockAt(m_from);
    m_done->store(0);
    m_startDone = m_doc.block(m_nextPart).start;
    if (m_search->size() == 0 || (to >= 0 && m_to - m_from < m_search->size())) {
        Q_EMIT finished(-1);
        return;
    }
    // The first stretch is searched now, as a search always was: a hit close
    // by is answered at once, and a short search is done with it.
    const Reach r = reach();
    int next = m_nextPart;
    for (qint64 chars = 0; next < r.end && chars <= immediateLimit(); ++next) chars += m_doc.block(next).length;
    const BigTextSpan head = m_doc.span(m_nextPart, next);
    m_nextPart = next;
    const bool more = next < r.end || r.growing;
    const qint64 hit = m_search->run(head, m_from, m_to, more, nullptr, m_done.get(),
                                     [this](const BigTextPart& p) { return m_doc.cachedText(p); });
    if (hit >= 0 || !more) {
        m_search.reset();
        if (readChanged(m_doc)) Q_EMIT fileChanged();
        else Q_EMIT finished(hit);
        return;
    }
    step();
}

void BigTextFindTask::cancel()
{
    BigTextTask::cancel();
    m_waiting = false;
}

BigTextFindTask::Reach BigTextFindTask::reach() const
{
    const bool bounded = m_to <= m_doc.length();
    Reach r{bounded ? m_doc.blockAt(std::max(m_from, m_to - 1)) + 1 : m_doc.blockCount(),
            !bounded && !m_doc.isComplete()};
    // A part counted quickly is read only once its count is checked: until
    // then its positions, and so a hit in it, may not be the file's.
    if (!m_doc.isExact()) {
        for (int i = m_nextPart; i < r.end; ++i) {
            const BigTextPart& p = m_doc.part(i);
            if (!p.own && !p.exact) {
                r = {i, true};
                break;
            }
        }
    }
    return r;
}

void BigTextFindTask::step()
{
    m_waiting = false;
    const Reach r = reach();
    if (m_nextPart >= r.end) {
        // Nothing new to read: done, unless the index brings more.
        if (r.growing) {
            m_waiting = true;
        } else {
            m_search.reset();
            if (readChanged(m_doc)) Q_EMIT fileChanged();
            else Q_EMIT finished(-1);
        }
        return;
    }
    auto span = std::make_shared<BigTextSpan>(m_doc.span(m_nextPart, r.end));
    m_nextPart = r.end;
    const bool more = r.growing;
    auto job = newJob();
    BigTextJob* j = job.get();
    job->start([j, span, search = m_search, done = m_done, from = m_from, to = m_to, more, this] {
        const qint64 hit = search->run(*span, from, to, more, j->flag(), done.get());
        if (hit == BigTextSearch::kCancelled) return;
        j->post([this, hit] { ran(hit); });
    });
}

void BigTextFindTask::ran(qint64 hit)
{
    m_job.reset();
    if (readChanged(m_doc)) {
        m_search.reset();
        Q_EMIT fileChanged();
        return;
    }
    if (hit >= 0) {
        Q_EMIT finished(hit);
        return;
    }
    step(); // on with what came meanwhile, or wait for more, or not found
}

void BigTextFindTask::grew()
{
    if (m_waiting) step();
}

double BigTextFindTask::progress() const
{
    if (!m_search) return 0;
    const qint64 length = m_doc.length();
    qint64 total = std::min(m_to, length) - m_startDone;
    if (m_to > length && m_doc.indexedEnd() > 0 && !m_doc.isComplete())
        total = qint64(double(length) * double(m_doc.fileEnd()) / double(m_doc.indexedEnd())) - m_startDone;
    return total <= 0 ? 0 : std::clamp(double(m_done->load()) / double(total), 0.0, 1.0);
}

// ---------------------------------------------------------------- copy

BigTextCopyTask::BigTextCopyTask(const BigTextDocument& doc, QObject* parent) : BigTextTask(parent), m_doc(doc) {}

void BigTextCopyTask::start(qint64 from, qint64 length)
{
    cancel();
    const qint64 total = m_doc.length();
    from = std::clamp<qint64>(from, 0, total);
    length = std::clamp<qint64>(length, 0, total - from);
    m_length = length;
    m_done->store(0);
    if (length <= immediateLimit()) {
        const QString text = m_doc.text(from, length);
        if (readChanged(m_doc)) Q_EMIT fileChanged();
        else Q_EMIT finished(text);
        return;
    }
    auto span = std::make_shared<BigTextSpan>(m_doc.span(m_doc.blockAt(from), m_doc.blockAt(from + length - 1) + 1));
    // The text is made here at its full size (a lack of memory is the
    // caller's to report); workers decode blocks side by side, each into its
    // own place in it, and the last one to finish hands it over.
    auto out = std::make_shared<QString>(qsizetype(length), Qt::Uninitialized);
    char16_t* base = reinterpret_cast<char16_t*>(out->data());
    auto starts = std::make_shared<std::vector<qint64>>(span->parts.size());
    for (size_t i = 0, at = size_t(0); i < span->parts.size(); ++i) {
        (*starts)[i] = span->start + qint64(at);
        at += size_t(span->parts[i].chars);
    }
    const int workers = std::max(1, std::min<int>(BigTextWorkers::threads(), int(span->parts.size() / 8) + 1));
    newJob()->startBatches(
        span->parts.size(), 16, workers,
        [span, starts, base, done = m_done, from, length] {
            return [span, starts, base, done, from, length](size_t first, size_t last) {
                for (size_t i = first; i < last; ++i) {
                    const auto d = span->text(i);
                    const qint64 start = (*starts)[i];
                    const qint64 off = std::max<qint64>(0, from - start);
                    const qint64 take = std::min<qint64>(d->text.size() - off, from + length - (start + off));
                    if (take > 0)
                        std::memcpy(base + (start + off - from), d->text.constData() + off, size_t(take) * sizeof(char16_t));
                    done->fetch_add(span->parts[i].chars, std::memory_order_relaxed);
                }
            };
        },
        [this, out] {
            m_job.reset();
            const QString text = std::move(*out);
            out->clear();
            if (readChanged(m_doc)) Q_EMIT fileChanged();
            else Q_EMIT finished(text);
        });
}

double BigTextCopyTask::progress() const
{
    return m_length <= 0 ? 0 : std::clamp(double(m_done->load()) / double(m_length), 0.0, 1.0);
}

// ---------------------------------------------------------------- counts

BigTextCountTask::BigTextCountTask(const BigTextDocument& doc, QObject* parent) : BigTextTask(parent), m_doc(doc) {}

void BigTextCountTask::start(const std::vector<BigTextMeasure::ToCount>& blocks, const QFont& font, qreal wrapWidth,
                             quint64 key)
{
    cancel();
    m_key = key;
    m_done->store(0);
    m_total = 0;
    struct Item {
        BigTextMeasure::ToCount what;
        qint64 folds = 0, start = 0;
        quint64 id = 0;
        bool goesOn = false; // its last line goes on in the next block
    };
    auto span = std::make_shared<BigTextSpan>();
    span->source = m_doc.source();
    auto items = std::make_shared<std::vector<Item>>();
    span->parts.reserve(blocks.size());
    items->reserve(blocks.size());
    for (const BigTextMeasure::ToCount& b : blocks) {
        const BigTextPart& part = m_doc.part(b.block);
        const BigTextDocument::Block block = m_doc.block(b.block);
        span->parts.push_back(part);
        items->push_back({b, block.folds, block.start, block.id, !part.endsWithNewline});
        m_total += part.chars;
    }
    if (blocks.empty()) {
        Q_EMIT finished();
        return;
    }
    // Workers take batches of about 32 blocks in turn, each measuring in its
    // own copy of the font, and each batch is answered on its own. The blocks
    // of one long line are wrapped one after another, each from where the one
    // before ended, so they are one batch however many they are.
    auto batches = std::make_shared<std::vector<size_t>>(); // where each begins, and the end
    for (size_t i = 0; i < items->size(); ++i)
        if (batches->empty() || (!(*items)[i].what.chained && i - batches->back() >= 32)) batches->push_back(i);
    batches->push_back(items->size());
    auto job = newJob();
    BigTextJob* j = job.get();
    const int workers = std::max(1, std::min<int>(BigTextWorkers::threads(), int(batches->size() / 2) + 1));
    job->startBatches(
        batches->size() - 1, 1, workers,
        [j, span, items, batches, done = m_done, font, wrapWidth, key, this]() -> BigTextJob::Batch {
            auto measure = std::make_shared<const BigTextMeasure>(font, wrapWidth);
            return [j, span, items, batches, done, measure, key, this](size_t first, size_t last) {
                for (size_t k = first; k < last; ++k) {
                    std::vector<BigTextMeasure::Counted> batch;
                    BigTextMeasure::WrapState s;
                    for (size_t i = (*batches)[k]; i < (*batches)[k + 1]; ++i) {
                        if (j->cancelled()) return;
                        const Item& it = (*items)[i];
                        BigTextMeasure::Counted c{it.id, it.folds, it.start, 0, it.what.chained ? s : it.what.in, {}};
                        c.rows = measure->blockRows(*span->text(i), it.folds, it.start, c.in, it.goesOn ? &c.out : nullptr);
                        s = c.out;
                        batch.push_back(c);
                        done->fetch_add(span->parts[i].chars, std::memory_order_relaxed);
                        if (batch.size() >= 32 || i + 1 == (*batches)[k + 1])
                            j->post([this, key, counts = std::exchange(batch, {})] { Q_EMIT counted(key, counts); });
                    }
                }
            };
        },
        [this] {
            m_job.reset();
            Q_EMIT finished();
        });
}

double BigTextCountTask::progress() const
{
    return m_total <= 0 ? 0 : std::clamp(double(m_done->load()) / double(m_total), 0.0, 1.0);
}
