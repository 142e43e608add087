// The editor host's network exchanges: share publishing and withdrawal over a scripted HTTP
// client, link previews through the real fetcher over it. Answers must wait for the main queue,
// may overtake one another, and are dropped when the host is gone.

#include "bridge/EditorHostRig.h"
#include "share/ShareBase.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::EditorHostRig;
using testing_support::ScriptedHttpClient;
using Events = std::vector<std::string>;

std::string serviceHost() {
    std::string_view base = defaultShareBase();
    base.remove_prefix(base.find("//") + 2);
    return std::string(base.substr(0, base.find('/')));
}

std::string replyScript(int id, const std::string& quotedValue) {
    return "evaluate: window.__velkReply && window.__velkReply(" + std::to_string(id) + ", JSON.parse(\"" + quotedValue +
           "\"))";
}

TEST(EditorHostShare, PublishesTheStateAndAnswersOnTheMainQueue) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"share","payload":{"state":{"maps":[]}}})");
    rig.post(R"({"id":2,"op":"share","payload":{"name":"Delta","state":null}})");
    rig.post(R"({"id":3,"op":"share","payload":{"name":5,"state":[]}})");
    const auto requests = rig.http.requests();
    ASSERT_EQ(requests.size(), 3u);
    const std::string endpoint = std::string(defaultShareBase()) + "api/share";
    const std::string bodies[] = {R"({"name":"Shared map","state":{"maps":[]},"media":{}})",
                                  R"({"name":"Delta","state":null,"media":{}})", R"({"name":"Shared map","state":[],"media":{}})"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(requests[i].method, "POST");
        EXPECT_EQ(requests[i].url, endpoint);
        EXPECT_EQ(requests[i].body, bodies[i]);
    }

    rig.http.complete(0, ScriptedHttpClient::response(201, R"({"id":"abcdefgh2345","token":"t"})"));
    EXPECT_EQ(rig.events(), Events{}) << "answered before the main queue ran";
    rig.queue.runDue();
    EXPECT_EQ(rig.events(),
              Events{replyScript(1, R"({\"ok\":true,\"value\":{\"id\":\"abcdefgh2345\",\"token\":\"t\"}})")});
}

TEST(EditorHostShare, WithoutAStateNothingIsSent) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"share","payload":{"name":"Delta"}})");
    rig.post(R"({"id":2,"op":"share"})");
    EXPECT_TRUE(rig.http.requests().empty());
    EXPECT_EQ(rig.events(), (Events{replyScript(1, R"({\"ok\":false,\"error\":\"share needs a `state`\"})"),
                                    replyScript(2, R"({\"ok\":false,\"error\":\"share needs a `state`\"})")}));
}

TEST(EditorHostShare, TheServicesRefusalAndTransportErrorsReachThePage) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"share","payload":{"state":{}}})");
    rig.post(R"({"id":2,"op":"share","payload":{"state":{}}})");
    rig.http.complete(0, ScriptedHttpClient::response(409, R"({"error":"already shared"})"));
    rig.http.complete(1, Unexpected<HttpError>(HttpError::transport("Connection refused")));
    rig.queue.runDue();
    EXPECT_EQ(rig.events(),
              (Events{replyScript(1, R"({\"ok\":false,\"error\":\"already shared\"})"),
                      replyScript(2, R"({\"ok\":false,\"error\":\"could not reach )" + serviceHost() +
                                         R"(: Connection refused\"})")}));
}

TEST(EditorHostShare, LaterRequestsMayBeAnsweredFirst) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"share","payload":{"state":{}}})");
    rig.post(R"({"id":2,"op":"unshare","payload":{"id":"abcdefgh2345","token":"secret"}})");
    rig.http.complete(1, ScriptedHttpClient::response(204, ""));
    rig.queue.runDue();
    rig.http.complete(0, ScriptedHttpClient::response(201, "{}"));
    rig.queue.runDue();
    EXPECT_EQ(rig.events(), (Events{replyScript(2, R"({\"ok\":true,\"value\":null})"),
                                    replyScript(1, R"({\"ok\":true,\"value\":{}})")}));
}

TEST(EditorHostUnshare, SendsTheWithdrawalOrAnswersWhatIsMissing) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"unshare","payload":{"id":"abcdefgh2345","token":"secret"}})");
    const auto requests = rig.http.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "DELETE");
    EXPECT_EQ(requests[0].url, std::string(defaultShareBase()) + "api/share/abcdefgh2345");

    const std::string refused[] = {
        R"({"id":1,"op":"unshare","payload":{"id":"abcdefgh234","token":"secret"}})",
        R"({"id":1,"op":"unshare","payload":{"id":"abcdefgh2345","token":"a\nb"}})",
        R"({"id":1,"op":"unshare","payload":{"id":"abcdefgh2345","token":""}})",
        R"({"id":1,"op":"unshare","payload":{"id":"abcdefgh2345"}})",
        R"({"id":1,"op":"unshare","payload":{"token":"secret"}})",
        R"({"id":1,"op":"unshare","payload":{"id":"abcdefgh2345","token":7}})",
    };
    for (const std::string& request : refused) {
        SCOPED_TRACE(request);
        EditorHostRig other;
        other.post(request);
        EXPECT_TRUE(other.http.requests().empty());
        EXPECT_EQ(other.events(), Events{replyScript(1, R"({\"ok\":false,\"error\":\"unshare needs an `id` and a `token`\"})")});
    }
}

TEST(EditorHostShare, AnAnswerForAHostThatIsGoneIsDropped) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"share","payload":{"state":{}}})");
    rig.post(R"({"id":2,"op":"share","payload":{"state":{}}})");
    rig.http.complete(0, ScriptedHttpClient::response(201, "{}"));
    rig.host.reset();
    rig.http.complete(1, ScriptedHttpClient::response(201, "{}"));
    rig.queue.runDue();
    EXPECT_EQ(rig.events(), Events{});
    EXPECT_EQ(rig.queue.pending(), 0u);
}

TEST(EditorHostShare, AnAnswerAfterTheDocumentWentIsStillGiven) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"share","payload":{"state":{}}})");
    rig.document.reset();
    rig.http.complete(0, ScriptedHttpClient::response(201, "{}"));
    rig.queue.runDue();
    EXPECT_EQ(rig.events(), Events{replyScript(1, R"({\"ok\":true,\"value\":{}})")});
}

const std::string page =
    R"(<html><head><title>Ignored</title><meta property="og:title" content="Harbour"><meta property="og:image" content="/a.png"></head></html>)";

// Answers the page request, then the image request the fetcher makes for it.
void answerPageAndImage(EditorHostRig& rig, HttpClient::Result image) {
    rig.http.complete(0, ScriptedHttpClient::response(200, page, {{"Content-Type", "text/html; charset=utf-8"}}));
    ASSERT_EQ(rig.http.requests().size(), 2u);
    EXPECT_EQ(rig.http.requests()[1].url, "https://pages.example/a.png");
    rig.http.complete(1, std::move(image));
}

const HttpClient::Result pngImage = ScriptedHttpClient::response(200, "PNGDATA", {{"Content-Type", "image/png"}});

TEST(EditorHostPreview, StoresThePagesImageAndAnswersTheCard) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"preview","payload":{"url":"https://pages.example/"}})");
    answerPageAndImage(rig, pngImage);
    EXPECT_EQ(rig.events(), Events{});
    rig.queue.runDue();
    EXPECT_EQ(rig.events(),
              (Events{"storeMedia image/png PNGDATA",
                      replyScript(1, R"({\"ok\":true,\"value\":{\"title\":\"Harbour\",\"siteName\":\"pages.example\",\"image\":\"velk-media/0123456789abcdef.png\"}})")}));
}

TEST(EditorHostPreview, WithoutTheDocumentOrWhenTheImageIsRefusedTheCardHasNoImage) {
    const std::string card = R"({\"ok\":true,\"value\":{\"title\":\"Harbour\",\"siteName\":\"pages.example\"}})";
    {
        EditorHostRig rig;
        rig.post(R"({"id":1,"op":"preview","payload":{"url":"https://pages.example/"}})");
        rig.document.reset();
        answerPageAndImage(rig, pngImage);
        rig.queue.runDue();
        EXPECT_EQ(rig.events(), Events{replyScript(1, card)});
    }
    {
        EditorHostRig rig;
        rig.document->stored = Unexpected<EditorDocumentError>(MediaError::directoryFull());
        rig.post(R"({"id":1,"op":"preview","payload":{"url":"https://pages.example/"}})");
        answerPageAndImage(rig, pngImage);
        rig.queue.runDue();
        EXPECT_EQ(rig.events(), (Events{"storeMedia image/png PNGDATA", replyScript(1, card)}));
    }
}

TEST(EditorHostPreview, ARefusedLinkIsAnsweredOnlyAfterTheRequestWasHandled) {
    struct Case {
        std::string request, message;
    };
    const Case cases[] = {
        {R"({"id":1,"op":"preview","payload":{"url":"ftp://pages.example/"}})",
         "blocked by link-preview policy: only http(s) links get a preview"},
        {R"({"id":1,"op":"preview","payload":{"link":"https://pages.example/"}})", "preview needs a `url`"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        EditorHostRig rig;
        rig.post(c.request);
        rig.queue.runDue();
        EXPECT_TRUE(rig.http.requests().empty());
        EXPECT_EQ(rig.events(), Events{replyScript(1, R"({\"ok\":false,\"error\":\")" + c.message + R"(\"})")});
    }
}

TEST(EditorHostPreview, APolicyRefusalWaitsForTheMainQueue) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"preview","payload":{"url":"https://private.example/"}})");
    EXPECT_EQ(rig.events(), Events{});
    EXPECT_EQ(rig.queue.pending(), 1u);
}

TEST(EditorHostPreview, APageThatCannotBeReadIsAnsweredWithWhy) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"preview","payload":{"url":"https://pages.example/"}})");
    rig.http.complete(0, ScriptedHttpClient::response(404, "gone"));
    rig.queue.runDue();
    EXPECT_EQ(rig.events(),
              Events{replyScript(1, R"({\"ok\":false,\"error\":\"could not read that page: http 404\"})")});
}

TEST(EditorHostPreview, APreviewForAHostThatIsGoneIsDropped) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"preview","payload":{"url":"https://pages.example/"}})");
    rig.post(R"({"id":2,"op":"preview","payload":{"url":"ftp://pages.example/"}})");
    rig.host.reset();
    answerPageAndImage(rig, pngImage);
    rig.queue.runDue();
    EXPECT_EQ(rig.events(), Events{});
}

}  // namespace
}  // namespace velk
