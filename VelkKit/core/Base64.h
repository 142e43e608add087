#pragma once

// Standard Base64 (RFC 4648 alphabet with "+" and "/", "=" padding), read strictly: the text is
// whole groups of four, padding only at the very end, and any other character, a line break or
// a space included, makes it unreadable. Data from the editor page and from share documents is
// read this way, so a damaged text is refused instead of half decoded.
//
// Pure; safe from any thread.

#include <optional>
#include <string>
#include <string_view>

namespace velk::Base64 {

// The bytes `text` encodes; absent when it is not strict standard Base64. The empty text is
// the empty byte string.
[[nodiscard]] std::optional<std::string> decode(std::string_view text);

}  // namespace velk::Base64
