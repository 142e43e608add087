#pragma once

// The fixed properties of the start window, kept apart from the toolkit so the desktop app and
// its snapshot tool set up the very same window, and so they can be checked without a display.
//
// Constants and one pure function; safe from any thread.

#include <string_view>

namespace velk::StartWindowSpec {

// The window has a title for window lists and restoration, but does not show it.
inline constexpr std::string_view title = "Start";
inline constexpr bool titleVisible = false;
inline constexpr bool titleBarTransparent = true;
inline constexpr std::string_view toolbarIdentifier = "start";

// How the window may be handled; the content reaches under the title bar.
struct StyleMask {
    bool titled, closable, miniaturizable, resizable, fullSizeContentView;
    bool operator==(const StyleMask&) const = default;
};
inline constexpr StyleMask styleMask{true, true, true, true, true};

// Both the smallest size and the size the window is first made with, in points.
inline constexpr int minWidth = 820;
inline constexpr int minHeight = 560;

// The window's identity for window restoration.
inline constexpr std::string_view identifier = "velk.start";

// Managed by the window manager and part of window cycling; listed in the Windows menu, at the
// normal level, restorable, and hidden rather than destroyed when closed.
struct CollectionBehavior {
    bool managed, participatesInCycle;
    bool operator==(const CollectionBehavior&) const = default;
};
inline constexpr CollectionBehavior collectionBehavior{true, true};
inline constexpr bool shownInWindowsMenu = true;
inline constexpr bool restorable = true;
inline constexpr bool releasedWhenClosed = false;

// The start window takes the place of an empty document, and velk keeps running without windows.
inline constexpr bool opensUntitledFileAtLaunch = false;
inline constexpr bool quitsAfterLastWindowClosed = false;

// Whether reopening the app (clicking its launcher while it runs) shows the start window.
[[nodiscard]] constexpr bool showsOnReopen(bool hasVisibleWindows) { return !hasVisibleWindows; }

}  // namespace velk::StartWindowSpec
