#pragma once

// Internal to VelkKit's .cpp files (link previews, the share base): uriparser behind a small
// owner, so that its C structs and free calls stay out of everything else. Never in a header.

#include <uriparser/Uri.h>

#include <optional>
#include <string>
#include <string_view>

namespace velk::LinkPreview {

// One URI reference read with the generic syntax of RFC 3986. The parts point into the text it
// was parsed from, which must outlive it.
class ParsedURI {
public:
    explicit ParsedURI(std::string_view text);
    // `reference` resolved against `base`; fails when either failed or `base` is not absolute.
    ParsedURI(const ParsedURI& base, const ParsedURI& reference);
    ~ParsedURI();
    ParsedURI(const ParsedURI&) = delete;
    ParsedURI& operator=(const ParsedURI&) = delete;

    [[nodiscard]] bool ok() const noexcept { return m_ok; }
    [[nodiscard]] UriUriA& parts() noexcept { return m_uri; }
    [[nodiscard]] const UriUriA& parts() const noexcept { return m_uri; }

    [[nodiscard]] bool hasHost() const noexcept { return m_uri.hostText.first != nullptr; }
    // The host as written, IP literals in their brackets; empty without a host.
    [[nodiscard]] std::string host() const;
    // The reference written out again. IP literals keep their spelling (uriparser alone would
    // write an IPv6 address out in full); absent when uriparser cannot write it.
    [[nodiscard]] std::optional<std::string> text();

private:
    UriUriA m_uri{};
    bool m_ok = false;
};

[[nodiscard]] inline std::string_view rangeText(const UriTextRangeA& range) {
    if (range.first == nullptr) return {};
    return {range.first, static_cast<std::size_t>(range.afterLast - range.first)};
}

}  // namespace velk::LinkPreview
