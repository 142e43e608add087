// Only velk's own page may talk to velk. A page from anywhere else that finds itself in the
// editor's view (a navigation that slipped through, a redirect) can neither read the map nor
// change it, and hears nothing back; nor is a frame inside velk's page heard.

#include "E2EHarness.h"

#include <gtest/gtest.h>
#include <webkit/webkit.h>

namespace velk::e2e {
namespace {

// Counts the messages posted to the "velk" handler. The binding's own handler was connected
// first, so when this one sees a message, velk has already dealt with it.
class PostedMessages {
public:
    explicit PostedMessages(WebKitWebView* view) : m_manager(webkit_web_view_get_user_content_manager(view)) {
        m_handler = g_signal_connect(m_manager, "script-message-received::velk", G_CALLBACK(+[](
            WebKitUserContentManager*, JSCValue*, gpointer count) { ++*static_cast<int*>(count); }), &m_count);
    }
    ~PostedMessages() { g_signal_handler_disconnect(m_manager, m_handler); }
    PostedMessages(const PostedMessages&) = delete;
    PostedMessages& operator=(const PostedMessages&) = delete;

    [[nodiscard]] int count() const noexcept { return m_count; }

private:
    WebKitUserContentManager* m_manager;
    gulong m_handler = 0;
    int m_count = 0;
};

// Asks for the map and then saves an empty one over it, recording every reply it gets.
constexpr std::string_view foreignPage = R"(<!doctype html><title>elsewhere</title><script>
window.replies = [];
window.__velkReply = (id, reply) => window.replies.push({ id, reply });
const post = (request) => window.webkit.messageHandlers.velk.postMessage(JSON.stringify(request));
post({ id: 1, op: "load" });
const empty = { maps: [{ path: "/", canvas: { nodes: [], edges: [] }, sidecar: {} }] };
post({ id: 2, op: "save", payload: { body: JSON.stringify(empty) } });
</script>)";

// The same probe from velk's own page: the reply to id 990001 is kept, others go to the page.
constexpr std::string_view probeFromOwnPage = R"((() => {
  const pageReply = window.__velkReply;
  window.probeReply = null;
  window.__velkReply = (id, reply) => id === 990001 ? (window.probeReply = reply) : pageReply(id, reply);
  window.webkit.messageHandlers.velk.postMessage(JSON.stringify({ id: 990001, op: "load" }));
})())";

TEST(ForeignPageE2E, APageThatIsNotVelksCanNeitherReadNorChangeTheMapAndGetsNoReply) {
    E2EHarness velk("foreign");
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(3)), 3));
    // The probe works: velk's own page gets its answer.
    ASSERT_TRUE(velk.evaluate(probeFromOwnPage).ok());
    ASSERT_TRUE(velk.waitForPage("window.probeReply?.ok === true && window.probeReply.value.maps.length === 1"));

    const auto& document = velk.window().document();
    const auto revision = document.core().revision();
    const auto onDisk = velk.packageFile("map.canvas");
    PostedMessages posted(velk.window().webView().view());
    ASSERT_TRUE(velk.loadForeignPage(foreignPage, "https://elsewhere.example/"));
    ASSERT_TRUE(waitUntil([&] { return posted.count() == 2; })) << "the foreign page's requests never arrived";

    // A reply would have been sent before this script, on the same channel.
    auto replies = velk.evaluate("JSON.stringify(window.replies)");
    ASSERT_TRUE(replies.ok()) << *replies.error;
    EXPECT_EQ(replies.text, "[]") << "velk answered a foreign page";
    EXPECT_EQ(document.core().revision(), revision) << "a foreign page changed the map";
    EXPECT_FALSE(document.hasUnsavedChanges());
    EXPECT_EQ(velk.packageFile("map.canvas"), onDisk);
}

// A frame that velk's own page makes posts a save through the frame's own handler.
constexpr std::string_view saveFromSubFrame = R"((() => {
  const frame = document.body.appendChild(document.createElement("iframe"));
  const empty = { maps: [{ path: "/", canvas: { nodes: [], edges: [] }, sidecar: {} }] };
  const save = { id: 990003, op: "save", payload: { body: JSON.stringify(empty) } };
  frame.contentWindow.webkit.messageHandlers.velk.postMessage(JSON.stringify(save));
})())";

TEST(ForeignPageE2E, AFrameInsideVelksPageIsNotHeard) {
    E2EHarness velk("sub-frame");
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(3)), 3));
    const auto revision = velk.window().document().core().revision();
    PostedMessages posted(velk.window().webView().view());
    auto made = velk.evaluate(saveFromSubFrame);
    ASSERT_TRUE(made.ok()) << *made.error;
    ASSERT_TRUE(waitUntil([&] { return posted.count() == 1; })) << "the frame's request never arrived";
    EXPECT_EQ(velk.window().document().core().revision(), revision) << "velk carried out a sub-frame's save";
    EXPECT_EQ(velk.cardCount(), 3);
}

}  // namespace
}  // namespace velk::e2e
