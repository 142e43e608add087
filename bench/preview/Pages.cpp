#include "Pages.h"

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

namespace velk::bench {

namespace {

const char* const metaTemplates[] = {
    R"(<meta property="og:title" content="Tag %u &amp; friends: a page about things">)",
    "<meta property=\"og:description\"\n      content=\"A description of item %u that runs for a while, "
    "&quot;quoted&quot;, with &#x2014; dashes and caf&#233; in it.\">",
    R"(<meta name="twitter:card" content="summary_large_image">)",
    R"(<meta name='twitter:title' content='Item %u'>)",
    R"(<meta property="og:image" content="https://cdn.example.com/images/%u/cover.jpg?w=1200&amp;h=630">)",
    R"(<meta name=viewport content=width=device-width,initial-scale=1>)",
    R"(<meta property="article:tag" content="tag-%u" data-extra="x" data-more='y'>)",
    R"(<META NAME="Description" CONTENT="Plain description %u">)",
};

}  // namespace

std::string pageWithMetaTags(std::size_t metaTags, std::size_t bytes) {
    std::string page = "<!doctype html><html lang=\"en\"><head><meta charset=\"utf-8\"><title>The page</title>\n";
    std::uint32_t state = 2024;
    char tag[512];
    for (std::size_t i = 0; i < metaTags; ++i) {
        state = state * 1664525u + 1013904223u;
        const char* shape = metaTemplates[(state >> 10) % std::size(metaTemplates)];
        std::snprintf(tag, sizeof tag, shape, static_cast<unsigned>(i));
        page += tag;
        page += '\n';
    }
    const std::string end = "</head>";
    const std::string link = "<link rel=\"stylesheet\" href=\"/assets/site.css?v=1234\">\n";
    const std::string script =
        "<script>window.dataLayer=window.dataLayer||[];function gtag(){dataLayer.push(arguments)}"
        "if (a < b && c > d) { render('<div class=\"x\">' + name + '</div>'); }</script>\n";
    while (page.size() + end.size() + link.size() + script.size() <= bytes) page += (page.size() % 2 ? link : script);
    page.append(bytes - end.size() - page.size(), ' ');
    page += end;
    return page;
}

std::string repeated(std::string_view prefix, std::string_view piece, std::string_view suffix, std::size_t bytes) {
    std::string page(prefix);
    while (page.size() + suffix.size() < bytes) page += piece;
    page.resize(bytes - suffix.size());
    page += suffix;
    return page;
}

}  // namespace velk::bench
