// Text that is not UTF-8 still reaches the page, each unreadable sequence shown as U+FFFD: the
// web view would refuse the whole script that carries it, and the page would wait for ever.

#include "E2EHarness.h"

#include "bridge/BridgeReply.h"
#include "bridge/BridgeScript.h"

#include <gtest/gtest.h>

namespace velk::e2e {
namespace {

// Keeps the reply to id 990002 for the test; every other reply goes to the page as before.
constexpr std::string_view replyProbe = R"((() => {
  const pageReply = window.__velkReply;
  window.probeReply = null;
  window.__velkReply = (id, reply) => id === 990002 ? (window.probeReply = reply) : pageReply(id, reply);
})())";

TEST(UnreadableTextE2E, ANameAndAReplyThatAreNotUTF8ReachThePage) {
    E2EHarness velk("unreadable");
    // A folder named on a system that wrote Latin-1: "Café" with the byte E9.
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Caf\xE9.velk", gridCanvas(2)), 2));
    EXPECT_TRUE(velk.waitForPage("document.title === 'Caf\\uFFFD \\u2014 velk'"))
        << velk.evaluate("document.title").text;

    ASSERT_TRUE(velk.evaluate(replyProbe).ok());
    // The failure text of a page whose Content-Type header holds the bytes FF FE.
    const auto failure = BridgeReply::error("not a web page: text/\xFF\xFE");
    velk.window().webView().evaluateScript(BridgeScript::reply(990002, failure.value()));
    EXPECT_TRUE(velk.waitForPage("window.probeReply?.error === 'not a web page: text/\\uFFFD\\uFFFD'"))
        << velk.evaluate("JSON.stringify(window.probeReply)").text;
}

}  // namespace
}  // namespace velk::e2e
