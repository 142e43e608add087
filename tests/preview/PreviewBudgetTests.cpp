// A preview ends in bounded time: the page with all its redirects has one time budget, its image
// another, however slowly each hop answers. Over the real curl client and a scripted server on
// 127.0.0.1 that every approved connection is routed to.

#include "platform/CurlHttpClient.h"
#include "preview/LinkPreviewFetcher.h"
#include "preview/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <future>

namespace velk {
namespace {

using testing_support::ScriptedHttpServer;
using testing_support::ScriptedResponse;
using namespace std::chrono_literals;

// A chain of `hops` slow redirects under `path`, ending in `last` (slow too).
void scriptChain(ScriptedHttpServer& server, const std::string& path, int hops, std::chrono::milliseconds delay,
                 ScriptedResponse last) {
    for (int hop = 0; hop < hops; ++hop) {
        auto redirect = ScriptedResponse::redirect("http://pages.example" + path + std::to_string(hop + 1));
        redirect.delay = delay;
        server.on("pages.example", path + std::to_string(hop), redirect);
    }
    last.delay = delay;
    server.on("pages.example", path + std::to_string(hops), std::move(last));
}

TEST(PreviewBudget, ThePageWithItsRedirectsAndTheImageEachHaveOneBudget) {
    struct Case {
        std::string_view name;
        int pageHops;
        std::chrono::milliseconds pageDelay;
        int imageHops;
        std::chrono::milliseconds imageDelay;
        std::string outcome;  // the failure's text, or whether the preview has its image
    };
    const Case cases[] = {
        {"redirects share the page's budget", 5, 150ms, 0, 0ms, "could not read that page: Timeout was reached"},
        {"the image has a budget of its own", 1, 180ms, 1, 180ms, "with image"},
        {"image redirects share the image's budget", 0, 0ms, 5, 150ms, "without image"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHttpServer server;
        scriptChain(server, "/p", c.pageHops, c.pageDelay,
                    ScriptedResponse::page("<head><meta property=\"og:image\" content=\"/i0\"></head>"));
        auto image = ScriptedResponse::withStatus(200, "\x89PNG");
        image.headers = {{"Content-Type", "image/png"}};
        scriptChain(server, "/i", c.imageHops, c.imageDelay, image);
        CurlHttpClient::Options routed;
        routed.testRoutePort = server.port();
        routed.loopbackRoute = CurlHttpClient::LoopbackRoute::trustedForTests;
        CurlHttpClient client(routed);
        LinkPreviewFetcher fetcher(client, [](std::string_view) { return std::vector<std::string>{"93.184.216.34"}; },
                                   {.idle = 2s, .total = 600ms});
        std::promise<LinkPreviewFetcher::Result> done;
        fetcher.fetch("http://pages.example/p0", [&done](LinkPreviewFetcher::Result result) { done.set_value(std::move(result)); });
        auto finished = done.get_future();
        ASSERT_EQ(finished.wait_for(10s), std::future_status::ready);
        const auto result = finished.get();
        EXPECT_EQ(result ? (result->image ? "with image" : "without image") : result.error().description(), c.outcome);
    }
}

}  // namespace
}  // namespace velk
