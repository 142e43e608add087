#include "preview/MetaText.h"
#include "preview/PageMetadata.h"

#include "json/OrderedJSON.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

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

TEST(LinkPreviewCard, KeysInOrderOnlyWhenNotEmpty) {
    const std::tuple<Meta, std::optional<std::string_view>, std::string> cases[] = {
        {{"T", "", "", "ignored.png"}, "velk-media/0123456789abcdef.png", R"({"title":"T","image":"velk-media/0123456789abcdef.png"})"},
        {{"T", "D", "S", ""}, std::nullopt, R"({"title":"T","description":"D","siteName":"S"})"},
        {{"", "D", "", ""}, "", R"({"description":"D"})"}, {{}, std::nullopt, "{}"},
        {{"\"q\" \xE2\x80\xA6", "", "", ""}, std::nullopt, R"({"title":"\"q\" …"})"},
    };
    for (const auto& [meta, image, json] : cases) EXPECT_EQ(OrderedJSON::write(card(meta, image), Pretty::no), json);
}

}  // namespace
}  // namespace velk::LinkPreview
