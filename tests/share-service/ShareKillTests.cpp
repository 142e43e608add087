// The real velk-share: it serves until SIGTERM and says why when it cannot listen, its operator's
// commands read what it stored, and a share it acknowledged survives the process being killed
// with SIGKILL at any moment.

#include "ShareServiceTestSupport.h"
#include "store/SqliteShareStore.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <thread>

namespace velk::share {
namespace {

using testing_support::httpRequest;
using testing_support::mapState;
using testing_support::ServiceProcess;

std::string publishBody(long n) { return R"({"name":"n","state":)" + mapState(n) + "}"; }

TEST(VelkShareCommand, ServesUntilSIGTERMAndSaysWhyItCannotListen) {
    testing_support::ScratchFolder folder;
    ServiceProcess service("sqlite:" + folder.path() + "/shares.sqlite", folder.path());
    const auto published = httpRequest(service.port(), "POST", "/api/share", publishBody(7));
    ASSERT_EQ(published.status, 201) << published.body;
    const std::string id = published.body.substr(7, 12);
    const auto fetched = httpRequest(service.port(), "GET", "/api/share/" + id);
    EXPECT_NE(fetched.body.find(mapState(7)), std::string::npos) << "the state comes back as it was sent";

    const std::string taken = std::string(VELK_SHARE_PATH) + " serve --listen 127.0.0.1:" + std::to_string(service.port()) +
                              " --db sqlite:" + folder.path() + "/other.sqlite 2>" + folder.path() + "/taken.log";
    EXPECT_EQ(WEXITSTATUS(std::system(taken.c_str())), 1);
    EXPECT_NE(testing_support::readFile(folder.path() + "/taken.log").find("velk-share: cannot listen on 127.0.0.1:"),
              std::string::npos);
    ASSERT_EQ(httpRequest(service.port(), "POST", "/feedback/?tester=t-abcdefghijkl&client=linux&version=0.1.0",
                          "message=one%0D%0A++tester%3Dforged").status, 201);
    const std::string listed = std::string(VELK_SHARE_PATH) + " feedback list --db sqlite:" + folder.path() +
                               "/shares.sqlite >" + folder.path() + "/feedback.txt";
    EXPECT_EQ(WEXITSTATUS(std::system(listed.c_str())), 0);
    const std::string feedback = testing_support::readFile(folder.path() + "/feedback.txt");
    EXPECT_NE(feedback.find("Z  tester=t-abcdefghijkl client=linux version=0.1.0\n    one\n      tester=forged\n\n"),
              std::string::npos) << "a message's own lines stay indented under its header: " << feedback;
    const std::string mistyped = std::string(VELK_SHARE_PATH) + " feedback list --db sqlite:" + folder.path() + "/shares.sqlit 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(mistyped.c_str())), 1) << "a database that is not there is not made";
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "/shares.sqlit"));
    service.kill(SIGTERM);
    EXPECT_EQ(service.wait(), 0);
    EXPECT_NE(service.log().find("method=\"POST\" target=\"/api/share\" status=201"), std::string::npos) << service.log();
}

// Publishes from two clients until the server is killed; gives back the state of every share
// whose 201 arrived.
std::map<std::string, long> publishUntilKilled(ServiceProcess& service, long first, std::chrono::milliseconds runFor) {
    std::mutex mutex;
    std::map<std::string, long> acknowledged;
    std::atomic<long> next = first;
    auto client = [&] {
        for (;;) {
            const long n = next++;
            const auto answer = httpRequest(service.port(), "POST", "/api/share", publishBody(n));
            if (answer.status != 201) return;
            std::lock_guard lock(mutex);
            acknowledged.emplace(answer.body.substr(7, 12), n);
        }
    };
    std::thread a(client), b(client);
    std::this_thread::sleep_for(runFor);
    service.kill(SIGKILL);
    service.wait();
    a.join();
    b.join();
    return acknowledged;
}

TEST(ShareKill, EveryAcknowledgedShareIsIntactAfterSIGKILL) {
    testing_support::ScratchFolder folder;
    const std::string database = folder.path() + "/shares.sqlite";
    std::mt19937 random(std::random_device{}());
    std::size_t checked = 0;
    for (long round = 0; round < 4; ++round) {
        ServiceProcess service("sqlite:" + database, folder.path(), {"--writes-per-minute", "0"});
        const auto acknowledged = publishUntilKilled(service, round * 1000000, std::chrono::milliseconds(300 + random() % 900));
        auto store = SqliteShareStore::open(database);
        ASSERT_TRUE(store && (*store)->migrate()) << "the database opens again after the kill";
        for (const auto& [id, n] : acknowledged) {
            SCOPED_TRACE(id);
            const auto found = (*store)->share(id, WithMedia::no).value();
            ASSERT_TRUE(found);
            EXPECT_EQ(found->state, mapState(n));
            ++checked;
        }
    }
    EXPECT_GT(checked, 10u) << "too few publishes to prove anything";
    std::printf("checked %zu acknowledged shares over four kills\n", checked);
}

}  // namespace
}  // namespace velk::share
