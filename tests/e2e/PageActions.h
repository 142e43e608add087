#pragma once

// The script that acts in the editor page as a user would: pointer events at the element under
// the point, keyboard and input events at the focused element. The page may reload at any time
// (a crashed web process, a revert), so every call installs it again when it is missing.

#include <string>
#include <string_view>

namespace velk::e2e {

// `call` is an expression over `window.__velkE2E`, e.g. "window.__velkE2E.click(10, 20)".
[[nodiscard]] std::string pageAction(std::string_view call);

}  // namespace velk::e2e
