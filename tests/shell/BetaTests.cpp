#include "shell/Beta.h"

#include "package/MemoryFileSystem.h"
#include "platform/JSONFileDefaults.h"
#include "share/ShareBase.h"

#include <gtest/gtest.h>

#include <vector>

namespace velk {
namespace {

using testing_support::MemoryFileSystem;

const std::string base = "https://share.velk.example/";
const std::string page = "https://share.velk.example/feedback/?tester=t-0123456789ab&client=linux&version=0.1.0";

// Hands out the given numbers in turn, then starts again.
Beta::RandomSource numbers(std::vector<std::uint64_t> values) {
    return [values = std::move(values), next = std::size_t{0}]() mutable { return values[next++ % values.size()]; };
}

TEST(BetaFeedback, WithoutAMessageTheQueryHoldsTesterClientAndVersion) {
    EXPECT_EQ(Beta::feedbackURL(base, "linux", "0.1.0", "t-0123456789ab", std::nullopt), page);
    EXPECT_EQ(Beta::feedbackURL(base, "linux", "0.1.0", "t-0123456789ab", ""), page);
}

TEST(BetaFeedback, TheMessageCannotAddItemsOfItsOwn) {
    struct Case {
        std::string message, encoded;
    };
    const Case cases[] = {
        {"a&b=c", "a%26b%3Dc"},
        {"1+1?", "1%2B1%3F"},
        {"see #4", "see%20%234"},
        {"100% sure", "100%25%20sure"},
        {"a/b:c@d", "a/b:c@d"},
        {"it's (fine)!*,;$~_.-", "it's%20(fine)!*,;$~_.-"},
        {"line\nbreak\ttab", "line%0Abreak%09tab"},
        {"\"<x>\" [y] {z} ^`|\\", "%22%3Cx%3E%22%20%5By%5D%20%7Bz%7D%20%5E%60%7C%5C"},
        {"Grüße ✓", "Gr%C3%BC%C3%9Fe%20%E2%9C%93"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(Beta::feedbackURL(base, "linux", "0.1.0", "t-0123456789ab", c.message), page + "&message=" + c.encoded);
    }
}

TEST(BetaFeedback, ItemValuesAreEncodedToo) {
    EXPECT_EQ(Beta::feedbackURL(base, "linux", "1.0 beta+2&x=y", "t-0123456789ab", std::nullopt),
              "https://share.velk.example/feedback/?tester=t-0123456789ab&client=linux&version=1.0%20beta%2B2%26x%3Dy");
}

TEST(BetaFeedback, ALongMessageIsCutToFourThousandCharacters) {
    const std::string kept(4000, 'a');
    EXPECT_EQ(Beta::feedbackURL(base, "linux", "0.1.0", "t-0123456789ab", std::string(5000, 'a')), page + "&message=" + kept);
    EXPECT_EQ(Beta::feedbackURL(base, "linux", "0.1.0", "t-0123456789ab", kept), page + "&message=" + kept);

    // An accented letter spelled with a combining accent is one character and is never split.
    std::string accented, encoded;
    for (int i = 0; i < 4001; ++i) accented += "e\xCC\x81";
    for (int i = 0; i < 4000; ++i) encoded += "e%CC%81";
    EXPECT_EQ(Beta::feedbackURL(base, "linux", "0.1.0", "t-0123456789ab", accented), page + "&message=" + encoded);
}

TEST(BetaFeedback, ThePageHasTheServiceHostAndTheFeedbackPath) {
    struct Case {
        std::string base, page;
    };
    const Case cases[] = {
        {"https://share.velk.example/", "https://share.velk.example/feedback/"},
        {"http://127.0.0.1:8080/velk/", "http://127.0.0.1:8080/feedback/"},
        {"https://maps.example.org", "https://maps.example.org/feedback/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.base);
        EXPECT_EQ(Beta::feedbackPage(c.base), c.page);
    }
}

TEST(BetaFeedback, ThisApplicationUsesTheBuildsServiceAndTheStoredTester) {
    MemoryFileSystem disk;
    JSONFileDefaults defaults(disk, "/config/velk/defaults.json");
    defaults.setString("velk.tester", "t-0123456789ab");
    EXPECT_EQ(Beta::feedbackURL(defaults, numbers({0}), "0.1.0", "hi"),
              Beta::feedbackPage(defaultShareBase()) + "?tester=t-0123456789ab&client=linux&version=0.1.0&message=hi");
}

TEST(BetaTester, MintTakesEachCharacterModuloThirtySix) {
    EXPECT_EQ(Beta::mint(numbers({0, 1, 9, 10, 35, 36, 37, 71, 72, 1000, UINT64_MAX, 42})), "t-019az01z0sf6");
    EXPECT_EQ(Beta::mint(numbers({0})), "t-000000000000");
}

TEST(BetaTester, AStoredIdentifierIsKeptOnlyWhenValid) {
    struct Case {
        std::optional<std::string> stored;
        bool kept;
    };
    const Case cases[] = {
        {std::nullopt, false},
        {"abc", false},
        {"abcdefg", false},
        {"abcdefgh", true},
        {"t-0123456789ab", true},
        {"--------", true},
        {std::string(64, 'z'), true},
        {std::string(65, 'z'), false},
        {"T-0123456789AB", false},
        {"t_0123456789ab", false},
        {"t-0123456789ab\n", false},
        {" t-0123456789ab", false},
        {"t-0123456789\xC3\xA4", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.stored));
        MemoryFileSystem disk;
        JSONFileDefaults defaults(disk, "/config/velk/defaults.json");
        if (c.stored) defaults.setString("velk.tester", *c.stored);
        const std::string id = Beta::testerId(defaults, numbers({1, 2, 3}));
        const std::string expected = c.kept ? *c.stored : "t-123123123123";
        EXPECT_EQ(id, expected);
        EXPECT_EQ(defaults.string("velk.tester"), expected);
    }
}

TEST(Beta, TheNoticeTellsWhatBetaMeans) {
    EXPECT_EQ(Beta::notice,
              "velk is in beta. Your maps will open in the released version. No subscription, no mandatory account. "
              "Your distribution, your maps.");
}

}  // namespace
}  // namespace velk
