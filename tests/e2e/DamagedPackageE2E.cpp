// A package whose root canvas cannot be read (cut short by a crash, a sync conflict, another
// program) is the user's data all the same: velk must never write over it.

#include "E2EHarness.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velk::e2e {
namespace {

constexpr std::string_view cutShort = R"({"nodes":[{"id":"a","type":"text","text":"Everything I planned for the tri)";

// A save posted to velk the moment the page has said it could not load the map, as a page that
// ignored the failure would: the reply tells whether velk took it.
constexpr std::string_view saveAnyway = R"JS((() => {
  const pageReply = window.__velkReply;
  window.__velkReply = (id, reply) => id === 990001 ? (window.__e2eSaveReply = reply) : pageReply(id, reply);
  const body = { maps: [{ path: "/", sidecar: {}, canvas: { edges: [],
    nodes: [{ id: "n", type: "text", text: "A new plan", x: 0, y: 0, width: 200, height: 80 }] } }] };
  window.webkit.messageHandlers.velk.postMessage(
    JSON.stringify({ id: 990001, op: "save", payload: { body: JSON.stringify(body) } }));
  return true;
})())JS";

// The package opens (the page says it could not load the map, and a sync tool may yet mend the
// file), but nothing the user or the page does there is saved over it.
TEST(DamagedPackageE2E, AnUnreadableRootCanvasIsNeverWrittenOver) {
    E2EHarness velk("damaged");
    const auto package = velk.writePackage("Trip.velk", std::string(cutShort));
    velk.start(package);
    ASSERT_TRUE(waitUntil([&] { return velk.hasWindow(); }));
    ASSERT_TRUE(velk.waitForPage(concat("document.querySelector('", PageDOM::toast, "').textContent.includes('load')")));

    // What a user would try next: a new card. The page shows nothing to edit.
    if (auto empty = velk.emptyPoint()) velk.doubleClick(*empty);
    EXPECT_FALSE(velk.waitForCardEditor(2s));
    ASSERT_EQ(velk.evaluate(saveAnyway).text, "true");
    ASSERT_TRUE(velk.waitForPage("window.__e2eSaveReply !== undefined"));
    EXPECT_NE(velk.evaluate("JSON.stringify(window.__e2eSaveReply)").text.find("no root canvas"), std::string::npos);

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

}  // namespace
}  // namespace velk::e2e
