#pragma once

// Reading the text of a JSON number (kept as text by velk's reader) as a machine number. The
// reader is lax about numbers, so these decide what odd texts mean. Independent of the user's
// locale; pure and thread-safe.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velk::NumberText {

// The double a number's text spells, when the whole text is one: an optional sign, digits with
// an optional point, an optional exponent ("1", "+1", "-0.5", "1.", ".5", "1e3"). A value too
// large for a double is an infinity of its sign; one too small is zero. Absent otherwise
// ("1.2.3", "-", "1e", "e5").
[[nodiscard]] std::optional<double> doubleValue(std::string_view text);

// The integer a text spells when it is an optional "+" or "-" followed by decimal digits only,
// and fits 64 bits.
[[nodiscard]] std::optional<std::int64_t> int64Value(std::string_view text) noexcept;

// `text` when it is a number by JSON's own grammar ("1", "-0.5", "2e-3"), which a browser's
// JSON.parse takes; otherwise the value it spells written that way ("+1" "1", ".5" "0.5", "010"
// "10"), and "0" for a text that spells none, or an infinity.
[[nodiscard]] std::string jsonSpelling(std::string_view text);

// `value` truncated toward zero and clamped to the 64-bit range; NaN gives 0.
[[nodiscard]] std::int64_t clampedInt64(double value) noexcept;

}  // namespace velk::NumberText
