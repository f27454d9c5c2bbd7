#include "RichTextLoader.h"

#include "BigTextJobs.h"
#include "BigTextScan.h"
#include "VarError.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <vector>

// How far the worker is ahead of the pane: characters posted and not taken.
struct RichTextLoader::Flow {
    std::mutex mutex;
    std::condition_variable taken;
    qint64 ahead = 0;
};

RichTextLoader::RichTextLoader(QObject* parent) : QObject(parent) {}

std::deque<RtfReader::Run> RichTextLoader::takeRuns()
{
    qint64 chars = 0;
    for (const RtfReader::Run& r : m_runs) chars += r.text.size();
    if (m_flow && chars > 0) {
        {
            std::lock_guard lock(m_flow->mutex);
            m_flow->ahead -= chars;
        }
        m_flow->taken.notify_all();
    }
    return std::exchange(m_runs, {});
}

RichTextLoader::~RichTextLoader() { cancel(); }

void RichTextLoader::cancel()
{
    if (m_job) m_job->cancel();
    m_job.reset();
    if (m_flow) m_flow->taken.notify_all();
    m_flow.reset();
    m_runs.clear();
    m_plain = {};
}

void RichTextLoader::start(TextLoad::Content&& content)
{
    cancel();
    auto job = std::make_shared<BigTextJob>(this);
    m_job = job;
    auto flow = std::make_shared<Flow>();
    m_flow = flow;
    auto file = std::make_shared<TextLoad::OpenFile>(std::move(content.file));
    const qint64 limit = content.limit;
    BigTextJob* self = job.get();   // kept alive by start() while its worker runs
    // Each hand-over checks that it still belongs to the load under way: a
    // cancelled job posts nothing, and a new load has a job of its own.
    auto mine = [this, self] { return m_job.get() == self; };
    job->start([this, self, file, flow, limit, mine] {
        try {
            RtfReader::Reader reader;
            std::vector<char> piece(static_cast<size_t>(kPieceBytes));
            qint64 offset = 0;
            for (;;) {
                if (self->cancelled()) return;
                const qint64 got = BigTextScan::readAt(file->fd(), offset, piece.data(), kPieceBytes);
                offset += got;
                if (offset > limit) throw VarError::streamRead();
                const RtfReader::Status status = reader.feed(piece.data(), qsizetype(got), got == 0);
                if (status == RtfReader::Status::Invalid) {
                    reader.take();
                    auto plain = std::make_shared<TextLoad::Content>(TextLoad::readPlain(file->fd(), limit));
                    self->post([this, plain, mine] {
                        if (!mine()) return;
                        m_job.reset();
                        m_runs.clear();
                        m_plain = std::move(*plain);
                        Q_EMIT fellBack();
                    });
                    return;
                }
                auto runs = std::make_shared<std::vector<RtfReader::Run>>(reader.take());
                if (!runs->empty()) {
                    qint64 chars = 0;
                    for (const RtfReader::Run& r : *runs) chars += r.text.size();
                    std::unique_lock lock(flow->mutex);
                    // Woken by each take; a cancel is seen within the wait.
                    while (flow->ahead > kAheadChars && !self->cancelled())
                        flow->taken.wait_for(lock, std::chrono::milliseconds(20));
                    flow->ahead += chars;
                }
                if (!runs->empty()) {
                    self->post([this, runs, mine] {
                        if (!mine()) return;
                        for (RtfReader::Run& r : *runs) m_runs.push_back(std::move(r));
                        Q_EMIT arrived();
                    });
                }
                if (status == RtfReader::Status::Done) break;
            }
            self->post([this, mine] {
                if (!mine()) return;
                m_job.reset();
                Q_EMIT finished();
            });
        } catch (const VarError& e) {
            const QString message = e.message();
            self->post([this, message, mine] {
                if (!mine()) return;
                m_job.reset();
                Q_EMIT failed(message);
            });
        } catch (const std::bad_alloc&) {
            self->post([this, mine] {
                if (!mine()) return;
                m_job.reset();
                Q_EMIT failed(VarError::streamRead().message());
            });
        }
    });
}
