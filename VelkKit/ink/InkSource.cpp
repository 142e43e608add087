// Reading an ink drawing from a sidecar record. Every malformed piece falls back to a default
// instead of failing: the page owns ink, and a damaged record should still draw what it can.

#include "ink/InkSVG.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

namespace velk::InkSVG {
namespace {

// std::from_chars leaves its result untouched when the text is out of range, so overflow and
// underflow are told apart by the decimal exponent of the first significant digit: overflow
// needs at least 308, underflow at most -324, so its sign alone decides.
// Requires: `text` is wholly a decimal floating-point text, as std::from_chars accepted it.
double outOfRangeValue(std::string_view text) {
    const bool negative = text.starts_with('-');
    if (negative) text.remove_prefix(1);
    const std::size_t exponentAt = text.find_first_of("eE");
    const std::string_view mantissa = text.substr(0, exponentAt);
    const std::size_t pointAt = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t firstDigit = mantissa.find_first_of("123456789");
    if (firstDigit == std::string_view::npos) return negative ? -0.0 : 0.0;

    std::int64_t exponent = firstDigit < pointAt ? std::int64_t(pointAt - firstDigit) - 1
                                                 : std::int64_t(pointAt) - std::int64_t(firstDigit);
    if (exponentAt != std::string_view::npos) {
        std::string_view digits = text.substr(exponentAt + 1);
        const bool negativeExponent = digits.starts_with('-');
        if (digits.starts_with('-') || digits.starts_with('+')) digits.remove_prefix(1);
        // Saturate: only the sign of the sum matters, and the text can hold any number of digits.
        std::int64_t explicitExponent = 0;
        for (char digit : digits) explicitExponent = std::min<std::int64_t>(explicitExponent * 10 + (digit - '0'), 1'000'000'000);
        exponent += negativeExponent ? -explicitExponent : explicitExponent;
    }
    const double magnitude = exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
}

// The value of a number's text. Text that is not wholly a number counts as 0; a number too large
// for a double is an infinity of its sign (the bounds and the SVG text have rules for those),
// one too small is zero.
double numberValue(std::string_view text) {
    double value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (stop != end) return 0;
    if (error == std::errc()) return value;
    if (error == std::errc::result_out_of_range) return outOfRangeValue(text);
    return 0;
}

// The member under `key`, null when it is missing or `value` is not an object: every reader
// below treats null like any other value of the wrong kind.
JSONValue member(const JSONValue& value, std::string_view key) {
    return value[key].value_or(JSONValue::null());
}

double number(const JSONValue& value) {
    const std::optional<std::string_view> text = value.numberText();
    return text ? numberValue(*text) : 0;
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
