#include "DocumentRigs.h"
#include "platform/GLibMainQueue.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace velk {
namespace {

using testing_support::spinMainContextUntil;

TEST(GLibMainQueue, RunSoonNeverRunsInsideTheCallAndKeepsOrder) {
    GLibMainQueue queue;
    std::vector<int> ran;
    queue.runSoon([&] { ran.push_back(1); });
    queue.runSoon([&] { ran.push_back(2); });
    queue.runSoon([&] { ran.push_back(3); });
    EXPECT_TRUE(ran.empty());
    ASSERT_TRUE(spinMainContextUntil([&] { return ran.size() == 3; }));
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST(GLibMainQueue, RunAfterWaitsForItsDelay) {
    GLibMainQueue queue;
    bool late = false;
    bool soon = false;
    auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration tookLate{};
    queue.runAfter(std::chrono::milliseconds(120), [&] {
        late = true;
        tookLate = std::chrono::steady_clock::now() - start;
    });
    queue.runSoon([&] { soon = true; });
    ASSERT_TRUE(spinMainContextUntil([&] { return soon; }));
    EXPECT_FALSE(late);
    ASSERT_TRUE(spinMainContextUntil([&] { return late; }));
    EXPECT_GE(tookLate, std::chrono::milliseconds(110));
}

TEST(GLibMainQueue, CancelledTasksNeverRun) {
    GLibMainQueue queue;
    bool cancelledSoon = false, cancelledLater = false, kept = false;
    auto soon = queue.runSoon([&] { cancelledSoon = true; });
    auto later = queue.runAfter(std::chrono::milliseconds(20), [&] { cancelledLater = true; });
    queue.runAfter(std::chrono::milliseconds(60), [&] { kept = true; });
    queue.cancel(soon);
    queue.cancel(later);
    ASSERT_TRUE(spinMainContextUntil([&] { return kept; }));
    EXPECT_FALSE(cancelledSoon);
    EXPECT_FALSE(cancelledLater);
}

TEST(GLibMainQueue, TasksPostedFromAnotherThreadRunOnTheMainThreadInOrder) {
    GLibMainQueue queue;
    const auto mainThread = std::this_thread::get_id();
    std::vector<int> ran;
    std::atomic<bool> wrongThread = false;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            queue.runSoon([&, i] {
                if (std::this_thread::get_id() != mainThread) wrongThread = true;
                ran.push_back(i);
            });
        }
    });
    worker.join();
    ASSERT_TRUE(spinMainContextUntil([&] { return ran.size() == 50; }));
    EXPECT_FALSE(wrongThread);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(ran[static_cast<std::size_t>(i)], i);
}

TEST(GLibMainQueue, TasksPendingWhenTheQueueGoesNeverRun) {
    bool ran = false;
    {
        GLibMainQueue queue;
        queue.runSoon([&] { ran = true; });
        queue.runAfter(std::chrono::milliseconds(10), [&] { ran = true; });
    }
    bool waited = false;
    guint timer = g_timeout_add(
        50, [](gpointer flag) { *static_cast<bool*>(flag) = true; return G_SOURCE_REMOVE; }, &waited);
    (void)timer;
    ASSERT_TRUE(spinMainContextUntil([&] { return waited; }));
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace velk
