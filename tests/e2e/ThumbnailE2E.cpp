// A package gets its thumbnail, a 480 pixel wide PNG of the editor without its bars, a moment
// after it is first shown, and a new one after the user's edits settle.

#include "E2EHarness.h"

#include <gtest/gtest.h>

namespace velk::e2e {
namespace {

const std::string thumbnail = "QuickLook/Thumbnail.png";

std::uint32_t bigEndianAt(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

TEST(ThumbnailE2E, APackageGetsAThumbnailWhenFirstShownAndANewOneAfterAnEdit) {
    E2EHarness velk("thumbnail");
    velk.documents.firstThumbnailDelay = 300ms;
    velk.documents.thumbnailAfterSaveDelay = 500ms;
    const auto package = velk.writePackage("Trip.velk", gridCanvas(3));
    ASSERT_TRUE(velk.startAndWaitForCards(package, 3));

    ASSERT_TRUE(waitUntil([&] { return !velk.packageFile(thumbnail).empty(); }, 10s)) << "no thumbnail was written";
    const std::string first = velk.packageFile(thumbnail);
    ASSERT_GT(first.size(), 24u);
    EXPECT_EQ(first.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(bigEndianAt(first, 16), 480u);
    // The view less 52 points at top and bottom, in the view's proportions.
    const auto view = velk.window().webView().size();
    const double expectedHeight = (view.height - 104) * 480 / view.width;
    EXPECT_NEAR(bigEndianAt(first, 20), expectedHeight, 1.0);

    ASSERT_TRUE(velk.typeNewCard("Ferry at nine"));
    ASSERT_TRUE(velk.finishEditing());
    ASSERT_TRUE(velk.waitForUnwrittenChange());
    EXPECT_TRUE(waitUntil([&] { return velk.packageFile(thumbnail) != first; }, 10s))
        << "the thumbnail was not taken again after the edit";
    EXPECT_TRUE(velk.closeWindows());
}

}  // namespace
}  // namespace velk::e2e
