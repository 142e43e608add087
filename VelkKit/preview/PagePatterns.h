#pragma once

// The steps parseMeta() takes over a page's head, exposed for the tests: the head section, the
// fixed patterns and their matches, and a meta tag's attributes. Matching is ICU's engine with
// ICU's syntax; the patterns are compiled once per process.
//
// Untrusted pages can be made of nothing but half-open tags, so every scan here is linear in
// the text it is given. Where a pattern run naively would retry a doomed match from each of
// thousands of start positions, the scan narrows the region or the start positions first in a
// way that cannot change the matches (see PagePatterns.cpp).
//
// Pure functions; safe from any thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk::LinkPreview {

enum class PagePattern {
    endOfHead,         // searched case-insensitively
    metaTag,
    attribute,         // group 1 name; group 2, 3 or 4 the double-quoted, single-quoted or bare value
    titleElement,      // group 1 the element's text
    anyTag,
    whiteSpaceRun,
    numericReference,  // group 1 "x" or empty, group 2 the digits
};

// The pattern's text exactly as ICU receives it for a naive match (without the case-insensitive
// option that endOfHead is compiled with).
[[nodiscard]] std::string_view patternText(PagePattern pattern);

// The text of capture group `group` (0: the whole match) of every match of `pattern` over
// `text`, in order; a match in which the group took no part contributes nothing.
[[nodiscard]] std::vector<std::string> matches(PagePattern pattern, std::string_view text, int group);

// The part of a page that is scanned: at most its first maxHTMLBytes bytes (a character cut at
// that boundary, like any other ill-formed UTF-8, reads as U+FFFD), up to the first "</head>".
[[nodiscard]] std::string headSection(std::string_view html);

struct Attribute {
    std::string name;   // lower-cased
    std::string value;  // raw: neither decoded nor trimmed
    bool operator==(const Attribute&) const = default;
};

// The attributes of one tag, in order, duplicates included.
[[nodiscard]] std::vector<Attribute> attributes(std::string_view tag);

// Everything parseMeta() reads from a page, gathered in one pass over its head section.
struct HeadTags {
    std::vector<std::vector<Attribute>> metaTags;  // in document order
    std::optional<std::string> title;              // the first title element's raw text
};
[[nodiscard]] HeadTags headTags(std::string_view html);

}  // namespace velk::LinkPreview
