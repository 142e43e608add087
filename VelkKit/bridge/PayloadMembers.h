#pragma once

// Reading the members of a request's payload. A payload that is absent or not an object has no
// members, and a "string" is a JSON string only: numbers and the rest are not turned into text.

#include "json/JSONValue.h"

#include <optional>
#include <string>
#include <string_view>

namespace velk::PayloadMembers {

[[nodiscard]] inline std::optional<JSONValue> member(const std::optional<JSONValue>& payload, std::string_view key) {
    if (!payload) return std::nullopt;
    return (*payload)[key];
}

[[nodiscard]] inline std::optional<std::string> string(const std::optional<JSONValue>& payload, std::string_view key) {
    const auto value = member(payload, key);
    if (!value) return std::nullopt;
    const auto text = value->stringValue();
    if (!text) return std::nullopt;
    return std::string(*text);
}

}  // namespace velk::PayloadMembers
