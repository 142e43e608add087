#include "json/JSONTestHelpers.h"

#include <gtest/gtest.h>

#include <thread>

namespace velk {
namespace {

using testing_support::compact;
using testing_support::parsed;

TEST(JSONValue, AccessorsAnswerOnlyForTheirOwnCase) {
    const JSONValue value = parsed(R"({"s":"text","n":12,"a":[1,"two"],"o":{"k":null},"b":false})");
    EXPECT_TRUE(value.isObject());
    EXPECT_EQ(value["s"]->stringValue(), "text");
    EXPECT_EQ(value["n"]->stringValue(), std::nullopt);  // a number is not text
    EXPECT_EQ(value["n"]->numberText(), "12");
    EXPECT_EQ(value["b"]->boolValue(), false);
    EXPECT_TRUE(value["o"]->isObject());
    EXPECT_TRUE((*value["o"])["k"]->isNull());
    EXPECT_EQ(value["missing"], std::nullopt);
    EXPECT_EQ((*value["a"])["s"], std::nullopt);  // subscript of a non-object
    ASSERT_TRUE(value["a"]->arrayValue());
    const JSONArray array = *value["a"]->arrayValue();
    ASSERT_EQ(array.size(), 2u);
    EXPECT_EQ(array[1].stringValue(), "two");
    EXPECT_FALSE(value.arrayValue());
    EXPECT_FALSE(value["s"]->isObject());
    EXPECT_EQ(JSONValue::number(-42).numberText(), "-42");
    int seen = 0;
    for (JSONValue element : value["a"]->elements()) seen += element.numberText() ? 1 : 10;
    for (JSONMemberRef member : value.members()) seen += member.key.size() == 1 ? 100 : 0;
    for (JSONValue none : value["s"]->elements()) seen += none.isNull() ? 1000 : 1000;
    EXPECT_EQ(seen, 511);
    EXPECT_TRUE(value["s"]->members().empty());
}

TEST(JSONValue, SettingReplacesInPlaceOrAppends) {
    const JSONValue original = parsed(R"({"a":1,"b":2})");
    EXPECT_EQ(compact(original.setting("b", JSONValue::string("x"))), R"({"a":1,"b":"x"})");
    EXPECT_EQ(compact(original.setting("c", JSONValue())), R"({"a":1,"b":2,"c":null})");
    EXPECT_EQ(compact(original), R"({"a":1,"b":2})");  // values never change
    const JSONValue array = parsed("[1]");
    EXPECT_EQ(compact(array.setting("a", JSONValue())), "[1]");
    // The member takes the key as given, at the first equivalent member's position.
    const JSONValue accented = parsed("{\"e\xCC\x81\":1,\"z\":2}").setting("\xC3\xA9", JSONValue::number("3"));
    EXPECT_EQ(compact(accented), "{\"\xC3\xA9\":3,\"z\":2}");
}

TEST(JSONValue, SettingKeepsLargeObjectsIndexed) {
    JSONValue object = JSONValue::object({});
    for (int i = 0; i < 200; ++i) object = object.setting("id" + std::to_string(i), JSONValue::number(i));
    object = object.setting("id150", JSONValue::string("replaced"));
    ASSERT_EQ(object.objectValue()->size(), 200u);
    EXPECT_EQ(object.objectValue()->key(150), "id150");
    EXPECT_EQ(object["id150"]->stringValue(), "replaced");
    for (int i = 0; i < 200; i += 7) {
        if (i == 150) continue;
        EXPECT_EQ(object["id" + std::to_string(i)]->numberText(), std::to_string(i));
    }
    EXPECT_EQ(object["id200"], std::nullopt);
}

TEST(JSONValue, EqualityFollowsCaseOrderNumberTextAndCanonicalText) {
    struct Case {
        std::string_view a, b;
        bool equal;
    };
    const Case cases[] = {
        {"1", "1", true},
        {"1", "1.0", false},
        {"1e2", "100", false},
        {"1", "\"1\"", false},
        {"null", "false", false},
        {"true", "true", true},
        {R"({"a":1,"b":2})", R"({"b":2,"a":1})", false},
        {R"({"a":1,"b":2})", R"({"a":1,"b":2})", true},
        {R"({"a":1})", R"({"a":1,"b":2})", false},
        {"[1,[2,[3]]]", "[1,[2,[3]]]", true},
        {"[1,[2,[3]]]", "[1,[2,[4]]]", false},
        {"[]", "{}", false},
        {"\"caf\xC3\xA9\"", "\"cafe\xCC\x81\"", true},
        {"{\"caf\xC3\xA9\":1}", "{\"cafe\\u0301\":1}", true},
        {"\"\xE2\x84\xAA\"", "\"K\"", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + std::string(c.b));
        EXPECT_EQ(parsed(c.a) == parsed(c.b), c.equal);
    }
}

TEST(JSONValue, BuiltAndReadValuesMixAndOutliveTheirSources) {
    JSONValue built;
    {
        const JSONValue canvas = parsed(R"({"nodes":[{"id":"n1","x":10}],"edges":[]})");
        built = JSONValue::object({
            {"path", JSONValue::string("/")},
            {"canvas", canvas},
            {"first", JSONValue::array({*canvas["nodes"]->arrayValue()->begin(), JSONValue::number("1.0")})},
        });
    }
    EXPECT_EQ(compact(built), R"({"path":"/","canvas":{"nodes":[{"id":"n1","x":10}],"edges":[]},"first":[{"id":"n1","x":10},1.0]})");
    EXPECT_EQ(built, parsed(compact(built)));
}

TEST(JSONValue, SharedValuesCrossThreads) {
    std::string text = "[";
    for (int i = 0; i < 2000; ++i) text += (i ? "," : "") + std::string(R"({"id":"n)") + std::to_string(i) + R"(","v":[1,2]})";
    text += "]";
    const JSONValue shared = parsed(text);
    std::vector<std::thread> threads;
    std::atomic<int> equalCount{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 20; ++round) {
                std::vector<JSONValue> copies = shared.arrayValue()->elements();
                if (JSONValue::array(copies) == shared) ++equalCount;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(equalCount, 80);
}

}  // namespace
}  // namespace velk
