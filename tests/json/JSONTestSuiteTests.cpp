// Runs every file of the public JSONTestSuite corpus (read in place from the shared data folder)
// through the reader. Valid documents must be read; for the rest, the lax reader's verdict is
// pinned down file by file, so a change in what velk accepts is always a conscious one.

#include "json/OrderedJSON.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace velk {
namespace {

namespace fs = std::filesystem;

// The invalid (n_) and undecided (i_) files the reader accepts, and why.
const std::set<std::string> accepted{
    "i_number_double_huge_neg_exp.json",  // numbers keep their text, however large
    "i_number_huge_exp.json",  // numbers keep their text, however large
    "i_number_neg_int_huge_exp.json",  // numbers keep their text, however large
    "i_number_pos_double_huge_exp.json",  // numbers keep their text, however large
    "i_number_real_neg_overflow.json",  // numbers keep their text, however large
    "i_number_real_pos_overflow.json",  // numbers keep their text, however large
    "i_number_real_underflow.json",  // numbers keep their text, however large
    "i_number_too_big_neg_int.json",  // numbers keep their text, however large
    "i_number_too_big_pos_int.json",  // numbers keep their text, however large
    "i_number_very_big_negative_int.json",  // numbers keep their text, however large
    "i_object_key_lone_2nd_surrogate.json",  // unpaired surrogate escapes read as U+FFFD
    "i_string_1st_surrogate_but_2nd_missing.json",  // unpaired surrogate escapes read as U+FFFD
    "i_string_1st_valid_surrogate_2nd_invalid.json",  // unpaired surrogate escapes read as U+FFFD
    "i_string_incomplete_surrogate_and_escape_valid.json",  // unpaired surrogate escapes read as U+FFFD
    "i_string_incomplete_surrogate_pair.json",  // unpaired surrogate escapes read as U+FFFD
    "i_string_incomplete_surrogates_escape_valid.json",  // unpaired surrogate escapes read as U+FFFD
    "i_string_invalid_lonely_surrogate.json",  // unpaired surrogate escapes read as U+FFFD
    "i_string_invalid_surrogate.json",  // unpaired surrogate escapes read as U+FFFD
    "i_string_inverted_surrogates_U+1D11E.json",  // unpaired surrogate escapes read as U+FFFD
    "i_string_lone_second_surrogate.json",  // unpaired surrogate escapes read as U+FFFD
    "i_structure_500_nested_arrays.json",  // within the nesting limit
    "n_array_just_minus.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_++.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_+1.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_-01.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_-1.0..json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_-2..json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_.-1.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_.2e-3.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_0.1.2.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_0.3e+.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_0.3e.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_0.e1.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_0_capital_E+.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_0_capital_E.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_0e+.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_0e.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_1.0e+.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_1.0e-.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_1.0e.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_1eE2.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_2.e+3.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_2.e-3.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_2.e3.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_9.e+.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_expression.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_invalid+-.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_neg_int_starting_with_zero.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_neg_real_without_int_part.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_real_without_fractional_part.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_starting_with_dot.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_number_with_leading_zero.json",  // a number is any run of digits, signs, dots and exponent letters
    "n_string_unescaped_ctrl_char.json",  // raw control characters are taken inside strings
    "n_string_unescaped_newline.json",  // raw control characters are taken inside strings
    "n_string_unescaped_tab.json",  // raw control characters are taken inside strings
};

// The files refused before reading because their bytes are not UTF-8.
const std::set<std::string> notUTF8{
    "i_string_UTF-16LE_with_BOM.json",
    "i_string_UTF-8_invalid_sequence.json",
    "i_string_UTF8_surrogate_U+D800.json",
    "i_string_invalid_utf-8.json",
    "i_string_iso_latin_1.json",
    "i_string_lone_utf8_continuation_byte.json",
    "i_string_not_in_unicode_range.json",
    "i_string_overlong_sequence_2_bytes.json",
    "i_string_overlong_sequence_6_bytes.json",
    "i_string_overlong_sequence_6_bytes_null.json",
    "i_string_truncated-utf-8.json",
    "i_string_utf16BE_no_BOM.json",
    "i_string_utf16LE_no_BOM.json",
    "n_array_a_invalid_utf8.json",
    "n_array_invalid_utf8.json",
    "n_number_invalid-utf-8-in-bigger-int.json",
    "n_number_invalid-utf-8-in-exponent.json",
    "n_number_invalid-utf-8-in-int.json",
    "n_number_real_with_invalid_utf8_after_e.json",
    "n_object_lone_continuation_byte_in_key_and_trailing_comma.json",
    "n_string_invalid-utf-8-in-escape.json",
    "n_string_invalid_utf8_after_escape.json",
    "n_structure_incomplete_UTF8_BOM.json",
    "n_structure_lone-invalid-utf-8.json",
    "n_structure_single_eacute.json",
};

std::string contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(JSONTestSuite, EveryFileGetsItsExpectedVerdict) {
    const fs::path folder = VELK_JSON_TEST_SUITE_DIR;
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".json") continue;
        SCOPED_TRACE(name);
        ++files;
        const auto value = OrderedJSON::parse(contents(entry.path()));
        if (name.starts_with("y_") || accepted.contains(name)) {
            EXPECT_TRUE(value.has_value()) << value.error().description();
            if (value) {
                // What was read is written and read back unchanged.
                const auto again = OrderedJSON::parse(OrderedJSON::write(*value, Pretty::yes));
                ASSERT_TRUE(again.has_value());
                EXPECT_EQ(*again, *value);
            }
        } else {
            ASSERT_FALSE(value.has_value());
            EXPECT_EQ(value.error() == JSONError::notUTF8(), notUTF8.contains(name)) << value.error().description();
        }
    }
    EXPECT_GT(files, 300);
}

}  // namespace
}  // namespace velk
