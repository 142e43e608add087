#pragma once

// Turning text taken from a page's markup into text for a link card: character references
// decoded, tags and runs of white space gone, and a cap on its length in user-perceived
// characters. Pure functions; safe from any thread.

#include <cstddef>
#include <string>
#include <string_view>

namespace velk::LinkPreview {

// `text` with the references &amp; &lt; &gt; &quot; &#39; &apos; &nbsp; replaced, each over the
// whole result of the one before, in that order, and then every numeric reference (&#65;,
// &#x41;) that names a Unicode scalar value. No other named reference is known.
[[nodiscard]] std::string decodeEntities(std::string_view text);

// Display text: tags removed, references decoded, every run of white space one space, trimmed,
// and when longer than `max` characters, its first max - 1 characters and "…".
[[nodiscard]] std::string clean(std::string_view text, std::size_t max);

}  // namespace velk::LinkPreview
