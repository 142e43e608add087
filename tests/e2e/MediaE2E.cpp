// Images pasted into a map are stored in the package under a name made from their bytes, shown
// by the page through velk's own scheme, and referred to by the cards that show them.

#include "E2EHarness.h"
#include "core/Base64.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velk::e2e {
namespace {

// A PNG of one red pixel.
constexpr std::string_view redPixel =
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==";

int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

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

}  // namespace
}  // namespace velk::e2e
