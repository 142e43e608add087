#pragma once

// What a link card shows of a page: its title, a short description, the site's name and an
// image, read from the page's head with a few fixed regular expressions (no HTML parser, no
// script), preferring Open Graph tags, then Twitter card tags, then <title> and the plain
// description tag. Every text is cleaned for display; the image reference is left as written
// for the fetcher to resolve. Pure functions; safe from any thread.

#include "json/JSONValue.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velk::LinkPreview {

// Only this prefix of a page (UTF-8 bytes) is ever looked at; the fetcher refuses longer pages.
inline constexpr std::size_t maxHTMLBytes = 524288;

// Caps on the cleaned texts, in user-perceived characters.
inline constexpr std::size_t maxTitleCharacters = 200;
inline constexpr std::size_t maxDescriptionCharacters = 500;
inline constexpr std::size_t maxSiteNameCharacters = 100;

struct Meta {
    std::string title;
    std::string description;
    std::string siteName;
    // Trimmed but otherwise as the page wrote it, possibly relative.
    std::string imageURL;
    bool operator==(const Meta&) const = default;
};

// The metadata of an HTML page. Never fails: a page without any gives empty fields. Bytes that
// are not UTF-8 read as U+FFFD.
[[nodiscard]] Meta parseMeta(std::string_view html);

// The preview card the editor page receives: an object with "title", "description",
// "siteName" and "image" in this order, each only when its text is not empty. `image` is the
// media reference the caller stored the page's image under.
[[nodiscard]] JSONValue card(const Meta& meta, std::optional<std::string_view> image);

}  // namespace velk::LinkPreview
