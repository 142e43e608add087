// Share and hand-off links, the service's URLs and requests with the page's reply, and the images
// a published map takes along.

#include "share/ShareLinks.h"

#include "bridge/EditorHostRig.h"
#include "core/Base64.h"
#include "json/OrderedJSON.h"
#include "share/ShareBase.h"
#include "share/ShareMedia.h"
#include "share/SharedLink.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using SharedLink::Handoff;
using SharedLink::Share;

const std::string base = "https://share.example.test/velk/";

JSONValue parsed(std::string_view text) { return OrderedJSON::parse(text).value(); }

// Ids are twelve (shares) or sixteen (hand-offs) characters of an alphabet that holds the
// letters l and o but not the digits 1 and 0.
TEST(SharedLink, OnlyVelkShareAndHandoffLinksParse) {
    const SharedLink::Link share = Share{"abcdefgh2345"}, handoff = Handoff{"abcdefgh23456789"};
    const std::pair<std::string, std::optional<SharedLink::Link>> cases[] = {
        {"velk://s/abcdefgh2345", share}, {"VELK://S/abcdefgh2345", share}, {"Velk://s/abcdefgh2345", share},
        {"velk://s/abcdefgh2345/", share}, {"velk://s/abcdefgh2345?x=1", share}, {"velk://s/abcdefgh2345#top", share},
        {"velk://s//abcdefgh2345", share}, {"velk://h/abcdefgh23456789", handoff}, {"velk://H/abcdefgh23456789/", handoff},
        {"velk://s/abcdefghl2o5", Share{"abcdefghl2o5"}}, {"velk://h/abcdefgh2345678", {}}, {"velk://s/abcdefgh23456", {}},
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

// The service's URLs below the base are the link opener's rows; its host names it in messages.
TEST(SharedLink, TheHostOfTheBaseNamesTheService) {
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
    EXPECT_TRUE(publish.pinnedAddresses.empty() && publish.maxBodyBytes);  // a service cannot fill memory
    const auto stop = ShareLinks::stopRequest("abcdefgh2345", "t0k3n.with-dots", base);
    ASSERT_TRUE(stop.has_value());
    EXPECT_EQ(stop->method + " " + stop->url + " " + stop->body, "DELETE " + base + "api/share/abcdefgh2345 ");
    EXPECT_EQ(stop->headers, (std::vector<HttpHeader>{{"Authorization", "Bearer t0k3n.with-dots"}}));
    EXPECT_EQ(stop->idleTimeout, std::chrono::seconds(25));
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
        {"299 with bytes that are not UTF-8", 299, "\"\xff\"", {}, none},
        {"409 with an error member", 409, R"({"error":"This map is already shared."})", {}, BridgeReply::error("This map is already shared.")},
        {"404 with an error among others", 404, R"({"code":7,"error":"No such share."})", {}, BridgeReply::error("No such share.")},
        {"500 with HTML", 500, "<h1>Internal error</h1>", {}, answered(500)},
        {"400 whose error is not text", 400, R"({"error":{"text":"no"}})", {}, answered(400)},
        {"300 is not success", 300, R"({"a":1})", {}, answered(300)},
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

// Image cards on the root and in a submap (whose group shows the first again), one naming an image
// the package lacks, and strings that only look like media, which the store holds as well.
const std::string share = R"({"id":1,"op":"share","payload":{"name":"Trip","state":{"maps":[{"path":"/","canvas":{"nodes":[
  {"type":"file","file":"velk-media/00000000000000aa.png"},{"type":"file","file":"velk-media/00000000000000cc.png"}]},
  "sidecar":{"x":["velk-media/sub/b.png","images/b.png","velk-media/notes.txt","velk-media/.b.png"]}},
  {"path":"/s","canvas":{"nodes":[{"type":"file","file":"plovet-media/00000000000000bb.jpg"},
  {"type":"group","background":"velk-media/00000000000000aa.png"}]}}]}}})";

TEST(ShareMedia, TheBodyCarriesEachImageTheMapsShowAndOpensWithThem) {
    testing_support::EditorHostRig rig;
    rig.document->media = {{"velk-media/00000000000000aa.png", "\x89PNG"}, {"plovet-media/00000000000000bb.jpg", "\xff\xd8"},
                           {"velk-media/sub/b.png", "x"}, {"images/b.png", "x"}, {"velk-media/notes.txt", "x"}, {"velk-media/.b.png", "x"}};
    rig.post(share);
    const std::string body = rig.http.requests().at(0).body;
    std::vector<std::string> keys, media;
    for (const auto& member : OrderedJSON::parse(body)->members()) keys.emplace_back(member.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"name", "state", "media"}));
    for (const auto& [path, text] : (*OrderedJSON::parse(body))["media"]->members()) {
        media.emplace_back(path);
        EXPECT_EQ(Base64::decode(*text.stringValue()), rig.document->media.at(media.back())) << path;
    }
    EXPECT_EQ(media, (std::vector<std::string>{"velk-media/00000000000000aa.png", "plovet-media/00000000000000bb.jpg"}));
    EXPECT_EQ(std::ranges::count(rig.traced(), "share: velk-media/00000000000000cc.png is not in the package; shared without it"), 1);
    const auto opened = SharedLink::open(body).value();
    for (const std::string& path : media) EXPECT_EQ(*opened.tree.data(path), rig.document->media.at(path)) << path;

    rig.document->media["velk-media/00000000000000aa.png"] = std::string(ShareMedia::maxFileBytes + 1, 'p');
    rig.post(share);
    EXPECT_EQ(rig.http.requests().size(), 1u) << "sent a body the service refuses";
    EXPECT_NE(rig.events().back().find("This map's images are too large to share"), std::string::npos) << rig.events().back();
}

TEST(ShareMedia, ImagesOverTheLimitsRefuseTheShareBeforeAnythingIsEncoded) {
    using Error = ShareMedia::Error;
    const std::uint64_t full = ShareMedia::maxFileBytes;
    const std::tuple<std::string, std::vector<std::uint64_t>, std::optional<Error>> cases[] = {
        {"exactly 25 MiB", {full}, {}}, {"a byte over 25 MiB", {1, full + 1}, Error(Error::FileTooLarge{"velk-media/1.png"})},
        {"exactly 200 MiB in all", std::vector(8, full), {}},
        {"a byte over 200 MiB in all", {full, full, full, full, full, full, full, full, 1}, Error(Error::TooLargeInAll{})}};
    for (const auto& [label, sizes, expected] : cases) {
        std::vector<JSONValue> nodes;
        for (std::size_t i = 0; i < sizes.size(); ++i)
            nodes.push_back(JSONValue::object({{"file", JSONValue::string("velk-media/" + std::to_string(i) + ".png")}}));
        std::map<std::uint64_t, SharedBytes> made;  // one string per size, however many files share it
        const auto collected = ShareMedia::collect(JSONValue::object({{"maps", JSONValue::array(nodes)}}), [&](std::string_view name, std::string_view) {
            const std::uint64_t size = sizes[std::stoul(std::string(name))];
            return made[size] ? made[size] : made[size] = std::make_shared<const std::string>(size, 'i');
        });
        EXPECT_EQ(collected ? std::nullopt : std::optional(collected.error()), expected) << label;
    }
    EXPECT_EQ(Error(Error::TooLargeInAll{}).description(), "This map's images are too large to share: at most 25 MiB each and 200 MiB in all.");
}

}  // namespace
}  // namespace velk
