#include "GLibMainQueue.h"

#include <glib.h>

#include <utility>

namespace velk {

struct GLibMainQueue::State {
    std::mutex mutex;
    std::uint64_t lastID = 0;
    std::map<std::uint64_t, Task> tasks;    // scheduled and not yet run or cancelled
    std::map<std::uint64_t, guint> sources;  // the GLib source of each task, main thread only
    bool closed = false;
};

namespace {

// What one GLib callback carries: the queue's state and the task it stands for.
struct Pending {
    std::shared_ptr<GLibMainQueue::State> state;
    std::uint64_t id;
    std::chrono::milliseconds delay;
};

// Takes the task out under the lock and runs it outside it, so a task may schedule more work.
gboolean runPending(gpointer data) {
    auto* pending = static_cast<Pending*>(data);
    MainQueue::Task task;
    {
        std::lock_guard lock(pending->state->mutex);
        pending->state->sources.erase(pending->id);
        auto found = pending->state->tasks.find(pending->id);
        if (found == pending->state->tasks.end()) return G_SOURCE_REMOVE;
        task = std::move(found->second);
        pending->state->tasks.erase(found);
    }
    task();
    return G_SOURCE_REMOVE;
}

void destroyPending(gpointer data) { delete static_cast<Pending*>(data); }

// Runs on the main context: adds the idle or timeout source that will run the task.
gboolean addSource(gpointer data) {
    auto* pending = static_cast<Pending*>(data);
    auto state = pending->state;
    auto id = pending->id;
    std::lock_guard lock(state->mutex);
    if (state->closed || !state->tasks.contains(id)) {
        delete pending;
        return G_SOURCE_REMOVE;
    }
    guint source = pending->delay.count() == 0
                       ? g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, runPending, pending, destroyPending)
                       : g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(pending->delay.count()), runPending,
                                            pending, destroyPending);
    state->sources[id] = source;
    return G_SOURCE_REMOVE;
}

}  // namespace

GLibMainQueue::GLibMainQueue() : m_state(std::make_shared<State>()) {}

GLibMainQueue::~GLibMainQueue() {
    std::map<std::uint64_t, guint> sources;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->closed = true;
        m_state->tasks.clear();
        sources = std::move(m_state->sources);
    }
    for (auto& [id, source] : sources) g_source_remove(source);
}

MainQueue::Ticket GLibMainQueue::runSoon(Task task) { return schedule(std::chrono::milliseconds(0), std::move(task)); }

MainQueue::Ticket GLibMainQueue::runAfter(std::chrono::milliseconds delay, Task task) {
    return schedule(delay < std::chrono::milliseconds(0) ? std::chrono::milliseconds(0) : delay, std::move(task));
}

MainQueue::Ticket GLibMainQueue::schedule(std::chrono::milliseconds delay, Task task) {
    std::uint64_t id;
    {
        std::lock_guard lock(m_state->mutex);
        id = ++m_state->lastID;
        m_state->tasks.emplace(id, std::move(task));
    }
    // Invoked (not run inline) even on the main thread, so the task never runs inside this call;
    // invokes from one thread keep their order, and idle sources of one priority run in the
    // order they were added.
    g_main_context_invoke_full(g_main_context_default(), G_PRIORITY_DEFAULT, addSource,
                               new Pending{m_state, id, delay}, nullptr);
    return Ticket{id};
}

void GLibMainQueue::cancel(Ticket ticket) {
    guint source = 0;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->tasks.erase(ticket.id);
        auto found = m_state->sources.find(ticket.id);
        if (found != m_state->sources.end()) {
            source = found->second;
            m_state->sources.erase(found);
        }
    }
    if (source != 0) g_source_remove(source);
}

}  // namespace velk
