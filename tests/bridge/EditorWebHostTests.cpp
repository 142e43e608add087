// The editor host's answers to the page, op by op, against a recording web view and document:
// the exact scripts evaluated, in order, and every failure text.

#include "bridge/EditorHostRig.h"

#include <gtest/gtest.h>

#include <functional>

namespace velk {
namespace {

using namespace testing_support;
using Events = std::vector<std::string>;

std::string setNameScript(const std::string& quoted) { return "evaluate: window.__velkSetName && window.__velkSetName(" + quoted + ")"; }

TEST(EditorHost, EachOpIsAnsweredWithWhatTheDocumentDidInOrder) {
    const auto named = [](EditorHostRig& rig) {
        rig.document->state = JSONValue::object({{"maps", JSONValue::array({})}});
        rig.document->name = "Harbour \"plan\"";
    };
    const Events loaded{"load", okReply(1, R"({"maps":[]})"), "name", setNameScript(R"("Harbour \"plan\"")")};
    const std::string feedback = "open: https://share.velk.example/feedback/?tester=t-0123456789ab&client=linux&version=0.1.0";
    const std::string badMedia = "media needs {type, data: base64}";
    const struct {
        std::string_view name;
        std::function<void(EditorHostRig&)> setup;
        std::vector<std::string> requests;
        Events events;
    } rows[] = {
        {"load answers the state, then sends the name", named, {R"({"id":1,"op":"load"})"}, loaded},
        {"refresh is a load", named, {R"({"id":1,"op":"refresh"})"}, loaded},
        {"a document without a name gets no name script", {}, {R"({"id":1,"op":"load"})"}, {"load", okReply(1, "{}"), "name"}},
        {"a failed load has no name",
         [](EditorHostRig& rig) { rig.document->state = Unexpected<EditorDocumentError>(MapDocumentError::noRootCanvas("map.canvas")); },
         {R"({"id":1,"op":"load"})"}, {"load", errorReply(1, "no root canvas map.canvas")}},
        {"save hands the body over and answers the revision", [](EditorHostRig& rig) { rig.document->revision = 7; },
         {R"({"id":1,"op":"save","payload":{"body":"{\"nodes\":[],\"edges\":[]}"}})"},
         {R"(save {"nodes":[],"edges":[]})", okReply(1, R"({"revision":7})")}},
        {"refused bodies reach no document", {},
         {R"({"id":1,"op":"save","payload":{"body":"[1]"}})", R"({"id":2,"op":"save","payload":{"body":"{\"a\":1,}"}})",
          R"({"id":3,"op":"save","payload":{"body":{"nodes":[]}}})", R"({"id":4,"op":"save","payload":"{}"})", R"({"id":5,"op":"save"})"},
         {errorReply(1, "save body is not a JSON object"), errorReply(2, R"(unexpected(\"}\", at: 7))"),
          errorReply(3, "save needs a string `body`"), errorReply(4, "save needs a string `body`"), errorReply(5, "save needs a string `body`")}},
        {"a refused save is answered with the document's text",
         [](EditorHostRig& rig) {
             rig.document->revision = Unexpected<EditorDocumentError>(MapDocumentError::sharedSubmapDiverged("map/a.canvas", {"/x", "/y"}));
         },
         {R"({"id":1,"op":"save","payload":{"body":"{}"}})"},
         {"save {}", errorReply(1, "map/a.canvas is linked from /x, /y and holds different edits under each; not saved \u2014 "
                                   "reopen the document to see both")}},
        {"media stores the decoded bytes and answers their path", {},
         {R"({"id":1,"op":"media","payload":{"type":"image/png","data":"aGk="}})"},
         {"storeMedia image/png hi", okReply(1, R"({"src":"velk-media/0123456789abcdef.png"})")}},
        {"without a type or strict base64 nothing is stored", {},
         {R"({"id":1,"op":"media","payload":{"type":"image/png","data":"aGk"}})", R"({"id":2,"op":"media","payload":{"type":"image/png","data":"aGk=\n"}})",
          R"({"id":3,"op":"media","payload":{"type":"image/png","data":"a=k="}})", R"({"id":4,"op":"media","payload":{"data":"aGk="}})",
          R"({"id":5,"op":"media","payload":{"type":7,"data":"aGk="}})", R"({"id":6,"op":"media"})",
          R"({"id":7,"op":"media","payload":{"type":"image/png"}})"},
         {errorReply(1, badMedia), errorReply(2, badMedia), errorReply(3, badMedia), errorReply(4, badMedia), errorReply(5, badMedia),
          errorReply(6, badMedia), errorReply(7, badMedia)}},
        {"a refused image is answered with the store's text",
         [](EditorHostRig& rig) { rig.document->stored = Unexpected<EditorDocumentError>(MediaError::unsupportedType("image/tiff")); },
         {R"({"id":1,"op":"media","payload":{"type":"image/tiff","data":""}})"},
         {"storeMedia image/tiff ", errorReply(1, "unsupported image type: image/tiff")}},
        {"home is answered before going home", {}, {R"({"id":1,"op":"home"})"}, {okReply(1), "goHome"}},
        {"feedback is answered before its page opens, with the message if it is text", {},
         {R"({"id":1,"op":"feedback","payload":{"message":"a&b=c"}})", R"({"id":2,"op":"feedback"})",
          R"({"id":3,"op":"feedback","payload":{"message":12}})"},
         {okReply(1), feedback + "&message=a%26b%3Dc", okReply(2), feedback, okReply(3), feedback}},
        {"rename", {}, {R"({"id":1,"op":"rename","payload":{"name":"Estuary"}})", R"({"id":2,"op":"rename","payload":{"title":"Estuary"}})"},
         {"rename Estuary", okReply(1), errorReply(2, "rename needs a `name`")}},
        {"a refused rename",
         [](EditorHostRig& rig) { rig.document->renamed = Unexpected<EditorDocumentError>(RenameError{"“Estuary” is already taken."}); },
         {R"({"id":1,"op":"rename","payload":{"name":"Estuary"}})"}, {"rename Estuary", errorReply(1, "“Estuary” is already taken.")}},
        {"save as", {}, {R"({"id":1,"op":"saveAs"})"}, {"saveAs", okReply(1)}},
        {"a document without the optional operations",
         [](EditorHostRig& rig) {
             static const auto bare = std::make_shared<BareDocument>();
             rig.host = rig.makeHost(bare);
         },
         {R"({"id":1,"op":"rename","payload":{"name":"x"}})", R"({"id":2,"op":"saveAs"})", R"({"id":3,"op":"home"})", R"({"id":4,"op":"load"})"},
         {errorReply(1, "Rename is not available here yet"), errorReply(2, "Save as is not available here yet"), okReply(3), okReply(4)}},
        {"only requests with an id are answered", {},
         {R"({"id":1,"op":"Load"})", R"({"id":2})", R"({"id":"1","op":"load"})", R"({"id":1.0,"op":"load"})", "not json", "[1,2]"},
         {errorReply(1, "unknown op Load"), errorReply(2, "request has no op")}},
    };
    for (const auto& row : rows) {
        EditorHostRig rig;
        if (row.setup) row.setup(rig);
        for (const std::string& request : row.requests) rig.post(request);
        EXPECT_EQ(rig.events(), row.events) << row.name;
    }
}

TEST(EditorHost, OnceTheDocumentIsGoneEveryOpIsAnsweredSoAndNothingElseHappens) {
    for (const char* op : {"load", "save", "media", "refresh", "home", "rename", "saveAs", "feedback", "share", "unshare", "preview"}) {
        EditorHostRig rig;
        rig.document.reset();
        rig.post(R"({"id":1,"op":")" + std::string(op) +
                 R"(","payload":{"body":"{}","type":"image/png","data":"aGk=","name":"n","state":{},"id":"abcdefgh2345","token":"t","url":"https://pages.example/"}})");
        rig.queue.runDue();
        EXPECT_EQ(rig.events(), Events{errorReply(1, "document is gone")}) << op;
        EXPECT_TRUE(rig.http.requests().empty()) << op;
    }
}

TEST(EditorHost, OnlyTheEditorPagesMainFrameIsHeardAndItsLogLinesAreTraced) {
    using Kind = WebMessage::BodyKind;
    const std::string load = R"({"id":1,"op":"load"})";
    const WebMessage ignored[] = {
        {"velk", Kind::text, load, false, "velk-app"}, {"velk", Kind::text, load, true, "https"}, {"velk", Kind::text, load, true, "VELK-APP"},
        {"velk", Kind::other, load, true, "velk-app"}, {"other", Kind::text, load, true, "velk-app"},
        {"velkLog", Kind::text, "console.warn: x", false, "velk-app"}, {"velkLog", Kind::text, "console.warn: x", true, "file"},
    };
    for (const WebMessage& message : ignored) {
        EditorHostRig rig;
        rig.host->receive(message);
        EXPECT_EQ(rig.events(), Events{}) << message.handler << " " << message.originScheme;
        EXPECT_EQ(rig.traced(), Events{}) << message.handler << " " << message.originScheme;
    }
    EditorHostRig rig;
    rig.host->receive({"velkLog", Kind::text, "console.error: boom", true, "velk-app"});
    rig.host->receive({"velkLog", Kind::other, "[object Object]", true, "velk-app"});
    EXPECT_EQ(rig.traced(), (Events{"page: console.error: boom", "page: [object Object]"}));
    EXPECT_EQ(rig.events(), Events{});
}

TEST(EditorHost, EachRequestAndReplyIsOneTraceLine) {
    EditorHostRig rig;
    rig.post(R"({"id":3,"op":"saveAs"})");
    rig.post(R"({"id":-4,"op":"rename"})");
    rig.post(R"({"id":5,"op":"Load"})");
    EXPECT_EQ(rig.traced(), (Events{"bridge: request #3 saveAs", "bridge: reply #3 ok", "bridge: request #-4 rename",
                                    "bridge: reply #-4 ERROR rename needs a `name`", "bridge: reply #5 ERROR unknown op Load"}));
}

}  // namespace
}  // namespace velk
