#include "shell/WindowFrameGuard.h"

#include "trace/Trace.h"

#include <charconv>
#include <string>

namespace velk {
namespace {

// The shortest text that reads back as the same number, whatever the process locale.
std::string shortest(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

}  // namespace

// Half a pixel absorbs the rounding of sizes that were stored and read back as text.
bool WindowFrameGuard::isCollapsed(WindowSize frame, WindowSize minimum) noexcept {
    constexpr double slack = 0.5;
    return frame.height <= minimum.height + slack || frame.width <= minimum.width + slack;
}

bool WindowFrameGuard::shouldResetAfterRestoring(WindowSize frame, WindowSize minimum) const {
    trace([&] { return "frameGuard: restored frame " + shortest(frame.width) + " x " + shortest(frame.height); });
    if (!isCollapsed(frame, minimum)) return false;
    trace([] { return std::string("frameGuard: collapsed, resetting to default"); });
    return true;
}

}  // namespace velk
