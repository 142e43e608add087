#pragma once

// Trimming of names the user typed or a file system gave us. White space is the Unicode space
// separators (general category Zs, from ICU) and the tab; line breaks are U+000A to U+000D,
// U+0085, U+2028 and U+2029. Trimming works on code points and stops at an ill-formed byte.
// Pure functions; safe from any thread.

#include <string_view>

namespace velk::WhiteSpace {

[[nodiscard]] bool isWhiteSpace(char32_t scalar);
[[nodiscard]] bool isLineBreak(char32_t scalar);

// `text` without white space at either end; line breaks stay.
[[nodiscard]] std::string_view trimmed(std::string_view text);

// `text` without white space or line breaks at either end.
[[nodiscard]] std::string_view trimmedWithLineBreaks(std::string_view text);

}  // namespace velk::WhiteSpace
