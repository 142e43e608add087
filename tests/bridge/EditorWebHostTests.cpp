// The editor host's answers to the page, op by op, against a recording web view and document:
// the exact scripts evaluated, in order, and every failure text.

#include "bridge/EditorHostRig.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::BareDocument;
using testing_support::EditorHostRig;
using Events = std::vector<std::string>;

const std::string okNull = R"(evaluate: window.__velkReply && window.__velkReply(1, JSON.parse("{\"ok\":true,\"value\":null}")))";

// The reply script for request 1 failing with `message`, which must need no escaping.
std::string errorReply(const std::string& message) {
    return R"(evaluate: window.__velkReply && window.__velkReply(1, JSON.parse("{\"ok\":false,\"error\":\")" + message +
           R"(\"}")))";
}

TEST(EditorHostLoad, AnswersTheStateThenSendsTheName) {
    for (const char* op : {"load", "refresh"}) {
        SCOPED_TRACE(op);
        EditorHostRig rig;
        rig.document->state = JSONValue::object({{"maps", JSONValue::array({})}});
        rig.document->name = "Harbour \"plan\"";
        rig.post(R"({"id":1,"op":")" + std::string(op) + R"("})");
        EXPECT_EQ(rig.events(),
                  (Events{"load",
                          R"(evaluate: window.__velkReply && window.__velkReply(1, JSON.parse("{\"ok\":true,\"value\":{\"maps\":[]}}")))",
                          "name", R"(evaluate: window.__velkSetName && window.__velkSetName("Harbour \"plan\""))"}));
    }
}

TEST(EditorHostLoad, ADocumentWithoutANameGetsNoNameScript) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"load"})");
    EXPECT_EQ(rig.events(),
              (Events{"load", R"(evaluate: window.__velkReply && window.__velkReply(1, JSON.parse("{\"ok\":true,\"value\":{}}")))",
                      "name"}));
}

TEST(EditorHostLoad, AFailedLoadIsAnsweredWithItsTextAndNoName) {
    EditorHostRig rig;
    rig.document->state = Unexpected<EditorDocumentError>(MapDocumentError::noRootCanvas("map.canvas"));
    rig.post(R"({"id":1,"op":"load"})");
    EXPECT_EQ(rig.events(), (Events{"load", errorReply("no root canvas map.canvas")}));
}

TEST(EditorHostSave, HandsTheBodyToTheDocumentAndAnswersTheRevision) {
    EditorHostRig rig;
    rig.document->revision = 7;
    rig.post(R"({"id":1,"op":"save","payload":{"body":"{\"nodes\":[],\"edges\":[]}"}})");
    EXPECT_EQ(rig.events(),
              (Events{R"(save {"nodes":[],"edges":[]})",
                      R"(evaluate: window.__velkReply && window.__velkReply(1, JSON.parse("{\"ok\":true,\"value\":{\"revision\":7}}")))"}));
}

TEST(EditorHostSave, RefusedBodiesReachNoDocument) {
    struct Case {
        std::string request, message;
    };
    const Case cases[] = {
        {R"({"id":1,"op":"save","payload":{"body":"[1]"}})", "save body is not a JSON object"},
        {R"({"id":1,"op":"save","payload":{"body":"{\"a\":1,}"}})", R"(unexpected(\\\"}\\\", at: 7))"},
        {R"({"id":1,"op":"save","payload":{"body":{"nodes":[]}}})", "save needs a string `body`"},
        {R"({"id":1,"op":"save","payload":"{}"})", "save needs a string `body`"},
        {R"({"id":1,"op":"save"})", "save needs a string `body`"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        EditorHostRig rig;
        rig.post(c.request);
        EXPECT_EQ(rig.events(), Events{errorReply(c.message)});
    }
}

TEST(EditorHostSave, ARefusedSaveIsAnsweredWithTheDocumentsText) {
    EditorHostRig rig;
    rig.document->revision = Unexpected<EditorDocumentError>(
        MapDocumentError::sharedSubmapDiverged("map/a.canvas", {"/x", "/y"}));
    rig.post(R"({"id":1,"op":"save","payload":{"body":"{}"}})");
    EXPECT_EQ(rig.events(),
              (Events{"save {}", errorReply("map/a.canvas is linked from /x, /y and holds different edits under each; "
                                            "not saved \u2014 reopen the document to see both")}));
}

TEST(EditorHostMedia, StoresTheDecodedBytesAndAnswersTheirPath) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"media","payload":{"type":"image/png","data":"aGk="}})");
    EXPECT_EQ(rig.events(),
              (Events{"storeMedia image/png hi",
                      R"(evaluate: window.__velkReply && window.__velkReply(1, JSON.parse("{\"ok\":true,\"value\":{\"src\":\"velk-media/0123456789abcdef.png\"}}")))"}));
}

TEST(EditorHostMedia, WithoutATypeOrStrictBase64NothingIsStored) {
    const std::string requests[] = {
        R"({"id":1,"op":"media","payload":{"type":"image/png","data":"aGk"}})",
        R"({"id":1,"op":"media","payload":{"type":"image/png","data":"aGk=\n"}})",
        R"({"id":1,"op":"media","payload":{"type":"image/png","data":"aG k="}})",
        R"({"id":1,"op":"media","payload":{"type":"image/png","data":"a=k="}})",
        R"({"id":1,"op":"media","payload":{"type":"image/png"}})",
        R"({"id":1,"op":"media","payload":{"data":"aGk="}})",
        R"({"id":1,"op":"media","payload":{"type":7,"data":"aGk="}})",
        R"({"id":1,"op":"media"})",
    };
    for (const std::string& request : requests) {
        SCOPED_TRACE(request);
        EditorHostRig rig;
        rig.post(request);
        EXPECT_EQ(rig.events(), Events{errorReply("media needs {type, data: base64}")});
    }
}

TEST(EditorHostMedia, ARefusedImageIsAnsweredWithTheStoresText) {
    EditorHostRig rig;
    rig.document->stored = Unexpected<EditorDocumentError>(MediaError::unsupportedType("image/tiff"));
    rig.post(R"({"id":1,"op":"media","payload":{"type":"image/tiff","data":""}})");
    EXPECT_EQ(rig.events(), (Events{"storeMedia image/tiff ", errorReply("unsupported image type: image/tiff")}));
}

TEST(EditorHostHome, AnswersBeforeGoingHome) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"home"})");
    EXPECT_EQ(rig.events(), (Events{okNull, "goHome"}));
}

TEST(EditorHostFeedback, AnswersBeforeOpeningTheFeedbackPageWithTheMessage) {
    struct Case {
        std::string request, opened;
    };
    const std::string page = "https://share.velk.example/feedback/?tester=t-0123456789ab&client=linux&version=0.1.0";
    const Case cases[] = {
        {R"({"id":1,"op":"feedback","payload":{"message":"a&b=c"}})", page + "&message=a%26b%3Dc"},
        {R"({"id":1,"op":"feedback"})", page},
        {R"({"id":1,"op":"feedback","payload":{"message":12}})", page},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        EditorHostRig rig;
        rig.post(c.request);
        EXPECT_EQ(rig.events(), (Events{okNull, "open: " + c.opened}));
    }
}

TEST(EditorHostRename, RenamesOrAnswersWhyNot) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"rename","payload":{"name":"Estuary"}})");
    rig.document->renamed = Unexpected<EditorDocumentError>(RenameError{"“Estuary” is already taken."});
    rig.post(R"({"id":1,"op":"rename","payload":{"name":"Estuary"}})");
    rig.post(R"({"id":1,"op":"rename","payload":{"title":"Estuary"}})");
    EXPECT_EQ(rig.events(), (Events{"rename Estuary", okNull, "rename Estuary", errorReply("“Estuary” is already taken."),
                                    errorReply("rename needs a `name`")}));
}

TEST(EditorHostSaveAs, StartsSavingOrAnswersWhyNot) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"saveAs"})");
    EXPECT_EQ(rig.events(), (Events{"saveAs", okNull}));
}

TEST(EditorHostDefaults, ADocumentWithoutTheOptionalOperations) {
    EditorHostRig rig;
    const auto bare = std::make_shared<BareDocument>();
    rig.host = rig.makeHost(bare);
    rig.post(R"({"id":1,"op":"rename","payload":{"name":"x"}})");
    rig.post(R"({"id":1,"op":"saveAs"})");
    rig.post(R"({"id":1,"op":"home"})");
    rig.post(R"({"id":1,"op":"load"})");
    EXPECT_EQ(rig.events(), (Events{errorReply("Rename is not available here yet"),
                                    errorReply("Save as is not available here yet"), okNull, okNull}));
}

TEST(EditorHostDocumentGone, EveryOpIsAnsweredSoAndNothingElseHappens) {
    const char* ops[] = {"load", "save", "media", "refresh", "home", "rename", "saveAs", "feedback", "share", "unshare", "preview"};
    for (const char* op : ops) {
        SCOPED_TRACE(op);
        EditorHostRig rig;
        rig.document.reset();
        rig.post(R"({"id":1,"op":")" + std::string(op) +
                 R"(","payload":{"body":"{}","type":"image/png","data":"aGk=","name":"n","state":{},"id":"abcdefgh2345","token":"t","url":"https://pages.example/"}})");
        rig.queue.runDue();
        EXPECT_EQ(rig.events(), Events{errorReply("document is gone")});
        EXPECT_TRUE(rig.http.requests().empty());
    }
}

TEST(EditorHostDecoding, OnlyRequestsWithAnIdAreAnswered) {
    struct Case {
        std::string text;
        Events events;
    };
    const Case cases[] = {
        {R"({"id":1,"op":"Load"})", {errorReply("unknown op Load")}},
        {R"({"id":1,"op":7})", {errorReply("request has no op")}},
        {R"({"id":1})", {errorReply("request has no op")}},
        {R"({"id":"1","op":"load"})", {}},
        {R"({"id":1.0,"op":"load"})", {}},
        {R"({"op":"load"})", {}},
        {"not json", {}},
        {"[1,2]", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EditorHostRig rig;
        rig.post(c.text);
        EXPECT_EQ(rig.events(), c.events);
    }
}

TEST(EditorHostMessages, OnlyTheEditorPagesMainFrameIsHeard) {
    using Kind = WebMessage::BodyKind;
    const std::string load = R"({"id":1,"op":"load"})";
    const WebMessage ignored[] = {
        {"velk", Kind::text, load, false, "velk-app"},
        {"velk", Kind::text, load, true, "https"},
        {"velk", Kind::text, load, true, "VELK-APP"},
        {"velk", Kind::other, load, true, "velk-app"},
        {"other", Kind::text, load, true, "velk-app"},
        {"velkLog", Kind::text, "console.warn: x", false, "velk-app"},
        {"velkLog", Kind::text, "console.warn: x", true, "file"},
    };
    for (const WebMessage& message : ignored) {
        SCOPED_TRACE(message.handler + " " + message.originScheme);
        EditorHostRig rig;
        rig.host->receive(message);
        EXPECT_EQ(rig.events(), Events{});
        EXPECT_EQ(rig.traced(), std::vector<std::string>{});
    }
}

TEST(EditorHostMessages, ForwardedPageLinesGoToTheTrace) {
    EditorHostRig rig;
    rig.host->receive({"velkLog", WebMessage::BodyKind::text, "console.error: boom", true, "velk-app"});
    rig.host->receive({"velkLog", WebMessage::BodyKind::other, "[object Object]", true, "velk-app"});
    EXPECT_EQ(rig.traced(), (std::vector<std::string>{"page: console.error: boom", "page: [object Object]"}));
    EXPECT_EQ(rig.events(), Events{});
}

TEST(EditorHostTrace, EachRequestAndReplyIsOneLine) {
    EditorHostRig rig;
    rig.post(R"({"id":3,"op":"saveAs"})");
    rig.post(R"({"id":-4,"op":"rename"})");
    rig.post(R"({"id":5,"op":"Load"})");
    EXPECT_EQ(rig.traced(), (std::vector<std::string>{"bridge: request #3 saveAs", "bridge: reply #3 ok",
                                                      "bridge: request #-4 rename",
                                                      "bridge: reply #-4 ERROR rename needs a `name`",
                                                      "bridge: reply #5 ERROR unknown op Load"}));
}

}  // namespace
}  // namespace velk
