// Editing a map as a user does, and what reaches the package on disk: new cards, text nobody
// touched, pasted images, submaps and the thumbnail.

#include "E2EHarness.h"

#include "core/Base64.h"
#include "json/OrderedJSON.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velk::e2e {
namespace {

// What the package holds appears as cards, a double click on empty canvas makes a card, typing
// fills it, and the package on disk follows within moments.
TEST(EditingE2E, CardsOfThePackageAreShownAndANewCardTypedByTheUserReachesTheDisk) {
    E2EHarness velk("editing");
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(12)), 12))
        << "the page never showed the package's 12 cards";
    EXPECT_TRUE(velk.cardCentre("Card 0")) << "the first card does not show its text";
    EXPECT_TRUE(velk.cardCentre("Card 11")) << "the last card does not show its text";

    // A trackpad pans a step every frame: 150 of them, there and back, in about two and a half
    // seconds. WebKit refuses more than 100 address changes in 10 s, which must not stop the
    // page from opening an editor right after.
    velk.act(R"JS((() => {
  window.__panned = false;
  const viewport = document.querySelector("#viewport");
  const step = (i) => {
    if (i === 150) { window.__panned = true; return; }
    viewport.dispatchEvent(new WheelEvent("wheel", { bubbles: true, cancelable: true, deltaX: i < 75 ? 4 : -4 }));
    requestAnimationFrame(() => step(i + 1));
  };
  step(0);
})())JS");
    ASSERT_TRUE(velk.waitForPage("window.__panned"));
    ASSERT_TRUE(velk.typeNewCard("Pack the tent\nand the stove"))
        << "double-clicking empty canvas opened no card editor";
    const auto finished = Clock::now();
    ASSERT_TRUE(velk.finishEditing());
    EXPECT_EQ(velk.cardCount(), 13);

    // The page saves shortly after the last change and velk writes about a second after that.
    ASSERT_TRUE(waitUntil([&] { return velk.packageFile("map.canvas").contains("Pack the tent\\nand the stove"); }))
        << velk.packageFile("map.canvas");
    EXPECT_LT(Clock::now() - finished, 2s) << "the edit took too long to reach the disk";
    EXPECT_TRUE(velk.packageFile("map.canvas").contains("\"id\": \"n11\"")) << "the existing cards were lost";

    // An edge is picked a little off its line (5 of its 7 units each side), and Delete removes it.
    const auto nearEdge = velk.screenPoint(275, 60);
    ASSERT_TRUE(nearEdge);
    velk.click(*nearEdge);
    ASSERT_TRUE(velk.waitForPage("document.querySelector('[data-edge=\"e1\"].selected')")) << "the click beside the edge missed it";
    velk.press("Delete");
    EXPECT_TRUE(velk.waitForPage("!document.querySelector('[data-edge=\"e1\"]')")) << "the deleted edge is still drawn";
    EXPECT_TRUE(waitUntil([&] { return !velk.packageFile("map.canvas").contains("\"id\": \"e1\""); })) << "the edge was not deleted";
}

// Far out, cards are boxes drawn on one canvas rather than elements: each is still painted in its
// colour and picked where it is drawn.
TEST(EditingE2E, FarOutCardsDrawnOnTheCanvasShowTheirColourAndAreSelectedWhereTheyAre) {
    E2EHarness velk("far-out");
    const std::string spread = R"({"nodes":[
    {"id":"a","type":"text","text":"West","x":0,"y":0,"width":250,"height":110},
    {"id":"b","type":"text","text":"Middle","x":4000,"y":1500,"width":250,"height":110,"color":"4"},
    {"id":"c","type":"text","text":"East","x":9000,"y":3000,"width":250,"height":110}],"edges":[]})";
    velk.start(velk.writePackage("Spread.velk", spread));
    ASSERT_TRUE(velk.waitForPage(concat("document.querySelector('", PageDOM::farCards, "') && !document.querySelector('",
                                        PageDOM::card, "')"))) << "the map, fitted, is not drawn as boxes";
    // The colour in the canvas's bitmap at the middle of cards a and b.
    const auto pixel = [&](double x, double y) {
        return velk.evaluate(concat("(() => { const c = document.querySelector('", PageDOM::farCards, R"JS(');
  const scale = c.width / parseFloat(c.style.width);
  return String(c.getContext("2d").getImageData(()JS", x, " - parseFloat(c.style.left)) * scale, (", y,
                                    " - parseFloat(c.style.top)) * scale, 1, 1).data); })()")).text;
    };
    const std::string plain = pixel(125, 55), coloured = pixel(4125, 1555);
    EXPECT_TRUE(plain.ends_with(",255")) << plain;
    EXPECT_TRUE(coloured.ends_with(",255")) << coloured;
    EXPECT_NE(plain, coloured) << "the green card is painted as a plain one";

    const auto middle = velk.screenPoint(4125, 1555);
    ASSERT_TRUE(middle);
    velk.click(*middle);
    EXPECT_TRUE(velk.waitForPage(concat("document.querySelector('", PageDOM::card, "[data-id=\"b\"]')?.classList.contains('selected')")))
        << "a click on the drawn box did not select its card";

    // At 100% near the west card, the selected one is far beyond what is drawn; Enter still opens
    // its editor.
    velk.press("0", "ctrl");
    ASSERT_TRUE(velk.waitForPage(concat("!document.querySelector('", PageDOM::card, "[data-id=\"b\"]')")))
        << "the selected card is still drawn far beyond the view";
    velk.press("Enter");
    EXPECT_TRUE(velk.waitForCardEditor()) << "Enter opened no editor on the selected card beyond the view";
}

// Members the page does not know, with integer-like keys and numbers a script engine respells.
constexpr std::string_view storedCanvas = R"({"nodes":[
    {"id":"a","type":"text","text":"Kept as written","x":0,"y":0,"width":250,"height":60,"meta":{"b":1,"10":2.50,"n":1e2}},
    {"id":"c","type":"text","text":"Also kept","x":400,"y":0,"width":250,"height":60,"z":1.50}],
  "edges":[{"id":"e","fromNode":"a","toNode":"c","weight":0.50}]})";

// The card or link of id `id` in a canvas text, compact with its own member order and numbers.
std::string nodeText(std::string_view canvas, std::string_view key, std::string_view id) {
    const auto value = OrderedJSON::parse(canvas);
    if (!value) return "<not JSON>";
    const auto nodes = (*value)[key];
    for (const JSONValue node : nodes ? nodes->elements() : JSONValue().elements()) {
        const auto nodeID = node["id"];
        if (nodeID && nodeID->stringValue() == id) return OrderedJSON::write(node, Pretty::no);
    }
    return "<missing>";
}

// Cards and links nobody touched keep the text they were stored with, however the editor page
// spells them, when another edit saves the map.
TEST(StoredTextE2E, CardsAndLinksNobodyEditedKeepTheirStoredTextWhenTheMapIsSaved) {
    E2EHarness velk("stored-text");
    const std::string stored = OrderedJSON::write(*OrderedJSON::parse(storedCanvas), Pretty::yes);
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Kept.velk", stored), 2))
        << "the page never showed the package's cards";
    ASSERT_TRUE(velk.typeNewCard("A new note"));
    ASSERT_TRUE(velk.finishEditing());
    ASSERT_TRUE(waitUntil([&] { return velk.packageFile("map.canvas").contains("A new note"); }))
        << velk.packageFile("map.canvas");

    const std::string saved = velk.packageFile("map.canvas");
    for (const auto& [key, id] : {std::pair{"nodes", "a"}, std::pair{"nodes", "c"}, std::pair{"edges", "e"}}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(nodeText(saved, key, id), nodeText(stored, key, id));
    }
    // Byte for byte: everything before the new card is what was stored.
    EXPECT_TRUE(saved.starts_with(stored.substr(0, stored.find("\n\t],")))) << saved;
}

int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

// Images pasted into a map are stored in the package under a name made from their bytes, shown
// by the page through velk's own scheme, and referred to by the cards that show them.
TEST(MediaE2E, APastedImageIsStoredOnceShownThroughVelkAndReferredToByItsCards) {
    E2EHarness velk("media");
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(1)), 1));
    velk.pasteFile(redPixel, "image/png");
    // The page reads the image back from velk to size its card: one pixel, not a broken image.
    ASSERT_TRUE(velk.waitForPage(concat("[...document.querySelectorAll('", PageDOM::card,
                                        " img')].some((i) => i.complete && i.naturalWidth === 1)")))
        << "the pasted image is not shown";
    velk.pasteFile(redPixel, "image/png");
    ASSERT_TRUE(velk.waitForCards(3));

    std::vector<std::string> media;
    ASSERT_TRUE(waitUntil([&] {
        const auto files = velk.packageFiles();
        media.clear();
        std::ranges::copy_if(files, std::back_inserter(media),
                             [](const auto& file) { return file.starts_with("velk-media/"); });
        return !media.empty() && velk.packageFile("map.canvas").contains("velk-media/");
    })) << testing::PrintToString(velk.packageFiles());
    ASSERT_EQ(media.size(), 1u) << "the same image was stored twice: " << testing::PrintToString(media);
    EXPECT_TRUE(media[0].ends_with(".png"));
    EXPECT_EQ(velk.packageFile(media[0]), Base64::decode(redPixel).value());
    const std::string reference = "\"file\": \"" + media[0] + "\"";
    ASSERT_TRUE(waitUntil([&] { return occurrences(velk.packageFile("map.canvas"), reference) == 2; }))
        << "not both cards show the stored image:\n" << velk.packageFile("map.canvas");
}

constexpr std::string_view twoCards = R"({"nodes":[
		{"id":"kyoto","type":"text","x":0,"y":0,"width":260,"height":80,"text":"Trips/Kyoto: day 1"},
		{"id":"again","type":"text","x":400,"y":0,"width":260,"height":80,"text":"TRIPS/kyoto: DAY 1"}
	],"edges":[]})";

// Turning a card into a submap from the page, as a user does: the submap gets a file of its own
// named after the card's label, made safe for the file system, and the card points at it.
class SubmapE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Japan.velk", std::string(twoCards)), 2));
    }

    // Selects the card showing `label` and opens it as a submap through the selection's bar.
    void openAsSubmap(std::string_view label) {
        auto card = velk.cardCentre(label);
        ASSERT_TRUE(card) << "no card shows " << label;
        velk.click(*card);
        ASSERT_TRUE(velk.waitForPage(concat("!document.querySelector('", PageDOM::contextBar, "').hidden")))
            << "selecting the card showed no selection bar";
        ASSERT_TRUE(velk.clickElement(PageDOM::openSubmapButton));
        ASSERT_TRUE(velk.waitForPage(concat("document.querySelectorAll('", PageDOM::rootCrumb, "').length === 2")))
            << "the page did not open the submap";
    }

    [[nodiscard]] bool backToTheRootMap() { return velk.clickElement(PageDOM::rootCrumb) && velk.waitForCards(2); }

    [[nodiscard]] bool hasFile(const std::string& relative) const {
        const auto files = velk.packageFiles();
        return std::ranges::find(files, relative) != files.end();
    }

    E2EHarness velk{"submap"};
};

TEST_F(SubmapE2E, ANewSubmapIsWrittenToAFileNamedAfterItsCardAndHoldsWhatIsTypedInIt) {
    const std::string file = "map/Trips-Kyoto- day 1.canvas";
    openAsSubmap("Trips/Kyoto: day 1");
    ASSERT_TRUE(velk.typeNewCard("Fushimi Inari at dawn"));
    ASSERT_TRUE(velk.finishEditing());

    ASSERT_TRUE(waitUntil([&] { return velk.packageFile(file).contains("Fushimi Inari at dawn"); }))
        << "files now: " << testing::PrintToString(velk.packageFiles());
    // The slash and colon of the label made no folders and no odd names.
    EXPECT_FALSE(hasFile("map/Trips/Kyoto: day 1.canvas"));
    EXPECT_TRUE(velk.packageFile("map.canvas").contains("\"file\": \"" + file + "\""))
        << velk.packageFile("map.canvas");
    EXPECT_FALSE(velk.packageFile("map.canvas").contains("Fushimi")) << "the submap's card landed in the root map";
}

TEST_F(SubmapE2E, ALabelWhoseFileNameIsTakenInAnotherLetterCaseGetsANumberedName) {
    openAsSubmap("Trips/Kyoto: day 1");
    ASSERT_TRUE(waitUntil([&] { return hasFile("map/Trips-Kyoto- day 1.canvas"); }));
    ASSERT_TRUE(backToTheRootMap());

    openAsSubmap("TRIPS/kyoto: DAY 1");
    EXPECT_TRUE(waitUntil([&] { return hasFile("map/TRIPS-kyoto- DAY 1-2.canvas"); }))
        << "files now: " << testing::PrintToString(velk.packageFiles());
    EXPECT_TRUE(hasFile("map/Trips-Kyoto- day 1.canvas")) << "the first submap's file was overwritten";
}

TEST_F(SubmapE2E, RenamingTheCardMovesItsSubmapFileWithEverythingInIt) {
    openAsSubmap("Trips/Kyoto: day 1");
    ASSERT_TRUE(velk.typeNewCard("Fushimi Inari at dawn"));
    ASSERT_TRUE(velk.finishEditing());
    ASSERT_TRUE(waitUntil([&] { return velk.packageFile("map/Trips-Kyoto- day 1.canvas").contains("Fushimi"); }));
    ASSERT_TRUE(backToTheRootMap());

    // Select the card and edit it with Enter, typing at the end of its text.
    auto card = velk.cardCentre("Trips/Kyoto: day 1");
    ASSERT_TRUE(card);
    velk.click(*card);
    velk.press("Enter");
    ASSERT_TRUE(velk.waitForCardEditor());
    velk.type(" and 2");
    ASSERT_TRUE(velk.finishEditing());

    const std::string moved = "map/Trips-Kyoto- day 1 and 2.canvas";
    ASSERT_TRUE(waitUntil([&] { return hasFile(moved); })) << testing::PrintToString(velk.packageFiles());
    EXPECT_TRUE(velk.packageFile(moved).contains("Fushimi Inari at dawn"));
    EXPECT_FALSE(hasFile("map/Trips-Kyoto- day 1.canvas")) << "the old file stayed behind";
    EXPECT_TRUE(velk.packageFile("map.canvas").contains("\"file\": \"" + moved + "\""));
}

// The page once went on showing the name as typed, and shared the map under it.
TEST(RenameE2E, TheMapShowsTheNameItGotNotTheOneTyped) {
    E2EHarness velk("rename");
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(2)), 2));
    for (const auto& [typed, given] : {std::pair{"Trip/2025", "Trip-2025"}, {"Plans.velk", "Plans"}}) {
        ASSERT_TRUE(velk.clickElement("#crumbs .crumb"));
        ASSERT_TRUE(velk.waitForPage("!document.getElementById('askDialog').hidden"));
        velk.evaluate(concat("document.getElementById('askField').value = '", typed, "'; document.getElementById('askOK').click();"));
        ASSERT_TRUE(waitUntil([&] { return velk.window().get_title().find(given) != Glib::ustring::npos; })) << typed;
        waitUntil([] { return false; }, 300ms);  // the answer to the rename comes after the name
        EXPECT_EQ(velk.evaluate("document.querySelector('#crumbs .crumb').textContent").text, given) << typed;
    }
}

// A package gets its thumbnail, a 480 pixel wide PNG of the editor without its bars, a moment
// after it is first shown, and a new one after the user's edits settle.
TEST(ThumbnailE2E, APackageGetsAThumbnailWhenFirstShownAndANewOneAfterAnEdit) {
    const std::string thumbnail = "QuickLook/Thumbnail.png";
    E2EHarness velk("thumbnail");
    velk.documents.firstThumbnailDelay = 300ms;
    velk.documents.thumbnailAfterSaveDelay = 500ms;
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(3)), 3));

    ASSERT_TRUE(waitUntil([&] { return !velk.packageFile(thumbnail).empty(); }, 10s)) << "no thumbnail was written";
    const std::string first = velk.packageFile(thumbnail);
    const auto size = pngSize(first);
    ASSERT_TRUE(size) << "the thumbnail is no PNG";
    EXPECT_EQ(size->first, 480);
    // The view less 52 points at top and bottom, in the view's proportions.
    const auto view = velk.window().webView().size();
    EXPECT_NEAR(size->second, (view.height - 104) * 480 / view.width, 1.0);

    ASSERT_TRUE(velk.typeNewCard("Ferry at nine"));
    ASSERT_TRUE(velk.finishEditing());
    ASSERT_TRUE(velk.waitForUnwrittenChange());
    EXPECT_TRUE(waitUntil([&] { return velk.packageFile(thumbnail) != first; }, 10s))
        << "the thumbnail was not taken again after the edit";
    EXPECT_TRUE(velk.closeWindows());
}

}  // namespace
}  // namespace velk::e2e
