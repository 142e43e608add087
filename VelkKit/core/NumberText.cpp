#include "core/NumberText.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace velk::NumberText {

namespace {

bool isNumberCharacter(char c) {
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
}

// -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool isJSONNumber(std::string_view text) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        return i - start;
    };
    if (i < text.size() && text[i] == '-') ++i;
    if (i < text.size() && text[i] == '0') ++i;
    else if (digits() == 0) return false;
    if (i < text.size() && text[i] == '.' && (++i, digits() == 0)) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == text.size();
}

}  // namespace

std::string jsonSpelling(std::string_view text) {
    if (isJSONNumber(text)) return std::string(text);
    const auto value = doubleValue(text);
    if (!value || !std::isfinite(*value)) return "0";
    char spelled[32];
    const auto written = std::to_chars(spelled, spelled + sizeof spelled, *value);
    return std::string(spelled, written.ptr);
}

std::optional<double> doubleValue(std::string_view text) {
    // strtod also reads "inf", "nan" and hexadecimal forms; none of those is a number's text.
    if (text.empty()) return std::nullopt;
    for (char c : text) {
        if (!isNumberCharacter(c)) return std::nullopt;
    }
    // The C locale, so a user's decimal comma changes nothing.
    static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", nullptr);
    const std::string terminated(text);
    char* end = nullptr;
    const double value = strtod_l(terminated.c_str(), &end, cLocale);
    if (end != terminated.c_str() + terminated.size()) return std::nullopt;
    return value;
}

std::optional<std::int64_t> int64Value(std::string_view text) noexcept {
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || negative)) text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    // Accumulate towards the negative side, which holds one more value than the positive one.
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const int digit = c - '0';
        if (value < (INT64_MIN + digit) / 10) return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative) return value;
    if (value == INT64_MIN) return std::nullopt;
    return -value;
}

std::int64_t clampedInt64(double value) noexcept {
    if (std::isnan(value)) return 0;
    // 2^63 is exactly representable; every double below it converts without overflow.
    if (value >= 9223372036854775808.0) return INT64_MAX;
    if (value <= -9223372036854775808.0) return INT64_MIN;
    return static_cast<std::int64_t>(value);
}

}  // namespace velk::NumberText
