#pragma once

// Small UTF-8 helpers over byte strings. velk keeps all text as UTF-8 in std::string; these are
// the few byte-level facts the readers need. All functions are pure and thread-safe.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velk::Utf8 {

// True when `bytes` is well-formed UTF-8: no overlong forms, no surrogates, nothing above
// U+10FFFF, no truncated sequence.
[[nodiscard]] bool isValid(std::string_view bytes) noexcept;

// `bytes` with each ill-formed sequence (each maximal part that cannot begin a well-formed
// sequence, as Unicode counts them) replaced by U+FFFD; well-formed text comes back unchanged.
[[nodiscard]] std::string repaired(std::string_view bytes);

// True when every byte is below 0x80.
[[nodiscard]] bool isASCII(std::string_view bytes) noexcept;

// The number of Unicode scalars in the first `byteOffset` bytes of valid UTF-8 text.
[[nodiscard]] std::size_t scalarCount(std::string_view text, std::size_t byteOffset) noexcept;

// The scalar that starts at `byteOffset` of valid UTF-8 text, and its encoded length.
struct DecodedScalar {
    char32_t scalar;
    std::size_t length;
};
// Requires: byteOffset < text.size() and text is valid UTF-8.
[[nodiscard]] DecodedScalar decode(std::string_view text, std::size_t byteOffset) noexcept;

// Appends the UTF-8 encoding of a scalar (U+0000 to U+10FFFF, surrogates excluded).
void append(char32_t scalar, std::string& into);

}  // namespace velk::Utf8
