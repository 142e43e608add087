#pragma once

// The share service's base URL this build was made for (the CMake setting VELK_SHARE_BASE). It
// is an http(s) URL ending in "/", so the service's relative paths resolve below it. Feedback
// pages and share links start from it; the user default "ShareBase" may override it for opening
// links. Safe from any thread.

#include <string_view>

namespace velk {

[[nodiscard]] std::string_view defaultShareBase() noexcept;

}  // namespace velk
