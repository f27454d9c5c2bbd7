#include "RichTextLoader.h"

#include "BigTextJobs.h"
#include "BigTextScan.h"
#include "VarError.h"

#include <new>
#include <vector>

RichTextLoader::RichTextLoader(QObject* parent) : QObject(parent) {}

RichTextLoader::~RichTextLoader() { cancel(); }

void RichTextLoader::cancel()
{
    if (m_job) m_job->cancel();
    m_job.reset();
    m_runs.clear();
    m_plain = {};
}

void RichTextLoader::start(TextLoad::Content&& content)
{
    cancel();
    auto job = std::make_shared<BigTextJob>(this);
    m_job = job;
    auto file = std::make_shared<TextLoad::OpenFile>(std::move(content.file));
    const qint64 limit = content.limit;
    BigTextJob* self = job.get();   // kept alive by start() while its worker runs
    // Each hand-over checks that it still belongs to the load under way: a
    // cancelled job posts nothing, and a new load has a job of its own.
    auto mine = [this, self] { return m_job.get() == self; };
    job->start([this, self, file, limit, mine] {
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
