// Editing a map as a user does: what the package holds appears as cards, a double click on empty
// canvas makes a card, typing fills it, and the package on disk follows within moments.

#include "E2EHarness.h"

#include <gtest/gtest.h>


namespace velk::e2e {
namespace {

TEST(EditingE2E, CardsOfThePackageAreShownAndANewCardTypedByTheUserReachesTheDisk) {
    E2EHarness velk("editing");
    const auto package = velk.writePackage("Trip.velk", gridCanvas(12));
    ASSERT_TRUE(velk.startAndWaitForCards(package, 12)) << "the page never showed the package's 12 cards";
    EXPECT_TRUE(velk.cardCentre("Card 0")) << "the first card does not show its text";
    EXPECT_TRUE(velk.cardCentre("Card 11")) << "the last card does not show its text";

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
}

}  // namespace
}  // namespace velk::e2e
