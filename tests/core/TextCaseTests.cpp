#include "core/TextCase.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace velk {
namespace {

TEST(TextCase, LowercasedUsesFullRootLocaleMapping) {
    struct Case {
        std::string_view text, lowered;
    };
    const Case cases[] = {
        {"Map/Ideas.CANVAS", "map/ideas.canvas"},
        {"\xC3\x84rger", "\xC3\xA4rger"},                 // Ä
        {"I", "i"},                                         // no Turkish dotless i
        {"\xC4\xB0", "i\xCC\x87"},                          // İ grows to i + combining dot
        {"\xE2\x84\xAA", "k"},                              // KELVIN SIGN shrinks to ASCII
        {"\xCE\xA3\xCE\x91\xCE\xA3", "\xCF\x83\xCE\xB1\xCF\x82"},  // ΣΑΣ: final sigma
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TextCase::lowercased(c.text), c.lowered);
    }
}

TEST(TextCase, CaselessSuffixMatchesWholeCharacters) {
    struct Case {
        std::string_view text;
        std::optional<std::string_view> stem;
    };
    const Case cases[] = {
        {"x.velk", "x"},
        {"X.VeLk", "X"},
        {".velk", ""},
        {"velk", std::nullopt},
        {"x.velkk", std::nullopt},
        {"\xE6\x97\xA5.velk", "\xE6\x97\xA5"},
        {"x.vel\xE2\x84\xAA", "x"},                          // Kelvin sign lowercases to k
        {"x.velk\xCC\x81", std::nullopt},                    // accent joins the k
        {"a\xD8\x80.velk", std::nullopt},                    // prepended mark joins the dot
        {"\xE2\x84\xAA", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
        EXPECT_EQ(TextCase::withoutCaselessSuffix(c.text, ".velk"), c.stem);
    }
}

}  // namespace
}  // namespace velk
