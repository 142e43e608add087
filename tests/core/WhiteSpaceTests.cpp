#include "core/WhiteSpace.h"

#include <gtest/gtest.h>

#include <string>

namespace velk {
namespace {

TEST(WhiteSpace, TrimsSpaceSeparatorsAndTabButLineBreaksOnlyWhenAsked) {
    struct Case {
        std::string_view text, trimmed, trimmedWithLineBreaks;
    };
    const Case cases[] = {
        {" \tName\t ", "Name", "Name"},
        {"\xC2\xA0\xE3\x80\x80Name\xE2\x80\xAF", "Name", "Name"},   // no-break, ideographic, narrow no-break
        {"\nName\r\n", "\nName\r\n", "Name"},
        {"\xC2\x85 Name \xE2\x80\xA8\xE2\x80\xA9", "\xC2\x85 Name \xE2\x80\xA8\xE2\x80\xA9", "Name"},
        {" \x0B\x0C ", "\x0B\x0C", ""},
        {"\xE2\x80\x8BName", "\xE2\x80\x8BName", "\xE2\x80\x8BName"},  // zero width space is not Zs
        {"a b", "a b", "a b"},
        {" \xFF ", "\xFF", "\xFF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
        EXPECT_EQ(WhiteSpace::trimmed(c.text), c.trimmed);
        EXPECT_EQ(WhiteSpace::trimmedWithLineBreaks(c.text), c.trimmedWithLineBreaks);
    }
}

}  // namespace
}  // namespace velk
