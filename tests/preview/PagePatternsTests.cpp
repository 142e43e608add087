#include "preview/PageMetadata.h"
#include "preview/PagePatterns.h"
#include "preview/PatternReference.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velk::LinkPreview {
namespace {

constexpr PagePattern allPatterns[] = {
    PagePattern::endOfHead, PagePattern::metaTag,       PagePattern::attribute,        PagePattern::titleElement,
    PagePattern::anyTag,    PagePattern::whiteSpaceRun, PagePattern::numericReference,
};

std::vector<std::string> naiveMatches(PagePattern pattern, std::string_view text, int group) {
    auto found = testing_support::referenceMatches(pattern, text, group);
    EXPECT_TRUE(found.has_value()) << patternText(pattern);
    return found.value_or(std::vector<std::string>{});
}

// Texts that sit on the edges the linear scans rely on: tags without ">", names that run into
// values, openings without closings, several openings before one closing.
const std::vector<std::string>& edgeTexts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> made = {
            "<meta a=1><meta\tb='2'>",
            "<meta <meta x>",
            "<META\nname=x content=\"y\">",
            "<meta>",
            "<meta ",
            "<meta a=1> <meta b=2",
            "<title>a</title><title>b</title>",
            "<title<title>x</title>",
            "<title>x</title><title>never closed",
            "<title>x<title>y</title>z</title>",
            "<titlex>y</title >",
            "<title>no end</title",
            "</title><title>late",
            "<TITLE lang=en>Mixed\nlines</TiTlE\t>",
            "</head >",
            "</HEAD\n\t>x</head>",
            "</head",
            "a=\"b\"c='d'e=f g = h>",
            "aaa bbb=ccc",
            "x='unclosed y=\"z\"",
            "name=\"a\"content=b-c:d_e=f",
            "k=\"v\"w=x",
            "k=v\"w=x",
            "=a b= c=\"\" d=''",
            "&#x41;&#65;&#xx;&#;&#1f;&#x;&#X41;&#&#x41",
            "  \t\n x  y \xC2\xA0\xE2\x80\xA8z",
            "<<a>>",
            "<a<b<c>",
            "a > b < c",
            "\xC3\xA9<t\xC3\xADtle>\xE2\x80\xA6</title>",
            "<meta name=\"\xF0\x9F\x98\x80\" content='\xF0\x9F\x98\x80'>",
            "<title>a</title\n>",
        };
        // And a deterministic mix of the tokens those are made of.
        const std::vector<std::string> tokens = {
            "<meta", "<META ", " ", "\n", "name", "=", "\"", "'", ">", "<", "content", "og:title", "x",
            "<title", "</title", "</TITLE>", ">", "</head", "</head>", "&#", "x4", "1;", ";", "&amp;",
            "a-b", ":", "\xC3\xA9", "\t", "<title>",
        };
        std::uint32_t state = 12345;
        for (int i = 0; i < 400; ++i) {
            std::string text;
            const int length = 1 + i % 24;
            for (int j = 0; j < length; ++j) {
                state = state * 1664525u + 1013904223u;
                text += tokens[(state >> 8) % tokens.size()];
            }
            made.push_back(text);
        }
        return made;
    }();
    return texts;
}

TEST(PagePatterns, LinearScansFindWhatThePatternsAsWrittenFind) {
    for (const std::string& text : edgeTexts()) {
        SCOPED_TRACE(testing::PrintToString(text));
        for (const PagePattern pattern : allPatterns) {
            SCOPED_TRACE(std::string(patternText(pattern)));
            for (int group = 0; group <= 4; ++group) {
                SCOPED_TRACE(group);
                EXPECT_EQ(matches(pattern, text, group), naiveMatches(pattern, text, group));
            }
        }
    }
}

TEST(PagePatterns, MatchesTakeTheGroupAndSkipMatchesWithoutIt) {
    const std::string tag = R"(<meta a="1" b='2' c=3 d="">)";
    EXPECT_EQ(matches(PagePattern::attribute, tag, 1), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(matches(PagePattern::attribute, tag, 2), (std::vector<std::string>{"1", ""}));
    EXPECT_EQ(matches(PagePattern::attribute, tag, 3), std::vector<std::string>{"2"});
    EXPECT_EQ(matches(PagePattern::attribute, tag, 4), std::vector<std::string>{"3"});
    EXPECT_EQ(matches(PagePattern::attribute, tag, 5), std::vector<std::string>{});  // no such group
    EXPECT_EQ(matches(PagePattern::numericReference, "&#x41;&#66;", 1), (std::vector<std::string>{"x", ""}));
}

TEST(PagePatterns, HeadSectionEndsAtTheFirstClosingHeadTag) {
    struct Case {
        std::string html, head;
    };
    const Case cases[] = {
        {"<head><title>x</title></head><body><title>y</title></body>", "<head><title>x</title>"},
        {"<head>a</HEAD  \n>b</head>", "<head>a"},
        {"<head>a</head x>b", "<head>a</head x>b"},
        {"<head>no end", "<head>no end"},
        {"</head>", ""},
        {"a\xFF" "b</head>", "a\xEF\xBF\xBD" "b"},  // ill-formed bytes read as U+FFFD
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.html));
        EXPECT_EQ(headSection(c.html), c.head);
    }
}

TEST(PagePatterns, HeadSectionKeepsOnlyTheFirst512KiB) {
    const std::string replacement = "\xEF\xBF\xBD";
    const std::string full(maxHTMLBytes, 'a');
    EXPECT_EQ(headSection(full), full);
    EXPECT_EQ(headSection(full + "</head>"), full);  // the end of head past the limit is not seen
    EXPECT_EQ(headSection(full + "b"), full);

    // A character cut at the limit becomes one U+FFFD, however many of its bytes are kept.
    const std::string emoji = "\xF0\x9F\x98\x80";
    for (std::size_t kept = 1; kept <= 3; ++kept) {
        SCOPED_TRACE(kept);
        const std::string prefix(maxHTMLBytes - kept, 'a');
        EXPECT_EQ(headSection(prefix + emoji), prefix + replacement);
    }
    const std::string fits(maxHTMLBytes - 4, 'a');
    EXPECT_EQ(headSection(fits + emoji + "b"), fits + emoji);

    // "</head>" cut in two at the limit does not end the head either.
    const std::string before(maxHTMLBytes - 4, 'a');
    EXPECT_EQ(headSection(before + "</head>"), before + "</he");
}

TEST(PagePatterns, AttributesInOrderNamesLowerCasedValuesRaw) {
    struct Case {
        std::string tag;
        std::vector<Attribute> attributes;
    };
    const Case cases[] = {
        {R"(<meta Property="og:Title" CONTENT='It&#39;s  here'>)",
         {{"property", "og:Title"}, {"content", "It&#39;s  here"}}},
        {"<meta name=description content=plain-value>", {{"name", "description"}, {"content", "plain-value"}}},
        {"<meta a = \"1\"\tb\n=\n'2'>", {{"a", "1"}, {"b", "2"}}},
        {"<meta a=x\"y b=1>", {{"a", "x"}, {"b", "1"}}},  // a bare value ends at a quote
        {"<meta a=x'y>", {{"a", "x"}}},
        {"<meta content=\"a>b\">", {{"content", "a>b"}}},
        {"<meta content=\" padded \">", {{"content", " padded "}}},
        {"<meta content=\"\">", {{"content", ""}}},
        {"<meta content=>", {}},
        {"<meta x:y_z-w=1 9=2>", {{"x:y_z-w", "1"}}},
        {"<meta a=1 a=2>", {{"a", "1"}, {"a", "2"}}},
        {"<meta data-\xC3\xA9=1>", {}},  // é is no name character, and a name must reach its "="
        {"<meta content=\"unclosed>", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.tag));
        EXPECT_EQ(attributes(c.tag), c.attributes);
    }
}

}  // namespace
}  // namespace velk::LinkPreview
