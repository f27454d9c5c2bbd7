#include "BigTextJobs.h"

#include "HandOff.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

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
constexpr auto kIdleEnd = std::chrono::seconds(10);
// How long the application's end waits for cancelled work to reach its next
// check before it leaves the thread behind.
constexpr auto kEndPatience = std::chrono::seconds(2);

// The one pool of worker threads. A thread is started when work arrives and
// none is free, up to a bound, and ends after a while without work. A thread
// the system refuses to start (a tight address-space limit, too many
// processes) is done without: the work waits for a thread that runs, fewer
// working side by side, and when none runs at all it is done on the caller's
// thread, later than it would be but never lost or blamed on something else.
class Pool {
public:
    // A task is told whether it runs on a worker (else on the caller's thread).
    using Task = std::function<void(bool worker)>;

    // Left to the end of the program on purpose: a thread that ends may still
    // be leaving it while static objects go.
    static Pool& get()
    {
        static Pool* pool = new Pool;
        return *pool;
    }

    void start(Task task)
    {
        std::unique_lock lock(m_mutex);
        ensureEnd();
        m_queue.push_back(std::move(task));
        if (qsizetype(m_queue.size()) > m_idle && m_threads < m_max && !startThread() && m_threads == 0) {
            // No thread to run it: run it here.
            Task here = std::move(m_queue.back());
            m_queue.pop_back();
            lock.unlock();
            here(false);
            return;
        }
        m_work.notify_one();
    }

    bool waitForDone(int ms)
    {
        std::unique_lock lock(m_mutex);
        return m_done.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_queue.empty() && m_running == 0; });
    }

    // Ends every thread. Each that ends is joined, so that none is still
    // leaving (its thread-local data going, the toolkit's among it) while the
    // application object goes. With patience, the threads still inside a
    // work after that long are left behind: a listing stuck in readdir on a
    // dead mount or a read of a hung file system is held by the kernel, where
    // no flag reaches it. Detached, such a thread ends by itself once its
    // call returns, taking no more work. True when every thread ended.
    bool finish(std::optional<std::chrono::milliseconds> patience = std::nullopt)
    {
        std::unique_lock lock(m_mutex);
        m_ending = true;
        m_work.notify_all();
        const auto allEnded = [this] { return m_threads == 0; };
        bool ended = true;
        if (patience)
            ended = m_done.wait_for(lock, *patience, allEnded);
        else
            m_done.wait(lock, allEnded);
        if (!ended) {
            // Those between two works end at once; the others are left.
            m_done.wait(lock, [this] { return m_threads == m_running; });
            m_leftBehind += m_threads;
            m_threads = 0;
            m_running = 0;
            ++m_generation;
        }
        m_ending = false;
        std::vector<std::thread> all = std::move(m_handles);
        std::vector<std::thread::id> gone = std::move(m_ended);
        m_handles.clear();
        m_ended.clear();
        lock.unlock();
        for (std::thread& t : all) {
            if (std::find(gone.begin(), gone.end(), t.get_id()) != gone.end())
                t.join();
            else
                t.detach();
        }
        return ended;
    }

    int leftBehind()
    {
        std::lock_guard lock(m_mutex);
        return m_leftBehind;
    }

    void setLimit(int threads)
    {
        std::lock_guard lock(m_mutex);
        m_limit = threads;
    }

private:
    Pool() : m_max(std::min(BigTextWorkers::threads(), 4) + 4) {}

    // Under the lock.
    bool startThread()
    {
        if (m_limit >= 0 && m_threads >= m_limit) return false;
        reapEnded();
        try {
            m_handles.emplace_back([this, generation = m_generation] { run(generation); });
        } catch (const std::exception&) {
            // Refused (std::system_error), or no room even for its start.
            return false;
        }
        ++m_threads;
        return true;
    }

    // Joins the threads that ended for want of work. Under the lock: each
    // has left it for good, so joining only waits for its last steps.
    void reapEnded()
    {
        for (std::thread::id id : m_ended) {
            auto it = std::find_if(m_handles.begin(), m_handles.end(), [id](const std::thread& t) { return t.get_id() == id; });
            if (it == m_handles.end()) continue;
            it->join();
            m_handles.erase(it);
        }
        m_ended.clear();
    }

    void run(unsigned generation)
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (m_queue.empty()) {
                if (m_ending) break;
                ++m_idle;
                const bool woken = m_work.wait_for(lock, kIdleEnd, [this] { return !m_queue.empty() || m_ending; });
                --m_idle;
                if (!woken) break;
                continue;
            }
            Task task = std::move(m_queue.front());
            m_queue.pop_front();
            ++m_running;
            lock.unlock();
            task(true);
            task = nullptr; // what it holds goes before the work counts as done
            lock.lock();
            if (generation != m_generation) {
                // Left behind by finish(): detached and no longer counted.
                --m_leftBehind;
                m_done.notify_all();
                return;
            }
            --m_running;
            m_done.notify_all();
        }
        --m_threads;
        m_ended.push_back(std::this_thread::get_id());
        m_done.notify_all();
    }

    // The application's end waits for the workers (cancelled jobs stop within
    // a chunk), so that none outlives the program's own objects; but not for
    // one stuck in a system call, which would hold the exit for as long as a
    // dead mount takes. Under the lock.
    void ensureEnd()
    {
        struct End : QObject {
            using QObject::QObject;
            ~End() override { Pool::get().finish(kEndPatience); }
        };
        if (!m_end && QCoreApplication::instance()) m_end = new End(QCoreApplication::instance());
    }

    std::mutex m_mutex;
    std::condition_variable m_work; // work queued, or the end
    std::condition_variable m_done; // work done, or a thread ended
    std::deque<Task> m_queue;
    std::vector<std::thread> m_handles;       // every thread started and not joined yet
    std::vector<std::thread::id> m_ended;     // of those, the ones that ended on their own
    qsizetype m_idle = 0;
    int m_threads = 0;
    int m_running = 0;
    const int m_max;
    int m_limit = -1; // threads the system is taken to allow (a test's), or none
    int m_leftBehind = 0;     // threads finish() left in their work, not ended yet
    unsigned m_generation = 0; // counts the times finish() left threads behind
    bool m_ending = false;
    QPointer<QObject> m_end;
};

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
        Pool::get().start(HandOff::marked<poolQueue>([self, work, counted](bool worker) mutable {
            if (worker) {
                // Workers yield to the event loop's thread: a busy machine
                // slows the background down, never the window.
                ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), kWorkerNice);
                waitWhileHeld();
            }
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

bool endAll(int ms) { return Pool::get().finish(std::chrono::milliseconds(std::max(ms, 0))); }

int leftBehind() { return Pool::get().leftBehind(); }

RefuseThreads::RefuseThreads(int allowed)
{
    // Threads that wait for work would serve it whatever the limit: they go first.
    Pool::get().waitForDone(60000);
    Pool::get().finish();
    Pool::get().setLimit(allowed);
}

RefuseThreads::~RefuseThreads() { Pool::get().setLimit(-1); }

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
