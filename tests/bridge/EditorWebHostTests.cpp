// The editor host over recording fakes: its answers to the page op by op, its network exchanges
// (answered on the main queue, dropped once the host is gone), the view outside the bridge, the
// wire format both ways and the velk-app scheme it serves.

#include "bridge/BridgeReply.h"
#include "bridge/BridgeRequest.h"
#include "bridge/EditorHostRig.h"
#include "bridge/EditorNavigation.h"
#include "bridge/SchemeHandler.h"
#include "core/Utf8.h"
#include "json/JSONTestHelpers.h"
#include "share/ShareBase.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velk {
namespace {

using namespace testing_support;
using Events = std::vector<std::string>;

TEST(EditorHost, EachOpIsAnsweredWithWhatTheDocumentDidInOrder) {
    const auto named = [](EditorHostRig& rig) {
        rig.document->state = JSONValue::object({{"maps", JSONValue::array({})}});
        rig.document->name = "Harbour \"plan\"";
    };
    const Events loaded{"load", okReply(1, R"({"maps":[]})"), "name", R"(evaluate: window.__velkSetName && window.__velkSetName("Harbour \"plan\""))"};
    const std::string feedback = "open: https://share.velk.example/feedback/?tester=t-0123456789ab&client=linux&version=0.1.0";
    const std::string badMedia = "media needs {type, data: base64}", badUnshare = "unshare needs an `id` and a `token`";
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
          R"({"id":3,"op":"media","payload":{"type":7,"data":"aGk="}})", R"({"id":4,"op":"media"})"},
         {errorReply(1, badMedia), errorReply(2, badMedia), errorReply(3, badMedia), errorReply(4, badMedia)}},
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
        {"export, of the selection only when the page says so with true", {},
         {R"({"id":1,"op":"export","payload":{"selection":true}})", R"({"id":2,"op":"export","payload":{"selection":1}})",
          R"({"id":3,"op":"export"})"},
         {"export selection", okReply(1), "export map", okReply(2), "export map", okReply(3)}},
        {"a document without the optional operations",
         [](EditorHostRig& rig) {
             static const auto bare = std::make_shared<BareDocument>();
             rig.host = rig.makeHost(bare);
         },
         {R"({"id":1,"op":"rename","payload":{"name":"x"}})", R"({"id":2,"op":"saveAs"})", R"({"id":3,"op":"home"})", R"({"id":4,"op":"load"})",
          R"({"id":5,"op":"export"})"},
         {errorReply(1, "Rename is not available here yet"), errorReply(2, "Save as is not available here yet"), okReply(3), okReply(4),
          errorReply(5, "Export is not available here yet")}},
        {"unshare without an id and a token it can send is answered at once", {},
         {R"({"id":1,"op":"unshare","payload":{"id":"abcdefgh234","token":"secret"}})",
          R"({"id":2,"op":"unshare","payload":{"id":"abcdefgh2345","token":"a\nb"}})", R"({"id":3,"op":"unshare","payload":{"id":"abcdefgh2345"}})",
          R"({"id":4,"op":"unshare","payload":{"id":"abcdefgh2345","token":7}})"},
         {errorReply(1, badUnshare), errorReply(2, badUnshare), errorReply(3, badUnshare), errorReply(4, badUnshare)}},
        {"only requests with an id are answered", {},
         {R"({"id":1,"op":"Load"})", R"({"id":2})", R"({"id":"1","op":"load"})", R"({"id":1.0,"op":"load"})", "not json", "[1,2]"},
         {errorReply(1, "unknown op Load"), errorReply(2, "request has no op")}},
    };
    for (const auto& row : rows) {
        EditorHostRig rig;
        if (row.setup) row.setup(rig);
        for (const std::string& request : row.requests) rig.post(request);
        EXPECT_EQ(rig.events(), row.events) << row.name;
        EXPECT_TRUE(rig.http.requests().empty()) << row.name;
    }
}

TEST(EditorHost, OnceTheDocumentIsGoneEveryOpIsAnsweredSoAndNothingElseHappens) {
    for (const char* op : {"load", "save", "media", "refresh", "home", "rename", "saveAs", "feedback", "share", "unshare", "preview", "export"}) {
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

const std::string share = R"({"id":1,"op":"share","payload":{"state":{}}})", share2 = R"({"id":2,"op":"share","payload":{"state":{}}})";

TEST(EditorHostShare, PublishesTheStateAndAnswersOnTheMainQueue) {
    EditorHostRig rig;
    rig.post(R"({"id":1,"op":"share","payload":{"state":{"maps":[]}}})");
    rig.post(R"({"id":2,"op":"share","payload":{"name":"Delta","state":null}})");
    rig.post(R"({"id":3,"op":"share","payload":{"name":"Delta"}})");
    std::vector<std::string> sent;
    for (const HttpRequest& request : rig.http.requests()) sent.push_back(request.method + " " + request.url + " " + request.body);
    const std::string endpoint = "POST " + std::string(defaultShareBase()) + "api/share ";
    EXPECT_EQ(sent, (Events{endpoint + R"({"name":"Shared map","state":{"maps":[]},"media":{}})",
                            endpoint + R"({"name":"Delta","state":null,"media":{}})"}));
    // Without a state nothing is sent, and the answer comes at once.
    const std::string refused = errorReply(3, "share needs a `state`");
    EXPECT_EQ(rig.events(), Events{refused});
    rig.http.complete(0, ScriptedHttpClient::response(201, R"({"id":"abcdefgh2345","token":"t"})"));
    rig.http.complete(1, ScriptedHttpClient::response(409, R"({"error":"already shared"})"));
    EXPECT_EQ(rig.events(), Events{refused}) << "answered before the main queue ran";
    rig.queue.runDue();
    EXPECT_EQ(rig.events(), (Events{refused, okReply(1, R"({"id":"abcdefgh2345","token":"t"})"), errorReply(2, "already shared")}));
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

// The page reloaded after its content process died numbers its requests from 1 again; an answer
// for the page before once settled the new page's request of that number.
TEST(EditorHostShare, AnAnswerForThePageBeforeAReloadIsDropped) {
    EditorHostRig rig;
    rig.post(share);
    rig.host->webContentProcessTerminated();
    rig.post(share);
    rig.http.complete(0, ScriptedHttpClient::response(409, R"({"error":"for the page before"})"));
    rig.http.complete(1, ScriptedHttpClient::response(201, "{}"));
    rig.queue.runDue();
    EXPECT_EQ(rig.events(), (Events{"reload", okReply(1, "{}")}));
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
    const std::string load = "load: velk-app://editor/index.html 60000ms";
    const struct {
        std::string_view name;
        bool documentGone, storeRefuses, pageLoadedAgain;
        Events events;
    } rows[] = {
        {"stored", false, false, false, {"storeMedia image/png PNGDATA", okReply(1, card + R"(,"image":"velk-media/0123456789abcdef.png"})")}},
        {"the document went", true, false, false, {okReply(1, card + "}")}},
        {"the store refused", false, true, false, {"storeMedia image/png PNGDATA", okReply(1, card + "}")}},
        // No card of the new page shows it: once stored all the same, an image nobody sees.
        {"the page was loaded again", false, false, true, {load}},
    };
    for (const auto& row : rows) {
        EditorHostRig rig;
        if (row.storeRefuses) rig.document->stored = Unexpected<EditorDocumentError>(MediaError::directoryFull());
        rig.post(preview);
        if (row.documentGone) rig.document.reset();
        if (row.pageLoadedAgain) rig.host->loadEditor();
        answerPageAndImage(rig);
        EXPECT_EQ(rig.events(), row.pageLoadedAgain ? Events{load} : Events{}) << row.name;
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

using URL = std::optional<std::string>;

TEST(EditorHostView, LoadsThePageAndPushesNamesAndChangeNotices) {
    EditorHostRig rig;
    rig.host->loadEditor();
    rig.host->setDocumentName("Delta </script>");
    rig.host->notifyChanged(4, "file");
    EXPECT_EQ(rig.events(), (Events{"load: velk-app://editor/index.html 60000ms",
                                   R"(evaluate: window.__velkSetName && window.__velkSetName("Delta \u003c/script>"))",
                                   R"(evaluate: window.__velkChanged && window.__velkChanged(JSON.parse("{\"rev\":4,\"origin\":\"file\"}")))"}));
}

TEST(EditorHostNavigation, TheViewStaysOnTheEditorPageAndWebLinksGoToTheBrowser) {
    using Action = EditorNavigation::Action;
    const std::pair<URL, Action> cases[] = {
        {std::nullopt, Action::cancel}, {"velk-app://editor/index.html", Action::allow}, {"velk-app://editor/", Action::allow},
        {"VELK-APP://editor/index.html#/?z=0.5&x=1&y=2", Action::allow}, {"velk-app://editor/index.html?x=1", Action::allow},
        {"velk-app://editor/%69ndex.html", Action::allow}, {"velk-app://editor", Action::refuse}, {"velk-app://editor/index.htm", Action::refuse},
        {"velk-app://editor/velk-media/a.png", Action::refuse}, {"https://example.com/", Action::openExternally},
        {"mailto:someone@example.com", Action::openExternally}, {"about:blank", Action::openExternally}, {"no scheme here", Action::openExternally},
    };
    for (const auto& [url, action] : cases) EXPECT_EQ(EditorNavigation::decide(url), action) << url.value_or("(none)");

    EditorHostRig rig;
    EXPECT_EQ(rig.host->decideNavigation("velk-app://editor/index.html"), NavigationPolicy::allow);
    for (const URL& url : {URL(), URL("velk-app://editor/secret.html"),
                                                 URL("https://example.com/a?b=c"), URL("HTTP://example.com/"),
                                                 URL("mailto:someone@example.com"), URL("file:///etc/passwd")}) {
        EXPECT_EQ(rig.host->decideNavigation(url), NavigationPolicy::cancel) << url.value_or("(none)");
    }
    // New windows are never made, but a web link they were for opens in the browser.
    for (const URL& url : {URL(), URL("velk-app://editor/index.html"),
                            URL("https://example.com/"), URL("javascript:alert(1)")}) {
        rig.host->refuseNewWindow(url);
    }
    EXPECT_EQ(rig.events(), (Events{"open: https://example.com/a?b=c", "open: HTTP://example.com/", "open: https://example.com/"}));
    EXPECT_EQ(rig.traced(), Events{"web: refused navigation to velk-app://editor/secret.html"});
}

TEST(EditorHostNavigation, NoticesAreTracedAndADeadContentProcessReloadsThePage) {
    EditorHostRig rig;
    rig.host->didFinishNavigation();  // before the view has a URL
    rig.host->didFailProvisionalNavigation("Unsupported URL");
    rig.host->webContentProcessTerminated();
    EXPECT_EQ(rig.traced(), (Events{"web: didFinish -", "web: didFailProvisional Unsupported URL",
                                    "web: WebContent process TERMINATED \u2014 reloading"}));
    EXPECT_EQ(rig.events(), Events{"reload"});
}

TEST(BridgeScript, QuoteEscapesWhatWouldBreakAScriptString) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"", R"("")"}, {"plain é 😀", R"("plain é 😀")"}, {"\t<\xE2\x80\xA8\xE2\x80\xA9", R"("\u0009\u003c\u2028\u2029")"},
        {"\n\r\"\\", R"("\n\r\"\\")"}, {"\b\x1f", R"("\u0008\u001f")"}, {std::string_view("\0", 1), R"("\u0000")"},
        {"</script>", R"("\u003c/script>")"},
        {"\xE2\x80\xA7 \xE2\x80\xAA \xE2\x81\xA8", "\"\xE2\x80\xA7 \xE2\x80\xAA \xE2\x81\xA8\""},  // neighbours of U+2028/9 stay
    };
    for (const auto& [text, quoted] : cases) EXPECT_EQ(BridgeScript::quote(text), quoted) << quoted;
}

TEST(ScriptTextRepair, EachIllFormedSequenceBecomesOneReplacementCharacter) {
    const std::string r = "\xEF\xBF\xBD";
    const std::tuple<std::string_view, std::string_view, std::string> cases[] = {
        {"bytes FF FE", "text/\xFF\xFE", "\"text/" + r + r + "\""}, {"lone continuation", "a\x80z", "\"a" + r + "z\""},
        {"cut short at the end", "\xE2\x82", "\"" + r + "\""}, {"cut short before ASCII", "\xE2\x82<", "\"" + r + "\\u003c\""},
        {"overlong", "\xC0\xAF", "\"" + r + r + "\""}, {"surrogate", "\xED\xA0\x80", "\"" + r + r + r + "\""},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "\"" + r + r + r + r + "\""},
        {"well-formed neighbours kept", "\xC3\xA9\xFF\xE2\x82\xAC", "\"\xC3\xA9" + r + "\xE2\x82\xAC\""},
    };
    for (const auto& [name, text, quoted] : cases) EXPECT_EQ(BridgeScript::quote(text), quoted) << name;
}

TEST(ScriptTextRepair, EveryScriptIsUTF8) {
    const std::string_view bad = "not a web page: text/\xFF\xFE";
    const std::pair<std::string_view, std::string> scripts[] = {
        {"reply", BridgeScript::reply(3, BridgeReply::error(std::string(bad)).value())},
        {"name", BridgeScript::setName("Caf\xE9")},
        {"change notice", BridgeScript::changed(2, bad)},
    };
    for (const auto& [name, script] : scripts) {
        EXPECT_TRUE(Utf8::isValid(script)) << name << ": " << script;
        EXPECT_TRUE(script.contains("\xEF\xBF\xBD")) << name << ": " << script;
    }
}

TEST(ScriptTextRepair, ARepliedNumberIsOneJSONParseReads) {
    const auto value = OrderedJSON::parse(R"({"x":+1,"y":[.5,1.]})").value();
    EXPECT_TRUE(BridgeScript::reply(4, value).contains(R"(JSON.parse("{\"x\":1,\"y\":[0.5,1]}"))"));
}

std::string outcome(std::string_view text) {
    const auto decoded = BridgeRequest::decode(text);
    if (decoded) {
        return "id " + std::to_string(decoded->id) + " op " + std::string(wireName(decoded->op)) + " payload " +
               (decoded->payload ? testing_support::compact(*decoded->payload) : "absent");
    }
    return (decoded.error().id ? "id " + std::to_string(*decoded.error().id) : std::string("no id")) + ": " + decoded.error().description();
}

// Ids are whole numbers within 64 bits; every op is named on the wire as the page names it.
TEST(BridgeRequestDecode, RequestsAndFailures) {
    const std::string noId = "no id: request has no integer id";
    // A request nested too deep to read was once left unanswered, and the page waited for good.
    const std::string deep = std::string(600, '[') + std::string(600, ']'), tooDeep = ": request nests deeper than 512 levels";
    const std::string deepShare = R"({"id":30,"op":"share","payload":)" + deep + "}", deepLater = R"({"op":"share","id":31,"payload":)" + deep + "}";
    const std::pair<std::string_view, std::string> cases[] = {
        {deepShare, "id 30" + tooDeep}, {deepLater, "no id" + tooDeep},
        {R"({"id":3,"op":"load"})", "id 3 op load payload absent"}, {R"({"op":"load","id":-2,"payload":{"x":1}})", "id -2 op load payload {\"x\":1}"},
        {R"({"id":+4,"op":"load"})", "id 4 op load payload absent"}, {R"({"id":7,"op":"saveAs","payload":null,"extra":1})", "id 7 op saveAs payload null"},
        {R"({"id":9223372036854775807,"op":"preview"})", "id 9223372036854775807 op preview payload absent"},
        {R"({"id":-9223372036854775808,"op":"home"})", "id -9223372036854775808 op home payload absent"},
        {R"({"id":"3","op":"load"})", noId}, {R"({"id":3.0,"op":"load"})", noId}, {R"({"id":1e3,"op":"load"})", noId},
        {R"({"id":99999999999999999999,"op":"load"})", noId}, {R"({"id":9223372036854775808,"op":"load"})", noId},
        {R"({"id":-9223372036854775809,"op":"load"})", noId}, {R"({"id":-,"op":"load"})", noId}, {R"({"id":+-4,"op":"load"})", noId},
        {R"({"op":"load"})", noId}, {"[1,2]", noId}, {R"({"id":5})", "id 5: request has no op"}, {R"({"id":5,"op":7})", "id 5: request has no op"},
        {R"({"id":5,"op":"Load"})", "id 5: unknown op Load"}, {R"({"id":5,"op":"saveas"})", "id 5: unknown op saveas"},
        {R"({"id":5,"op":""})", "id 5: unknown op "}, {"{\"id\":1,", "no id: malformed request JSON"}, {"\xFF", "no id: malformed request JSON"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(outcome(text), expected) << text;
}

std::string describe(const Expected<SchemeHandler::Response, SchemeHandler::URLError>& answer) {
    if (!answer) return "error " + std::to_string(answer.error().code);
    std::string text = std::to_string(answer->status) + " " + answer->httpVersion + " " + answer->url + "\n";
    for (const auto& [name, value] : answer->headers) text += name + ": " + value + "\n";
    return text + "\n" + (answer->body ? *answer->body : "<no body>");
}

TEST(SchemeHandler, ServesThePageAtTheRootOnlyWithoutACopy) {
    EditorHostRig rig;
    const auto first = rig.host->answerScheme("velk-app://editor/");
    const std::string served[] = {"velk-app://editor/", "velk-app://editor/index.html",
                                  "velk-app://other-host/index.html",  // the host is not looked at
                                  "velk-app://editor/index.html?x=1#/?z=2", "velk-app://editor/%69ndex.html"};  // the path is decoded first
    for (const std::string& url : served) {
        const auto answer = rig.host->answerScheme(url);
        EXPECT_EQ(describe(answer), "200 HTTP/1.1 " + url + "\nContent-Type: text/html; charset=utf-8\nContent-Length: 13\n"
                                    "Content-Security-Policy: default-src 'none'; img-src velk-app: data: blob:; style-src 'unsafe-inline'; "
                                    "script-src 'unsafe-inline'; font-src data:; connect-src 'none'\n\n<p>editor</p>");
        EXPECT_EQ(answer->body.get(), first->body.get()) << url;
    }
    const std::optional<std::string> unsupported[] = {"velk-app://editor/index.htm", "velk-app://editor/index.html/", "velk-app://editor",
                                                      "velk-app://editor/velk-media" /* a media directory needs its slash */,
                                                      "velk-app://editor/plovet-media", "velk-app://editor/map.canvas",
                                                      "velk-app://editor/other/index.html", "not a url", "", std::nullopt};
    for (const auto& url : unsupported) EXPECT_EQ(describe(rig.host->answerScheme(url)), "error -1002") << url.value_or("none");
    EXPECT_TRUE(rig.events().empty());
}

TEST(SchemeHandler, ServesStoredImagesWithTheirTypeAndAYearOfCaching) {
    EditorHostRig rig;
    rig.document->media = {{"velk-media/0123456789abcdef.png", "PNG!"}, {"plovet-media/old.jpg", "JPEG"}, {"velk-media/drawing.svg", "<svg/>"}};
    const std::string cached = "Cache-Control: max-age=31536000, immutable\n";
    const std::pair<std::string, std::string> cases[] = {
        {"velk-media/0123456789abcdef.png", "Content-Type: image/png\nContent-Length: 4\n" + cached + "\nPNG!"},
        {"plovet-media/old.jpg?v=2", "Content-Type: image/jpeg\nContent-Length: 4\n" + cached + "\nJPEG"},
        {"velk-media/drawing.svg", "Content-Type: image/svg+xml\nContent-Length: 6\n" + cached +
                                       "Content-Security-Policy: default-src 'none'; style-src 'unsafe-inline'; sandbox\n\n<svg/>"},
    };
    for (const auto& [path, answer] : cases) {
        const std::string url = "velk-app://editor/" + path;
        EXPECT_EQ(describe(rig.host->answerScheme(url)), "200 HTTP/1.1 " + url + "\n" + answer);
    }
    EXPECT_EQ(rig.events(), (Events{"media 0123456789abcdef.png velk-media", "media old.jpg plovet-media", "media drawing.svg velk-media"}));
}

TEST(SchemeHandler, RefusesBadOrMissingMediaAndAllImagesOfAGoneDocumentButServesThePage) {
    EditorHostRig rig;
    rig.document->media["velk-media/a.png"] = "PNG";
    // Refused before the document is asked: an empty name, a way out, a sub-path, a hidden
    // file, a type velk does not store (nor files as .jpeg), a backslash.
    for (const char* name : {"", "../index.html", "..%2Fmap.canvas", "sub/a.png", ".hidden.png", "a.exe", "a.jpeg", "a%5Cb.png"}) {
        EXPECT_EQ(describe(rig.host->answerScheme("velk-app://editor/velk-media/" + std::string(name))), "error -1100") << name;
    }
    EXPECT_TRUE(rig.events().empty());
    EXPECT_EQ(describe(rig.host->answerScheme("velk-app://editor/velk-media/ffffffffffffffff.png")), "error -1100");
    EXPECT_EQ(rig.events(), Events{"media ffffffffffffffff.png velk-media"});
    EXPECT_EQ(*rig.host->answerScheme("velk-app://editor/velk-media/a.png").value().body, "PNG");
    rig.document.reset();
    EXPECT_EQ(describe(rig.host->answerScheme("velk-app://editor/velk-media/a.png")), "error -1100");
    EXPECT_TRUE(rig.host->answerScheme("velk-app://editor/").has_value());
}

TEST(SchemeHandler, DecodedPathDropsHostQueryAndFragment) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"velk-app://editor/a%20b.png?x#y", "/a b.png"}, {"velk-app:/velk-media/a.png", "/velk-media/a.png"}, {"velk-app://editor", ""},
        {"velk-app://editor?x=/y", ""}, {"velk-app://editor/%zz%4", "/%zz%4"},  // broken escapes stay as they are
        {"/index.html", std::nullopt}, {"1velk:/x", std::nullopt},             // no scheme
    };
    for (const auto& [url, path] : cases) EXPECT_EQ(SchemeHandler::decodedPath(url), path) << url;
}

}  // namespace
}  // namespace velk
