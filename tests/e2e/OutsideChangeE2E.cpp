// A map changed by another program while its window is open shows in the page at once, without
// a restart, and velk does not write its own older version back over it.

#include "E2EHarness.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velk::e2e {
namespace {

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
    ASSERT_TRUE(velk.waitForCards(5, 15s))
        << "the page still shows " << velk.cardCount() << " cards";
    EXPECT_LT(Clock::now() - changed, 5s);
    // Taken as what is saved: the autosave has nothing to write back.
    waitUntil([] { return false; }, 1500ms);
    EXPECT_EQ(velk.packageFile("map.canvas"), gridCanvas(5));
    EXPECT_TRUE(velk.closeWindows());
}

}  // namespace
}  // namespace velk::e2e
