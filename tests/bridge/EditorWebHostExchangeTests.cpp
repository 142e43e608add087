// The editor host's network exchanges: share publishing and withdrawal over a scripted HTTP
// client, link previews through the real fetcher over it. Answers must wait for the main queue,
// may overtake one another, and are dropped when the host is gone.

#include "bridge/EditorHostRig.h"
#include "share/ShareBase.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using namespace testing_support;
using Events = std::vector<std::string>;

const std::string share = R"({"id":1,"op":"share","payload":{"state":{}}})", share2 = R"({"id":2,"op":"share","payload":{"state":{}}})";

TEST(EditorHostShare, PublishesTheStateAndAnswersOnTheMainQueue) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"share","payload":{"state":{"maps":[]}}})");
    rig.post(R"({"id":2,"op":"share","payload":{"name":"Delta","state":null}})");
    rig.post(R"({"id":3,"op":"share","payload":{"name":5,"state":[]}})");
    rig.post(R"({"id":4,"op":"share","payload":{"name":"Delta"}})");
    rig.post(R"({"id":5,"op":"share"})");
    std::vector<std::string> sent;
    for (const HttpRequest& request : rig.http.requests()) sent.push_back(request.method + " " + request.url + " " + request.body);
    const std::string endpoint = "POST " + std::string(defaultShareBase()) + "api/share ";
    EXPECT_EQ(sent, (Events{endpoint + R"({"name":"Shared map","state":{"maps":[]},"media":{}})", endpoint + R"({"name":"Delta","state":null,"media":{}})",
                            endpoint + R"({"name":"Shared map","state":[],"media":{}})"}));
    // Without a state nothing is sent, and the answer comes at once.
    const Events refused{errorReply(4, "share needs a `state`"), errorReply(5, "share needs a `state`")};
    EXPECT_EQ(rig.events(), refused);
    rig.http.complete(0, ScriptedHttpClient::response(201, R"({"id":"abcdefgh2345","token":"t"})"));
    rig.http.complete(1, ScriptedHttpClient::response(409, R"({"error":"already shared"})"));
    rig.http.complete(2, Unexpected<HttpError>(HttpError::transport("Connection refused")));
    EXPECT_EQ(rig.events(), refused) << "answered before the main queue ran";
    rig.queue.runDue();
    std::string_view host = defaultShareBase();
    host = host.substr(host.find("//") + 2);
    EXPECT_EQ(rig.events(), (Events{refused[0], refused[1], okReply(1, R"({"id":"abcdefgh2345","token":"t"})"),
                                    errorReply(2, "already shared"),
                                    errorReply(3, "could not reach " + std::string(host.substr(0, host.find('/'))) + ": Connection refused")}));
}

TEST(EditorHostShare, LaterRequestsMayBeAnsweredFirstAndAnAnswerForAGoneDocumentIsStillGiven) {
    EditorHostRig rig;
    rig.post(share);
    rig.post(R"({"id":2,"op":"unshare","payload":{"id":"abcdefgh2345","token":"secret"}})");
    rig.document.reset();
    rig.http.complete(1, ScriptedHttpClient::response(204, ""));
    rig.queue.runDue();
    rig.http.complete(0, ScriptedHttpClient::response(201, "{}"));
    rig.queue.runDue();
    EXPECT_EQ(rig.events(), (Events{okReply(2), okReply(1, "{}")}));
    EXPECT_EQ(rig.http.requests()[1].method + " " + rig.http.requests()[1].url, "DELETE " + std::string(defaultShareBase()) + "api/share/abcdefgh2345");
}

TEST(EditorHostUnshare, AnswersWhatIsMissingWithoutSendingAnything) {
    for (const std::string payload : {R"({"id":"abcdefgh234","token":"secret"})", R"({"id":"abcdefgh2345","token":"a\nb"})",
                                      R"({"id":"abcdefgh2345","token":""})", R"({"id":"abcdefgh2345"})", R"({"token":"secret"})",
                                      R"({"id":"abcdefgh2345","token":7})"}) {
        EditorHostRig rig;
        rig.post(R"({"id":1,"op":"unshare","payload":)" + payload + "}");
        EXPECT_TRUE(rig.http.requests().empty()) << payload;
        EXPECT_EQ(rig.events(), Events{errorReply(1, "unshare needs an `id` and a `token`")}) << payload;
    }
}

const HttpClient::Result pngImage = ScriptedHttpClient::response(200, "PNGDATA", {{"Content-Type", "image/png"}});

// Answers the page request, then the image request the fetcher makes for it.
void answerPageAndImage(EditorHostRig& rig, const HttpClient::Result& image = pngImage) {
    rig.http.complete(0, ScriptedHttpClient::response(
                             200, R"(<html><head><title>Ignored</title><meta property="og:title" content="Harbour"><meta property="og:image" content="/a.png"></head></html>)",
                             {{"Content-Type", "text/html; charset=utf-8"}}));
    ASSERT_EQ(rig.http.requests().size(), 2u);
    EXPECT_EQ(rig.http.requests()[1].url, "https://pages.example/a.png");
    rig.http.complete(1, image);
}

const std::string preview = R"({"id":1,"op":"preview","payload":{"url":"https://pages.example/"}})";

TEST(EditorHostPreview, StoresThePagesImageWhileTheDocumentIsThereAndAnswersTheCard) {
    const std::string card = R"({"title":"Harbour","siteName":"pages.example")";
    const struct {
        std::string_view name;
        bool documentGone, storeRefuses;
        Events events;
    } rows[] = {
        {"stored", false, false, {"storeMedia image/png PNGDATA", okReply(1, card + R"(,"image":"velk-media/0123456789abcdef.png"})")}},
        {"the document went", true, false, {okReply(1, card + "}")}},
        {"the store refused", false, true, {"storeMedia image/png PNGDATA", okReply(1, card + "}")}},
    };
    for (const auto& row : rows) {
        EditorHostRig rig;
        if (row.storeRefuses) rig.document->stored = Unexpected<EditorDocumentError>(MediaError::directoryFull());
        rig.post(preview);
        if (row.documentGone) rig.document.reset();
        answerPageAndImage(rig);
        EXPECT_EQ(rig.events(), Events{}) << row.name;
        rig.queue.runDue();
        EXPECT_EQ(rig.events(), row.events) << row.name;
    }
}

// The policy's refusals wait for the main queue like any answer from the fetcher.
TEST(EditorHostPreview, RefusalsAndUnreadablePagesAreAnsweredWithWhy) {
    const std::tuple<std::string, std::string, bool> rows[] = {
        {R"({"url":"ftp://pages.example/"})", "blocked by link-preview policy: only http(s) links get a preview", true},
        {R"({"url":"https://private.example/"})", "blocked by link-preview policy: private.example resolves to 10.0.0.5, which is not a public address", true},
        {R"({"link":"https://pages.example/"})", "preview needs a `url`", false},
    };
    for (const auto& [payload, message, queued] : rows) {
        EditorHostRig rig;
        rig.post(R"({"id":1,"op":"preview","payload":)" + payload + "}");
        EXPECT_EQ(queued ? rig.events() : Events{}, Events{}) << payload;
        rig.queue.runDue();
        EXPECT_TRUE(rig.http.requests().empty()) << payload;
        EXPECT_EQ(rig.events(), Events{errorReply(1, message)}) << payload;
    }
    EditorHostRig rig;
    rig.post(preview);
    rig.http.complete(0, ScriptedHttpClient::response(404, "gone"));
    rig.queue.runDue();
    EXPECT_EQ(rig.events(), Events{errorReply(1, "could not read that page: http 404")});
}

TEST(EditorHostExchanges, AnswersForAHostThatIsGoneAreDropped) {
    EditorHostRig rig;
    rig.post(share);
    rig.post(share2);
    rig.http.complete(0, ScriptedHttpClient::response(201, "{}"));
    rig.host.reset();
    rig.http.complete(1, ScriptedHttpClient::response(201, "{}"));
    rig.queue.runDue();
    EXPECT_EQ(rig.events(), Events{});
    EXPECT_EQ(rig.queue.pending(), 0u);

    EditorHostRig previewing;
    previewing.post(preview);
    previewing.post(R"({"id":2,"op":"preview","payload":{"url":"ftp://pages.example/"}})");
    previewing.host.reset();
    answerPageAndImage(previewing);
    previewing.queue.runDue();
    EXPECT_EQ(previewing.events(), Events{});
}

}  // namespace
}  // namespace velk
