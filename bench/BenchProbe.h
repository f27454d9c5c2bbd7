#pragma once
// What the window benchmarks measure with: milliseconds, the process's
// processor time, the longest stall of the event loop, and running the event
// loop until something holds; a measurement run in a child process of its
// own, so that its peak memory is its own.
#include "Messages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <functional>

#include <sys/resource.h>
#include <time.h>

// Message boxes of a window under measurement: none is shown; the last error
// or notice is kept, for a benchmark that waits for one or reports it.
class BenchMessages : public Messages {
public:
    void error(QWidget*, const QString& t) override { last = t; }
    void warning(QWidget*, const QString&) override {}
    void notice(QWidget*, const QString& t) override { last = t; }
    QString last;
};

inline double ms(qint64 ns) { return double(ns) / 1e6; }

// Processor time of the whole process (all threads) so far, in ms.
inline double cpuMs()
{
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
}

// Processor time of the calling thread so far, in ns.
inline qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The largest gap between ticks of a 1 ms timer since reset(), and the most
// processor time the event loop's thread spent within one gap: on a busy
// machine a gap also holds the time the thread waited for a core.
class StallProbe : public QObject {
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed(), cpu = threadCpuNs();
            m_worst = std::max(m_worst, now - m_last);
            m_worstCpu = std::max(m_worstCpu, cpu - m_lastCpu);
            m_last = now;
            m_lastCpu = cpu;
        });
        m_clock.start();
        m_timer.start();
    }
    void reset()
    {
        m_last = m_clock.nsecsElapsed();
        m_lastCpu = threadCpuNs();
        m_worst = m_worstCpu = 0;
    }
    // The gap still open counts too.
    double worstMs() const { return ms(std::max(m_worst, m_clock.nsecsElapsed() - m_last)); }
    double worstCpuMs() const { return ms(std::max(m_worstCpu, threadCpuNs() - m_lastCpu)); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0, m_worst = 0, m_lastCpu = 0, m_worstCpu = 0;
};

// Runs the event loop until done() holds or seconds pass; false on the time out.
inline bool spin(const std::function<bool()>& done, int seconds = 1800)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > qint64(seconds) * 1000) return false;
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Runs this program again with args and reads the key=value figures it prints.
inline QMap<QString, double> runChild(const QString& self, const QStringList& args)
{
    QMap<QString, double> values;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self, args);
    if (!child.waitForFinished(3600000)) {
        child.kill();
        return values;
    }
    for (const QByteArray& kv : child.readAllStandardOutput().trimmed().split(' ')) {
        const int eq = kv.indexOf('=');
        if (eq > 0) values[QString::fromLatin1(kv.left(eq))] = kv.mid(eq + 1).toDouble();
    }
    return values;
}
