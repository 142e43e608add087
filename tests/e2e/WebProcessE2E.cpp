// When the page's web process dies, velk loads the page again from what the document holds:
// the same cards, an edit the page had sent just before, and a page that still saves.

#include "E2EHarness.h"

#include <gtest/gtest.h>

namespace velk::e2e {
namespace {

TEST(WebProcessE2E, AfterACrashThePageComesBackWithEverythingAndKeepsSaving) {
    E2EHarness velk("crash");
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(4)), 4));
    ASSERT_TRUE(velk.typeNewCard("Ferry at nine"));
    ASSERT_TRUE(velk.evaluate("window.__beforeCrash = true").ok());
    ASSERT_TRUE(velk.finishEditing());
    // The edit is in velk's memory only: the autosave is a second away.
    ASSERT_TRUE(velk.waitForUnwrittenChange());
    ASSERT_TRUE(velk.killWebProcess()) << "found no web process to end";
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

}  // namespace
}  // namespace velk::e2e
