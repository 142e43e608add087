#include "preview/MetaText.h"
#include "preview/PageMetadata.h"
#include "preview/PagePatterns.h"
#include "preview/PatternReference.h"


#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace velk::LinkPreview {

void PrintTo(const Meta& meta, std::ostream* out) {
    *out << "{" << testing::PrintToString(meta.title) << ", " << testing::PrintToString(meta.description) << ", "
         << testing::PrintToString(meta.siteName) << ", " << testing::PrintToString(meta.imageURL) << "}";
}

namespace {

const std::string ellipsis = "\xE2\x80\xA6";

std::string page(const std::string& head) { return "<!doctype html><html><head>" + head + "</head><body></body></html>"; }

TEST(MetaTextDecodeEntities, NamedInOrderThenNumeric) {
    const std::pair<std::string, std::string> cases[] = {
        {"Tom &amp; Jerry", "Tom & Jerry"}, {"&lt;b&gt;", "<b>"}, {"&quot;&#39;&apos;", "\"''"}, {"a&nbsp;b", "a b"},
        {"&amp;lt;", "<"},  // "&amp;" goes first
        {"&amp;amp;", "&amp;"}, {"&amp;#65;", "A"},  // but each reference is replaced once
        {"&#x41;&#66;", "AB"}, {"&#0000065;&#x0041;&#x00000000041;", "AAA"}, {"caf&#233;", "caf\xC3\xA9"},
        {"&#128512;&#x1F600;", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80"}, {"&#x10FFFF;", "\xF4\x8F\xBF\xBF"}, {"&#0;", std::string(1, '\0')},
        {"&#X41;", "&#X41;"},  // only a lower-case x means hexadecimal
        {"&#xD800;", "&#xD800;"}, {"&#57343;", "&#57343;"},  // surrogates are no characters
        {"&#x110000;", "&#x110000;"}, {"&#4294967295;", "&#4294967295;"}, {"&#4294967296;", "&#4294967296;"},  // past 32 bits
        {"&#xFFFFFFFFF;", "&#xFFFFFFFFF;"}, {"&#1f;", "&#1f;"}, {"&#65", "&#65"}, {"&#x;", "&#x;"}, {"&#;", "&#;"},
        {"&hellip;&mdash;&copy;", "&hellip;&mdash;&copy;"}, {"&AMP;", "&AMP;"}, {"&#65;&#1f;&#66;", "A&#1f;B"},
        {"\xC3\xA9&amp;\xE2\x80\xA6", "\xC3\xA9&\xE2\x80\xA6"},
    };
    for (const auto& [text, decoded] : cases) EXPECT_EQ(decodeEntities(text), decoded) << testing::PrintToString(text);
}

TEST(MetaTextClean, TagsThenReferencesThenWhiteSpace) {
    const std::pair<std::string, std::string> cases[] = {
        {"  Hello\n  &amp;  World  ", "Hello & World"}, {"<b>Bold</b> text", "Bold text"},
        {"&lt;b&gt;kept&lt;/b&gt;", "<b>kept</b>"},  // an escaped tag is text
        {"a<br>b", "ab"}, {"a <br/> b", "a b"}, {"x<y z='1'>w", "xw"}, {"unclosed <tag", "unclosed <tag"},
        {"a > b < c", "a > b < c"}, {"<<a>>", ">"}, {"line1\r\nline2\tend", "line1 line2 end"}, {"&nbsp;x&nbsp;", "x"},
        {"\xC2\xA0 x \xE2\x80\x83\xE2\x80\xA8", "x"},  // no-break space, em space, line separator
        {"a\xE3\x80\x80\xE3\x80\x80" "b", "a b"}, {"   ", ""},
    };
    for (const auto& [text, cleaned] : cases) EXPECT_EQ(clean(text, 500), cleaned) << testing::PrintToString(text);
}

TEST(MetaTextClean, CutsLongTextToMaxCharactersWithAnEllipsis) {
    const auto repeat = [](const std::string& piece, int times) {
        std::string result;
        while (times-- > 0) result += piece;
        return result;
    };
    const std::string accented = "e\xCC\x81", flag = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";  // one character each
    const std::tuple<std::string, std::size_t, std::string> cases[] = {
        {std::string(200, 'a'), 200, std::string(200, 'a')}, {std::string(201, 'a'), 200, std::string(199, 'a') + ellipsis},
        {"  " + std::string(200, 'a') + " \n", 200, std::string(200, 'a')},    // counted after trimming
        {"<i>" + std::string(100, 'a') + "</i>", 100, std::string(100, 'a')},  // and without tags
        {repeat("&amp;", 100), 100, repeat("&", 100)},                        // and decoded
        {repeat(accented, 250), 200, repeat(accented, 199) + ellipsis}, {repeat(flag, 101), 100, repeat(flag, 99) + ellipsis},
        {"Hello world", 7, "Hello " + ellipsis}, {"ab", 1, ellipsis}, {"a", 1, "a"}, {"ab", 0, ""},
    };
    for (const auto& [text, max, cleaned] : cases) EXPECT_EQ(clean(text, max), cleaned) << text.substr(0, 40) << " max " << max;
}

TEST(LinkPreviewParseMeta, PrefersOpenGraphThenTwitterThenPlainTags) {
    const std::string og = R"(<meta property="og:title" content="A">)", tw = R"(<meta name="twitter:title" content="B">)";
    const std::string title = "<title>C</title>";
    const std::pair<std::string, std::string> cases[] = {
        {og + tw + title, "A"}, {title + tw + og, "A"}, {tw + title, "B"}, {title, "C"}, {"", ""},
        {R"(<meta property="og:title" content="  ">)" + title, ""},        // present though empty
        {R"(<meta name="og:title" content="N">)" + title, "N"},            // og: under name counts
        {R"(<meta property="twitter:title" content="P">)" + title, "C"},   // twitter: only under name
        {R"(<meta property="og:title" content="1"><meta property="og:title" content="2">)", "2"},
        {R"(<META PROPERTY="OG:Title" CONTENT="upper">)", "upper"}, {R"(<meta name="TWITTER:TITLE" content=bare>)", "bare"},
        {R"(<meta property="og:title">)" + title, "C"},                    // no content: ignored
        {R"(<meta content="first" property="og:title">)", "first"},
        {R"(<meta property="og:title" content="x" content="y">)", "y"},    // the later attribute wins
        {R"(<meta property="og:title" name="twitter:title" content="both">)" + tw, "both"},
        {"<title>&#x41;&#66; &#X41; &#xD800;</title>", "AB &#X41; &#xD800;"}, {"<title>&lt;b&gt;x&lt;/b&gt; <b>y</b></title>", "<b>x</b> y"},
        {"<title>first</title><title>second</title>", "first"}, {"<TITLE lang=\"en\">Mixed\ncase</TiTlE >", "Mixed case"},
        {"<title>never closed", ""}, {"<title></title>" + tw, "B"},  // only a present og:title hides the others
    };
    for (const auto& [head, expected] : cases) EXPECT_EQ(parseMeta(page(head)).title, expected) << head;
}

TEST(LinkPreviewParseMeta, DescriptionSiteNameAndImage) {
    const std::pair<std::string, Meta> cases[] = {
        {R"(<meta name="Description" content="plain"><meta name="twitter:description" content="tw">)", {"", "tw", "", ""}},
        {R"(<meta name="og:description" content="og"><meta name="twitter:description" content="tw">)", {"", "og", "", ""}},
        {R"(<meta property="description" content="x">)", {}}, {R"(<meta name="twitter:site" content="@example">)", {}},
        {R"(<meta property="og:site_name" content=" Example  Site ">)", {"", "", "Example Site", ""}},
        {"<meta property=\"og:image\" content=\"  /img/a.png \n\">", {"", "", "", "/img/a.png"}},
        {R"(<meta property="og:image:url" content="u.png"><meta property="og:image" content="i.png">)", {"", "", "", "i.png"}},
        {R"(<meta property="og:image:url" content="u.png"><meta name="twitter:image" content="t.png">)", {"", "", "", "u.png"}},
        {R"(<meta name="twitter:image" content="t.png">)", {"", "", "", "t.png"}},
        {R"(<meta property="og:image" content=""><meta name="twitter:image" content="t.png">)", {}},
        {R"(<meta property="og:image" content="a&amp;b.png?x=1">)", {"", "", "", "a&amp;b.png?x=1"}},
        {R"(<meta property="og:image" content="a.png?x=<y>">)", {}},  // the tag ends at ">"
        {R"(<meta name=description content=one><meta name=description content=two>)", {"", "two", "", ""}},
    };
    for (const auto& [head, meta] : cases) EXPECT_EQ(parseMeta(page(head)), meta) << head;
}

TEST(LinkPreviewParseMeta, OnlyTheHeadWithinTheLimitIsRead) {
    const std::string filler(maxHTMLBytes - 20, ' ');
    const std::pair<std::string, std::string> cases[] = {
        {"<head></head><title>late</title>", ""}, {"<head><title>early</title></HEAD ><title>late</title>", "early"},
        {"<title>no head end</title><body>", "no head end"}, {filler + "<title>in</title></head>", "in"},
        // Past the first 512 KiB nothing counts, not even the end of the head.
        {filler + "<title>straddles the limit</title>", ""}, {std::string(maxHTMLBytes, ' ') + "<title>after</title>", ""},
    };
    for (const auto& [html, title] : cases) EXPECT_EQ(parseMeta(html).title, title) << html.substr(html.size() < 60 ? 0 : html.size() - 60);
    EXPECT_EQ(parseMeta("<meta name=description content=x></head><meta name=description content=y>").description, "x");
}

// Each text has its own cap, counted in characters; and texts as long as the page are still
// found, not given up on.
TEST(LinkPreviewParseMeta, CapsLengthsAndReadsTextsAsLongAsThePage) {
    const Meta meta = parseMeta(page("<title>" + std::string(250, 't') + "</title><meta name=description content=" +
                                     std::string(600, 'd') + "><meta property=og:site_name content=" + std::string(150, 's') + ">"));
    EXPECT_EQ(meta, (Meta{std::string(199, 't') + ellipsis, std::string(499, 'd') + ellipsis, std::string(99, 's') + ellipsis, ""}));
    const std::string body(maxHTMLBytes - 100, 'x');
    EXPECT_EQ(parseMeta("<title>" + body + "</title>").title, std::string(199, 'x') + ellipsis);
    EXPECT_EQ(parseMeta("<meta name=description content='" + body + "'>").description, std::string(499, 'x') + ellipsis);
    EXPECT_EQ(parseMeta("<meta property=og:image content=" + body + ">").imageURL, body);
}

// Half-open tags everywhere: each kind, filling the whole scanned head. These finish at once
// when the scans are linear and would take minutes otherwise.
TEST(LinkPreviewParseMeta, PathologicalHeadsStayQuick) {
    const auto fill = [](const std::string& piece) {
        std::string text;
        while (text.size() + piece.size() <= maxHTMLBytes - 64) text += piece;
        return text;
    };
    for (const std::string& html : {fill("<meta "), fill("<title"), fill("<title>"), fill("<title<title") + "</title>", fill("</head "),
                                    "<meta " + fill("a") + ">", "<meta content=\"" + fill("a=\"") + ">", "<meta content=" + fill("&#1") + ">"}) {
        EXPECT_EQ(parseMeta(html), Meta{}) << html.substr(0, 20);
    }
    EXPECT_EQ(parseMeta("<meta name=description content=\"" + fill("<a &#x1 ") + "\">").description.size(), 499u + 3);
}

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
