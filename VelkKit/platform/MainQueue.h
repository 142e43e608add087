#pragma once

// MainQueue runs work on the main thread: soon, or after a delay. Everything that touches
// windows, web views or documents runs there, so work finished on another thread (an HTTP
// completion) hops back through this queue. Delays are measured by the queue, never by the
// caller reading a clock, so "two seconds after the last save" can be tested by advancing a
// manual queue.
//
// runSoon() and runAfter() are safe from any thread; cancel() belongs to the main thread. The
// desktop app implements this over the GLib main context; the composition root makes the one
// real queue, which outlives everything that posts to it.

#include <chrono>
#include <cstdint>
#include <functional>

namespace velk {

class MainQueue {
public:
    using Task = std::function<void()>;

    // Names one scheduled task so that it can be cancelled.
    struct Ticket {
        std::uint64_t id = 0;
        bool operator==(const Ticket&) const = default;
    };

    virtual ~MainQueue() = default;

    // Runs `task` on the main thread after the work running now, never inside this call. Tasks
    // posted from one thread run in the order they were posted.
    virtual Ticket runSoon(Task task) = 0;

    // Runs `task` on the main thread once `delay` has passed.
    virtual Ticket runAfter(std::chrono::milliseconds delay, Task task) = 0;

    // Forgets a task that has not run yet; a task that already ran, or was cancelled, is left.
    virtual void cancel(Ticket ticket) = 0;
};

}  // namespace velk
