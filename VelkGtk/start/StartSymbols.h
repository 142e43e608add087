#pragma once

// The symbols of the start window's faces, as icon names of the desktop's symbolic icon theme,
// chosen to look like what they stand for. Pure.

#include <string_view>

namespace velk::StartSymbols {

// The new-map card and the blank template: a plus.
inline constexpr std::string_view newMap = "list-add-symbolic";
// A recent map whose package has no thumbnail: two squares.
inline constexpr std::string_view noThumbnail = "edit-copy-symbolic";

// The face of a template that has no picture yet, by its id.
[[nodiscard]] std::string_view forTemplate(std::string_view id) noexcept;

}  // namespace velk::StartSymbols
