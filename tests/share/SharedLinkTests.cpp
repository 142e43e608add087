#include "share/SharedLink.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using SharedLink::Handoff;
using SharedLink::Link;
using SharedLink::Share;

TEST(SharedLinkIDs, AlphabetAndLength) {
    struct Case {
        std::string text;
        bool share, handoff;
    };
    const Case cases[] = {
        {"abcdefgh2345", true, false},
        {"zzzzzzzz9999", true, false},
        {"abcdefgh23456789", false, true},
        {"abcdefgh234", false, false},
        {"abcdefgh23456", false, false},
        {"abcdefgh2345678", false, false},
        {"abcdefgh234567890", false, false},
        {"abcdefgh0123", false, false},
        {"abcdefghl2o5", true, false},  // the letters l and o are fine; the digits 1 and 0 are not
        {"Abcdefgh2345", false, false},
        {"abcdefgh-345", false, false},
        {"abcdefgh 345", false, false},
        {"abcdéfgh2345", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SharedLink::isShareID(c.text), c.share);
        EXPECT_EQ(SharedLink::isHandoffID(c.text), c.handoff);
    }
}

TEST(SharedLinkParse, OnlyVelkShareAndHandoffLinks) {
    struct Case {
        std::string url;
        std::optional<Link> link;
    };
    const Case cases[] = {
        {"velk://s/abcdefgh2345", Share{"abcdefgh2345"}},
        {"VELK://S/abcdefgh2345", Share{"abcdefgh2345"}},
        {"Velk://s/abcdefgh2345", Share{"abcdefgh2345"}},
        {"velk://s/abcdefgh2345/", Share{"abcdefgh2345"}},
        {"velk://s/abcdefgh2345?x=1", Share{"abcdefgh2345"}},
        {"velk://s/abcdefgh2345#top", Share{"abcdefgh2345"}},
        {"velk://s//abcdefgh2345", Share{"abcdefgh2345"}},
        {"velk://h/abcdefgh23456789", Handoff{"abcdefgh23456789"}},
        {"velk://H/abcdefgh23456789/", Handoff{"abcdefgh23456789"}},
        {"velk://s/ABCDEFGH2345", std::nullopt},
        {"velk://s/abcdefgh0123", std::nullopt},
        {"velk://s/abc", std::nullopt},
        {"velk://s/abcdefgh2345/x", std::nullopt},
        {"velk://s/", std::nullopt},
        {"velk://s", std::nullopt},
        {"velk://s/abcdefgh23456789", std::nullopt},  // a hand-off id under the share host
        {"velk://h/abcdefgh2345", std::nullopt},      // and the other way round
        {"velk://x/abcdefgh2345", std::nullopt},
        {"velk:///abcdefgh2345", std::nullopt},       // no host
        {"velk:s/abcdefgh2345", std::nullopt},
        {"velk:/s/abcdefgh2345", std::nullopt},
        {"https://s/abcdefgh2345", std::nullopt},
        {"https://share.velk.example/s/abcdefgh2345", std::nullopt},
        {"velkx://s/abcdefgh2345", std::nullopt},
        {"velk://s/abcdefgh2345 ", std::nullopt},
        {"velk://s/abcdefgh%32345", std::nullopt},
        {"velk://s/abcdefgh2345\n", std::nullopt},
        {"s/abcdefgh2345", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(SharedLink::link(c.url), c.link);
    }
}

TEST(SharedLinkParse, ShareIDOnlyForShareLinks) {
    EXPECT_EQ(SharedLink::shareID("velk://s/abcdefgh2345"), "abcdefgh2345");
    EXPECT_EQ(SharedLink::shareID("velk://h/abcdefgh23456789"), std::nullopt);
    EXPECT_EQ(SharedLink::shareID("velk://s/abc"), std::nullopt);
}

TEST(SharedLinkURLs, BelowTheBaseKeepingItsPath) {
    const std::string base = "https://share.example.test/velk/";
    EXPECT_EQ(SharedLink::apiURL(Share{"abcdefgh2345"}, base), "https://share.example.test/velk/api/share/abcdefgh2345");
    EXPECT_EQ(SharedLink::apiURL(Handoff{"abcdefgh23456789"}, base),
              "https://share.example.test/velk/api/handoff/abcdefgh23456789");
    EXPECT_EQ(SharedLink::apiURL("abcdefgh2345", base), "https://share.example.test/velk/api/share/abcdefgh2345");
    EXPECT_EQ(SharedLink::pageURL("abcdefgh2345", base), "https://share.example.test/velk/s/abcdefgh2345");
    EXPECT_EQ(SharedLink::pageURL("abcdefgh2345", "http://localhost:8080/"), "http://localhost:8080/s/abcdefgh2345");
}

}  // namespace
}  // namespace velk
