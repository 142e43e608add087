#include "bridge/BridgeBootstrap.h"
#include "bridge/BridgeReply.h"
#include "bridge/BridgeScript.h"
#include "json/JSONTestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velk {
namespace {

TEST(BridgeScript, QuoteEscapesWhatWouldBreakAScriptString) {
    struct Case {
        std::string_view text, quoted;
    };
    const Case cases[] = {
        {"", R"("")"},
        {"plain é 😀", R"("plain é 😀")"},
        {"\t<\xE2\x80\xA8\xE2\x80\xA9", R"("\u0009\u003c\u2028\u2029")"},
        {"\n\r\"\\", R"("\n\r\"\\")"},
        {"\b\x1f", R"("\u0008\u001f")"},
        {std::string_view("\0", 1), R"("\u0000")"},
        {"</script>", R"("\u003c/script>")"},
        {"\xE2\x80\xA7 \xE2\x80\xAA", "\"\xE2\x80\xA7 \xE2\x80\xAA\""},  // neighbours of U+2028/9 stay
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.quoted);
        EXPECT_EQ(BridgeScript::quote(c.text), c.quoted);
    }
}

TEST(BridgeScript, ReplyChangedAndNameScripts) {
    EXPECT_EQ(BridgeScript::reply(7, BridgeReply::ok(JSONValue()).value()),
              R"(window.__velkReply && window.__velkReply(7, JSON.parse("{\"ok\":true,\"value\":null}")))");
    EXPECT_EQ(BridgeScript::reply(12, BridgeReply::error("x").value()),
              R"(window.__velkReply && window.__velkReply(12, JSON.parse("{\"ok\":false,\"error\":\"x\"}")))");
    EXPECT_EQ(BridgeScript::reply(-3, BridgeReply::ok(JSONValue::string("a\tb")).value()),
              R"(window.__velkReply && window.__velkReply(-3, JSON.parse("{\"ok\":true,\"value\":\"a\\tb\"}")))");
    EXPECT_EQ(BridgeScript::changed(4, "file"),
              R"(window.__velkChanged && window.__velkChanged(JSON.parse("{\"rev\":4,\"origin\":\"file\"}")))");
    EXPECT_EQ(BridgeScript::setName("Q3 <plan>"), R"(window.__velkSetName && window.__velkSetName("Q3 \u003cplan>"))");
}

TEST(BridgeBootstrap, ScriptsAreExact) {
    EXPECT_EQ(BridgeBootstrap::script, "window.VELK_NATIVE = true;");
    const std::string_view log = BridgeBootstrap::logForwardingScript;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 20);
    EXPECT_TRUE(log.starts_with("(function () {\n  var post = function (kind, args) {\n"));
    EXPECT_TRUE(log.ends_with("    post(\"unhandledrejection\", [e.reason]);\n  });\n})();"));
    EXPECT_NE(log.find("\n      window.webkit.messageHandlers.velkLog.postMessage(kind + \": \" + text);\n"), std::string_view::npos);
    EXPECT_NE(log.find("\n  console.warn = function () { post(\"console.warn\", arguments); return warn.apply(console, arguments); };\n"),
              std::string_view::npos);
}

}  // namespace
}  // namespace velk
