#pragma once

// The names of map packages: the file name a package gets from what the user typed, and the name
// the user sees for a package or canvas file. Pure functions; safe from any thread.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace velk::MapNaming {

// Extensions a shown name never carries, longest compound first so that ".canvas.velk" goes in
// one step. ".plovet" is what older packages were called.
inline constexpr std::array<std::string_view, 4> extensions{".canvas.velk", ".velk", ".canvas", ".plovet"};

// `name` trimmed, with every trailing extension removed in any letter case, and ill-formed UTF-8
// replaced by U+FFFD. A name that is only an extension (".velk") stays whole rather than becoming
// empty.
[[nodiscard]] std::string displayName(std::string_view name);

// `typed` with every character a folder name cannot hold, or that the desktop reads as a
// separator ("/", ":", NUL, at which the system would end the name), replaced by "-".
[[nodiscard]] std::string withoutSeparators(std::string_view typed);

// The package directory name for a name the user typed: its display name plus ".velk", cut to fit.
[[nodiscard]] std::string packageFileName(std::string_view typed);

// File systems take names of at most this many bytes; a longer one (120 characters of Chinese
// text are 360) could never be made.
inline constexpr std::size_t longestFileName = 255;

// `stem` followed by `suffix`, the stem cut between whole characters so that the two fit in
// longestFileName bytes.
[[nodiscard]] std::string fittedFileName(std::string_view stem, std::string_view suffix);

}  // namespace velk::MapNaming
