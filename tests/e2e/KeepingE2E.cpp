// What velk keeps when things go wrong around a map: a crashed web process, a window closed or
// velk quit mid-edit, another program rewriting the package, a package that cannot be read, text
// that is not UTF-8, and pages that are not velk's own.

#include "E2EHarness.h"
#include "document/Drafts.h"
#include "document/PackagePlacement.h"
#include "platform/PosixFileSystem.h"

#include "bridge/BridgeReply.h"
#include "bridge/BridgeScript.h"
#include "package/FileWrapperTree.h"

#include <gtest/gtest.h>
#include <webkit/webkit.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <unistd.h>

namespace velk::e2e {
namespace {

// Keeps velk's reply to request `id` in window.probeReply (null until it comes); every other
// reply goes to the page as before.
std::string keepReply(int id) {
    return concat("(() => {\n  const pageReply = window.__velkReply;\n  window.probeReply = null;\n"
                  "  window.__velkReply = (id, reply) => id === ", id,
                  " ? (window.probeReply = reply) : pageReply(id, reply);\n})();\n");
}

// Ends the view's web process the way a crash does (SIGKILL); false when none was found.
bool killWebProcess() {
    // WebKit starts its web processes as children of this one.
    bool killed = false;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::ranges::all_of(name, [](char c) { return c >= '0' && c <= '9'; })) continue;
        const std::string stat = testing_support::contentOf(entry.path().string() + "/stat");
        const auto nameEnd = stat.rfind(')');
        if (nameEnd == std::string::npos || !stat.contains("(WebKitWebProces")) continue;
        int parent = 0;
        if (std::sscanf(stat.c_str() + nameEnd + 1, " %*c %d", &parent) != 1 || parent != ::getpid()) continue;
        killed = ::kill(std::stoi(name), SIGKILL) == 0 || killed;
    }
    return killed;
}

// When the page's web process dies, velk loads the page again from what the document holds:
// the same cards, an edit the page had sent just before, and a page that still saves.
TEST(WebProcessE2E, AfterACrashThePageComesBackWithEverythingAndKeepsSaving) {
    E2EHarness velk("crash");
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(4)), 4));
    ASSERT_TRUE(velk.typeNewCard("Ferry at nine"));
    ASSERT_TRUE(velk.evaluate("window.__beforeCrash = true").ok());
    ASSERT_TRUE(velk.finishEditing());
    // The edit is in velk's memory only: the autosave is a second away.
    ASSERT_TRUE(velk.waitForUnwrittenChange());
    ASSERT_TRUE(killWebProcess()) << "found no web process to end";
    ASSERT_TRUE(velk.waitForPage("!window.__beforeCrash")) << "the page did not come back";
    ASSERT_TRUE(velk.waitForCards(5)) << "the page came back without the five cards";
    EXPECT_TRUE(velk.cardCentre("Ferry at nine")) << "the edit sent before the crash is not shown";

    ASSERT_TRUE(velk.typeNewCard("Ryokan booked"));
    ASSERT_TRUE(velk.finishEditing());
    ASSERT_TRUE(waitUntil([&] { return velk.packageFile("map.canvas").contains("Ryokan booked"); }))
        << velk.packageFile("map.canvas");
    const auto written = velk.packageFile("map.canvas");
    EXPECT_TRUE(written.contains("Ferry at nine"));
    EXPECT_TRUE(written.contains("Card 3"));
}

// Closing an editor window keeps every edit: what velk holds is written at once, without
// waiting for the autosave, and so is what the page had not sent yet.
class WindowE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(3)), 3));
        ASSERT_TRUE(velk.typeNewCard(typed));
    }

    [[nodiscard]] bool editOnDisk() const { return velk.packageFile("map.canvas").contains(typed); }

    static constexpr std::string_view typed = "Book the ferry";
    E2EHarness velk{"window"};
};

TEST_F(WindowE2E, ClosingRightAfterTheSaveReachedVelkWritesItWithoutWaitingForTheAutosave) {
    ASSERT_TRUE(velk.finishEditing());
    ASSERT_TRUE(velk.waitForUnwrittenChange());
    ASSERT_TRUE(velk.closeWindows());
    EXPECT_TRUE(editOnDisk()) << velk.packageFile("map.canvas");
}

// Quitting must not wait for the autosave nor drop it.
TEST_F(WindowE2E, QuittingWithAnUnwrittenChangeWritesIt) {
    ASSERT_TRUE(velk.finishEditing());
    ASSERT_TRUE(velk.waitForUnwrittenChange());
    ASSERT_TRUE(velk.quitApplication());
    EXPECT_TRUE(editOnDisk()) << velk.packageFile("map.canvas");
}

// The page sends its changes 300 ms after the last one; a window closed within that moment asks
// the page for them before it goes.
TEST_F(WindowE2E, ClosingWhileTheUserIsStillTypingKeepsWhatWasTyped) {
    ASSERT_TRUE(velk.closeWindows());
    EXPECT_TRUE(editOnDisk()) << velk.packageFile("map.canvas");
}

// A page busy past the limit (a long export, say) once had its window close without its last
// changes: the user is asked, and the window goes with them once the page sends them.
TEST_F(WindowE2E, ClosingWhileThePageIsBusyAsksAndKeepsWhatItSendsMeanwhile) {
    velk.evaluate("setTimeout(() => { const t = Date.now(); while (Date.now() - t < 3500); }, 0); true");
    velk.window().close();
    Gtk::MessageDialog* question = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (question = velk.visibleAlert()) != nullptr; }, 5s));
    EXPECT_EQ(question->property_text().get_value(), "\u201cTrip\u201d is still busy");
    EXPECT_FALSE(velk.screenshot(*question, "window-busy").empty());
    ASSERT_TRUE(waitUntil([&] { return !velk.hasWindow(); }, 10s));
    EXPECT_TRUE(editOnDisk()) << velk.packageFile("map.canvas");
}

// The system's shutdown (or a closed terminal) ends velk with a signal rather than Quit.
TEST_F(WindowE2E, EndingOnRequestKeepsWhatWasStillBeingTyped) {
    ASSERT_EQ(::raise(SIGTERM), 0);
    EXPECT_TRUE(waitUntil([&] { return editOnDisk(); })) << velk.packageFile("map.canvas");
}

// Ending with no one to ask, a map that cannot be written where it belongs keeps its edits among
// the drafts, which the next launch opens.
TEST_F(WindowE2E, EndingOnRequestKeepsWhatCannotBeWrittenAsADraft) {
    const std::string trip = velk.window().document().folder(), away = trip + " (away)";
    std::filesystem::rename(trip, away);  // another program moved it
    ASSERT_EQ(::raise(SIGTERM), 0);
    PosixFileSystem disk;
    const auto kept = [&] {
        const auto drafts = Drafts::leftovers(disk, PackagePlacement::parentFolder(trip));
        return drafts.size() == 1 && drafts[0].ends_with("/Trip (unsaved edits).velk") &&
               testing_support::contentOf(drafts[0] + "/map.canvas").contains(typed);
    };
    EXPECT_TRUE(waitUntil(kept));
    std::filesystem::rename(away, trip);
}

// A copy made at once after typing holds the map as shown.
TEST_F(WindowE2E, DuplicatingWhileTheUserIsStillTypingCopiesWhatWasTyped) {
    gtk_widget_activate_action(GTK_WIDGET(velk.window().gobj()), "win.duplicate", nullptr);
    const auto copy = [&]() -> const EditorWindow* {
        const auto open = velk.application().openEditorWindows();
        return open.size() == 2 ? open.back() : nullptr;
    };
    ASSERT_TRUE(waitUntil([&] { return copy() != nullptr; }));
    const auto canvas = copy()->document().core().tree().data("map.canvas");
    EXPECT_TRUE(canvas && canvas->contains(typed));
    copy()->document().discardDraft();  // or quitting would ask where it goes
}

// Opened again (Open Recent, a second `velk Trip.velk`) while its close waits for the page, the
// map stays in its window rather than going with it.
TEST_F(WindowE2E, AMapOpenedAgainWhileItsWindowClosesStaysOpen) {
    const std::string trip = velk.window().document().folder();
    velk.window().close();
    EXPECT_EQ(velk.application().openPackage(trip), &velk.window());
    waitUntil([] { return false; }, 3s);
    EXPECT_EQ(velk.application().openEditorWindows().size(), 1u);
}

// Each close once stored the window 10 pixels smaller each way than it had opened.
TEST(WindowListE2E, AClosedWindowRemembersTheSizeItHad) {
    E2EHarness velk("frame");
    testing_support::put(velk.folder() / "defaults.json", R"({"VelkDocumentWindow": "1000 700"})");
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(2)), 2));
    ASSERT_TRUE(velk.closeWindows());
    EXPECT_NE(testing_support::contentOf(velk.folder() / "defaults.json").find(R"("VelkDocumentWindow": "1000 700")"), std::string::npos)
        << testing_support::contentOf(velk.folder() / "defaults.json");
}

// A closed window must leave the application's list of editor windows, or opening its package
// again presents the dead window instead of a new one.
TEST(WindowListE2E, APackageOpensAgainAfterItsWindowWasClosed) {
    E2EHarness velk("reopen");
    const auto trip = velk.writePackage("Trip.velk", gridCanvas(2));
    ASSERT_TRUE(velk.startAndWaitForCards(trip, 2));
    // The second window keeps the application running.
    ASSERT_TRUE(velk.application().openPackage(velk.writePackage("Garden.velk", gridCanvas(5))));
    ASSERT_TRUE(waitUntil([&] { return velk.application().openEditorWindows().size() == 2; }));

    velk.window().close();
    ASSERT_TRUE(waitUntil([&] { return velk.application().openEditorWindows().size() == 1; }));
    EXPECT_TRUE(waitUntil([&] { return velk.application().editorWindows().size() == 1; }, 5s))
        << "the closed window is still listed";

    // As from the recent maps menu, which carries the path as bytes.
    velk.application().activate_action("open-recent", Glib::Variant<std::string>::create(trip));
    EXPECT_TRUE(waitUntil([&] { return velk.application().openEditorWindows().size() == 2; }, 10s))
        << "opening the package again showed no window";
    // Reached by another path, through a symbolic link, it is still the window already open.
    std::filesystem::create_directory_symlink(velk.folder().path(), velk.folder() / "linked");
    EXPECT_EQ(velk.application().openPackage(velk.folder() / "linked/Trip.velk"), velk.application().windowShowing(trip));
    EXPECT_EQ(velk.application().openEditorWindows().size(), 2u);
}

// A draft that an ended session left behind (velk was killed, the machine went down) comes back
// at the next launch, whatever velk was started to open.
// Two open packages, one inside the other, would each take the other's saves for another
// program's changes and move the user's edits to conflict copies.
TEST(WindowListE2E, APackageInsideAnOpenOneOrAroundItStaysClosed) {
    E2EHarness velk("nested");
    const auto outer = velk.writePackage("Outer.velk", gridCanvas(2));
    const auto inner = velk.writePackage("Outer.velk/Inner.velk", gridCanvas(1));
    ASSERT_TRUE(velk.startAndWaitForCards(outer, 2));
    const auto refused = velk.application().tryOpenPackage(inner + "/");
    ASSERT_FALSE(refused.has_value());
    EXPECT_EQ(refused.error(), (PageAlert{"velk cannot open \u201cInner.velk\u201d",
                                          "It lies inside the map \u201cOuter\u201d, which is open. Close \u201cOuter\u201d first."}));
    velk.window().close();
    ASSERT_TRUE(waitUntil([&] { return velk.application().openEditorWindows().empty(); }));
    ASSERT_TRUE(velk.application().openPackage(inner));
    const auto around = velk.application().tryOpenPackage(outer);
    ASSERT_FALSE(around.has_value());
    EXPECT_EQ(around.error().detail, "It holds the map \u201cInner\u201d, which is open. Close \u201cInner\u201d first.");
}

TEST(DraftE2E, ADraftLeftBehindComesBackWhateverVelkIsStartedFor) {
    E2EHarness velk("leftover");
    const std::string draft = velk.folder() / "velk-left/Untitled.velk";
    std::filesystem::create_directories(draft);
    testing_support::put(draft + "/map.canvas", gridCanvas(3));
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(2)), 2));
    ASSERT_TRUE(waitUntil([&] { return velk.application().windowShowing(draft); }, 10s));
    velk.application().windowShowing(draft)->document().discardDraft();  // or quitting would ask where it goes
}

// A quit called off at a draft's question is off: closing that window later shows the start
// window instead of ending velk.
TEST(DraftE2E, AQuitCalledOffAtADraftsQuestionLeavesVelkRunning) {
    E2EHarness velk("quit-called-off");
    velk.startEmpty();
    EditorWindow* draft = velk.application().openDraft("Plan", FileWrapperTree::emptyDocument());
    ASSERT_TRUE(draft);
    velk.application().activate_action("quit");
    GtkWidget* question = visibleWindow(GTK_TYPE_MESSAGE_DIALOG);
    ASSERT_TRUE(question) << "a changed draft asks before velk quits";
    gtk_dialog_response(GTK_DIALOG(question), GTK_RESPONSE_CANCEL);
    draft->document().discardDraft();
    draft->close();
    EXPECT_TRUE(waitUntil([&] { return velk.application().startController().isVisible(); }, 10s));
}

// Takes velk's state once, then saves it as the page does after each edit: the copy of the shared
// submap at `path` now holds the text asked for. Each reply lands in window.replies.
constexpr std::string_view copySaver = R"JS((() => {
  window.replies = {};
  const pageReply = window.__velkReply;
  window.__velkReply = (id, reply) => id >= 990000 ? (window.replies[id] = reply) : pageReply(id, reply);
  const post = (id, op, payload) => window.webkit.messageHandlers.velk.postMessage(JSON.stringify({ id, op, payload }));
  window.saveCopy = (id, path, text) => {
    const body = window.replies[990000].value;
    body.maps.find((map) => map.path === path).canvas.nodes[0].text = text;
    post(id, "save", { body: JSON.stringify(body) });
  };
  post(990000, "load");
})())JS";

// A submap opened from two cards and edited differently under each: velk refuses the save that
// would put one edit over the other, so the page's edits are nowhere else. Closing the window
// asks before they go, until velk takes a save again.
TEST(RefusedEditsE2E, ClosingAWindowWhosePageHoldsRefusedEditsAsksFirst) {
    E2EHarness velk("refused");
    const auto package = velk.writePackage("Trip.velk", R"({"nodes":[
      {"id":"a","type":"file","file":"map/Shared.canvas","x":0,"y":0,"width":200,"height":80},
      {"id":"b","type":"file","file":"map/Shared.canvas","x":300,"y":0,"width":200,"height":80}],"edges":[]})");
    std::filesystem::create_directory(package + "/map");
    testing_support::put(package + "/map/Shared.canvas", gridCanvas(1));
    ASSERT_TRUE(velk.startAndWaitForCards(package, 2));
    ASSERT_TRUE(velk.evaluate(copySaver).ok());
    ASSERT_TRUE(velk.waitForPage("window.replies[990000]?.ok === true"));
    const auto save = [&](int id, std::string_view path, std::string_view text, bool taken) {
        ASSERT_TRUE(velk.evaluate(concat("window.saveCopy(", id, ", '", path, "', '", text, "')")).ok());
        ASSERT_TRUE(velk.waitForPage(concat("window.replies[", id, "]?.ok === ", taken ? "true" : "false")))
            << velk.evaluate("JSON.stringify(window.replies)").text;
    };
    const auto closeAndAnswer = [&](int answer) {
        velk.window().close();
        GtkWidget* question = visibleWindow(GTK_TYPE_MESSAGE_DIALOG);
        ASSERT_TRUE(question) << "the window closed without a word";
        g_autofree char* detail = nullptr;
        g_object_get(question, "secondary-text", &detail, nullptr);
        EXPECT_TRUE(std::string_view(detail).starts_with("map/Shared.canvas is linked from /a, /b")) << detail;
        EXPECT_FALSE(velk.screenshot(*Glib::wrap(GTK_WINDOW(question)), "refused-edits").empty());
        gtk_dialog_response(GTK_DIALOG(question), answer);
    };
    save(990001, "/a", "Under a", true);
    save(990002, "/b", "Under b", false);
    closeAndAnswer(GTK_RESPONSE_CANCEL);
    EXPECT_TRUE(waitUntil([&] { return velk.application().openEditorWindows().size() == 1; }));

    // Copy b brought up to a's edit is taken; then copy a is the one behind.
    save(990003, "/b", "Under a", true);
    EXPECT_FALSE(velk.window().document().refusedEdits());
    save(990004, "/b", "Under b again", true);
    save(990005, "/a", "Under a again", false);
    closeAndAnswer(1);  // Close Anyway
    EXPECT_TRUE(waitUntil([&] { return velk.application().editorWindows().empty(); }));
    EXPECT_TRUE(velk.packageFile("map/Shared.canvas").contains("Under b again"));
}

// A map changed by another program while its window is open shows in the page at once, without
// a restart, and velk does not write its own older version back over it.
TEST(OutsideChangeE2E, AMapRewrittenByAnotherProgramShowsInTheOpenWindow) {
    E2EHarness velk("outside");
    velk.documents.outsideChangeSettle = 100ms;
    const auto package = velk.writePackage("Trip.velk", gridCanvas(2));
    ASSERT_TRUE(velk.startAndWaitForCards(package, 2));

    // The way most programs save: a new file beside the old one, renamed over it.
    const std::string fresh = velk.folder() / "map.canvas.new";
    testing_support::put(fresh, gridCanvas(5));
    std::filesystem::rename(fresh, package + "/map.canvas");

    const auto changed = Clock::now();
    ASSERT_TRUE(velk.waitForCards(5, 15s)) << "the page still shows " << velk.cardCount() << " cards";
    EXPECT_LT(Clock::now() - changed, 5s);
    // Taken as what is saved: the autosave has nothing to write back.
    waitUntil([] { return false; }, 1500ms);
    EXPECT_EQ(velk.packageFile("map.canvas"), gridCanvas(5));
    EXPECT_TRUE(velk.closeWindows());
}

// A package whose root canvas cannot be read (cut short by a crash, a sync conflict, another
// program) is the user's data all the same: velk must never write over it.
constexpr std::string_view cutShort = R"({"nodes":[{"id":"a","type":"text","text":"Everything I planned for the tri)";

// A save posted to velk the moment the page has said it could not load the map, as a page that
// ignored the failure would.
constexpr std::string_view saveAnyway = R"JS(window.webkit.messageHandlers.velk.postMessage(JSON.stringify({
  id: 990001, op: "save", payload: { body: JSON.stringify({ maps: [{ path: "/", sidecar: {}, canvas: { edges: [],
    nodes: [{ id: "n", type: "text", text: "A new plan", x: 0, y: 0, width: 200, height: 80 }] } }] }) } })))JS";

// The package opens (the page says it could not load the map, and a sync tool may yet mend the
// file), but nothing the user or the page does there is saved over it.
TEST(DamagedPackageE2E, AnUnreadableRootCanvasIsNeverWrittenOver) {
    E2EHarness velk("damaged");
    velk.start(velk.writePackage("Trip.velk", std::string(cutShort)));
    ASSERT_TRUE(waitUntil([&] { return velk.hasWindow(); }));
    ASSERT_TRUE(velk.waitForPage(concat("document.querySelector('", PageDOM::toast, "').textContent.includes('load')")));

    // What a user would try next: a new card. The page shows nothing to edit.
    if (auto empty = velk.emptyPoint()) velk.doubleClick(*empty);
    EXPECT_FALSE(velk.waitForCardEditor(2s));
    ASSERT_TRUE(velk.evaluate(keepReply(990001) + std::string(saveAnyway)).ok());
    ASSERT_TRUE(velk.waitForPage("window.probeReply !== null"));
    EXPECT_NE(velk.evaluate("JSON.stringify(window.probeReply)").text.find("no root canvas"), std::string::npos);

    ASSERT_TRUE(velk.closeWindows());
    EXPECT_EQ(velk.packageFile("map.canvas"), cutShort);
}

TEST(DamagedPackageE2E, AnUnreadableSubmapSurvivesEditsOfTheMapAroundIt) {
    E2EHarness velk("damaged-submap");
    const auto package = velk.writePackage("Trip.velk", R"({"nodes":[
		{"id":"k","type":"file","file":"map/Kyoto.canvas","x":0,"y":0,"width":250,"height":60}
	],"edges":[]})");
    std::filesystem::create_directories(package + "/map");
    testing_support::put(package + "/map/Kyoto.canvas", std::string(cutShort));
    ASSERT_TRUE(velk.startAndWaitForCards(package, 1)) << "the card that opens the damaged submap is not shown";

    ASSERT_TRUE(velk.typeNewCard("Osaka too"));
    ASSERT_TRUE(velk.finishEditing());
    ASSERT_TRUE(waitUntil([&] { return velk.packageFile("map.canvas").contains("Osaka too"); }));
    EXPECT_EQ(velk.packageFile("map/Kyoto.canvas"), cutShort);
    EXPECT_TRUE(velk.packageFile("map.canvas").contains(R"("file": "map/Kyoto.canvas")"))
        << "the card lost its link to the damaged submap";
}

// Text that is not UTF-8 still reaches the page, each unreadable sequence shown as U+FFFD: the
// web view would refuse the whole script that carries it, and the page would wait for ever.
TEST(UnreadableTextE2E, ANameAndAReplyThatAreNotUTF8ReachThePage) {
    E2EHarness velk("unreadable");
    // A folder named on a system that wrote Latin-1: "Café" with the byte E9.
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Caf\xE9.velk", gridCanvas(2)), 2));
    EXPECT_TRUE(velk.waitForPage("document.title === 'Caf\\uFFFD \\u2014 velk'"))
        << velk.evaluate("document.title").text;

    ASSERT_TRUE(velk.evaluate(keepReply(990002)).ok());
    // The failure text of a page whose Content-Type header holds the bytes FF FE.
    const auto failure = BridgeReply::error("not a web page: text/\xFF\xFE");
    velk.window().webView().evaluateScript(BridgeScript::reply(990002, failure.value()));
    EXPECT_TRUE(velk.waitForPage("window.probeReply?.error === 'not a web page: text/\\uFFFD\\uFFFD'"))
        << velk.evaluate("JSON.stringify(window.probeReply)").text;
}

// Only velk's own page may talk to velk. A page from anywhere else that finds itself in the
// editor's view (a navigation that slipped through, a redirect) can neither read the map nor
// change it, and hears nothing back; nor is a frame inside velk's page heard.

// Counts the messages posted to the "velk" handler. The binding's own handler was connected
// first, so when this one sees a message, velk has already dealt with it.
class PostedMessages {
public:
    explicit PostedMessages(WebKitWebView* view) : m_manager(webkit_web_view_get_user_content_manager(view)) {
        m_handler = g_signal_connect(m_manager, "script-message-received::velk", G_CALLBACK(+[](
            WebKitUserContentManager*, JSCValue*, gpointer count) { ++*static_cast<int*>(count); }), &m_count);
    }
    ~PostedMessages() { g_signal_handler_disconnect(m_manager, m_handler); }
    PostedMessages(const PostedMessages&) = delete;
    PostedMessages& operator=(const PostedMessages&) = delete;

    [[nodiscard]] int count() const noexcept { return m_count; }

private:
    WebKitUserContentManager* m_manager;
    gulong m_handler = 0;
    int m_count = 0;
};

// Loads `html` into the editor's view as a page of `baseURI`, past the host's navigation policy,
// as if something outside velk's control had put it there; false when it never loaded.
bool loadForeignPage(E2EHarness& velk, std::string_view html, std::string_view baseURI) {
    WebKitWebView* view = velk.window().webView().view();
    // The binding's policy handler is connected with the binding as its data.
    const guint decidePolicy = g_signal_lookup("decide-policy", WEBKIT_TYPE_WEB_VIEW);
    const auto match = GSignalMatchType(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_DATA);
    void* binding = &velk.window().webView();
    g_signal_handlers_block_matched(view, match, decidePolicy, 0, nullptr, nullptr, binding);
    webkit_web_view_load_html(view, std::string(html).c_str(), std::string(baseURI).c_str());
    const bool loaded = waitUntil([&] {
        const char* uri = webkit_web_view_get_uri(view);
        return !webkit_web_view_is_loading(view) && uri && std::string_view(uri).starts_with(baseURI);
    });
    g_signal_handlers_unblock_matched(view, match, decidePolicy, 0, nullptr, nullptr, binding);
    return loaded;
}

// Asks for the map and then saves an empty one over it, recording every reply it gets.
constexpr std::string_view foreignPage = R"(<!doctype html><title>elsewhere</title><script>
window.replies = [];
window.__velkReply = (id, reply) => window.replies.push({ id, reply });
const post = (request) => window.webkit.messageHandlers.velk.postMessage(JSON.stringify(request));
post({ id: 1, op: "load" });
const empty = { maps: [{ path: "/", canvas: { nodes: [], edges: [] }, sidecar: {} }] };
post({ id: 2, op: "save", payload: { body: JSON.stringify(empty) } });
</script>)";

TEST(ForeignPageE2E, APageThatIsNotVelksCanNeitherReadNorChangeTheMapAndGetsNoReply) {
    E2EHarness velk("foreign");
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(3)), 3));
    // The probe works: velk's own page gets its answer.
    ASSERT_TRUE(velk.evaluate(keepReply(990001) + "window.webkit.messageHandlers.velk.postMessage("
                                                  "JSON.stringify({ id: 990001, op: 'load' }))").ok());
    ASSERT_TRUE(velk.waitForPage("window.probeReply?.ok === true && window.probeReply.value.maps.length === 1"));

    const auto& document = velk.window().document();
    const auto revision = document.core().revision();
    const auto onDisk = velk.packageFile("map.canvas");
    PostedMessages posted(velk.window().webView().view());
    ASSERT_TRUE(loadForeignPage(velk, foreignPage, "https://elsewhere.example/"));
    ASSERT_TRUE(waitUntil([&] { return posted.count() == 2; })) << "the foreign page's requests never arrived";

    // A reply would have been sent before this script, on the same channel.
    auto replies = velk.evaluate("JSON.stringify(window.replies)");
    ASSERT_TRUE(replies.ok()) << *replies.error;
    EXPECT_EQ(replies.text, "[]") << "velk answered a foreign page";
    EXPECT_EQ(document.core().revision(), revision) << "a foreign page changed the map";
    EXPECT_FALSE(document.hasUnsavedChanges());
    EXPECT_EQ(velk.packageFile("map.canvas"), onDisk);
}

// A frame that velk's own page makes posts a save through the frame's own handler.
constexpr std::string_view saveFromSubFrame = R"((() => {
  const frame = document.body.appendChild(document.createElement("iframe"));
  const empty = { maps: [{ path: "/", canvas: { nodes: [], edges: [] }, sidecar: {} }] };
  const save = { id: 990003, op: "save", payload: { body: JSON.stringify(empty) } };
  frame.contentWindow.webkit.messageHandlers.velk.postMessage(JSON.stringify(save));
})())";

TEST(ForeignPageE2E, AFrameInsideVelksPageIsNotHeard) {
    E2EHarness velk("sub-frame");
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(3)), 3));
    const auto revision = velk.window().document().core().revision();
    PostedMessages posted(velk.window().webView().view());
    auto made = velk.evaluate(saveFromSubFrame);
    ASSERT_TRUE(made.ok()) << *made.error;
    ASSERT_TRUE(waitUntil([&] { return posted.count() == 1; })) << "the frame's request never arrived";
    EXPECT_EQ(velk.window().document().core().revision(), revision) << "velk carried out a sub-frame's save";
    EXPECT_EQ(velk.cardCount(), 3);
}

}  // namespace
}  // namespace velk::e2e
