#include "shell/WindowFrameGuard.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

TEST(WindowFrameGuard, CollapsedWithinHalfAPixelOfTheMinimumInEitherDirection) {
    constexpr WindowSize minimum{480, 320};
    struct Case {
        WindowSize frame;
        bool collapsed;
    };
    const Case cases[] = {
        {{480, 320}, true},
        {{480.5, 320.5}, true},
        {{480.5, 800}, true},
        {{1200, 320.5}, true},
        {{481, 320.5}, true},
        {{100, 100}, true},
        {{0, 0}, true},
        {{481, 321}, false},
        {{480.51, 320.51}, false},
        {{1200, 800}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frame.width << " x " << c.frame.height);
        EXPECT_EQ(WindowFrameGuard::isCollapsed(c.frame, minimum), c.collapsed);
    }
}

}  // namespace
}  // namespace velk
