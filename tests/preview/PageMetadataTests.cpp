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
