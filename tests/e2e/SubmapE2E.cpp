// Turning a card into a submap from the page, as a user does: the submap gets a file of its own
// named after the card's label, made safe for the file system, and the card points at it.

#include "E2EHarness.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velk::e2e {
namespace {

constexpr std::string_view twoCards = R"({
	"nodes":[
		{"id":"kyoto","type":"text","x":0,"y":0,"width":260,"height":80,"text":"Trips/Kyoto: day 1"},
		{"id":"again","type":"text","x":400,"y":0,"width":260,"height":80,"text":"TRIPS/kyoto: DAY 1"}
	],
	"edges":[]
}
)";

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

    [[nodiscard]] bool backToTheRootMap() {
        return velk.clickElement(PageDOM::rootCrumb) &&
               velk.waitForCards(2);
    }

    [[nodiscard]] bool hasFile(const std::string& relative) const {
        auto files = velk.packageFiles();
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

}  // namespace
}  // namespace velk::e2e
