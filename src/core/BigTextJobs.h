#pragma once
#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// Work on a big text that runs beside the event loop. A job's workers run on a
// pool of threads; they stop when the job's flag is set, which they check at
// every chunk they read; what they hand back is run on the thread of the
// job's receiver (the event loop's), and is dropped once the job has been
// cancelled or the receiver is gone. Workers never touch the receiver
// themselves, and nothing they throw leaves them.
class BigTextJob : public std::enable_shared_from_this<BigTextJob> {
public:
    explicit BigTextJob(QObject* receiver) : m_receiver(receiver) {}
    BigTextJob(const BigTextJob&) = delete;
    BigTextJob& operator=(const BigTextJob&) = delete;

    // From the receiver's thread: workers stop at their next check, and
    // nothing posted after this runs.
    void cancel();
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }
    const std::atomic<bool>* flag() const { return &m_cancelled; }

    // From a worker: runs fn on the receiver's thread later, unless the job is
    // cancelled by then. False when it is already. Should fn throw, the job is
    // cancelled.
    bool post(std::function<void()> fn);

    // Runs work on count workers of the pool; an exception that escapes work
    // is swallowed (a worker reports its failures through post()). Workers
    // the system refuses to start are done without: the work then runs on
    // fewer, one after another, or here when the pool has no thread at all.
    void start(std::function<void()> work, int count = 1);
    // Before start(): the work touches nothing of the program's but what it
    // holds itself (a folder's listing, a file's type), so that it need not be
    // waited for: its workers are not counted by BigTextWorkers::busy(), and
    // waitIdle() does not wait for them.
    void setDetached() { m_detached = true; }

    // Runs workers workers that take the items [0, count) in batches of batch,
    // in turn, until none is left or the job is cancelled. makeWorker() runs
    // once on each worker and gives what does one batch [first, last), with
    // whatever the worker keeps between its batches; the last worker to end
    // posts finished.
    using Batch = std::function<void(size_t first, size_t last)>;
    void startBatches(size_t count, size_t batch, int workers, std::function<Batch()> makeWorker,
                      std::function<void()> finished);

private:
    std::atomic<bool> m_cancelled{false};
    bool m_detached = false;
    std::mutex m_mutex;
    QObject* m_receiver;
};

namespace BigTextWorkers {
// Hardware threads, at least one.
int threads();
// Workers running right now, of all jobs but detached ones.
int busy();
// Waits up to ms for those workers to finish; true when none runs.
bool waitIdle(int ms);
// Ends the pool's threads, as the application's end does: waits up to ms for
// those inside a work (cancelled ones stop at their next check), then leaves
// the rest behind, detached (a call stuck in the kernel is never waited for).
// True when none was left.
bool endAll(int ms);
// Threads left behind that are still inside their work. While there is one,
// the program ends without destroying what such a thread may still touch.
int leftBehind();

// While one lives, the pool starts no more than allowed threads (0: none), as
// a system would that refuses more; those that wait for work end first, so
// that the threads are the test's to count. Work then runs on fewer workers,
// or on the thread that starts it when there is none.
class RefuseThreads {
public:
    explicit RefuseThreads(int allowed);
    ~RefuseThreads();
    RefuseThreads(const RefuseThreads&) = delete;
    RefuseThreads& operator=(const RefuseThreads&) = delete;
};

// While one lives, workers wait before they begin their work: a test changes
// what the work will read (the file, the document) in between, in an order it
// knows instead of racing the workers. Work that runs already is not held.
class Hold {
public:
    Hold();
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
};
}
