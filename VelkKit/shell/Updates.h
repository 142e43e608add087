#pragma once

// Updating velk. On Linux the distribution or the package format (Flatpak, a .deb repository)
// updates the application, so velk itself has no updater: every build is "not configured", and
// the shell builds no update menu items. Safe from any thread.

#include <string_view>

namespace velk::Updates {

// Whether this build can check for and install updates itself: never.
[[nodiscard]] constexpr bool isConfigured() noexcept { return false; }

// The trace line written at launch, so a log shows why there are no update menu items.
inline constexpr std::string_view offTrace = "Updates: off (this build is updated by its distribution)";

// Called once at launch: writes offTrace to the trace.
void start();

}  // namespace velk::Updates
