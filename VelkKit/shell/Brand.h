#pragma once

// velk's brand colours, as hex texts, and the reader that turns such a text into the red, green
// and blue a toolkit wants. Pure; safe from any thread.

#include <string_view>

namespace velk::Brand {

inline constexpr std::string_view ink900 = "#0e1419";
inline constexpr std::string_view ink100 = "#e7eef5";
// Also the colour of the template symbols in the new-map sheet.
inline constexpr std::string_view lantern500 = "#f2a93b";
inline constexpr std::string_view lantern800 = "#8f4f04";

// Each channel in 0 … 1.
struct RGB {
    double red;
    double green;
    double blue;
    bool operator==(const RGB&) const = default;
};

// One leading "#" is dropped; the rest must be one to eight hexadecimal digits, of which the
// last six are red, green and blue. Anything else, the empty text included, is black.
[[nodiscard]] RGB rgb(std::string_view hex) noexcept;

}  // namespace velk::Brand
