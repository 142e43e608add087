#pragma once

// The web pages behind the Help menu that do not depend on the user: the keyboard shortcuts page
// of the share service. Pure; safe from any thread.

#include <optional>
#include <string>
#include <string_view>

namespace velk::HelpPages {

// The shortcuts page of the service at `base`: its scheme and authority with the path
// "/shortcuts/". Absent when `base` is not an http(s) URL with a host.
[[nodiscard]] std::optional<std::string> shortcuts(std::string_view base);

}  // namespace velk::HelpPages
