#pragma once

// The main queue of the desktop app: tasks run from the default GLib main context, the one GTK
// dispatches. runSoon() and runAfter() may be called from any thread; the task list is guarded by
// a mutex and the GLib sources are added on the main context through g_main_context_invoke, so a
// worker thread never touches the context's sources directly. cancel() is for the main thread.
//
// The composition root makes one queue and keeps it until the main loop has stopped. Tasks still
// pending when the queue is destroyed never run.

#include "platform/MainQueue.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace velk {

class GLibMainQueue final : public MainQueue {
public:
    GLibMainQueue();
    ~GLibMainQueue() override;
    GLibMainQueue(const GLibMainQueue&) = delete;
    GLibMainQueue& operator=(const GLibMainQueue&) = delete;

    Ticket runSoon(Task task) override;
    Ticket runAfter(std::chrono::milliseconds delay, Task task) override;
    void cancel(Ticket ticket) override;

    // Shared with the GLib callbacks, which hold it weakly-by-ownership: a source that fires
    // after the queue is gone finds its task list cleared and does nothing.
    struct State;

private:
    Ticket schedule(std::chrono::milliseconds delay, Task task);
    std::shared_ptr<State> m_state;
};

}  // namespace velk
