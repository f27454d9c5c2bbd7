#include "BigTextWatch.h"

BigTextWatch::BigTextWatch(QObject* parent) : QObject(parent)
{
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &BigTextWatch::lookNow);
}

BigTextWatch::~BigTextWatch() { watch(nullptr); }

void BigTextWatch::watch(std::shared_ptr<const BigTextSource> source)
{
    if (m_job) m_job->cancel();
    m_job.reset();
    m_source = std::move(source);
    if (m_source) m_timer.start();
    else m_timer.stop();
}

void BigTextWatch::lookNow()
{
    if (!m_source || m_job) return;
    m_job = std::make_shared<BigTextJob>(this);
    // It holds nothing of the program's but the file: a look stuck in the
    // kernel is not waited for when the view or the program ends.
    m_job->setDetached();
    BigTextJob* job = m_job.get();
    m_job->start([job, source = m_source, this] {
        const BigTextSource::Look look = source->look();
        job->post([this, look] {
            m_job.reset();
            Q_EMIT looked(look);
        });
    });
}
