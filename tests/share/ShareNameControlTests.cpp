// A shared map's name never carries control characters: a NUL in it cut every message that
// named the map short.

#include "share/SharedLink.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

TEST(ShareNameControls, ControlCharactersBecomeSpacesBeforeTrimming) {
    struct Case {
        std::string_view name, json, opened;
    };
    const Case cases[] = {
        {"NUL inside", R"("x\u0000y")", "x y"},
        {"NUL at the end", R"("Plan\u0000")", "Plan"},
        {"only controls", R"("\u0000\u001f\u007f")", "Shared map"},
        {"DEL and C1", R"("a\u007fb\u0085c\u009fd")", "a b c d"},
        {"tab inside", R"("Plan\tB")", "Plan B"},
        {"escape sequence", R"("\u001b[31mred")", "[31mred"},
        {"format characters stay", "\"a\u200Db\"", "a\u200Db"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto opened = SharedLink::open(R"({"state":{"maps":[]},"name":)" + std::string(c.json) + "}");
        ASSERT_TRUE(opened.has_value());
        EXPECT_EQ(opened->name, c.opened);
    }
}

}  // namespace
}  // namespace velk
