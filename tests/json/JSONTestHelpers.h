#pragma once

#include "json/OrderedJSON.h"

#include <gtest/gtest.h>

#include <ostream>

namespace velk {

// Lets GoogleTest show values as their compact JSON text.
inline void PrintTo(const JSONValue& value, std::ostream* out) { *out << OrderedJSON::write(value, Pretty::no); }

}  // namespace velk

namespace velk::testing_support {

// Parses text that the test expects to be valid JSON.
inline JSONValue parsed(std::string_view text) {
    auto value = OrderedJSON::parse(text);
    EXPECT_TRUE(value.has_value()) << text << ": " << (value ? "" : value.error().description());
    return value ? *value : JSONValue();
}

inline std::string compact(const JSONValue& value) { return OrderedJSON::write(value, Pretty::no); }

}  // namespace velk::testing_support
