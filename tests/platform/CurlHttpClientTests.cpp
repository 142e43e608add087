// CurlHttpClient against a scripted server on 127.0.0.1. Every client here routes its
// connections to that server, so names and public addresses in the URLs never leave the machine.

#include "platform/CurlHttpClient.h"
#include "preview/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>

namespace velk {
namespace {

using testing_support::ScriptedHttpServer;
using testing_support::ScriptedResponse;
using namespace std::chrono_literals;

constexpr std::string_view userAgent = "velk-test/1";

CurlHttpClient::Options routedTo(const ScriptedHttpServer& server, CurlHttpClient::LoopbackRoute loopback) {
    CurlHttpClient::Options options;
    options.userAgent = userAgent;
    options.testRoutePort = server.port();
    options.loopbackRoute = loopback;
    return options;
}

// A GET of `url` whose host was approved at a made-up public address.
HttpRequest pinnedGet(std::string url) {
    HttpRequest request;
    request.url = std::move(url);
    request.pinnedAddresses = {"93.184.216.34"};
    return request;
}

HttpClient::Result performAndWait(HttpClient& client, HttpRequest request) {
    auto promise = std::make_shared<std::promise<HttpClient::Result>>();
    auto future = promise->get_future();
    client.perform(std::move(request), [promise](HttpClient::Result result) { promise->set_value(std::move(result)); });
    if (future.wait_for(10s) != std::future_status::ready) {
        ADD_FAILURE() << "no completion within 10 s";
        std::abort();
    }
    return future.get();
}

// Records every address a request's check was asked about, and refuses those in `refused`.
struct AddressLog {
    explicit AddressLog(std::vector<std::string> refused = {}) : refused(std::move(refused)) {}
    std::vector<std::string> refused;
    std::mutex mutex;
    std::vector<std::string> asked;

    std::function<bool(std::string_view)> check() {
        return [this](std::string_view address) {
            std::lock_guard lock(mutex);
            asked.emplace_back(address);
            return std::find(refused.begin(), refused.end(), address) == refused.end();
        };
    }
};

class CurlHttpClientTest : public ::testing::Test {
protected:
    ScriptedHttpServer server;
    CurlHttpClient client{routedTo(server, CurlHttpClient::LoopbackRoute::trustedForTests)};
};

TEST_F(CurlHttpClientTest, HandsBackARedirectWithItsHeadersInsteadOfFollowingIt) {
    ScriptedResponse moved = ScriptedResponse::redirect("/b");
    moved.headers.push_back({"X-Note", " two  words "});
    moved.body = "moved";
    server.on("pinned.test", "/a", moved);
    AddressLog log;
    HttpRequest request = pinnedGet("http://pinned.test/a");
    request.allowAddress = log.check();
    const auto result = performAndWait(client, request);
    ASSERT_TRUE(result.has_value()) << result.error().description();
    EXPECT_EQ(result->status, 302);
    EXPECT_EQ(result->url, "http://pinned.test/a");
    EXPECT_EQ(result->header("location"), "/b");
    EXPECT_EQ(result->header("X-NOTE"), "two  words");
    EXPECT_EQ(result->body, "moved");
    EXPECT_FALSE(result->bodyCut);
    ASSERT_EQ(server.requests().size(), 1u);
    // curl connected to the pinned address, not to anything it looked up itself.
    EXPECT_EQ(log.asked, std::vector<std::string>{"93.184.216.34"});
}

TEST_F(CurlHttpClientTest, SendsOnlyTheGivenHeadersAndKeepsNoCookies) {
    ScriptedResponse cookie = ScriptedResponse::withStatus(200);
    cookie.headers = {{"Set-Cookie", "session=1; Path=/"}};
    server.on("pinned.test", "/set", cookie);
    for (const char* target : {"/set", "/again"}) {
        HttpRequest request = pinnedGet(std::string("http://pinned.test") + target);
        request.headers = {{"Accept", "image/*"}};
        const auto result = performAndWait(client, request);
        ASSERT_TRUE(result.has_value()) << result.error().description();
    }
    const std::vector<HttpHeader> expected{{"Host", "pinned.test"}, {"User-Agent", "velk-test/1"}, {"Accept", "image/*"}};
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto& request : requests) {
        SCOPED_TRACE(request.target);
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(request.headers, expected);
    }
}

TEST_F(CurlHttpClientTest, PostsABodyWithAnotherMethod) {
    HttpRequest request = pinnedGet("http://pinned.test/share");
    request.method = "POST";
    request.body = R"({"a":1})";
    const auto result = performAndWait(client, request);
    ASSERT_TRUE(result.has_value()) << result.error().description();
    EXPECT_EQ(result->status, 404);
    EXPECT_EQ(result->body, "not scripted");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, R"({"a":1})");
}

TEST_F(CurlHttpClientTest, RefusesPeersThatThePinsOrTheCheckRefuse) {
    const std::string local = "http://127.0.0.1:" + std::to_string(server.port()) + "/";
    struct Case {
        std::string url;
        std::vector<std::string> pins;
        std::vector<std::string> refused;
        std::string address;
    };
    const std::vector<Case> cases{
        // A numeric host is never looked up; its own address still has to be among the pins.
        {local, {"93.184.216.34"}, {}, "127.0.0.1"},
        // Pins that are not numeric leave nothing to connect to.
        {"http://pinned.test/", {"pinned.test"}, {}, "pinned.test"},
        {"http://pinned.test/", {"93.184.216.34"}, {"93.184.216.34"}, "93.184.216.34"},
        {"http://[2606:2800:220:1:248:1893:25c8:1946]/", {}, {"2606:2800:220:1:248:1893:25c8:1946"},
         "2606:2800:220:1:248:1893:25c8:1946"},
        // Read the way curl reads it, this host is 127.0.0.1 in octal.
        {"http://0177.0.0.1:" + std::to_string(server.port()) + "/", {}, {"127.0.0.1"}, "127.0.0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        AddressLog log(c.refused);
        HttpRequest request;
        request.url = c.url;
        request.pinnedAddresses = c.pins;
        request.allowAddress = log.check();
        const auto result = performAndWait(client, request);
        ASSERT_FALSE(result.has_value());
        EXPECT_EQ(result.error(), HttpError::addressRefused(c.address));
        EXPECT_EQ(result.error().description(), "refused to connect to " + c.address);
    }
    EXPECT_EQ(server.connections(), 0u);
}

TEST(CurlHttpClientRoute, ChecksTheLoopbackRouteLikeAnyPeerUnlessTrustedForTests) {
    ScriptedHttpServer server;
    AddressLog log({"127.0.0.1"});
    HttpRequest request = pinnedGet("http://pinned.test/");
    request.allowAddress = log.check();
    {
        CurlHttpClient checked(routedTo(server, CurlHttpClient::LoopbackRoute::checked));
        const auto result = performAndWait(checked, request);
        ASSERT_FALSE(result.has_value());
        EXPECT_EQ(result.error(), HttpError::addressRefused("127.0.0.1"));
        EXPECT_EQ(log.asked, (std::vector<std::string>{"93.184.216.34", "127.0.0.1"}));
        EXPECT_EQ(server.connections(), 0u);
    }
    CurlHttpClient trusted(routedTo(server, CurlHttpClient::LoopbackRoute::trustedForTests));
    const auto result = performAndWait(trusted, request);
    ASSERT_TRUE(result.has_value()) << result.error().description();
    EXPECT_EQ(result->status, 404);
}

TEST_F(CurlHttpClientTest, RequestsNothingButHttpAndHttps) {
    const std::string port = std::to_string(server.port());
    for (const std::string& url : std::vector<std::string>{"ftp://127.0.0.1:" + port + "/", std::string("file:///etc/hostname"), "gopher://127.0.0.1:" + port + "/",
                                  "dict://127.0.0.1:" + port + "/"}) {
        SCOPED_TRACE(url);
        HttpRequest request;
        request.url = url;
        const auto result = performAndWait(client, request);
        ASSERT_FALSE(result.has_value());
        EXPECT_EQ(result.error(), HttpError::transport("Unsupported protocol"));
    }
    EXPECT_EQ(server.connections(), 0u);
}

TEST_F(CurlHttpClientTest, IgnoresProxiesNamedInTheEnvironment) {
    ScriptedHttpServer proxy;
    const std::string proxyURL = "http://127.0.0.1:" + std::to_string(proxy.port());
    const std::vector<const char*> variables{"http_proxy", "HTTPS_PROXY", "https_proxy", "ALL_PROXY", "all_proxy"};
    for (const char* variable : variables) setenv(variable, proxyURL.c_str(), 1);
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
    // No pins here: they alone would already keep curl off the proxy's address. Through a proxy
    // the request line would carry the whole URL instead of the path.
    HttpRequest request;
    request.url = "http://93.184.216.34/page";
    const auto result = performAndWait(client, request);
    for (const char* variable : variables) unsetenv(variable);
    ASSERT_TRUE(result.has_value()) << result.error().description();
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/page");
}

TEST(CurlHttpClientLifetime, CompletesOnItsOwnThreadsAndEndsRunningRequestsWhenDestroyed) {
    ScriptedHttpServer server;
    server.on("pinned.test", "/stall", ScriptedResponse::stalled());
    std::mutex mutex;
    std::vector<HttpClient::Result> results;
    std::vector<std::thread::id> threads;
    const auto started = std::chrono::steady_clock::now();
    {
        CurlHttpClient client(routedTo(server, CurlHttpClient::LoopbackRoute::trustedForTests));
        for (int i = 0; i < 8; ++i) {
            client.perform(pinnedGet("http://pinned.test/stall"), [&](HttpClient::Result result) {
                               std::lock_guard lock(mutex);
                               results.push_back(std::move(result));
                               threads.push_back(std::this_thread::get_id());
                           });
        }
        while (server.requests().size() < 8 && std::chrono::steady_clock::now() - started < 5s) std::this_thread::sleep_for(5ms);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    ASSERT_EQ(results.size(), 8u);
    for (const auto& result : results) {
        ASSERT_FALSE(result.has_value());
        EXPECT_EQ(result.error(), HttpError::transport("Operation was aborted by an application callback"));
    }
    std::sort(threads.begin(), threads.end());
    EXPECT_EQ(std::unique(threads.begin(), threads.end()), threads.end());
    EXPECT_EQ(std::find(threads.begin(), threads.end(), std::this_thread::get_id()), threads.end());
}

}  // namespace
}  // namespace velk
