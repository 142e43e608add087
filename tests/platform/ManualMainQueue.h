#pragma once

// A MainQueue that runs nothing by itself: time stands still until the test advances it, and
// tasks run only inside runDue() and advanceBy(), on the test's thread, earliest first (in the
// order they were posted when due at the same moment). Tasks may be posted from any thread.

#include "platform/MainQueue.h"

#include <algorithm>
#include <mutex>
#include <tuple>
#include <vector>

namespace velk::testing_support {

class ManualMainQueue final : public MainQueue {
public:
    Ticket runSoon(Task task) override { return runAfter(std::chrono::milliseconds(0), std::move(task)); }
    Ticket runAfter(std::chrono::milliseconds delay, Task task) override {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back({m_now + delay, m_nextID, std::move(task)});
        return Ticket{m_nextID++};
    }
    void cancel(Ticket ticket) override {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_tasks, [&](const Entry& entry) { return entry.id == ticket.id; });
    }
    // Runs every task that is due now, and those they post that are due now as well.
    void runDue() { advanceBy(std::chrono::milliseconds(0)); }
    // Moves the queue's time forward by `span`, running each task as its moment comes.
    void advanceBy(std::chrono::milliseconds span) {
        std::unique_lock lock(m_mutex);
        const auto until = m_now + span;
        for (;;) {
            const auto next = std::min_element(m_tasks.begin(), m_tasks.end(),
                                               [](const Entry& a, const Entry& b) { return std::tie(a.due, a.id) < std::tie(b.due, b.id); });
            if (next == m_tasks.end() || next->due > until) break;
            m_now = std::max(m_now, next->due);
            Task task = std::move(next->task);
            m_tasks.erase(next);
            lock.unlock();
            task();
            lock.lock();
        }
        m_now = until;
    }
    [[nodiscard]] std::size_t pending() const {
        std::lock_guard lock(m_mutex);
        return m_tasks.size();
    }

private:
    struct Entry {
        std::chrono::milliseconds due;
        std::uint64_t id;
        Task task;
    };
    mutable std::mutex m_mutex;
    std::vector<Entry> m_tasks;
    std::chrono::milliseconds m_now{0};
    std::uint64_t m_nextID = 1;
};

}  // namespace velk::testing_support
