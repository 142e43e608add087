#include "json/JSONTestHelpers.h"

#include <gtest/gtest.h>

#include <thread>

namespace velk {
namespace {

using testing_support::compact;
using testing_support::parsed;

TEST(JSONValue, AccessorsAnswerOnlyForTheirOwnCase) {
    const JSONValue value = parsed(R"({"s":"text","n":12,"a":[1,"two"],"o":{"k":null},"b":false})");
    EXPECT_EQ(value["s"]->stringValue(), "text");
    EXPECT_EQ(value["n"]->stringValue(), std::nullopt);  // a number is not text
    EXPECT_EQ(value["s"]->numberText(), std::nullopt);
    EXPECT_EQ(value["n"]->boolValue(), std::nullopt);
    EXPECT_EQ(value["b"]->boolValue(), false);
    EXPECT_FALSE(value["b"]->isNull());
    EXPECT_EQ(value["missing"], std::nullopt);
    EXPECT_EQ((*value["a"])["s"], std::nullopt);  // subscript of a non-object
    EXPECT_FALSE(value.arrayValue());
    EXPECT_FALSE(value["s"]->isObject());
    EXPECT_EQ(value["a"]->elements()[1].stringValue(), "two");
    EXPECT_EQ(value.members()[4].key, "b");
    EXPECT_TRUE(value["s"]->elements().empty() && value["s"]->members().empty());
    EXPECT_EQ(JSONValue::number(-42).numberText(), "-42");
}

TEST(JSONValue, SettingReplacesAtTheEquivalentKeyOrAppendsAndKeepsLargeObjectsIndexed) {
    const JSONValue original = parsed(R"({"a":1,"b":2})");
    EXPECT_EQ(compact(original.setting("b", JSONValue::string("x"))), R"({"a":1,"b":"x"})");
    EXPECT_EQ(compact(original.setting("c", JSONValue())), R"({"a":1,"b":2,"c":null})");
    EXPECT_EQ(compact(original), R"({"a":1,"b":2})");  // values never change
    EXPECT_EQ(compact(parsed("[1]").setting("a", JSONValue())), "[1]");
    // The member takes the key as given.
    EXPECT_EQ(compact(parsed("{\"e\xCC\x81\":1,\"z\":2}").setting("\xC3\xA9", JSONValue::number("3"))),
              "{\"\xC3\xA9\":3,\"z\":2}");
    JSONValue large = JSONValue::object({});
    for (int i = 0; i < 200; ++i) large = large.setting("id" + std::to_string(i), JSONValue::number(i));
    large = large.setting("id150", JSONValue::string("replaced"));
    ASSERT_EQ(large.objectValue()->size(), 200u);
    EXPECT_EQ(large.objectValue()->key(150), "id150");
    EXPECT_EQ(large["id150"]->stringValue(), "replaced");
    for (int i = 0; i < 200; i += 7) EXPECT_EQ(large["id" + std::to_string(i)]->numberText(), std::to_string(i));
    EXPECT_EQ(large["id200"], std::nullopt);
}

TEST(JSONValue, EqualityFollowsCaseOrderNumberTextAndCanonicalText) {
    const std::tuple<std::string_view, std::string_view, bool> cases[] = {
        {"1", "1", true}, {"1", "1.0", false}, {"1e2", "100", false}, {"1", "\"1\"", false}, {"null", "false", false},
        {"true", "true", true}, {"[]", "{}", false}, {R"({"a":1,"b":2})", R"({"b":2,"a":1})", false},
        {R"({"a":1,"b":2})", R"({"a":1,"b":2})", true}, {R"({"a":1})", R"({"a":1,"b":2})", false},
        {"[1,[2,[3]]]", "[1,[2,[3]]]", true}, {"[1,[2,[3]]]", "[1,[2,[4]]]", false}, {"\"\xE2\x84\xAA\"", "\"K\"", true},
        {"\"caf\xC3\xA9\"", "\"cafe\xCC\x81\"", true}, {"{\"caf\xC3\xA9\":1}", "{\"cafe\\u0301\":1}", true},
    };
    for (const auto& [a, b, equal] : cases) EXPECT_EQ(parsed(a) == parsed(b), equal) << a << " vs " << b;
}

TEST(JSONValue, SharedValuesCrossThreads) {
    std::string text = "[";
    for (int i = 0; i < 2000; ++i) text += (i ? ",{\"id\":\"n" : "{\"id\":\"n") + std::to_string(i) + "\",\"v\":[1,2]}";
    const JSONValue shared = parsed(text + "]");
    std::atomic<int> equal{0};
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&] {
                for (int round = 0; round < 20; ++round) equal += JSONValue::array(shared.arrayValue()->elements()) == shared;
            });
        }
    }
    EXPECT_EQ(equal, 80);
}

TEST(JSONValue, DeepBuiltValuesWriteCompareAndDestroyWithoutRecursion) {
    constexpr std::size_t depth = 1'000'000;
    JSONValue deep = JSONValue::array({}), twin = JSONValue::array({}), objects = JSONValue::object({});
    for (std::size_t i = 0; i < depth; ++i) {
        deep = JSONValue::array({deep});
        twin = JSONValue::array({twin});
        objects = JSONValue::object({{"k", objects}});
    }
    EXPECT_EQ(OrderedJSON::write(deep, Pretty::no), std::string(depth + 1, '[') + std::string(depth + 1, ']'));
    EXPECT_EQ(deep, twin);  // a full walk: the two share no storage
    EXPECT_NE(deep, objects);
    EXPECT_NE(deep, deep.arrayValue()->elements().front());
    // Leaving the scope destroys three million storages, one after another.
}

}  // namespace
}  // namespace velk
