#pragma once

// Standard Base64 (RFC 4648, alphabet A-Z a-z 0-9 + /, "=" padding), decoded strictly: input
// from outside is taken only in its one canonical spelling. Pure functions; safe from any thread.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velk::Base64 {

// The number of bytes `text` decodes to, judged from its length and padding alone; absent when
// the length is not a multiple of four. Lets a caller refuse oversized input before decoding.
[[nodiscard]] std::optional<std::size_t> decodedSize(std::string_view text) noexcept;

// The bytes of `text`; absent unless its length is a multiple of four, every character is of the
// alphabet, "=" appears only as one or two final padding characters, and the bits the padding
// leaves over are zero. White space and line breaks are refused like any other stray character.
[[nodiscard]] std::optional<std::string> decode(std::string_view text);

// The canonical text of `bytes`, padded.
[[nodiscard]] std::string encode(std::string_view bytes);

}  // namespace velk::Base64
