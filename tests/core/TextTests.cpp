// The text primitives the rest builds on: Base64, canonical equality and UTF-8, grapheme
// boundaries, number texts and case.

#include "core/Base64.h"
#include "core/CanonicalText.h"
#include "core/Graphemes.h"
#include "core/NumberText.h"
#include "core/TextCase.h"
#include "core/Utf8.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace velk {
namespace {

std::string shown(std::string_view text) { return testing::PrintToString(std::string(text)); }

TEST(Base64, DecodesOnlyTheCanonicalSpelling) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"", ""}, {"Zg==", "f"}, {"Zm8=", "fo"}, {"Zm9v", "foo"}, {"Zm9vYg==", "foob"}, {"Zm9vYmFy", "foobar"},
        {"+/+/", "\xfb\xff\xbf"}, {"AAA=", std::string("\0\0", 2)},
        // Padding missing, short, long, alone, inside or followed by more; left-over bits not zero.
        {"Zg", {}}, {"Zg=", {}}, {"Zg===", {}}, {"====", {}}, {"Z===", {}}, {"Zm=v", {}}, {"Zg==Zg==", {}},
        {"Zh==", {}}, {"Zm9=", {}},
        // White space, the URL-safe alphabet, beyond ASCII, NUL.
        {"Zm9v\n", {}}, {"Zm9v\r\nYmFy", {}}, {" Zm9v", {}}, {"Zm 9v", {}}, {"Zm9-", {}}, {"Zm9_", {}},
        {"Zm9\xc3\xa9", {}}, {std::string("Zm9\0", 4), {}},
    };
    for (const auto& [text, bytes] : cases) {
        SCOPED_TRACE(shown(text));
        EXPECT_EQ(Base64::decode(text), bytes);
        if (bytes) {
            EXPECT_EQ(Base64::decodedSize(text), bytes->size());
            EXPECT_EQ(Base64::encode(*bytes), text);
        }
    }
}

TEST(Base64, EveryByteValueSurvivesTheRoundTrip) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    for (std::size_t length = 0; length <= 256; length += 37)
        EXPECT_EQ(Base64::decode(Base64::encode(bytes.substr(256 - length))), bytes.substr(256 - length)) << length;
}

TEST(CanonicalText, EquivalentSpellingsAreEqualAndHashAlike) {
    struct Case {
        std::string_view a, b;
        bool equal;
    };
    const Case cases[] = {
        {"key", "key", true}, {"key", "Key", false}, {"\xC3\xA9", "e\xCC\x81", true}, {"\xC3\xA9", "e", false},
        {"caf\xC3\xA9", "cafe\xCC\x81", true}, {"\xE2\x84\xAA", "K", true} /* Kelvin sign */,
        {"\xE2\x84\xAB", "\xC3\x85", true} /* Angstrom sign */, {"\xC3\xA9", "\xC3\xA8", false}, {"", "", true},
        {"\xE1\xBA\xA0\xCC\x86", "A\xCC\x86\xCC\xA3", true},  // the same marks in another order
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " | " + std::string(c.b));
        EXPECT_EQ(CanonicalText::equal(c.a, c.b), c.equal);
        EXPECT_EQ(CanonicalText::equal(c.b, c.a), c.equal);
        if (c.equal) {
            EXPECT_EQ(CanonicalText::hash(c.a), CanonicalText::hash(c.b));
        }
    }
    EXPECT_TRUE(CanonicalText::isNFC("\xC3\xA9"));
    EXPECT_FALSE(CanonicalText::isNFC("e\xCC\x81"));
    EXPECT_EQ(CanonicalText::toNFC("e\xCC\x81"), "\xC3\xA9");
}

TEST(Utf8, ValidityAndScalarPositions) {
    EXPECT_TRUE(Utf8::isValid("plain ascii text that is long enough for words \xF0\x9F\x98\x80 \xE2\x80\xA8 \xC3\xA9"));
    // Overlong, surrogate, beyond U+10FFFF, cut short, a lone continuation.
    for (std::string_view bytes : {"\xFF", "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3",
                                   "abc\xE2\x82", "\x80", "12345678\xF0\x9F\x98"})
        EXPECT_FALSE(Utf8::isValid(bytes)) << shown(bytes);
    const std::string_view text = "a\xC3\xA9\xF0\x9F\x98\x80z";
    EXPECT_EQ(Utf8::scalarCount(text, 3), 2u);
    EXPECT_EQ(Utf8::scalarCount(text, 7), 3u);
    EXPECT_EQ(Utf8::decode(text, 3).scalar, U'\U0001F600');
}

TEST(Graphemes, CharactersSpanEveryCodePointTheUserSeesAsOne) {
    const std::pair<std::string_view, std::vector<std::size_t>> cases[] = {
        {"", {0}}, {"ab", {0, 1, 2}}, {"a\r\nb", {0, 1, 3, 4}}, {"\n\r", {0, 1, 2}}, {"e\xCC\x81x", {0, 3, 4}},
        {"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD!", {0, 8, 9}} /* skin tone */, {"1\xEF\xB8\x8F\xE2\x83\xA3", {0, 7}} /* keycap */,
        {"\xF0\x9F\x87\xAF\xF0\x9F\x87\xB5", {0, 8}} /* flag */, {"\xE6\x97\xA5\xE6\x9C\xAC", {0, 3, 6}},
    };
    for (const auto& [text, boundaries] : cases) {
        SCOPED_TRACE(shown(text));
        EXPECT_EQ(Graphemes::boundaries(text), boundaries);
        for (std::size_t count = 0; count < boundaries.size(); ++count)
            EXPECT_EQ(Graphemes::startOfLast(text, count), boundaries[boundaries.size() - 1 - count]);
        EXPECT_EQ(Graphemes::startOfLast(text, boundaries.size()), std::nullopt);
    }
}

TEST(NumberText, IntegersAreDigitsWithAnOptionalSignThatFit64Bits) {
    const std::pair<std::string_view, std::optional<std::int64_t>> cases[] = {
        {"0", 0}, {"+4", 4}, {"-2", -2}, {"007", 7}, {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN}, {"9223372036854775808", {}}, {"-9223372036854775809", {}},
        {"99999999999999999999", {}}, {"", {}}, {"-", {}}, {"+-4", {}}, {"1.0", {}}, {"1e3", {}}, {" 1", {}},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(NumberText::int64Value(text), expected) << text;
}

TEST(NumberText, DoublesIgnoreTheUserLocaleAndSaturate) {
    std::setlocale(LC_ALL, "");
    EXPECT_EQ(NumberText::doubleValue("1.5"), 1.5);
    for (std::string_view text : {"1,5", "inf", "nan", "0x10"}) EXPECT_EQ(NumberText::doubleValue(text), std::nullopt) << text;
    EXPECT_EQ(NumberText::doubleValue("-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(NumberText::doubleValue("1" + std::string(5000, '0')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(NumberText::clampedInt64(1e300), INT64_MAX);
    EXPECT_EQ(NumberText::clampedInt64(-1e300), INT64_MIN);
    EXPECT_EQ(NumberText::clampedInt64(std::nan("")), 0);
    EXPECT_EQ(NumberText::clampedInt64(-2.9), -2);
    std::setlocale(LC_ALL, "C");
}

// A canvas holding "x": +1 was once handed to the page as it stood; JSON.parse threw, and the map
// never loaded.
TEST(NumberText, JSONSpellingKeepsWhatJSONTakesAndRespellsTheRest) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"0", "0"}, {"-0.50", "-0.50"}, {"12e-3", "12e-3"}, {"1E+2", "1E+2"}, {"+1", "1"}, {".5", "0.5"}, {"10.", "10"},
        {"010", "10"}, {"-.25e1", "-2.5"}, {"1.2.3", "0"}, {"-", "0"}, {"1e", "0"}, {"1e999", "1e999"}, {"+1e999", "0"}, {"00", "0"},
    };
    for (const auto& [text, spelled] : cases) EXPECT_EQ(NumberText::jsonSpelling(text), spelled) << text;
}

TEST(TextCase, LowercasingIsTheFullRootMappingAndSuffixesMatchWholeCharacters) {
    // No Turkish dotless i; İ grows to i + combining dot; the Kelvin sign shrinks; final sigma.
    const std::pair<std::string_view, std::string_view> lowered[] = {
        {"Map/Ideas.CANVAS", "map/ideas.canvas"}, {"\xC3\x84rger", "\xC3\xA4rger"}, {"I", "i"},
        {"\xC4\xB0", "i\xCC\x87"}, {"\xE2\x84\xAA", "k"}, {"\xCE\xA3\xCE\x91\xCE\xA3", "\xCF\x83\xCE\xB1\xCF\x82"},
    };
    for (const auto& [text, expected] : lowered) EXPECT_EQ(TextCase::lowercased(text), expected) << text;
    // An accent joins the k, a prepended mark joins the dot.
    const std::pair<std::string_view, std::optional<std::string_view>> stems[] = {
        {"x.velk", "x"}, {"X.VeLk", "X"}, {".velk", ""}, {"velk", {}}, {"x.velkk", {}},
        {"\xE6\x97\xA5.velk", "\xE6\x97\xA5"}, {"x.vel\xE2\x84\xAA", "x"}, {"x.velk\xCC\x81", {}},
        {"a\xD8\x80.velk", {}}, {"\xE2\x84\xAA", {}},
    };
    for (const auto& [text, stem] : stems) EXPECT_EQ(TextCase::withoutCaselessSuffix(text, ".velk"), stem) << shown(text);
}

}  // namespace
}  // namespace velk
