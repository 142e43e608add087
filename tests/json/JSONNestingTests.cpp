// Hostile nesting: nothing may recurse once per level, and the reader refuses more than its
// limit with the position of the bracket that goes too deep.

#include "json/JSONTestHelpers.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

std::string nestedArrays(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(JSONNesting, ReaderRefusesBeyondTheLimitAtTheOffendingBracket) {
    EXPECT_TRUE(OrderedJSON::parse(nestedArrays(OrderedJSON::maxDepth)).has_value());
    EXPECT_EQ(OrderedJSON::parse(nestedArrays(OrderedJSON::maxDepth + 1)).error(), JSONError::tooDeep(512));
    EXPECT_EQ(OrderedJSON::parse(" " + std::string(1'000'000, '[')).error(), JSONError::tooDeep(513));
    EXPECT_EQ(OrderedJSON::parse(nestedArrays(1'000'000)).error(), JSONError::tooDeep(512));
    std::string objects;
    for (int i = 0; i < 600; ++i) objects += "{\"\xC3\xA9\":";
    EXPECT_EQ(OrderedJSON::parse(objects).error(), JSONError::tooDeep(512 * 5));
    EXPECT_EQ(OrderedJSON::parse(objects).error().description(), "tooDeep(at: 2560)");
}

TEST(JSONNesting, DeepBuiltValuesWriteCompareAndDestroyWithoutRecursion) {
    constexpr std::size_t depth = 1'000'000;
    JSONValue deep = JSONValue::array({});
    JSONValue twin = JSONValue::array({});
    JSONValue objects = JSONValue::object({});
    for (std::size_t i = 0; i < depth; ++i) {
        deep = JSONValue::array({deep});
        twin = JSONValue::array({twin});
        objects = JSONValue::object({{"k", objects}});
    }
    const std::string text = OrderedJSON::write(deep, Pretty::no);
    EXPECT_EQ(text, nestedArrays(depth + 1));
    EXPECT_EQ(deep, twin);  // a full walk: the two share no storage
    EXPECT_NE(deep, objects);
    EXPECT_NE(deep, deep.arrayValue()->elements().front());
    // Leaving the scope destroys three million storages, one after another.
}

}  // namespace
}  // namespace velk
