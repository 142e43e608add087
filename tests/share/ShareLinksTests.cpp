// Share and hand-off links, the service's URLs, and requests to the service with the page's reply.

#include "share/ShareLinks.h"

#include "json/OrderedJSON.h"
#include "share/ShareBase.h"
#include "share/SharedLink.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using SharedLink::Handoff;
using SharedLink::Share;

const std::string base = "https://share.example.test/velk/";

JSONValue parsed(std::string_view text) { return OrderedJSON::parse(text).value(); }

TEST(SharedLink, IDsAreTwelveOrSixteenCharactersOfTheAlphabet) {
    // The letters l and o are in the alphabet, the digits 1 and 0 are not.
    const std::tuple<std::string, bool, bool> cases[] = {
        {"abcdefgh2345", true, false}, {"zzzzzzzz9999", true, false}, {"abcdefghl2o5", true, false},
        {"abcdefgh23456789", false, true}, {"abcdefgh234", false, false}, {"abcdefgh23456", false, false},
        {"abcdefgh2345678", false, false}, {"abcdefgh234567890", false, false}, {"abcdefgh0123", false, false},
        {"Abcdefgh2345", false, false}, {"abcdefgh-345", false, false}, {"abcdefgh 345", false, false}, {"abcdéfgh2345", false, false},
        {"", false, false},
    };
    for (const auto& [text, share, handoff] : cases) {
        EXPECT_EQ(SharedLink::isShareID(text), share) << text;
        EXPECT_EQ(SharedLink::isHandoffID(text), handoff) << text;
    }
}

TEST(SharedLink, OnlyVelkShareAndHandoffLinksParse) {
    const SharedLink::Link share = Share{"abcdefgh2345"}, handoff = Handoff{"abcdefgh23456789"};
    const std::pair<std::string, std::optional<SharedLink::Link>> cases[] = {
        {"velk://s/abcdefgh2345", share}, {"VELK://S/abcdefgh2345", share}, {"Velk://s/abcdefgh2345", share},
        {"velk://s/abcdefgh2345/", share}, {"velk://s/abcdefgh2345?x=1", share}, {"velk://s/abcdefgh2345#top", share},
        {"velk://s//abcdefgh2345", share}, {"velk://h/abcdefgh23456789", handoff}, {"velk://H/abcdefgh23456789/", handoff},
        {"velk://s/ABCDEFGH2345", {}}, {"velk://s/abcdefgh0123", {}}, {"velk://s/abc", {}}, {"velk://s/abcdefgh2345/x", {}},
        {"velk://s/", {}}, {"velk://s", {}}, {"velk://s/abcdefgh23456789", {}}, {"velk://h/abcdefgh2345", {}},
        {"velk://x/abcdefgh2345", {}}, {"velk:///abcdefgh2345", {}}, {"velk:s/abcdefgh2345", {}}, {"velk:/s/abcdefgh2345", {}},
        {"https://s/abcdefgh2345", {}}, {"https://share.velk.example/s/abcdefgh2345", {}}, {"velkx://s/abcdefgh2345", {}},
        {"velk://s/abcdefgh2345 ", {}}, {"velk://s/abcdefgh%32345", {}}, {"velk://s/abcdefgh2345\n", {}},
        {"s/abcdefgh2345", {}}, {"", {}},
    };
    for (const auto& [url, link] : cases) EXPECT_EQ(SharedLink::link(url), link) << url;
    EXPECT_EQ(SharedLink::shareID("velk://s/abcdefgh2345"), "abcdefgh2345");
    EXPECT_EQ(SharedLink::shareID("velk://h/abcdefgh23456789"), std::nullopt);
}

TEST(SharedLink, ServiceURLsAreBelowTheBaseAndItsHostNamesTheService) {
    EXPECT_EQ(SharedLink::apiURL(Share{"abcdefgh2345"}, base), base + "api/share/abcdefgh2345");
    EXPECT_EQ(SharedLink::apiURL(Handoff{"abcdefgh23456789"}, base), base + "api/handoff/abcdefgh23456789");
    EXPECT_EQ(SharedLink::apiURL("abcdefgh2345", base), base + "api/share/abcdefgh2345");
    EXPECT_EQ(SharedLink::pageURL("abcdefgh2345", base), base + "s/abcdefgh2345");
    EXPECT_EQ(SharedLink::pageURL("abcdefgh2345", "http://localhost:8080/"), "http://localhost:8080/s/abcdefgh2345");
    const std::pair<std::string, std::string> hosts[] = {
        {"https://share.velk.example/", "share.velk.example"}, {base, "share.example.test"}, {"http://localhost:8080/", "localhost"},
        {"https://user:pw@share.example.test/", "share.example.test"}, {"http://[::1]:8080/", "[::1]"}, {"http://[::1]/", "[::1]"}, {"no scheme/", ""},
    };
    for (const auto& [url, host] : hosts) EXPECT_EQ(shareHost(url), host) << url;
}

TEST(ShareLinks, PublishPostsNameAndStateCompactlyAndStopDeletesWithTheTokenAsBearer) {
    const HttpRequest publish = ShareLinks::publishRequest(
        "Q3 \"plan\"", parsed(R"({"maps": [{"path": "/", "sidecar": {"z": 1, "a": 2.50}}], "b": true})"), {}, base);
    EXPECT_EQ(publish.method + " " + publish.url, "POST " + base + "api/share");
    EXPECT_EQ(publish.headers, (std::vector<HttpHeader>{{"Content-Type", "application/json"}}));
    EXPECT_EQ(publish.body, R"({"name":"Q3 \"plan\"","state":{"maps":[{"path":"/","sidecar":{"z":1,"a":2.50}}],"b":true},"media":{}})");
    EXPECT_EQ(publish.idleTimeout, std::chrono::seconds(25));
    EXPECT_TRUE(publish.pinnedAddresses.empty() && !publish.maxBodyBytes);
    const auto stop = ShareLinks::stopRequest("abcdefgh2345", "t0k3n.with-dots", base);
    ASSERT_TRUE(stop.has_value());
    EXPECT_EQ(stop->method + " " + stop->url + " " + stop->body, "DELETE " + base + "api/share/abcdefgh2345 ");
    EXPECT_EQ(stop->headers, (std::vector<HttpHeader>{{"Authorization", "Bearer t0k3n.with-dots"}}));
    EXPECT_EQ(stop->idleTimeout, std::chrono::seconds(25));
    // Ids of 11 or 13 characters, outside the alphabet or adding a path segment; empty or multi-line tokens.
    const std::pair<std::string, std::string> malformed[] = {
        {"abcdefgh234", "token"}, {"abcdefgh23456", "token"}, {"abcdefgh2341", "token"}, {"abcdefgh2340", "token"}, {"ABCDEFGH2345", "token"},
        {"abcdefgh234/", "token"}, {"abcdefgh2345", ""}, {"abcdefgh2345", "tok\nen"}, {"abcdefgh2345", "token\n"},
    };
    for (const auto& [id, token] : malformed) EXPECT_EQ(ShareLinks::stopRequest(id, token, base), std::nullopt) << id << " / " << token;
}

TEST(ShareLinks, TheReplyToEveryKindOfAnswer) {
    using Body = std::optional<std::string>;
    struct Case {
        std::string label;
        int status;
        Body body, error;
        BridgeReply expected;
    };
    const auto answered = [](int status) { return BridgeReply::error("share.example.test answered " + std::to_string(status)); };
    const BridgeReply none = BridgeReply::ok(JSONValue::null());
    const Case cases[] = {
        {"201 with an object", 201, R"({"id":"x","token":"t"})", {}, BridgeReply::ok(parsed(R"({"id":"x","token":"t"})"))},
        {"200 with an array", 200, "[1,2]", {}, BridgeReply::ok(parsed("[1,2]"))},
        {"204 without a body", 204, {}, {}, none}, {"200 with an empty body", 200, "", {}, none},
        {"200 with HTML", 200, "<html>ok</html>", {}, none}, {"299 with bytes that are not UTF-8", 299, "\"\xff\"", {}, none},
        {"409 with an error member", 409, R"({"error":"This map is already shared."})", {}, BridgeReply::error("This map is already shared.")},
        {"404 with an error among others", 404, R"({"code":7,"error":"No such share."})", {}, BridgeReply::error("No such share.")},
        {"500 with HTML", 500, "<h1>Internal error</h1>", {}, answered(500)}, {"503 without a body", 503, {}, {}, answered(503)},
        {"400 whose error is not text", 400, R"({"error":{"text":"no"}})", {}, answered(400)},
        {"403 with an array", 403, R"(["error"])", {}, answered(403)}, {"300 is not success", 300, R"({"a":1})", {}, answered(300)},
        {"199 is not success", 199, {}, {}, answered(199)}, {"no response and no reason", 0, {}, {}, answered(0)},
        {"no response: the transport says why", 0, {}, "Could not resolve host: share.example.test",
         BridgeReply::error("could not reach share.example.test: Could not resolve host: share.example.test")},
        {"a transport error wins over a body", 200, R"({"id":"x"})", "Operation timed out",
         BridgeReply::error("could not reach share.example.test: Operation timed out")},
    };
    for (const Case& c : cases) EXPECT_EQ(ShareLinks::reply(c.status, c.body, c.error, base), c.expected) << c.label;
    // The value keeps the service's member order.
    const BridgeReply reply = ShareLinks::reply(201, R"({"url":"u","id":"i","token":"t"})", std::nullopt, base);
    EXPECT_EQ(OrderedJSON::write(reply.value(), Pretty::no), R"({"ok":true,"value":{"url":"u","id":"i","token":"t"}})");
}

}  // namespace
}  // namespace velk
