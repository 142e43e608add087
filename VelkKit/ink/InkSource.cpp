// Reading an ink drawing from a sidecar record. Every malformed piece falls back to a default
// instead of failing: the page owns ink, and a damaged record should still draw what it can.

#include "ink/InkSVG.h"

#include "core/NumberText.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <system_error>

namespace velk::InkSVG {
namespace {

// The member under `key`, null when it is missing or `value` is not an object: every reader
// below treats null like any other value of the wrong kind.
JSONValue member(const JSONValue& value, std::string_view key) {
    return value[key].value_or(JSONValue::null());
}

double number(const JSONValue& value) {
    const std::optional<std::string_view> text = value.numberText();
    return text ? NumberText::doubleValue(*text).value_or(0) : 0;
}

std::string text(const JSONValue& value, std::string_view fallback) {
    return std::string(value.stringValue().value_or(fallback));
}

// Each element that is an array of at least two elements is a point; anything else is skipped.
std::vector<Point> points(const JSONValue& list) {
    std::vector<Point> result;
    for (const JSONValue element : list.elements()) {
        const std::optional<JSONArray> pair = element.arrayValue();
        if (!pair || pair->size() < 2) continue;
        result.push_back({number((*pair)[0]), number((*pair)[1])});
    }
    return result;
}

}  // namespace

std::optional<Source> source(const std::optional<JSONValue>& record) {
    if (!record || !record->isObject()) return std::nullopt;
    const std::optional<JSONValue> drawing = (*record)["source"];
    if (!drawing || !drawing->isObject()) return std::nullopt;

    // Every element yields a stroke or line, even one that is not an object, so counts and
    // positions stay those the page wrote.
    Source result;
    for (const JSONValue element : member(*drawing, "strokes").elements()) {
        result.strokes.push_back({points(member(element, "points")), text(member(element, "palette"), "")});
    }
    for (const JSONValue element : member(*drawing, "lines").elements()) {
        result.lines.push_back({number(member(element, "x1")), number(member(element, "y1")),
                                number(member(element, "x2")), number(member(element, "y2")),
                                points(member(element, "mids")), text(member(element, "palette"), ""),
                                text(member(element, "style"), "straight")});
    }
    return result;
}

}  // namespace velk::InkSVG
