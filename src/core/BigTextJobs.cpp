#include "BigTextJobs.h"

#include "HandOff.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <thread>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::atomic<int> g_busy{0};
std::mutex g_idleMutex;
std::condition_variable g_idle;

void workerDone()
{
    if (g_busy.fetch_sub(1) != 1) return;
    std::lock_guard lock(g_idleMutex);
    g_idle.notify_all();
}
constexpr int kWorkerNice = 5;

// The pool belongs to the application object, whose end waits for the
// workers (cancelled jobs stop within a chunk), so none outlives the program's
// own objects.
QThreadPool& pool()
{
    static QPointer<QThreadPool> p;
    if (!p) {
        p = new QThreadPool(QCoreApplication::instance());
        p->setObjectName(QStringLiteral("bigtext-workers"));
        // Indexing takes as many as there are cores; find, copy and counting
        // must not queue behind it.
        p->setMaxThreadCount(std::min(BigTextWorkers::threads(), 4) + 4);
        p->setExpiryTimeout(10000);
    }
    return *p;
}

// Holds of BigTextWorkers::Hold alive.
std::mutex g_holdMutex;
std::condition_variable g_released;
int g_holds = 0;

void waitWhileHeld()
{
    std::unique_lock lock(g_holdMutex);
    g_released.wait(lock, [] { return g_holds == 0; });
}

// The two queues work crosses threads through (see HandOff.h).
void* poolQueue()
{
    static char queue;
    return &queue;
}

void* eventQueue()
{
    static char queue;
    return &queue;
}

} // namespace

void BigTextJob::cancel()
{
    std::lock_guard lock(m_mutex);
    m_cancelled.store(true, std::memory_order_relaxed);
    m_receiver = nullptr;
}

bool BigTextJob::post(std::function<void()> fn)
{
    std::lock_guard lock(m_mutex);
    if (m_cancelled.load(std::memory_order_relaxed) || !m_receiver) return false;
    QMetaObject::invokeMethod(
        m_receiver,
        HandOff::marked<eventQueue>([self = shared_from_this(), fn = std::move(fn)] {
            // Run by the event loop: nothing may escape into it. What fails
            // here (memory, at worst) leaves the text as far as it got.
            try {
                if (!self->cancelled()) fn();
            } catch (...) {
                self->cancel();
            }
        }),
        Qt::QueuedConnection);
    return true;
}

void BigTextJob::start(std::function<void()> work, int count)
{
    auto self = shared_from_this();
    const bool counted = !m_detached;
    for (int i = 0; i < count; ++i) {
        if (counted) g_busy.fetch_add(1);
        pool().start(HandOff::marked<poolQueue>([self, work, counted]() mutable {
            // Workers yield to the event loop's thread: a busy machine slows
            // the background down, never the window.
            ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), kWorkerNice);
            waitWhileHeld();
            try {
                if (!self->cancelled()) work();
            } catch (...) {
            }
            // What the work holds (the open file among it) goes before the
            // worker counts as done.
            work = nullptr;
            self.reset();
            if (counted) workerDone();
        }));
    }
}

void BigTextJob::startBatches(size_t count, size_t batch, int workers, std::function<Batch()> makeWorker,
                              std::function<void()> finished)
{
    auto next = std::make_shared<std::atomic<size_t>>(0);
    auto left = std::make_shared<std::atomic<int>>(workers);
    BigTextJob* self = this; // kept alive by start() while a worker runs
    start(
        [self, count, batch, next, left, makeWorker = std::move(makeWorker), finished = std::move(finished)] {
            const Batch run = makeWorker();
            for (;;) {
                const size_t first = next->fetch_add(batch);
                if (first >= count || self->cancelled()) break;
                run(first, std::min(first + batch, count));
            }
            if (left->fetch_sub(1) == 1) self->post(finished);
        },
        workers);
}

namespace BigTextWorkers {

int threads() { return int(std::max(1u, std::thread::hardware_concurrency())); }

int busy() { return g_busy.load(); }

// Waits for the counted workers only: a detached one (a listing of a folder
// on a slow mount, say) never holds up the end of a view or of the program's
// window.
bool waitIdle(int ms)
{
    std::unique_lock lock(g_idleMutex);
    return g_idle.wait_for(lock, std::chrono::milliseconds(std::max(ms, 0)), [] { return g_busy.load() == 0; });
}

Hold::Hold()
{
    std::lock_guard lock(g_holdMutex);
    ++g_holds;
}

Hold::~Hold()
{
    {
        std::lock_guard lock(g_holdMutex);
        --g_holds;
    }
    g_released.notify_all();
}

} // namespace BigTextWorkers
