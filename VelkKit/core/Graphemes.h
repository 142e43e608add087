#pragma once

// User-perceived characters (Unicode extended grapheme clusters, as ICU finds them) in UTF-8
// text. Wherever velk counts, cuts or maps "characters" of a name, it means these: an "é" spelled
// as "e" plus a combining accent is one character, and so is a carriage return with line feed.
// Positions are byte offsets into the text. Ill-formed bytes count as characters of their own.
// Pure functions; safe from any thread (each thread keeps its own ICU iterator).

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace velk::Graphemes {

// The offset of every character boundary of `text`, in order, 0 and text.size() included.
[[nodiscard]] std::vector<std::size_t> boundaries(std::string_view text);

// Where the last `count` characters of `text` begin; absent when it has fewer characters.
[[nodiscard]] std::optional<std::size_t> startOfLast(std::string_view text, std::size_t count);

}  // namespace velk::Graphemes
