// JSON text both ways. The reader: what each text reads as (shown as its compact text, so escapes
// are the writer's) or the first problem in it, at a position that counts scalars, not bytes;
// nesting beyond the limit is refused at the bracket that goes too deep, without recursing once
// per level. The writer: its pretty layout, and the round trip of random values. The values
// themselves: accessors, setting members, equality, sharing across threads and great depth.

#include "json/JSONTestHelpers.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

namespace velk {
namespace {

using testing_support::compact;
using testing_support::parsed;

std::string nestedArrays(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(JSONRead, EachTextReadsAsItsValueOrItsFirstProblem) {
    std::string objects;
    for (int i = 0; i < 600; ++i) objects += "{\"\xC3\xA9\":";
    const std::pair<std::string, std::string> cases[] = {
        {"", "unexpectedEnd"}, {" \t\r\n", "unexpectedEnd"}, {"[1,]", "invalidNumber(at: 3)"},
        {"{\"a\":1,}", "unexpected(\"}\", at: 7)"}, {"{\"a\" 1}", "unexpected(\"1\", at: 5)"},
        {"[1 2]", "unexpected(\"2\", at: 3)"}, {"tru", "unexpectedEnd"}, {"trux", "unexpected(\"x\", at: 3)"},
        {"truex", "unexpected(\"x\", at: 4)"}, {"x", "invalidNumber(at: 0)"}, {"\"\\q\"", "invalidEscape(at: 2)"},
        {"\"\\u12\"", "invalidEscape(at: 5)"}, {"\"\\u12", "invalidEscape(at: 5)"},
        {"\"\\ud83d\\u12x4\"", "invalidEscape(at: 11)"}, {"\"abc", "unexpectedEnd"}, {"\"abc\\", "unexpectedEnd"},
        {"[", "unexpectedEnd"}, {"[1", "unexpectedEnd"}, {"{", "unexpectedEnd"}, {"{\"a\"", "unexpectedEnd"},
        {"{\"a\":", "unexpectedEnd"}, {"{\"a\":1", "unexpectedEnd"}, {"{1:2}", "unexpected(\"1\", at: 1)"},
        {"{\"a\":1 \"b\":2}", "unexpected(\"\"\", at: 7)"}, {"[1]]", "unexpected(\"]\", at: 3)"},
        {"1 2", "unexpected(\"2\", at: 2)"}, {"nul", "unexpectedEnd"}, {"[nulL]", "unexpected(\"L\", at: 4)"},
        // "é" and "😀" are one position each.
        {"[\"\xC3\xA9\xF0\x9F\x98\x80\", x]", "invalidNumber(at: 7)"},
        {"{\"\xC3\xA9\": 1 \xE2\x80\xA8}", "unexpected(\"\xE2\x80\xA8\", at: 8)"},
        {"  \xF0\x9F\x98\x80", "invalidNumber(at: 2)"}, {"\xFF", "notUTF8"}, {"[\"\xED\xA0\x80\"]", "notUTF8"},
        {nestedArrays(OrderedJSON::maxDepth), nestedArrays(OrderedJSON::maxDepth)},
        {nestedArrays(OrderedJSON::maxDepth + 1), "tooDeep(at: 512)"},
        {" " + std::string(1'000'000, '['), "tooDeep(at: 513)"}, {nestedArrays(1'000'000), "tooDeep(at: 512)"},
        {objects, "tooDeep(at: 2560)"},
        // Any value at the top; numbers are any run of number characters and keep their text.
        {" 42 ", "42"}, {"\"lone\"", "\"lone\""}, {"-", "-"}, {"1.2.3", "1.2.3"}, {"+5", "+5"}, {"01", "01"},
        {"e", "e"}, {"true", "true"}, {"null", "null"}, {"[1.50, -0, 1E400, 0.1e-2]", "[1.50,-0,1E400,0.1e-2]"},
        {"{\"z\":1.50,\"a\":[ ]}", "{\"z\":1.50,\"a\":[]}"},
        {"[[], {}, [[]], {\"a\":{}}]", "[[],{},[[]],{\"a\":{}}]"},
        // Escapes read, and written back escaped only where they must be.
        {R"("\"\\\/\b\f\n\r\t")", R"("\"\\/\u0008\u000c\n\r\t")"},
        {R"("\u0041\u00e9\u00E9")", "\"A\xC3\xA9\xC3\xA9\""}, {R"("\u0000")", R"("\u0000")"},
        {"\"raw\ttab and\nline\"", R"("raw\ttab and\nline")"}, {"\"a\x01" "b\x1b\"", R"("a\u0001b\u001b")"},
        {"\"/ \x7F \xE2\x80\xA8 \xE2\x80\xA9 \xC3\xA9 <\"", "\"/ \x7F \xE2\x80\xA8 \xE2\x80\xA9 \xC3\xA9 <\""},
        {R"("a long run of plain text before \"a quote\" and after")",
         R"("a long run of plain text before \"a quote\" and after")"},
        // Unpaired surrogate escapes read as U+FFFD.
        {R"("\ud83d\ude00")", "\"\xF0\x9F\x98\x80\""}, {R"("\ud83d")", "\"\xEF\xBF\xBD\""},
        {R"("\ud83dx")", "\"\xEF\xBF\xBD" "x\""}, {R"("\ud83d\u0041")", "\"\xEF\xBF\xBD" "A\""},
        {R"("\ud83d\ud83d\ude00")", "\"\xEF\xBF\xBD\xF0\x9F\x98\x80\""}, {R"("\ude00")", "\"\xEF\xBF\xBD\""},
    };
    for (const auto& [text, result] : cases) {
        auto value = OrderedJSON::parse(text);
        EXPECT_EQ(value ? compact(*value) : value.error().description(), result) << text.substr(0, 60);
    }
}

TEST(JSONRead, DuplicateKeysKeepTheFirstPositionAndSpellingAndTheLastValue) {
    EXPECT_EQ(compact(parsed(R"({"a":1,"b":2,"a":3})")), R"({"a":3,"b":2})");
    // The same in an object large enough to be read through its key index, with the duplicate
    // spelled differently but canonically equal.
    std::string text = "{\"caf\xC3\xA9\":0", expected = "{\"caf\xC3\xA9\":[1]";
    for (int i = 0; i < 100; ++i) {
        text += ",\"k" + std::to_string(i) + "\":" + std::to_string(i);
        expected += ",\"k" + std::to_string(i) + "\":" + (i == 7 ? "{\"x\":7}" : std::to_string(i));
    }
    const JSONValue large = parsed(text + ",\"cafe\xCC\x81\":[1],\"k7\":{\"x\":7}}");
    EXPECT_EQ(compact(large), expected + "}");
    EXPECT_EQ(compact(*large["cafe\xCC\x81"]), "[1]");
}

TEST(JSONRead, BytesAreDecodedAsUTF8) {
    const std::string text = "{\"a\":\"\xC3\xA9\"}", bad = "\"\xC3\"";
    EXPECT_EQ(compact(OrderedJSON::parse(std::as_bytes(std::span(text))).value()), text);
    EXPECT_EQ(OrderedJSON::parse(std::as_bytes(std::span(bad))).error(), JSONError::notUTF8());
}

TEST(JSONWrite, PrettyTextIsTabIndentedWithOneFinalLineFeedAndEncodeGoesOnAtTheGivenDepth) {
    EXPECT_EQ(OrderedJSON::write(parsed(R"({"a":1,"b":[true,null,{"c":"d"},{}],"e":{"f":[[]]}})"), Pretty::yes),
              "{\n\t\"a\": 1,\n\t\"b\": [\n\t\ttrue,\n\t\tnull,\n\t\t{\n\t\t\t\"c\": \"d\"\n\t\t},\n\t\t{}\n\t],\n"
              "\t\"e\": {\n\t\t\"f\": [\n\t\t\t[]\n\t\t]\n\t}\n}\n");
    EXPECT_EQ(OrderedJSON::write(parsed("7"), Pretty::yes), "7\n");
    std::string text = "x: ";
    OrderedJSON::encode(parsed(R"({"a":[1]})"), text, 2, Pretty::yes);
    EXPECT_EQ(text, "x: {\n\t\t\t\"a\": [\n\t\t\t\t1\n\t\t\t]\n\t\t}");
}

// Random documents with awkward strings, odd number texts, duplicate-free objects of every size
// (large ones are indexed) and some nesting.
JSONValue randomValue(std::mt19937& random, int depth) {
    static const char* const numbers[] = {"0", "-1", "1.50", "1e400", "-0.0E-7", "+3", "1.2.3", "-"};
    static const char* const pieces[] = {"a", "\xC3\xA9", "\"", "\\", "\n", "\x01", "\xF0\x9F\x98\x80", "/", "\xE2\x80\xA8", " "};
    const unsigned kind = random() % (depth > 4 ? 4 : 6), count = random() % 3 == 0 ? 20 + random() % 20 : random() % 6;
    std::string text;
    std::vector<JSONValue> elements;
    std::vector<JSONMember> members;
    switch (kind) {
    case 0: return JSONValue::boolean(random() % 2);
    case 1: return JSONValue::number(numbers[random() % 8]);
    case 2: while (text.size() < count) text += pieces[random() % 10]; return JSONValue::string(text);
    case 3: return JSONValue();
    case 4: while (elements.size() < count % 6) elements.push_back(randomValue(random, depth + 1)); return JSONValue::array(elements);
    }
    for (unsigned i = 0; i < count; ++i) members.push_back({"k" + std::to_string(i) + (i % 3 ? "" : "\xC3\xA9"), randomValue(random, depth + 1)});
    std::shuffle(members.begin(), members.end(), random);
    return JSONValue::object(members);
}

TEST(JSONWrite, WriteThenReadGivesTheSameValueAndText) {
    std::mt19937 random(20261206);
    for (int round = 0; round < 300; ++round) EXPECT_EQ(testing_support::roundTripProblem(randomValue(random, 0)), "");
}

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
