// CurlHttpClient against a scripted server on 127.0.0.1. Every client here routes its
// connections to that server, so names and public addresses in the URLs never leave the machine;
// the one test of the machine's own addresses makes a network namespace of its own.

#include "platform/OwnAddresses.h"
#include "preview/LinkPreviewFetcher.h"
#include "preview/ScriptedHttpServer.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace velk {
namespace {

using testing_support::ScriptedHttpServer;
using testing_support::ScriptedResponse;
using Route = CurlHttpClient::LoopbackRoute;
using namespace std::chrono_literals;

CurlHttpClient::Options withAgent(const ScriptedHttpServer& server, Route route = Route::trustedForTests) {
    auto options = testing_support::routedTo(server, route);
    options.userAgent = "velk-test/1";
    return options;
}

// A request for `url` whose host was approved at `pins`; `refused` addresses fail its check,
// and every address the check was asked about is kept in `asked`.
struct Checked {
    HttpRequest request;
    std::shared_ptr<std::vector<std::string>> asked = std::make_shared<std::vector<std::string>>();
    Checked(std::string url, std::vector<std::string> pins = {"93.184.216.34"}, std::vector<std::string> refused = {}) {
        request.url = std::move(url);
        request.pinnedAddresses = std::move(pins);
        request.allowAddress = [asked = asked, refused, mutex = std::make_shared<std::mutex>()](std::string_view address) {
            std::lock_guard lock(*mutex);
            asked->emplace_back(address);
            return std::find(refused.begin(), refused.end(), address) == refused.end();
        };
    }
};

// Neither pinned nor checked.
HttpRequest plainGet(std::string url) {
    HttpRequest request;
    request.url = std::move(url);
    return request;
}

HttpClient::Result performAndWait(HttpClient& client, HttpRequest request) {
    return testing_support::awaited<HttpClient::Result>([&](auto done) { client.perform(std::move(request), done); });
}

class CurlHttpClientTest : public ::testing::Test {
protected:
    ScriptedHttpServer server;
    CurlHttpClient client{withAgent(server)};
};

TEST_F(CurlHttpClientTest, HandsBackARedirectWithItsHeadersInsteadOfFollowingIt) {
    ScriptedResponse moved = ScriptedResponse::redirect("/b");
    moved.headers.push_back({"X-Note", " two  words "});
    moved.body = "moved";
    server.on("pinned.test", "/a", moved);
    const Checked get("http://pinned.test/a");
    const auto result = performAndWait(client, get.request);
    ASSERT_TRUE(result.has_value()) << result.error().description();
    EXPECT_EQ(std::to_string(result->status) + " " + result->url + " " + std::string(result->header("location").value_or("")) + " " +
                  std::string(result->header("X-NOTE").value_or("")) + " " + result->body + (result->bodyCut ? " cut" : ""),
              "302 http://pinned.test/a /b two  words moved");
    EXPECT_EQ(server.requests().size(), 1u);
    // curl connected to the pinned address, not to anything it looked up itself.
    EXPECT_EQ(*get.asked, std::vector<std::string>{"93.184.216.34"});
}

TEST_F(CurlHttpClientTest, SendsOnlyTheGivenHeadersMethodAndBodyAndKeepsNoCookies) {
    ScriptedResponse cookie = ScriptedResponse::withStatus(200);
    cookie.headers = {{"Set-Cookie", "session=1; Path=/"}};
    server.on("pinned.test", "/set", cookie);
    for (const char* target : {"/set", "/again", "/share"}) {
        HttpRequest request = Checked(std::string("http://pinned.test") + target).request;
        request.headers = {{"Accept", "image/*"}};
        if (target == std::string_view("/share")) request.method = "POST", request.body = R"({"a":1})";
        ASSERT_TRUE(performAndWait(client, request).has_value()) << target;
    }
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(requests[i].method, "GET");
        EXPECT_EQ(requests[i].headers, (std::vector<HttpHeader>{{"Host", "pinned.test"}, {"User-Agent", "velk-test/1"}, {"Accept", "image/*"}}));
    }
    EXPECT_EQ(requests[2].method + " " + requests[2].body, R"(POST {"a":1})");
}

TEST_F(CurlHttpClientTest, RefusesPeersThatThePinsOrTheCheckRefuseAndEverySchemeButHttpAndHttps) {
    const std::string port = std::to_string(server.port()), v6 = "2606:2800:220:1:248:1893:25c8:1946";
    const std::pair<Checked, std::string> cases[] = {
        // A numeric host is never looked up; its own address still has to be among the pins.
        {Checked("http://127.0.0.1:" + port + "/"), "127.0.0.1"},
        // Pins that are not numeric leave nothing to connect to.
        {Checked("http://pinned.test/", {"pinned.test"}), "pinned.test"},
        {Checked("http://pinned.test/", {"93.184.216.34"}, {"93.184.216.34"}), "93.184.216.34"},
        {Checked("http://[" + v6 + "]/", {}, {v6}), v6},
        // Read the way curl reads it, this host is 127.0.0.1 in octal.
        {Checked("http://0177.0.0.1:" + port + "/", {}, {"127.0.0.1"}), "127.0.0.1"},
    };
    for (const auto& [checked, address] : cases) {
        const auto result = performAndWait(client, checked.request);
        ASSERT_FALSE(result.has_value()) << checked.request.url;
        EXPECT_EQ(result.error().description(), "refused to connect to " + address) << checked.request.url;
    }
    for (const std::string& url : {"ftp://127.0.0.1:" + port + "/", std::string("file:///etc/hostname"), "gopher://127.0.0.1:" + port + "/",
                                   "dict://127.0.0.1:" + port + "/"}) {
        const auto result = performAndWait(client, plainGet(url));
        ASSERT_FALSE(result.has_value()) << url;
        EXPECT_EQ(result.error(), HttpError::transport("Unsupported protocol")) << url;
    }
    EXPECT_EQ(server.connections(), 0u);
}

TEST(CurlHttpClientRoute, ChecksTheLoopbackRouteLikeAnyPeerUnlessTrustedForTests) {
    ScriptedHttpServer server;
    const Checked get("http://pinned.test/", {"93.184.216.34"}, {"127.0.0.1"});
    {
        CurlHttpClient checked(withAgent(server, Route::checked));
        const auto result = performAndWait(checked, get.request);
        ASSERT_FALSE(result.has_value());
        EXPECT_EQ(result.error(), HttpError::addressRefused("127.0.0.1"));
        EXPECT_EQ(*get.asked, (std::vector<std::string>{"93.184.216.34", "127.0.0.1"}));
        EXPECT_EQ(server.connections(), 0u);
    }
    CurlHttpClient trusted(withAgent(server));
    const auto result = performAndWait(trusted, get.request);
    ASSERT_TRUE(result.has_value()) << result.error().description();
    EXPECT_EQ(result->status, 404);
}

TEST_F(CurlHttpClientTest, IgnoresProxiesNamedInTheEnvironment) {
    ScriptedHttpServer proxy;
    const std::string proxyURL = "http://127.0.0.1:" + std::to_string(proxy.port());
    const char* variables[] = {"http_proxy", "HTTPS_PROXY", "https_proxy", "ALL_PROXY", "all_proxy"};
    for (const char* variable : variables) setenv(variable, proxyURL.c_str(), 1);
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
    // No pins here: they alone would already keep curl off the proxy's address. Through a proxy
    // the request line would carry the whole URL instead of the path.
    const auto result = performAndWait(client, plainGet("http://93.184.216.34/page"));
    for (const char* variable : variables) unsetenv(variable);
    ASSERT_TRUE(result.has_value()) << result.error().description();
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].target, "/page");
}

TEST(CurlHttpClientLifetime, CompletesOnItsOwnThreadsAndEndsRunningRequestsWhenDestroyed) {
    ScriptedHttpServer server;
    server.on("pinned.test", "/stall", ScriptedResponse::stalled());
    std::mutex mutex;
    std::vector<HttpClient::Result> results;
    std::vector<std::thread::id> threads;
    const auto started = std::chrono::steady_clock::now();
    {
        CurlHttpClient client(withAgent(server));
        for (int i = 0; i < 8; ++i) {
            client.perform(Checked("http://pinned.test/stall").request, [&](HttpClient::Result result) {
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

// A server may compress a body velk never asked it to compress: the client hands back the decoded
// bytes, and a size limit counts decoded bytes, so a small compressed body cannot grow past it.
// `text` compressed by zlib: window bits 31 make gzip, 15 the zlib format HTTP calls deflate.
std::string compressed(const std::string& text, int windowBits) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, text.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

TEST(ContentDecoding, GzipAndDeflateBodiesArriveDecodedWithinTheirLimit) {
    const std::string page = "<title>Packed</title>" + std::string(100000, ' ');
    const struct {
        std::string_view encoding;
        int windowBits;
        std::optional<std::size_t> limit;
        std::string body;
        bool cut;
    } cases[] = {{"gzip", 31, std::nullopt, page, false}, {"deflate", 15, std::nullopt, page, false}, {"gzip", 31, 1000, page.substr(0, 1000), true}};
    for (const auto& c : cases) {
        ScriptedHttpServer server;
        auto packed = ScriptedResponse::page(compressed(page, c.windowBits));
        packed.headers.push_back({"Content-Encoding", std::string(c.encoding)});
        ASSERT_LT(packed.body.size(), 1000u);
        server.on("pages.test", "/", packed);
        CurlHttpClient client(testing_support::routedTo(server));
        HttpRequest request = plainGet("http://pages.test/");
        request.maxBodyBytes = c.limit;
        request.pinnedAddresses = {"93.184.216.34"};
        const auto result = performAndWait(client, request);
        ASSERT_TRUE(result.has_value()) << result.error().description();
        EXPECT_EQ(result->body, c.body) << c.encoding << " limit " << c.limit.value_or(0);
        EXPECT_EQ(result->bodyCut, c.cut) << c.encoding << " limit " << c.limit.value_or(0);
    }
}

// A link preview never reaches this machine through one of its own public addresses. The test
// makes a network namespace of its own (on a thread of its own, so nothing else in the process
// moves), gives it public-range addresses and a server listening on them; nothing leaves it.
// These are public by the address policy, and held by the namespace's interface.
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
        const HttpRequest plain = plainGet("http://" + ownV4 + ":" + v4Port + "/");
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
