#include "json/JSONTestHelpers.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::compact;
using testing_support::parsed;

std::string errorText(std::string_view text) {
    auto value = OrderedJSON::parse(text);
    return value ? "accepted: " + compact(*value) : value.error().description();
}

TEST(JSONRead, FailuresNameTheFirstProblemAndItsScalarPosition) {
    struct Case {
        std::string_view text, error;
    };
    const Case cases[] = {
        {"", "unexpectedEnd"},
        {" \t\r\n", "unexpectedEnd"},
        {"[1,]", "invalidNumber(at: 3)"},
        {"{\"a\":1,}", "unexpected(\"}\", at: 7)"},
        {"{\"a\" 1}", "unexpected(\"1\", at: 5)"},
        {"[1 2]", "unexpected(\"2\", at: 3)"},
        {"tru", "unexpectedEnd"},
        {"trux", "unexpected(\"x\", at: 3)"},
        {"truex", "unexpected(\"x\", at: 4)"},
        {"x", "invalidNumber(at: 0)"},
        {"\"\\q\"", "invalidEscape(at: 2)"},
        {"\"\\u12\"", "invalidEscape(at: 5)"},
        {"\"\\u12", "invalidEscape(at: 5)"},
        {"\"\\ud83d\\u12x4\"", "invalidEscape(at: 11)"},
        {"\"abc", "unexpectedEnd"},
        {"\"abc\\", "unexpectedEnd"},
        {"[", "unexpectedEnd"},
        {"[1", "unexpectedEnd"},
        {"{", "unexpectedEnd"},
        {"{\"a\"", "unexpectedEnd"},
        {"{\"a\":", "unexpectedEnd"},
        {"{\"a\":1", "unexpectedEnd"},
        {"{1:2}", "unexpected(\"1\", at: 1)"},
        {"{\"a\":1 \"b\":2}", "unexpected(\"\"\", at: 7)"},
        {"[1]]", "unexpected(\"]\", at: 3)"},
        {"1 2", "unexpected(\"2\", at: 2)"},
        {"nul", "unexpectedEnd"},
        {"[nulL]", "unexpected(\"L\", at: 4)"},
        // Positions count scalars, not bytes: "é" and "😀" are one position each.
        {"[\"\xC3\xA9\xF0\x9F\x98\x80\", x]", "invalidNumber(at: 7)"},
        {"{\"\xC3\xA9\": 1 \xE2\x80\xA8}", "unexpected(\"\xE2\x80\xA8\", at: 8)"},
        {"  \xF0\x9F\x98\x80", "invalidNumber(at: 2)"},
        {"\xFF", "notUTF8"},
        {"[\"\xED\xA0\x80\"]", "notUTF8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(errorText(c.text), c.error);
    }
}

TEST(JSONRead, AnyValueAtTheTopAndLaxNumbersKeepTheirText) {
    struct Case {
        std::string_view text, compact;
    };
    const Case cases[] = {
        {" 42 ", "42"},
        {"\"lone\"", "\"lone\""},
        {"-", "-"},
        {"1.2.3", "1.2.3"},
        {"+5", "+5"},
        {"01", "01"},
        {"e", "e"},
        {"[1.50, -0, 1E400, 0.1e-2]", "[1.50,-0,1E400,0.1e-2]"},
        {"true", "true"},
        {"null", "null"},
        {"{\"z\":1.50,\"a\":[ ]}", "{\"z\":1.50,\"a\":[]}"},
        {"[[], {}, [[]], {\"a\":{}}]", "[[],{},[[]],{\"a\":{}}]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(errorText(c.text), "accepted: " + std::string(c.compact));
    }
}

TEST(JSONRead, EscapesAndSurrogates) {
    struct Case {
        std::string_view text, string;
    };
    const Case cases[] = {
        {R"("\"\\\/\b\f\n\r\t")", "\"\\/\b\f\n\r\t"},
        {R"("\u0041\u00e9\u00E9")", "A\xC3\xA9\xC3\xA9"},
        {R"("\u0000")", std::string_view("\0", 1)},
        {R"("\ud83d\ude00")", "\xF0\x9F\x98\x80"},
        {R"("\ud83d")", "\xEF\xBF\xBD"},
        {R"("\ud83dx")", "\xEF\xBF\xBD" "x"},
        {R"("\ud83d\u0041")", "\xEF\xBF\xBD" "A"},
        {R"("\ud83d\ud83d\ude00")", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {R"("\ude00")", "\xEF\xBF\xBD"},
        {"\"raw\ttab and\nline\"", "raw\ttab and\nline"},
        {"\"a\x01" "b\"", "a\x01" "b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const JSONValue value = parsed(c.text);
        ASSERT_TRUE(value.stringValue());
        EXPECT_EQ(*value.stringValue(), c.string);
    }
}

TEST(JSONRead, DuplicateKeysKeepTheFirstPositionAndTheLastValue) {
    const JSONValue small = parsed(R"({"a":1,"b":2,"a":3})");
    EXPECT_EQ(compact(small), R"({"a":3,"b":2})");

    // The same in an object large enough to be read through its key index, with the duplicate
    // spelled differently but canonically equal: the first spelling stays.
    std::string text = "{\"caf\xC3\xA9\":0";
    for (int i = 0; i < 100; ++i) text += ",\"k" + std::to_string(i) + "\":" + std::to_string(i);
    text += ",\"cafe\xCC\x81\":[1],\"k7\":{\"x\":7}}";
    const JSONValue large = parsed(text);
    const auto object = large.objectValue();
    ASSERT_TRUE(object);
    EXPECT_EQ(object->size(), 101u);
    EXPECT_EQ(object->key(0), "caf\xC3\xA9");
    EXPECT_EQ(compact(object->value(0)), "[1]");
    EXPECT_EQ(object->key(8), "k7");
    EXPECT_EQ(compact(object->value(8)), "{\"x\":7}");
    EXPECT_EQ(compact(*large["k99"]), "99");
    EXPECT_EQ(compact(*large["cafe\xCC\x81"]), "[1]");
}

TEST(JSONRead, BytesAreDecodedAsUTF8) {
    const std::string text = "{\"a\":\"\xC3\xA9\"}";
    auto value = OrderedJSON::parse(std::as_bytes(std::span(text.data(), text.size())));
    ASSERT_TRUE(value);
    EXPECT_EQ(*(*value)["a"]->stringValue(), "\xC3\xA9");
    const char bad[] = {'"', char(0xC3), '"'};
    EXPECT_EQ(OrderedJSON::parse(std::as_bytes(std::span(bad))).error(), JSONError::notUTF8());
}

}  // namespace
}  // namespace velk
