#pragma once

// The two things the preview fetcher asks of a URL besides the policy: which host it names,
// and where a relative reference (an og:image, a redirect's Location) points from a page.
// Both read URLs with the generic URI syntax. Pure functions; safe from any thread.

#include <optional>
#include <string>
#include <string_view>

namespace velk::LinkPreview {

// The host of `url` as written, with the brackets of an IP literal ("[::1]"), so that it can go
// straight to check(). Empty when the URL has no host or does not parse.
[[nodiscard]] std::string urlHost(std::string_view url);

// `reference` resolved against the absolute URL `base`, dot segments removed; an absolute
// reference stands for itself. Absent when either does not parse or `base` is not absolute.
// The result still has to pass target() and check() before anything fetches it.
[[nodiscard]] std::optional<std::string> resolveReference(std::string_view base, std::string_view reference);

}  // namespace velk::LinkPreview
