#pragma once

// The share service's base URL this build was made for (the CMake setting VELK_SHARE_BASE). It
// is an http(s) URL ending in "/", so the service's relative paths resolve below it. Feedback
// pages and share links start from it; the user default "ShareBase" may override it for opening
// links. Safe from any thread.

#include <optional>
#include <string>
#include <string_view>

namespace velk {

[[nodiscard]] std::string_view defaultShareBase() noexcept;

// The base URL links are opened from: `setting` (the user default "ShareBase") when it is an
// absolute http(s) URL with a host and neither query nor fragment, with a "/" added when its
// path lacks one (so "http://127.0.0.1:8080" works as well as "http://127.0.0.1:8080/");
// otherwise defaultShareBase().
[[nodiscard]] std::string chosenShareBase(const std::optional<std::string>& setting);

// The host name of a base URL, as the user sees it in messages about the service: the
// authority without user information and port ("https://u@share.example:8443/x/" gives
// "share.example"). Empty when `base` has no authority.
[[nodiscard]] std::string_view shareHost(std::string_view base) noexcept;

// A page of the service at `base`: `pagePath` ("/feedback/") below the base's path, without the
// base's query or fragment.
[[nodiscard]] std::string servicePage(std::string_view base, std::string_view pagePath);

}  // namespace velk
