#include "shell/WindowFrameGuard.h"

namespace velk {

// Half a pixel absorbs the rounding of sizes that were stored and read back as text.
bool WindowFrameGuard::isCollapsed(WindowSize frame, WindowSize minimum) noexcept {
    constexpr double slack = 0.5;
    return frame.height <= minimum.height + slack || frame.width <= minimum.width + slack;
}

}  // namespace velk
