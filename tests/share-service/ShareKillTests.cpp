// A share the service acknowledged survives the process being killed with SIGKILL at any moment.

#include "ShareServiceTestSupport.h"
#include "store/SqliteShareStore.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <sstream>
#include <thread>

namespace velk::share {
namespace {

// Runs the publishing loop for `runFor`, kills it, and gives back everything it acknowledged.
std::string publishUntilKilled(const std::string& database, long first, std::chrono::milliseconds runFor) {
    int output[2];
    if (pipe(output) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        close(output[0]);
        const std::string start = std::to_string(first);
        execl(VELK_SHARE_PUBLISH_LOOP_PATH, VELK_SHARE_PUBLISH_LOOP_PATH, database.c_str(), start.c_str(), nullptr);
        _exit(127);
    }
    close(output[1]);
    std::this_thread::sleep_for(runFor);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    std::string acknowledged;
    char buffer[4096];
    for (ssize_t got; (got = read(output[0], buffer, sizeof buffer)) > 0;) acknowledged.append(buffer, std::size_t(got));
    close(output[0]);
    // A line cut short by the kill was never a whole answer.
    return acknowledged.substr(0, acknowledged.rfind('\n') + 1);
}

TEST(ShareKill, EveryAcknowledgedShareIsIntactAfterSIGKILL) {
    testing_support::ScratchFolder folder;
    const std::string database = folder.path() + "/shares.sqlite";
    std::mt19937 random(std::random_device{}());
    std::size_t checked = 0;
    for (long round = 0; round < 4; ++round) {
        const auto runFor = std::chrono::milliseconds(300 + random() % 900);
        std::istringstream lines(publishUntilKilled(database, round * 1000000, runFor));
        auto store = SqliteShareStore::open(database);
        ASSERT_TRUE(store && (*store)->migrate()) << "the database opens again after the kill";
        std::string id;
        for (long n; lines >> id >> n; ++checked) {
            SCOPED_TRACE(id);
            const auto found = (*store)->share(id).value();
            ASSERT_TRUE(found);
            EXPECT_EQ(found->state, testing_support::mapState(n));
        }
    }
    EXPECT_GT(checked, 10u) << "the loop published too little to prove anything";
    std::printf("checked %zu acknowledged shares over four kills\n", checked);
}

}  // namespace
}  // namespace velk::share
