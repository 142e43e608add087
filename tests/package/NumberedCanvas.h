#pragma once

// Canvases in which every card says which save wrote it, so that a reader can tell a complete
// canvas from a torn one and one save from the next. Shared by the save-loop program and the test
// that kills it.

#include "json/OrderedJSON.h"

#include <optional>
#include <string>
#include <vector>

namespace velk::testing_support::NumberedCanvas {

inline constexpr int cards = 200;

inline std::string make(int save, const std::vector<std::string>& links) {
    std::vector<JSONValue> nodes;
    for (int i = 0; i < cards; ++i) {
        nodes.push_back(JSONValue::object({{"id", JSONValue::string("card-" + std::to_string(i))},
                                           {"type", JSONValue::string("text")},
                                           {"text", JSONValue::string("save " + std::to_string(save))},
                                           {"x", JSONValue::number(std::int64_t{i} * 240)},
                                           {"y", JSONValue::number(std::int64_t{0})},
                                           {"width", JSONValue::number(std::int64_t{200})},
                                           {"height", JSONValue::number(std::int64_t{60})}}));
    }
    for (const std::string& link : links) {
        nodes.push_back(JSONValue::object({{"id", JSONValue::string("link-" + link)},
                                           {"type", JSONValue::string("file")},
                                           {"file", JSONValue::string(link)}}));
    }
    const JSONValue canvas = JSONValue::object({{"nodes", JSONValue::array(nodes)},
                                                {"edges", JSONValue::array({})},
                                                {"save", JSONValue::number(std::int64_t{save})}});
    return OrderedJSON::write(canvas, Pretty::yes);
}

// The save that wrote `text`, when it is a complete canvas whose cards all agree with it.
inline std::optional<int> saveOf(std::string_view text) {
    const auto canvas = OrderedJSON::parse(text);
    if (!canvas) return std::nullopt;
    const auto number = (*canvas)["save"];
    if (!number || !number->numberText()) return std::nullopt;
    const std::string digits(*number->numberText());
    const std::string expected = "save " + digits;
    int agreeing = 0;
    const JSONValue nodes = (*canvas)["nodes"].value_or(JSONValue());
    for (const JSONValue& node : nodes.elements()) {
        const auto cardText = node["text"];
        if (!cardText) continue;
        if (cardText->stringValue() != expected) return std::nullopt;
        ++agreeing;
    }
    if (agreeing != cards) return std::nullopt;
    return std::stoi(digits);
}

}  // namespace velk::testing_support::NumberedCanvas
