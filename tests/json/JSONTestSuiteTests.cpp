// Runs every file of the public JSONTestSuite corpus (read in place from the shared data folder)
// through the reader. Valid documents must be read and survive the round trip; the files whose
// bytes are not UTF-8 are refused as such; for the rest, the lax reader's verdict is pinned down
// file by file, so a change in what velk accepts is always a conscious one.

#include "core/Utf8.h"
#include "json/JSONTestHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace velk {
namespace {

namespace fs = std::filesystem;

// The invalid (n_) and undecided (i_) files the reader accepts, by reason.
const std::set<std::string> accepted{
    // Numbers keep their text, however large.
    "i_number_double_huge_neg_exp", "i_number_huge_exp", "i_number_neg_int_huge_exp", "i_number_pos_double_huge_exp",
    "i_number_real_neg_overflow", "i_number_real_pos_overflow", "i_number_real_underflow",
    "i_number_too_big_neg_int", "i_number_too_big_pos_int", "i_number_very_big_negative_int",
    // Unpaired surrogate escapes read as U+FFFD.
    "i_object_key_lone_2nd_surrogate", "i_string_1st_surrogate_but_2nd_missing",
    "i_string_1st_valid_surrogate_2nd_invalid", "i_string_incomplete_surrogate_and_escape_valid",
    "i_string_incomplete_surrogate_pair", "i_string_incomplete_surrogates_escape_valid",
    "i_string_invalid_lonely_surrogate", "i_string_invalid_surrogate", "i_string_inverted_surrogates_U+1D11E",
    "i_string_lone_second_surrogate",
    // Within the nesting limit.
    "i_structure_500_nested_arrays",
    // A number is any run of digits, signs, dots and exponent letters.
    "n_array_just_minus", "n_number_++", "n_number_+1", "n_number_-01", "n_number_-1.0.", "n_number_-2.",
    "n_number_.-1", "n_number_.2e-3", "n_number_0.1.2", "n_number_0.3e+", "n_number_0.3e", "n_number_0.e1",
    "n_number_0_capital_E+", "n_number_0_capital_E", "n_number_0e+", "n_number_0e", "n_number_1.0e+",
    "n_number_1.0e-", "n_number_1.0e", "n_number_1eE2", "n_number_2.e+3", "n_number_2.e-3", "n_number_2.e3",
    "n_number_9.e+", "n_number_expression", "n_number_invalid+-", "n_number_neg_int_starting_with_zero",
    "n_number_neg_real_without_int_part", "n_number_real_without_fractional_part", "n_number_starting_with_dot",
    "n_number_with_leading_zero",
    // Raw control characters are taken inside strings.
    "n_string_unescaped_ctrl_char", "n_string_unescaped_newline", "n_string_unescaped_tab",
};

TEST(JSONTestSuite, EveryFileGetsItsExpectedVerdict) {
    const fs::path folder = VELK_JSON_TEST_SUITE_DIR;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".json") continue;
        const std::string name = entry.path().stem().string();
        SCOPED_TRACE(name);
        ++files;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string bytes(std::istreambuf_iterator<char>(file), {});
        const auto value = OrderedJSON::parse(bytes);
        if (name.starts_with("y_") || accepted.contains(name)) {
            ASSERT_TRUE(value.has_value()) << value.error().description();
            EXPECT_EQ(testing_support::roundTripProblem(*value), "");
        } else {
            ASSERT_FALSE(value.has_value());
            EXPECT_EQ(value.error() == JSONError::notUTF8(), !Utf8::isValid(bytes)) << value.error().description();
        }
    }
    EXPECT_GT(files, 300);
}

}  // namespace
}  // namespace velk
