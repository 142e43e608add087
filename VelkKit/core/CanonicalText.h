#pragma once

// Text comparison under Unicode canonical equivalence: a precomposed "é" equals "e" followed by
// a combining acute accent. JSON keys and strings compare this way. Text that is already in
// Normalization Form C (all ASCII text is) compares byte for byte; only other text goes through
// ICU's normalizer. Pure functions, safe from any thread.

#include <cstdint>
#include <string>
#include <string_view>

namespace velk::CanonicalText {

// True when `text` (valid UTF-8) is in Normalization Form C.
[[nodiscard]] bool isNFC(std::string_view text);

// `text` (valid UTF-8) in Normalization Form C.
[[nodiscard]] std::string toNFC(std::string_view text);

// True when `a` and `b` (valid UTF-8) are canonically equivalent. The flags say that a side is
// known to be ASCII, which saves a scan; passing false is always correct.
[[nodiscard]] bool equal(std::string_view a, std::string_view b, bool aIsASCII = false, bool bIsASCII = false);

// A hash that is equal for canonically equivalent texts.
[[nodiscard]] std::uint64_t hash(std::string_view text, bool isASCII = false);

// A fast hash of bytes as they are.
[[nodiscard]] std::uint64_t hashBytes(std::string_view bytes) noexcept;

}  // namespace velk::CanonicalText
