#include "preview/PageMetadata.h"

#include "json/OrderedJSON.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace velk::LinkPreview {
namespace {

}  // namespace

void PrintTo(const Meta& meta, std::ostream* out) {
    *out << "{title " << testing::PrintToString(meta.title) << ", description "
         << testing::PrintToString(meta.description) << ", siteName " << testing::PrintToString(meta.siteName)
         << ", imageURL " << testing::PrintToString(meta.imageURL) << "}";
}

namespace {

std::string page(const std::string& head) {
    return "<!doctype html><html><head>" + head + "</head><body></body></html>";
}

TEST(LinkPreviewParseMeta, PrefersOpenGraphThenTwitterThenPlainTags) {
    const std::string og = R"(<meta property="og:title" content="A">)";
    const std::string tw = R"(<meta name="twitter:title" content="B">)";
    const std::string title = "<title>C</title>";
    struct Case {
        std::string head;
        std::string title;
    };
    const Case cases[] = {
        {og + tw + title, "A"},
        {title + tw + og, "A"},
        {tw + title, "B"},
        {title, "C"},
        {"", ""},
        {R"(<meta property="og:title" content="">)" + title, ""},   // present though empty
        {R"(<meta property="og:title" content="  ">)" + title, ""},
        {R"(<meta name="og:title" content="N">)" + title, "N"},     // og: under name counts
        {R"(<meta property="twitter:title" content="P">)" + title, "C"},  // twitter: only under name
        {R"(<meta property="og:title" content="1"><meta property="og:title" content="2">)", "2"},
        {R"(<META PROPERTY="OG:Title" CONTENT="upper">)", "upper"},
        {R"(<meta name="TWITTER:TITLE" content=bare>)", "bare"},
        {R"(<meta property="og:title">)" + title, "C"},             // no content: ignored
        {R"(<meta content="first" property="og:title">)", "first"},
        {R"(<meta property="og:title" content="x" content="y">)", "y"},  // the later attribute wins
        {R"(<meta property="og:title" name="twitter:title" content="both">)" + tw, "both"},
        {"<title>  Hello\n  &amp;  World  </title>", "Hello & World"},
        {"<title>&#x41;&#66; &#X41; &#xD800;</title>", "AB &#X41; &#xD800;"},
        {"<title>&lt;b&gt;x&lt;/b&gt; <b>y</b></title>", "<b>x</b> y"},
        {"<title>first</title><title>second</title>", "first"},
        {"<TITLE lang=\"en\">Mixed\ncase</TiTlE >", "Mixed case"},
        {"<title>never closed", ""},
        {"<title></title>" + tw, "B"},  // only a present og:title hides the others
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.head);
        EXPECT_EQ(parseMeta(page(c.head)).title, c.title);
    }
}

TEST(LinkPreviewParseMeta, DescriptionSiteNameAndImage) {
    struct Case {
        std::string head;
        Meta meta;
    };
    const Case cases[] = {
        {R"(<meta name="description" content="plain">)", {"", "plain", "", ""}},
        {R"(<meta name="Description" content="plain"><meta name="twitter:description" content="tw">)",
         {"", "tw", "", ""}},
        {R"(<meta name="og:description" content="og"><meta name="twitter:description" content="tw">)",
         {"", "og", "", ""}},
        {R"(<meta property="description" content="x">)", {"", "", "", ""}},
        {R"(<meta property="og:site_name" content=" Example  Site ">)", {"", "", "Example Site", ""}},
        {R"(<meta name="twitter:site" content="@example">)", {"", "", "", ""}},
        {"<meta property=\"og:image\" content=\"  /img/a.png \n\">", {"", "", "", "/img/a.png"}},
        {R"(<meta property="og:image:url" content="u.png"><meta property="og:image" content="i.png">)",
         {"", "", "", "i.png"}},
        {R"(<meta property="og:image:url" content="u.png"><meta name="twitter:image" content="t.png">)",
         {"", "", "", "u.png"}},
        {R"(<meta name="twitter:image" content="t.png">)", {"", "", "", "t.png"}},
        {R"(<meta property="og:image" content=""><meta name="twitter:image" content="t.png">)", {"", "", "", ""}},
        {R"(<meta property="og:image" content="a&amp;b.png?x=1">)", {"", "", "", "a&amp;b.png?x=1"}},
        {R"(<meta property="og:image" content="a.png?x=<y>">)", {"", "", "", ""}},  // the tag ends at ">"
        {R"(<meta name=description content=one><meta name=description content=two>)", {"", "two", "", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.head);
        EXPECT_EQ(parseMeta(page(c.head)), c.meta);
    }
}

TEST(LinkPreviewParseMeta, OnlyTheHeadIsRead) {
    EXPECT_EQ(parseMeta("<head></head><title>late</title>").title, "");
    EXPECT_EQ(parseMeta("<head><title>early</title></HEAD ><title>late</title>").title, "early");
    EXPECT_EQ(parseMeta("<title>no head end</title><body>").title, "no head end");
    EXPECT_EQ(parseMeta("<meta name=description content=x></head><meta name=description content=y>").description,
              "x");
    // Past the first 512 KiB nothing counts, not even the end of the head.
    const std::string filler(maxHTMLBytes - 20, ' ');
    const std::string inside = "<title>in</title>";
    EXPECT_EQ(parseMeta(filler + inside + "</head>").title, "in");
    EXPECT_EQ(parseMeta(filler + "<title>straddles the limit</title>").title, "");
    EXPECT_EQ(parseMeta(std::string(maxHTMLBytes, ' ') + "<title>after</title>").title, "");
}

TEST(LinkPreviewParseMeta, CapsLengthsInCharacters) {
    const std::string longTitle(250, 't');
    const std::string longText(600, 'd');
    const std::string longName(150, 's');
    const Meta meta = parseMeta(page("<title>" + longTitle + "</title><meta name=description content=" + longText +
                                     "><meta property=og:site_name content=" + longName + ">"));
    EXPECT_EQ(meta.title, std::string(199, 't') + "\xE2\x80\xA6");
    EXPECT_EQ(meta.description, std::string(499, 'd') + "\xE2\x80\xA6");
    EXPECT_EQ(meta.siteName, std::string(99, 's') + "\xE2\x80\xA6");
}

// The matcher must not give up on long texts: a title or description as long as the page is
// still found, and cut.
TEST(LinkPreviewParseMeta, TextsAsLongAsThePageAreRead) {
    const std::string body(maxHTMLBytes - 100, 'x');
    EXPECT_EQ(parseMeta("<title>" + body + "</title>").title, std::string(199, 'x') + "\xE2\x80\xA6");
    EXPECT_EQ(parseMeta("<meta name=description content='" + body + "'>").description,
              std::string(499, 'x') + "\xE2\x80\xA6");
    EXPECT_EQ(parseMeta("<meta property=og:image content=" + body + ">").imageURL, body);
}

// Half-open tags everywhere: each kind, filling the whole scanned head. These finish at once
// when the scans are linear and would take minutes otherwise.
TEST(LinkPreviewParseMeta, PathologicalHeadsStayQuick) {
    auto fill = [](const std::string& piece) {
        std::string text;
        while (text.size() + piece.size() <= maxHTMLBytes - 64) text += piece;
        return text;
    };
    EXPECT_EQ(parseMeta(fill("<meta ")), Meta{});
    EXPECT_EQ(parseMeta(fill("<title")), Meta{});
    EXPECT_EQ(parseMeta(fill("<title>")), Meta{});
    EXPECT_EQ(parseMeta(fill("<title<title") + "</title>"), Meta{});
    EXPECT_EQ(parseMeta(fill("</head ")), Meta{});
    EXPECT_EQ(parseMeta("<meta " + fill("a") + ">"), Meta{});
    EXPECT_EQ(parseMeta("<meta content=\"" + fill("a=\"") + ">"), Meta{});
    EXPECT_EQ(parseMeta("<meta content=" + fill("&#1") + ">"), Meta{});
    EXPECT_EQ(parseMeta("<meta name=description content=\"" + fill("<a &#x1 ") + "\">").description.size(),
              499u + 3);
}

TEST(LinkPreviewCard, KeysInOrderOnlyWhenNotEmpty) {
    struct Case {
        Meta meta;
        std::optional<std::string_view> image;
        std::string json;
    };
    const Case cases[] = {
        {{"T", "", "", "ignored.png"}, "velk-media/0123456789abcdef.png",
         R"({"title":"T","image":"velk-media/0123456789abcdef.png"})"},
        {{"T", "D", "S", ""}, std::nullopt, R"({"title":"T","description":"D","siteName":"S"})"},
        {{"", "D", "", ""}, "", R"({"description":"D"})"},
        {{"", "", "S", ""}, "i", R"({"siteName":"S","image":"i"})"},
        {{}, std::nullopt, "{}"},
        {{"\"q\" \xE2\x80\xA6", "", "", ""}, std::nullopt, R"({"title":"\"q\" …"})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(OrderedJSON::write(card(c.meta, c.image), Pretty::no), c.json);
    }
}

}  // namespace
}  // namespace velk::LinkPreview
