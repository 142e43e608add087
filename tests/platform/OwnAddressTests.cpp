// A link preview never reaches this machine through one of its own public addresses. The test
// makes a network namespace of its own (on a thread of its own, so nothing else in the process
// moves), gives it public-range addresses and a server listening on them; nothing leaves it.

#include "platform/OwnAddresses.h"
#include "preview/LinkPreviewFetcher.h"
#include "preview/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <cerrno>
#include <cstring>

namespace velk {
namespace {

using testing_support::ScriptedHttpServer;

// Public by the address policy, and held by the namespace's interface.
const std::string ownV4 = "100.0.0.7", ownV6 = "2001:db8::7";

// Gives the calling thread's fresh namespace a dummy interface holding both addresses, or, on
// a kernel without dummy interfaces, its loopback interface. False when `ip` failed.
bool addOwnAddresses() {
    const auto run = [](const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0; };
    if (!run("ip link set lo up")) return false;
    const std::string device = run("ip link add velk0 type dummy && ip link set velk0 up") ? "velk0" : "lo";
    return run("ip addr add " + ownV4 + "/32 dev " + device) && run("ip -6 addr add " + ownV6 + "/128 dev " + device + " nodad");
}

TEST(OwnAddresses, APreviewCannotReachThisMachineAtItsOwnPublicAddresses) {
    std::string unavailable;
    std::thread inNamespace([&] {
        if (unshare(CLONE_NEWNET) != 0) {
            unavailable = std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
            return;
        }
        ASSERT_TRUE(addOwnAddresses()) << "the namespace's addresses could not be set with ip";
        const std::pair<std::string_view, bool> held[] = {
            {ownV4, true}, {"::ffff:100.0.0.7", true}, {ownV6, true}, {"100.0.0.8", false}, {"not an address", false}};
        for (const auto& [address, expected] : held) EXPECT_EQ(OwnAddresses::holds(address), expected) << address;

        ScriptedHttpServer v4Server{ownV4}, v6Server{ownV6};
        const std::string v4Port = std::to_string(v4Server.port()), v6Port = std::to_string(v6Server.port());
        for (auto* server : {&v4Server, &v6Server}) {
            for (const std::string& host : {std::string("own.example"), ownV4, "[" + ownV6 + "]"}) {
                server->on(host + ":" + std::to_string(server->port()), "/", testing_support::ScriptedResponse::page("<title>Mine</title>"));
            }
        }
        CurlHttpClient client(CurlHttpClient::Options{});
        // The namespace's network works: a request without the preview's checks gets through.
        HttpRequest plain;
        plain.url = "http://" + ownV4 + ":" + v4Port + "/";
        const auto reached = testing_support::awaited<HttpClient::Result>([&](auto done) { client.perform(plain, done); });
        ASSERT_TRUE(reached && reached->status == 200) << "the server in the namespace cannot be reached at all";
        const std::size_t before = v4Server.connections();

        const std::string blocked = "blocked by link-preview policy: ";
        const std::tuple<std::string, std::string, std::string> cases[] = {
            {"http://100.0.0.7:" + v4Port + "/", "", blocked + "100.0.0.7 is not a public address"},
            {"http://own.example:" + v4Port + "/", ownV4, blocked + "100.0.0.7 is not a public address"},
            {"http://[2001:db8::7]:" + v6Port + "/", "", blocked + "2001:db8::7 is not a public address"},
            {"http://own.example:" + v6Port + "/", ownV6, blocked + "2001:db8::7 is not a public address"},
        };
        for (const auto& [link, resolvesTo, failure] : cases) {
            LinkPreviewFetcher fetcher(client, [&](std::string_view) { return std::vector<std::string>{resolvesTo}; });
            const auto result = testing_support::awaited<LinkPreviewFetcher::Result>([&](auto done) { fetcher.fetch(link, done); });
            EXPECT_EQ(result ? "previewed " + result->meta.title : result.error().description(), failure) << link;
        }
        EXPECT_EQ(v4Server.connections(), before);
        EXPECT_EQ(v6Server.connections(), 0u);
    });
    inNamespace.join();
    if (!unavailable.empty()) GTEST_SKIP() << "no network namespace can be made here (" << unavailable
                                           << "; it needs CAP_SYS_ADMIN): the machine's own addresses went untested";
}

}  // namespace
}  // namespace velk
