#pragma once

// Fields of an application/x-www-form-urlencoded text (a form body or a URL's query): "&"
// separates fields, the first "=" a name from its value, "+" is a space and "%XY" a byte.
// Pure; safe from any thread.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velk::share::FormFields {

// Every field in order; absent when a "%" is not followed by two hex digits.
[[nodiscard]] std::optional<std::vector<std::pair<std::string, std::string>>> decode(std::string_view text);

// `text` with every "%XY" turned into its byte (and, in form text, "+" into a space); absent when
// a "%" is not followed by two hex digits.
[[nodiscard]] std::optional<std::string> percentDecoded(std::string_view text, bool plusIsSpace);

// The value of the first field called `name`, if any.
[[nodiscard]] std::optional<std::string> first(const std::vector<std::pair<std::string, std::string>>& fields,
                                               std::string_view name);

}  // namespace velk::share::FormFields
