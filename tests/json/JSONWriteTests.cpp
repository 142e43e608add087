#include "json/JSONTestHelpers.h"

#include <gtest/gtest.h>

#include <random>

namespace velk {
namespace {

using testing_support::compact;
using testing_support::parsed;

TEST(JSONWrite, PrettyTextIsTabIndentedWithOneFinalLineFeed) {
    EXPECT_EQ(OrderedJSON::write(parsed(R"({"nodes":[],"edges":[]})"), Pretty::yes),
              "{\n\t\"nodes\": [],\n\t\"edges\": []\n}\n");
    EXPECT_EQ(OrderedJSON::write(parsed(R"({"a":1,"b":[true,null,{"c":"d"},{}],"e":{"f":[[]]}})"), Pretty::yes),
              "{\n"
              "\t\"a\": 1,\n"
              "\t\"b\": [\n"
              "\t\ttrue,\n"
              "\t\tnull,\n"
              "\t\t{\n"
              "\t\t\t\"c\": \"d\"\n"
              "\t\t},\n"
              "\t\t{}\n"
              "\t],\n"
              "\t\"e\": {\n"
              "\t\t\"f\": [\n"
              "\t\t\t[]\n"
              "\t\t]\n"
              "\t}\n"
              "}\n");
    EXPECT_EQ(OrderedJSON::write(parsed("[]"), Pretty::yes), "[]\n");
    EXPECT_EQ(OrderedJSON::write(parsed("7"), Pretty::yes), "7\n");
}

TEST(JSONWrite, EncodeContinuesAtTheGivenDepth) {
    std::string text = "x: ";
    OrderedJSON::encode(parsed(R"({"a":[1]})"), text, 2, Pretty::yes);
    EXPECT_EQ(text, "x: {\n\t\t\t\"a\": [\n\t\t\t\t1\n\t\t\t]\n\t\t}");
    text.clear();
    OrderedJSON::encode(parsed(R"({"a":[1]})"), text, 2, Pretty::no);
    EXPECT_EQ(text, R"({"a":[1]})");
}

TEST(JSONWrite, StringEscapes) {
    struct Case {
        std::string_view text, written;
    };
    const Case cases[] = {
        {"plain", R"("plain")"},
        {"\"\\", R"("\"\\")"},
        {"\n\r\t", R"("\n\r\t")"},
        {"\b\f", R"("\u0008\u000c")"},
        {"\x1b", R"("\u001b")"},
        {std::string_view("\0", 1), R"("\u0000")"},
        {"/ \x7F \xE2\x80\xA8 \xE2\x80\xA9 \xC3\xA9 <", "\"/ \x7F \xE2\x80\xA8 \xE2\x80\xA9 \xC3\xA9 <\""},
        {"a long run of plain text before \"a quote\" and after", R"("a long run of plain text before \"a quote\" and after")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        std::string into;
        OrderedJSON::encodeString(c.text, into);
        EXPECT_EQ(into, c.written);
    }
}

// Random documents with awkward strings, odd number texts, duplicate-free objects of every size
// and some nesting: writing and reading back gives an equal value, and the same text again.
JSONValue randomValue(std::mt19937& random, int depth) {
    const int kind = depth > 4 ? int(random() % 4) : int(random() % 6);
    switch (kind) {
    case 0: return JSONValue::boolean(random() % 2);
    case 1: {
        static const char* const numbers[] = {"0", "-1", "1.50", "1e400", "-0.0E-7", "+3", "1.2.3", "-"};
        return JSONValue::number(numbers[random() % 8]);
    }
    case 2: {
        static const char* const pieces[] = {"a", "\xC3\xA9", "\"", "\\", "\n", "\x01", "\xF0\x9F\x98\x80", "/", "\xE2\x80\xA8", " "};
        std::string text;
        for (unsigned n = random() % 12; n > 0; --n) text += pieces[random() % 10];
        return JSONValue::string(text);
    }
    case 3: return JSONValue();
    case 4: {
        std::vector<JSONValue> elements;
        for (unsigned n = random() % 6; n > 0; --n) elements.push_back(randomValue(random, depth + 1));
        return JSONValue::array(elements);
    }
    default: {
        std::vector<JSONMember> members;
        const unsigned count = random() % 3 == 0 ? 20 + random() % 20 : random() % 6;
        for (unsigned i = 0; i < count; ++i) members.push_back({"k" + std::to_string(i) + (i % 3 ? "" : "\xC3\xA9"), randomValue(random, depth + 1)});
        std::shuffle(members.begin(), members.end(), random);
        return JSONValue::object(members);
    }
    }
}

TEST(JSONWrite, WriteThenReadGivesTheSameValueAndText) {
    std::mt19937 random(20261206);
    for (int round = 0; round < 300; ++round) {
        const JSONValue value = randomValue(random, 0);
        for (Pretty pretty : {Pretty::no, Pretty::yes}) {
            const std::string text = OrderedJSON::write(value, pretty);
            SCOPED_TRACE(text);
            const JSONValue again = parsed(text);
            EXPECT_EQ(again, value);
            EXPECT_EQ(OrderedJSON::write(again, pretty), text);
        }
    }
}

}  // namespace
}  // namespace velk
