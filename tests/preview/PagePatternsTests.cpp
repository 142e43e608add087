#include "preview/PageMetadata.h"
#include "preview/PagePatterns.h"
#include "preview/PatternReference.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace velk::LinkPreview {
namespace {

using Texts = std::vector<std::string>;

// Texts on the edges the linear scans rely on (tags without ">", names that run into values,
// openings without closings, several openings before one closing), then a deterministic mix of
// the tokens those are made of.
Texts edgeTexts() {
    Texts made = {
        "<meta a=1><meta\tb='2'>", "<meta <meta x>", "<META\nname=x content=\"y\">", "<meta>", "<meta ", "<meta a=1> <meta b=2",
        "<title>a</title><title>b</title>", "<title<title>x</title>", "<title>x</title><title>never closed",
        "<title>x<title>y</title>z</title>", "<titlex>y</title >", "<title>no end</title", "</title><title>late",
        "<TITLE lang=en>Mixed\nlines</TiTlE\t>", "</head >", "</HEAD\n\t>x</head>", "</head", "a=\"b\"c='d'e=f g = h>",
        "aaa bbb=ccc", "x='unclosed y=\"z\"", "name=\"a\"content=b-c:d_e=f", "k=\"v\"w=x", "k=v\"w=x", "=a b= c=\"\" d=''",
        "&#x41;&#65;&#xx;&#;&#1f;&#x;&#X41;&#&#x41", "  \t\n x  y \xC2\xA0\xE2\x80\xA8z", "<<a>>", "<a<b<c>", "a > b < c",
        "\xC3\xA9<t\xC3\xADtle>\xE2\x80\xA6</title>", "<meta name=\"\xF0\x9F\x98\x80\" content='\xF0\x9F\x98\x80'>", "<title>a</title\n>",
    };
    const Texts tokens = {"<meta", "<META ", " ", "\n", "name", "=", "\"", "'", ">", "<", "content", "og:title", "x", "<title",
                          "</title", "</TITLE>", ">", "</head", "</head>", "&#", "x4", "1;", ";", "&amp;", "a-b", ":", "\xC3\xA9", "\t", "<title>"};
    std::uint32_t state = 12345;
    for (int i = 0; i < 400; ++i) {
        std::string text;
        for (int j = 0; j <= i % 24; ++j) {
            state = state * 1664525u + 1013904223u;
            text += tokens[(state >> 8) % tokens.size()];
        }
        made.push_back(text);
    }
    return made;
}

TEST(PagePatterns, LinearScansFindWhatThePatternsAsWrittenFind) {
    for (const std::string& text : edgeTexts()) {
        for (const PagePattern pattern : {PagePattern::endOfHead, PagePattern::metaTag, PagePattern::attribute, PagePattern::titleElement,
                                          PagePattern::anyTag, PagePattern::whiteSpaceRun, PagePattern::numericReference}) {
            for (int group = 0; group <= 5; ++group) {
                const auto reference = testing_support::referenceMatches(pattern, text, group);
                ASSERT_TRUE(reference) << patternText(pattern);
                EXPECT_EQ(matches(pattern, text, group), *reference)
                    << testing::PrintToString(text) << " " << patternText(pattern) << " group " << group;
            }
        }
    }
}

TEST(PagePatterns, HeadSectionEndsAtTheFirstClosingHeadTagWithinTheLimit) {
    const std::string a(maxHTMLBytes, 'a'), emoji = "\xF0\x9F\x98\x80", fffd = "\xEF\xBF\xBD";
    const std::string cut4(maxHTMLBytes - 4, 'a');
    const std::tuple<std::string_view, std::string, std::string> cases[] = {
        {"first closing tag", "<head><title>x</title></head><body><title>y</title></body>", "<head><title>x</title>"},
        {"tag with space", "<head>a</HEAD  \n>b</head>", "<head>a"}, {"not a closing tag", "<head>a</head x>b", "<head>a</head x>b"},
        {"no end", "<head>no end", "<head>no end"}, {"empty head", "</head>", ""}, {"empty", "", ""},
        {"ill-formed bytes read as U+FFFD", "a\xFF" "b</head>", "a" + fffd + "b"},
        {"exactly the limit", a, a}, {"the end past the limit is not seen", a + "</head>", a}, {"one byte over", a + "b", a},
        // A character cut at the limit becomes one U+FFFD, however many of its bytes are kept.
        {"one byte of a character kept", a.substr(1) + emoji, a.substr(1) + fffd},
        {"three bytes of a character kept", a.substr(3) + emoji, a.substr(3) + fffd},
        {"a character that just fits", cut4 + emoji + "b", cut4 + emoji}, {"an end cut in two", cut4 + "</head>", cut4 + "</he"},
    };
    for (const auto& [name, html, head] : cases) EXPECT_EQ(headSection(html), head) << name;
}

TEST(PagePatterns, AttributesInOrderNamesLowerCasedValuesRaw) {
    const std::pair<std::string, std::vector<Attribute>> cases[] = {
        {R"(<meta Property="og:Title" CONTENT='It&#39;s  here'>)", {{"property", "og:Title"}, {"content", "It&#39;s  here"}}},
        {"<meta name=description content=plain-value>", {{"name", "description"}, {"content", "plain-value"}}},
        {"<meta a = \"1\"\tb\n=\n'2'>", {{"a", "1"}, {"b", "2"}}}, {"<meta a=x\"y b=1>", {{"a", "x"}, {"b", "1"}}},  // a bare value ends at a quote
        {"<meta a=x'y>", {{"a", "x"}}}, {"<meta content=\"a>b\">", {{"content", "a>b"}}}, {"<meta content=\" padded \">", {{"content", " padded "}}},
        {"<meta content=\"\">", {{"content", ""}}}, {"<meta content=>", {}}, {"<meta x:y_z-w=1 9=2>", {{"x:y_z-w", "1"}}},
        {"<meta a=1 a=2>", {{"a", "1"}, {"a", "2"}}}, {"<meta content=\"unclosed>", {}},
        {"<meta data-\xC3\xA9=1>", {}},  // é is no name character, and a name must reach its "="
    };
    for (const auto& [tag, expected] : cases) EXPECT_EQ(attributes(tag), expected) << testing::PrintToString(tag);
}

}  // namespace
}  // namespace velk::LinkPreview
