#include "share/ShareLinks.h"

#include "json/OrderedJSON.h"
#include "share/ShareBase.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

const std::string base = "https://share.example.test/velk/";

JSONValue parsed(std::string_view text) { return OrderedJSON::parse(text).value(); }

TEST(ShareLinksPublish, PostsNameAndStateCompactlyWithTheStatesOwnOrder) {
    const JSONValue state = parsed(R"({"maps": [{"path": "/", "sidecar": {"z": 1, "a": 2.50}}], "b": true})");
    const HttpRequest request = ShareLinks::publishRequest("Q3 \"plan\"", state, base);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url, "https://share.example.test/velk/api/share");
    EXPECT_EQ(request.headers, (std::vector<HttpHeader>{{"Content-Type", "application/json"}}));
    EXPECT_EQ(request.body,
              R"({"name":"Q3 \"plan\"","state":{"maps":[{"path":"/","sidecar":{"z":1,"a":2.50}}],"b":true}})");
    EXPECT_EQ(request.idleTimeout, std::chrono::seconds(25));
    EXPECT_TRUE(request.pinnedAddresses.empty());
    EXPECT_FALSE(request.maxBodyBytes.has_value());
}

TEST(ShareLinksStop, DeletesTheShareWithTheTokenAsBearer) {
    const auto request = ShareLinks::stopRequest("abcdefgh2345", "t0k3n.with-dots", base);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->method, "DELETE");
    EXPECT_EQ(request->url, "https://share.example.test/velk/api/share/abcdefgh2345");
    EXPECT_EQ(request->headers, (std::vector<HttpHeader>{{"Authorization", "Bearer t0k3n.with-dots"}}));
    EXPECT_EQ(request->body, "");
    EXPECT_EQ(request->idleTimeout, std::chrono::seconds(25));
}

TEST(ShareLinksStop, MalformedIdsAndTokensMakeNoRequest) {
    struct Case {
        std::string id, token;
    };
    const Case cases[] = {
        {"abcdefgh234", "token"},       // 11 characters
        {"abcdefgh23456", "token"},     // 13 characters
        {"abcdefgh2341", "token"},      // "1" is not in the alphabet
        {"abcdefgh2340", "token"},      // nor is "0"
        {"ABCDEFGH2345", "token"},      // upper case
        {"abcdefgh234/", "token"},      // would add a path segment
        {"abcdefgh2345", ""},
        {"abcdefgh2345", "tok\nen"},
        {"abcdefgh2345", "token\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id + " / " + c.token);
        EXPECT_EQ(ShareLinks::stopRequest(c.id, c.token, base), std::nullopt);
    }
}

TEST(ShareLinksReply, EveryKindOfAnswer) {
    using Body = std::optional<std::string>;
    struct Case {
        std::string label;
        int status;
        Body body, error;
        BridgeReply expected;
    };
    const Case cases[] = {
        {"201 with an object", 201, R"({"id":"x","token":"t"})", {}, BridgeReply::ok(parsed(R"({"id":"x","token":"t"})"))},
        {"200 with an array", 200, "[1,2]", {}, BridgeReply::ok(parsed("[1,2]"))},
        {"204 without a body", 204, {}, {}, BridgeReply::ok(JSONValue::null())},
        {"200 with an empty body", 200, "", {}, BridgeReply::ok(JSONValue::null())},
        {"200 with HTML", 200, "<html>ok</html>", {}, BridgeReply::ok(JSONValue::null())},
        {"299 with bytes that are not UTF-8", 299, "\"\xff\"", {}, BridgeReply::ok(JSONValue::null())},
        {"409 with an error member", 409, R"({"error":"This map is already shared."})", {},
         BridgeReply::error("This map is already shared.")},
        {"404 with an error member among others", 404, R"({"code":7,"error":"No such share."})", {},
         BridgeReply::error("No such share.")},
        {"500 with HTML", 500, "<h1>Internal error</h1>", {}, BridgeReply::error("share.example.test answered 500")},
        {"503 without a body", 503, {}, {}, BridgeReply::error("share.example.test answered 503")},
        {"400 whose error is not text", 400, R"({"error":{"text":"no"}})", {},
         BridgeReply::error("share.example.test answered 400")},
        {"403 with an array", 403, R"(["error"])", {}, BridgeReply::error("share.example.test answered 403")},
        {"300 is not success", 300, R"({"a":1})", {}, BridgeReply::error("share.example.test answered 300")},
        {"199 is not success", 199, {}, {}, BridgeReply::error("share.example.test answered 199")},
        {"no response and no reason", 0, {}, {}, BridgeReply::error("share.example.test answered 0")},
        {"no response: the transport says why", 0, {}, "Could not resolve host: share.example.test",
         BridgeReply::error("could not reach share.example.test: Could not resolve host: share.example.test")},
        {"a transport error wins over a body", 200, R"({"id":"x"})", "Operation timed out",
         BridgeReply::error("could not reach share.example.test: Operation timed out")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(ShareLinks::reply(c.status, c.body, c.error, base), c.expected);
    }
}

TEST(ShareLinksReply, TheOkValueKeepsTheServicesMemberOrder) {
    const BridgeReply reply = ShareLinks::reply(201, R"({"url":"u","id":"i","token":"t"})", std::nullopt, base);
    EXPECT_EQ(OrderedJSON::write(reply.value(), Pretty::no), R"({"ok":true,"value":{"url":"u","id":"i","token":"t"}})");
}

TEST(ShareHost, IsTheBaseURLsHostName) {
    struct Case {
        std::string base, host;
    };
    const Case cases[] = {
        {"https://share.velk.example/", "share.velk.example"},
        {"https://share.example.test/velk/", "share.example.test"},
        {"http://localhost:8080/", "localhost"},
        {"https://user:pw@share.example.test/", "share.example.test"},
        {"http://[::1]:8080/", "[::1]"},
        {"http://[::1]/", "[::1]"},
        {"no scheme/", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base);
        EXPECT_EQ(shareHost(c.base), c.host);
    }
}

}  // namespace
}  // namespace velk
