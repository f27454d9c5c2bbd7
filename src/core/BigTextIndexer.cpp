#include "BigTextIndexer.h"

#include "VarError.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <new>

namespace {
constexpr qint64 kUnknown = -2; // a boundary not looked for yet
constexpr qint64 kNone = -1;    // no line start near the nominal cut

// What decoding gives for a block of the file counted quickly; -1 when it
// cannot be read as it was indexed (unreadable now, or the file changed:
// it keeps the count it was shown with, and the source knows).
qint64 exactBlockChars(const BigTextSource& source, const BigTextPart& part, std::vector<char>& bytes)
{
    bytes.resize(size_t(part.bytes));
    qint64 got = 0;
    try {
        got = BigTextScan::readAt(source.fd(), part.offset, bytes.data(), part.bytes);
    } catch (const VarError&) {
        return -1;
    }
    if (!source.confirm(part, bytes.data(), got)) return -1;
    const qint64 crlfs = got - BigTextScan::quickChars(BigTextScan::QuickCount::None, bytes.data(), got);
    return BigTextScan::exactChars(source.codec(), bytes.data(), got, crlfs, part.state);
}
} // namespace

// Blocks of one segment that have come in ahead of their turn.
struct BigTextIndexer::Segment {
    std::deque<std::vector<BigTextScan::Block>> batches;
    bool done = false;
    bool complete = true; // read to its end
    QString error;
};

// What the workers of one file share.
struct BigTextIndexer::Work {
    std::shared_ptr<const BigTextSource> source;
    qint64 begin = 0, end = 0, segmentBytes = 0, chunkBytes = 0;
    BigTextScan::QuickCount quick = BigTextScan::QuickCount::None;
    int segments = 0;
    std::atomic<int> nextSegment{0};
    std::mutex mutex;
    std::vector<qint64> bounds; // where segment j starts, kNone when it is part of the one before

    // Start of segment j (the first one and the end are fixed).
    qint64 bound(int j)
    {
        if (j <= 0) return begin;
        if (j >= segments) return end;
        {
            std::lock_guard lock(mutex);
            if (bounds[size_t(j)] != kUnknown) return bounds[size_t(j)];
        }
        const qint64 nominal = begin + segmentBytes * j;
        const qint64 at = BigTextScan::nextLineStart(source->fd(), begin, nominal, end, source->codec());
        std::lock_guard lock(mutex);
        // The first to look decides, so that neighbours agree even on a file that changes.
        if (bounds[size_t(j)] == kUnknown) bounds[size_t(j)] = at < 0 ? kNone : at;
        return bounds[size_t(j)];
    }

    void run(BigTextJob& self)
    {
        for (;;) {
            const int j = nextSegment.fetch_add(1);
            if (j >= segments || self.cancelled()) return;
            QString error;
            bool complete = true;
            try {
                const qint64 start = bound(j);
                qint64 stop = start;
                for (int k = j + 1; start >= 0 && !self.cancelled(); ++k) {
                    stop = bound(k);
                    if (stop >= 0) break;
                }
                if (start >= 0 && stop > start) {
                    std::vector<BigTextScan::Block> found;
                    BigTextScan::ScanControl control;
                    control.cancel = self.flag();
                    control.quick = quick;
                    control.flush = [&](std::vector<BigTextScan::Block>& blocks) {
                        self.post(sendBlocks(j, std::move(blocks), false, true, {}));
                        blocks.clear();
                    };
                    const qint64 reached =
                        BigTextScan::scanRange(source->fd(), start, stop, source->codec(), found, control, chunkBytes);
                    complete = reached >= stop;
                }
            } catch (const VarError& e) {
                error = e.message();
            } catch (const std::bad_alloc&) {
                error = VarError::streamRead().message();
            }
            if (self.cancelled()) return;
            self.post(sendBlocks(j, {}, true, complete && error.isEmpty(), error));
        }
    }

    std::function<void()> sendBlocks(int j, std::vector<BigTextScan::Block> blocks, bool done, bool complete,
                                     const QString& error);
    BigTextIndexer* indexer = nullptr; // used on the indexer's thread only
};

std::function<void()> BigTextIndexer::Work::sendBlocks(int j, std::vector<BigTextScan::Block> blocks, bool done,
                                                       bool complete, const QString& error)
{
    BigTextIndexer* to = indexer;
    return [to, j, blocks = std::move(blocks), done, complete, error]() mutable {
        to->receive(j, std::move(blocks), done, complete, error);
    };
}

BigTextIndexer::BigTextIndexer(BigTextDocument& doc, QObject* parent) : QObject(parent), m_doc(doc) {}

BigTextIndexer::~BigTextIndexer() { cancel(); }

void BigTextIndexer::cancel()
{
    if (m_job) m_job->cancel();
    m_job.reset();
    if (m_check) m_check->cancel();
    m_check.reset();
    m_pending.clear();
    m_next = m_segments = 0;
}

void BigTextIndexer::open(int fd, const QString& path, TextEncoding encoding)
{
    cancel();
    m_doc.openHead(fd, path, encoding, m_options.headBytes);
    if (m_doc.isComplete()) return;

    auto work = std::make_shared<Work>();
    work->source = m_doc.source();
    work->begin = m_doc.indexedEnd();
    work->end = m_doc.fileEnd();
    work->segmentBytes = std::max<qint64>(m_options.segmentBytes, 4096);
    work->chunkBytes = std::max<qint64>(m_options.chunkBytes, 1);
    const qint64 rest = work->end - work->begin;
    work->segments = int(std::min<qint64>((rest + work->segmentBytes - 1) / work->segmentBytes, 1 << 24));
    work->segmentBytes = std::max(work->segmentBytes, (rest + work->segments - 1) / work->segments);
    work->bounds.assign(size_t(work->segments), kUnknown);
    work->quick = m_options.quick ? BigTextScan::quickCountFor(encoding) : BigTextScan::QuickCount::None;
    work->indexer = this;

    m_segments = work->segments;
    m_next = 0;
    m_job = std::make_shared<BigTextJob>(this);
    const int workers = m_options.workers > 0 ? m_options.workers : std::min(BigTextWorkers::threads(), 4);
    BigTextJob* job = m_job.get();
    m_job->start([work, job] { work->run(*job); }, std::max(1, std::min(workers, work->segments)));
}

void BigTextIndexer::receive(int segment, std::vector<BigTextScan::Block> blocks, bool done, bool complete,
                             const QString& error)
{
    auto& s = m_pending[segment];
    if (!s) s = std::make_unique<Segment>();
    if (!blocks.empty()) s->batches.push_back(std::move(blocks));
    if (done) {
        s->done = true;
        s->complete = complete;
        s->error = error;
    }
    if (segment == m_next) apply();
}

void BigTextIndexer::apply()
{
    // Blocks read from another version of the file are not appended: checked
    // after they were read, so a change made while they were is seen.
    const auto& source = m_doc.source();
    if (m_job && source && source->verify() == BigTextSource::State::Changed) {
        cancel();
        Q_EMIT changed();
        return;
    }
    bool grown = false, ended = false;
    QString error;
    while (m_job) {
        auto it = m_pending.find(m_next);
        if (it == m_pending.end()) break;
        Segment& s = *it->second;
        for (; !s.batches.empty(); s.batches.pop_front()) {
            m_doc.appendBlocks(s.batches.front());
            grown = true;
        }
        if (!s.done) break;
        const bool complete = s.complete;
        error = s.error;
        m_pending.erase(it);
        ++m_next;
        if (!complete || m_next >= m_segments) {
            // The text ends here, whether the file did or reading stopped short.
            cancel();
            m_doc.finishIndex();
            ended = true;
        }
    }
    if (ended) check();
    // Signalled last: a listener may well start something new.
    if (grown) Q_EMIT grew();
    if (ended) Q_EMIT finished();
    if (ended && !error.isEmpty()) Q_EMIT failed(error);
}

// The blocks counted quickly are counted again, exactly, behind the index:
// only text that is not well formed comes out different.
void BigTextIndexer::check()
{
    if (m_doc.isExact()) return;
    auto parts = std::make_shared<std::vector<BigTextPart>>();
    for (int i = 0; i < m_doc.blockCount(); ++i) {
        const BigTextPart& p = m_doc.part(i);
        if (!p.own && !p.exact) parts->push_back(p);
    }
    auto source = m_doc.source();
    if (parts->empty() || !source) {
        m_doc.markExact();
        return;
    }
    m_check = std::make_shared<BigTextJob>(this);
    BigTextJob* job = m_check.get();
    const int workers = std::max(1, m_options.workers > 0 ? m_options.workers : std::min(BigTextWorkers::threads(), 4));
    job->startBatches(
        parts->size(), 64, workers,
        [job, parts, source, this]() -> BigTextJob::Batch {
            auto bytes = std::make_shared<std::vector<char>>();
            return [job, parts, source, bytes, this](size_t first, size_t last) {
                std::vector<std::pair<quint64, qint64>> fixes;
                for (size_t k = first; k < last; ++k) {
                    const BigTextPart& p = (*parts)[k];
                    const qint64 chars = exactBlockChars(*source, p, *bytes);
                    if (chars >= 0 && chars != p.chars) fixes.emplace_back(p.id, chars);
                }
                if (!fixes.empty()) job->post([this, fixes] { checked(fixes, false); });
            };
        },
        [this] { checked({}, true); });
}

bool BigTextIndexer::checkNow(int from, int to)
{
    const auto& source = m_doc.source();
    if (m_doc.isExact() || !source) return false;
    std::vector<std::pair<quint64, qint64>> fixes;
    std::vector<char> bytes;
    for (int i = std::max(from, 0); i < std::min(to, m_doc.blockCount()); ++i) {
        const BigTextPart& p = m_doc.part(i);
        if (p.own || p.exact) continue;
        const qint64 chars = exactBlockChars(*source, p, bytes);
        if (chars >= 0 && chars != p.chars) fixes.emplace_back(p.id, chars);
        else m_doc.confirmBlock(i);
    }
    checked(fixes, false);
    return !fixes.empty();
}

void BigTextIndexer::checked(const std::vector<std::pair<quint64, qint64>>& corrections, bool done)
{
    for (const auto& [id, chars] : corrections) {
        const auto [position, delta] = m_doc.correctBlock(id, chars);
        if (delta != 0) Q_EMIT corrected(position, delta);
    }
    if (!done) return;
    m_check.reset();
    m_doc.markExact();
    Q_EMIT exact();
}
