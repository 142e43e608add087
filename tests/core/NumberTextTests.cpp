#include "core/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace velk {
namespace {

TEST(NumberText, IntegersAreDigitsWithAnOptionalSignThatFit64Bits) {
    const std::pair<std::string_view, std::optional<std::int64_t>> cases[] = {
        {"0", 0}, {"+4", 4}, {"-2", -2}, {"007", 7},
        {"9223372036854775807", INT64_MAX}, {"-9223372036854775808", INT64_MIN},
        {"9223372036854775808", std::nullopt}, {"-9223372036854775809", std::nullopt},
        {"99999999999999999999", std::nullopt}, {"", std::nullopt}, {"-", std::nullopt},
        {"+-4", std::nullopt}, {"1.0", std::nullopt}, {"1e3", std::nullopt}, {" 1", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(NumberText::int64Value(text), expected);
    }
}

TEST(NumberText, DoublesIgnoreTheUserLocaleAndSaturate) {
    std::setlocale(LC_ALL, "");
    EXPECT_EQ(NumberText::doubleValue("1.5"), 1.5);
    EXPECT_EQ(NumberText::doubleValue("1,5"), std::nullopt);
    EXPECT_EQ(NumberText::doubleValue("inf"), std::nullopt);
    EXPECT_EQ(NumberText::doubleValue("nan"), std::nullopt);
    EXPECT_EQ(NumberText::doubleValue("0x10"), std::nullopt);
    EXPECT_EQ(NumberText::doubleValue("-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(NumberText::doubleValue("1" + std::string(5000, '0')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(NumberText::clampedInt64(1e300), INT64_MAX);
    EXPECT_EQ(NumberText::clampedInt64(-1e300), INT64_MIN);
    EXPECT_EQ(NumberText::clampedInt64(std::nan("")), 0);
    EXPECT_EQ(NumberText::clampedInt64(-2.9), -2);
    std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace velk
