// A preview ends in bounded time: the page with all its redirects has one time budget, its image
// another, however slowly each hop answers. Over the real curl client and a scripted server on
// 127.0.0.1 that every approved connection is routed to.

#include "preview/LinkPreviewFetcher.h"
#include "preview/ScriptedHttpServer.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::ScriptedHttpServer;
using testing_support::ScriptedResponse;
using namespace std::chrono_literals;

// A chain of `hops` slow redirects under `path`, ending in `last` (slow too).
void scriptChain(ScriptedHttpServer& server, const std::string& path, int hops, std::chrono::milliseconds delay, ScriptedResponse last) {
    for (int hop = 0; hop < hops; ++hop) {
        auto redirect = ScriptedResponse::redirect("http://pages.example" + path + std::to_string(hop + 1));
        redirect.delay = delay;
        server.on("pages.example", path + std::to_string(hop), redirect);
    }
    last.delay = delay;
    server.on("pages.example", path + std::to_string(hops), std::move(last));
}

TEST(PreviewBudget, ThePageWithItsRedirectsAndTheImageEachHaveOneBudget) {
    const struct {
        std::string_view name;
        int pageHops;
        std::chrono::milliseconds pageDelay;
        int imageHops;
        std::chrono::milliseconds imageDelay;
        std::string outcome;  // the failure's text, or whether the preview has its image
    } cases[] = {
        {"redirects share the page's budget", 5, 150ms, 0, 0ms, "could not read that page: Timeout was reached"},
        {"the image has a budget of its own", 1, 180ms, 1, 180ms, "with image"},
        {"image redirects share the image's budget", 0, 0ms, 5, 150ms, "without image"},
    };
    for (const auto& c : cases) {
        ScriptedHttpServer server;
        scriptChain(server, "/p", c.pageHops, c.pageDelay, ScriptedResponse::page("<head><meta property=\"og:image\" content=\"/i0\"></head>"));
        scriptChain(server, "/i", c.imageHops, c.imageDelay, ScriptedResponse::page("\x89PNG", "image/png"));
        CurlHttpClient client(testing_support::routedTo(server));
        LinkPreviewFetcher fetcher(client, [](std::string_view) { return std::vector<std::string>{"93.184.216.34"}; }, {.idle = 2s, .total = 600ms});
        const auto result = testing_support::awaited<LinkPreviewFetcher::Result>([&](auto done) { fetcher.fetch("http://pages.example/p0", done); });
        EXPECT_EQ(result ? (result->image ? "with image" : "without image") : result.error().description(), c.outcome) << c.name;
    }
}

}  // namespace
}  // namespace velk
