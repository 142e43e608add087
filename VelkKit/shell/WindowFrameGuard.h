#pragma once

// Editor windows come back at the size they were left at. A remembered size can be degenerate,
// shrunk to the window's minimum or below, which leaves the editor unusable; the guard spots that
// when a window is made, and the shell then gives the window its default content size again.
//
// The guard only decides; the shell reads and sets the sizes.

namespace velk {

// A width and a height in logical pixels.
struct WindowSize {
    double width;
    double height;
    bool operator==(const WindowSize&) const = default;
};

class WindowFrameGuard {
public:
    // The editor window's content size when it starts afresh.
    static constexpr WindowSize editorContentSize{1200, 800};

    // True when the window is no more than half a pixel wider or taller than its minimum, in
    // either direction. Both sizes are of the whole window, decorations included.
    [[nodiscard]] static bool isCollapsed(WindowSize frame, WindowSize minimum) noexcept;
};

}  // namespace velk
