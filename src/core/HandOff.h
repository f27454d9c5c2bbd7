#pragma once
// Work crosses threads through two queues: the worker pool's and the event
// loop's. The event loop's lock lives in the toolkit, which is not built for
// ThreadSanitizer, so the sanitizer would take everything handed over that way
// for a race; the pool's is its own, marked alike so that both read the same. Each end of such a hand-off says so here: the sending side
// releases a queue after the last write of what it hands over, the receiving
// side acquires it before the first read. In any other build this is nothing.

#include <utility>

#if defined(__SANITIZE_THREAD__)
#define VARDOLIN_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VARDOLIN_TSAN 1
#endif
#endif

#ifdef VARDOLIN_TSAN
#include <sanitizer/tsan_interface.h>
#define VARDOLIN_HANDOFF_RELEASE(queue) __tsan_release(queue)
#define VARDOLIN_HANDOFF_ACQUIRE(queue) __tsan_acquire(queue)
#else
#define VARDOLIN_HANDOFF_RELEASE(queue) static_cast<void>(queue)
#define VARDOLIN_HANDOFF_ACQUIRE(queue) static_cast<void>(queue)
#endif

namespace HandOff {

// A call handed to a queue that copies it itself (after the sender's last
// statement): the mark, copied last, releases the queue once the copy is
// whole; the call acquires it before it reads anything of its own. The copy
// is destroyed by whichever thread lets go of it last, the sender's perhaps:
// the call releases the queue when done, and the mark, destroyed first,
// acquires it before the call's captures go.
template <class F, void* Queue()>
struct Marked {
    struct Mark {
        Mark() = default;
        Mark(const Mark&) { VARDOLIN_HANDOFF_RELEASE(Queue()); }
        Mark& operator=(const Mark&) = default;
        ~Mark() { VARDOLIN_HANDOFF_ACQUIRE(Queue()); }
    };
    F call;
    Mark mark;
    template <class... Args>
    void operator()(Args&&... args)
    {
        VARDOLIN_HANDOFF_ACQUIRE(Queue());
        call(std::forward<Args>(args)...);
        VARDOLIN_HANDOFF_RELEASE(Queue());
    }
};

// f marked for the queue.
template <void* Queue(), class F>
Marked<F, Queue> marked(F f)
{
    return {std::move(f), {}};
}

} // namespace HandOff
