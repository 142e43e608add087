#include "core/Graphemes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace velk {
namespace {

TEST(Graphemes, CharactersSpanEveryCodePointTheUserSeesAsOne) {
    struct Case {
        std::string_view text;
        std::vector<std::size_t> boundaries;
    };
    const Case cases[] = {
        {"", {0}},
        {"ab", {0, 1, 2}},
        {"a\r\nb", {0, 1, 3, 4}},
        {"\n\r", {0, 1, 2}},
        {"e\xCC\x81x", {0, 3, 4}},                                  // e + combining acute
        {"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD!", {0, 8, 9}},           // thumbs up + skin tone
        {"1\xEF\xB8\x8F\xE2\x83\xA3", {0, 7}},                      // keycap one
        {"\xF0\x9F\x87\xAF\xF0\x9F\x87\xB5", {0, 8}},               // flag JP
        {"\xE6\x97\xA5\xE6\x9C\xAC", {0, 3, 6}},                    // two Japanese characters
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
        EXPECT_EQ(Graphemes::boundaries(c.text), c.boundaries);
        for (std::size_t count = 0; count < c.boundaries.size(); ++count) {
            EXPECT_EQ(Graphemes::startOfLast(c.text, count), c.boundaries[c.boundaries.size() - 1 - count]);
        }
        EXPECT_EQ(Graphemes::startOfLast(c.text, c.boundaries.size()), std::nullopt);
    }
}

}  // namespace
}  // namespace velk
