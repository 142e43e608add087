#pragma once

// Letter case of UTF-8 text, through ICU's full case mapping with the root locale (no Turkish or
// other language-specific rules, so the result does not depend on where velk runs). Decisions
// about whether a file name is taken compare package paths lowercased with this. Pure functions;
// safe from any thread.

#include <optional>
#include <string>
#include <string_view>

namespace velk::TextCase {

// `text` with every character lowercased. Full mapping, so the length may change: "İ" becomes
// "i" plus a combining dot, the Kelvin sign becomes a plain "k".
[[nodiscard]] std::string lowercased(std::string_view text);

// When the last characters of `text` (grapheme clusters), lowercased, spell `suffix`, the text
// before them; otherwise absent. The match never splits a character: "x.velk" followed by a
// combining accent does not end in ".velk", while "x.vel" followed by the Kelvin sign does.
// Requires: `suffix` is lowercase ASCII with no carriage return.
[[nodiscard]] std::optional<std::string_view> withoutCaselessSuffix(std::string_view text, std::string_view suffix);

}  // namespace velk::TextCase
