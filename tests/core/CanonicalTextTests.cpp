#include "core/CanonicalText.h"
#include "core/Utf8.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

TEST(CanonicalText, EquivalentSpellingsAreEqualAndHashAlike) {
    struct Case {
        std::string_view a, b;
        bool equal;
    };
    const Case cases[] = {
        {"key", "key", true},
        {"key", "Key", false},
        {"\xC3\xA9", "e\xCC\x81", true},                  // é precomposed / e + combining acute
        {"caf\xC3\xA9", "cafe\xCC\x81", true},
        {"\xE2\x84\xAA", "K", true},                       // KELVIN SIGN is canonically K
        {"\xE2\x84\xAB", "\xC3\x85", true},                // ANGSTROM SIGN / Å
        {"\xE1\xBA\xA0\xCC\x86", "A\xCC\x86\xCC\xA3", true},  // Ạ + breve / A + breve + dot below (reordered marks)
        {"\xC3\xA9", "e", false},
        {"\xC3\xA9", "\xC3\xA8", false},
        {"", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " | " + std::string(c.b));
        EXPECT_EQ(CanonicalText::equal(c.a, c.b), c.equal);
        EXPECT_EQ(CanonicalText::equal(c.b, c.a), c.equal);
        if (c.equal) {
            EXPECT_EQ(CanonicalText::hash(c.a), CanonicalText::hash(c.b));
        }
    }
}

TEST(CanonicalText, NormalizationFormC) {
    EXPECT_TRUE(CanonicalText::isNFC("plain"));
    EXPECT_TRUE(CanonicalText::isNFC("\xC3\xA9"));
    EXPECT_FALSE(CanonicalText::isNFC("e\xCC\x81"));
    EXPECT_EQ(CanonicalText::toNFC("e\xCC\x81"), "\xC3\xA9");
}

TEST(Utf8, ValidityAndScalarPositions) {
    EXPECT_TRUE(Utf8::isValid("plain ascii text that is long enough for words"));
    EXPECT_TRUE(Utf8::isValid("\xF0\x9F\x98\x80 \xE2\x80\xA8 \xC3\xA9"));
    const std::string_view invalid[] = {
        "\xFF", "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80" /* surrogate */, "\xF4\x90\x80\x80" /* > U+10FFFF */,
        "\xC3", "abc\xE2\x82", "\x80", "12345678\xF0\x9F\x98",
    };
    for (auto bytes : invalid) {
        SCOPED_TRACE(testing::PrintToString(std::string(bytes)));
        EXPECT_FALSE(Utf8::isValid(bytes));
    }
    const std::string_view text = "a\xC3\xA9\xF0\x9F\x98\x80z";
    EXPECT_EQ(Utf8::scalarCount(text, 0), 0u);
    EXPECT_EQ(Utf8::scalarCount(text, 3), 2u);
    EXPECT_EQ(Utf8::scalarCount(text, 7), 3u);
    EXPECT_EQ(Utf8::decode(text, 3).scalar, U'\U0001F600');
}

}  // namespace
}  // namespace velk
