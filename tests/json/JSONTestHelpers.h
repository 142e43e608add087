#pragma once

// Helpers for tests of JSON values. No test framework in here: the JSON fuzz target checks the
// same round trip as the unit tests.

#include "json/OrderedJSON.h"

#include <ostream>
#include <stdexcept>
#include <string>

namespace velk {

// Lets GoogleTest show values as their compact JSON text.
inline void PrintTo(const JSONValue& value, std::ostream* out) { *out << OrderedJSON::write(value, Pretty::no); }

namespace testing_support {

// Parses text the test expects to be valid JSON; anything else fails the test with the text.
inline JSONValue parsed(std::string_view text) {
    auto value = OrderedJSON::parse(text);
    if (!value) throw std::invalid_argument(std::string(text) + ": " + value.error().description());
    return *value;
}

inline std::string compact(const JSONValue& value) { return OrderedJSON::write(value, Pretty::no); }

// What every value the reader accepts must survive, in both layouts: the written text reads back
// as an equal value, and writing that again gives the same bytes. Says what broke, or "".
inline std::string roundTripProblem(const JSONValue& value) {
    for (Pretty pretty : {Pretty::no, Pretty::yes}) {
        const std::string first = OrderedJSON::write(value, pretty);
        const auto again = OrderedJSON::parse(first);
        if (!again) return "written text does not read back: " + first;
        if (!(*again == value)) return "value read back differs: " + first;
        if (OrderedJSON::write(*again, pretty) != first) return "second write differs from the first: " + first;
    }
    return {};
}

}  // namespace testing_support
}  // namespace velk
