#pragma once

// The pages the metadata benchmark reads, made in code from a fixed seed: a realistic head with
// a given number of meta tags, and heads made of one hostile piece repeated. Every page is
// exactly LinkPreview::maxHTMLBytes long unless a smaller size is asked for.

#include <cstddef>
#include <string>
#include <string_view>

namespace velk::bench {

// A head of `bytes` bytes ending in "</head>": `metaTags` meta tags of the kinds real pages
// carry (Open Graph, Twitter, viewport, article tags, with references and line breaks), a title,
// and stylesheet links and an inline script making up the rest.
std::string pageWithMetaTags(std::size_t metaTags, std::size_t bytes);

// `piece` repeated to `bytes` bytes (the last copy cut short), after `prefix` and before
// `suffix`.
std::string repeated(std::string_view prefix, std::string_view piece, std::string_view suffix, std::size_t bytes);

}  // namespace velk::bench
