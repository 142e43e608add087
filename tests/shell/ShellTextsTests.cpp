// The shell's small rules: the feedback link and tester identifier, the brand colours, the
// collapsed-frame test and the build text.

#include "package/MemoryFileSystem.h"
#include "platform/JSONFileDefaults.h"
#include "share/ShareBase.h"
#include "shell/Beta.h"
#include "shell/Brand.h"
#include "shell/BuildText.h"
#include "shell/WindowFrameGuard.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::MemoryFileSystem;

const std::string base = "https://share.velk.example/";
const std::string page = "https://share.velk.example/feedback/?tester=t-0123456789ab&client=linux&version=0.1.0";

// Hands out the given numbers in turn, then starts again.
Beta::RandomSource numbers(std::vector<std::uint64_t> values) {
    return [values = std::move(values), next = std::size_t{0}]() mutable { return values[next++ % values.size()]; };
}

std::string feedback(std::optional<std::string_view> message, std::string_view version = "0.1.0") {
    return Beta::feedbackURL(base, "linux", version, "t-0123456789ab", message);
}

TEST(BetaFeedback, TheQueryHoldsTesterClientVersionAndAMessageThatCannotAddItems) {
    EXPECT_EQ(feedback(std::nullopt), page);
    EXPECT_EQ(feedback(""), page);
    const std::pair<std::string, std::string> cases[] = {
        {"a&b=c", "a%26b%3Dc"}, {"1+1?", "1%2B1%3F"}, {"see #4", "see%20%234"}, {"100% sure", "100%25%20sure"},
        {"a/b:c@d", "a/b:c@d"}, {"it's (fine)!*,;$~_.-", "it's%20(fine)!*,;$~_.-"}, {"line\nbreak\ttab", "line%0Abreak%09tab"},
        {"\"<x>\" [y] {z} ^`|\\", "%22%3Cx%3E%22%20%5By%5D%20%7Bz%7D%20%5E%60%7C%5C"}, {"Grüße ✓", "Gr%C3%BC%C3%9Fe%20%E2%9C%93"},
    };
    for (const auto& [message, encoded] : cases) EXPECT_EQ(feedback(message), page + "&message=" + encoded) << message;
    EXPECT_EQ(feedback(std::nullopt, "1.0 beta+2&x=y"),
              "https://share.velk.example/feedback/?tester=t-0123456789ab&client=linux&version=1.0%20beta%2B2%26x%3Dy");
}

TEST(BetaFeedback, ALongMessageIsCutToFourThousandCharactersNeverInsideOne) {
    const std::string kept(4000, 'a');
    EXPECT_EQ(feedback(std::string(5000, 'a')), page + "&message=" + kept);
    EXPECT_EQ(feedback(kept), page + "&message=" + kept);
    std::string accented, encoded;  // e and a combining accent: one character
    for (int i = 0; i < 4001; ++i) accented += "e\xCC\x81";
    for (int i = 0; i < 4000; ++i) encoded += "e%CC%81";
    EXPECT_EQ(feedback(accented), page + "&message=" + encoded);
}

TEST(BetaFeedback, TheAppUsesItsBuildsServiceAndStoredTester) {
    MemoryFileSystem disk;
    JSONFileDefaults defaults(disk, "/config/velk/defaults.json");
    defaults.setString("velk.tester", "t-0123456789ab");
    EXPECT_EQ(Beta::feedbackURL(defaults, numbers({0}), "0.1.0", "hi"),
              Beta::feedbackPage(defaultShareBase()) + "?tester=t-0123456789ab&client=linux&version=0.1.0&message=hi");
}

TEST(BetaTester, AStoredIdentifierIsKeptOnlyWhenValidElseANewOneIsMintedModuloThirtySix) {
    EXPECT_EQ(Beta::mint(numbers({0, 1, 9, 10, 35, 36, 37, 71, 72, 1000, UINT64_MAX, 42})), "t-019az01z0sf6");
    const std::pair<std::optional<std::string>, bool> cases[] = {
        {std::nullopt, false}, {"abcdefg", false}, {"abcdefgh", true}, {"--------", true}, {std::string(64, 'z'), true},
        {std::string(65, 'z'), false}, {"T-0123456789AB", false}, {"t_0123456789ab", false}, {" t-0123456789ab", false},
        {"t-0123456789\xC3\xA4", false},
    };
    for (const auto& [stored, kept] : cases) {
        SCOPED_TRACE(testing::PrintToString(stored));
        MemoryFileSystem disk;
        JSONFileDefaults defaults(disk, "/config/velk/defaults.json");
        if (stored) defaults.setString("velk.tester", *stored);
        const std::string expected = kept ? *stored : "t-123123123123";
        EXPECT_EQ(Beta::testerId(defaults, numbers({1, 2, 3})), expected);
        EXPECT_EQ(defaults.string("velk.tester"), expected);
    }
}

TEST(Brand, RGBReadsTheLastSixHexDigits) {
    const std::tuple<std::string_view, int, int, int> cases[] = {
        {"#f2a93b", 242, 169, 59}, {"f2a93b", 242, 169, 59}, {"#F2A93B", 242, 169, 59}, {"#8f4f04", 143, 79, 4},
        {"#fff", 0, 15, 255},         // three digits are a number, not CSS shorthand
        {"#80f2a93b", 242, 169, 59},  // an alpha byte in front is ignored
        {"#1", 0, 0, 1}, {"zz", 0, 0, 0}, {"", 0, 0, 0}, {"#", 0, 0, 0}, {"##f2a93b", 0, 0, 0}, {"#f2a93bz", 0, 0, 0},
        {"#1f2a93b00", 0, 0, 0}, {" #f2a93b", 0, 0, 0}, {"0xf2a93b", 0, 0, 0},
    };
    for (const auto& [hex, red, green, blue] : cases)
        EXPECT_EQ(Brand::rgb(hex), (Brand::RGB{red / 255.0, green / 255.0, blue / 255.0})) << hex;
}

TEST(WindowFrameGuard, CollapsedWithinHalfAPixelOfTheMinimumInEitherDirection) {
    const std::pair<WindowSize, bool> cases[] = {
        {{480, 320}, true}, {{480.5, 320.5}, true}, {{480.5, 800}, true}, {{1200, 320.5}, true}, {{100, 100}, true},
        {{0, 0}, true}, {{481, 321}, false}, {{480.51, 320.51}, false}, {{1200, 800}, false},
    };
    for (const auto& [frame, collapsed] : cases)
        EXPECT_EQ(WindowFrameGuard::isCollapsed(frame, {480, 320}), collapsed) << frame.width << " x " << frame.height;
}

TEST(BuildText, NamesVersionAndCommitOrBuildWithAQuestionMarkForWhatIsUnknown) {
    const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
        {"0.1.0", "b474f96fe455", "412", "velk 0.1.0 (b474f96fe455)"}, {"0.1.0", "", "412", "velk 0.1.0 (412)"},
        {"0.1.0", "", "", "velk 0.1.0 (?)"}, {"", "", "", "velk ? (?)"},
    };
    for (const auto& [version, commit, build, text] : cases) EXPECT_EQ(BuildText::text(version, commit, build), text);
}

}  // namespace
}  // namespace velk
