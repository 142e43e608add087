// Closing an editor window keeps every edit: what velk holds is written at once, without
// waiting for the autosave, and so is what the page had not sent yet.

#include "E2EHarness.h"

#include <gtest/gtest.h>

namespace velk::e2e {
namespace {

constexpr std::string_view typed = "Book the ferry";

class WindowE2E : public ::testing::Test {
protected:
    void SetUp() override {
        const auto package = velk.writePackage("Trip.velk", gridCanvas(3));
        ASSERT_TRUE(velk.startAndWaitForCards(package, 3));
        ASSERT_TRUE(velk.typeNewCard(typed));
    }

    [[nodiscard]] bool editOnDisk() const { return velk.packageFile("map.canvas").contains(typed); }

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

// A closed window must leave the application's list of editor windows, or opening its package
// again presents the dead window instead of a new one.
TEST(WindowListE2E, APackageOpensAgainAfterItsWindowWasClosed) {
    E2EHarness velk("reopen");
    const auto trip = velk.writePackage("Trip.velk", gridCanvas(2));
    const auto garden = velk.writePackage("Garden.velk", gridCanvas(5));
    ASSERT_TRUE(velk.startAndWaitForCards(trip, 2));
    // The second window keeps the application running.
    ASSERT_TRUE(velk.application().openPackage(garden));
    ASSERT_TRUE(waitUntil([&] { return velk.application().openEditorWindows().size() == 2; }));

    velk.window().close();
    ASSERT_TRUE(waitUntil([&] { return velk.application().openEditorWindows().size() == 1; }));
    EXPECT_TRUE(waitUntil([&] { return velk.application().editorWindows().size() == 1; }, 5s))
        << "the closed window is still listed";

    velk.application().openPackage(trip);
    EXPECT_TRUE(waitUntil([&] { return velk.application().openEditorWindows().size() == 2; }, 10s))
        << "opening the package again showed no window";
}

}  // namespace
}  // namespace velk::e2e
