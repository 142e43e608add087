#pragma once

// The scripts the editor host installs at document start, in the main frame only, before any
// script of the page runs.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velk::BridgeBootstrap {

// Lets the page know it runs inside velk.
inline constexpr std::string_view script = "window.VELK_NATIVE = true;";

// Installed only when tracing is on: forwards the page's console errors and warnings (still
// printing them), uncaught errors and unhandled promise rejections to the "velkLog" handler as
// texts of the form kind, ": ", text.
extern const std::string_view logForwardingScript;

// Only the page's top frame may talk to velk, but a web view that cannot say which frame posted
// a message hears a sub-frame's messages like the top frame's. So the top frame's bootstrap, a
// script no other frame runs, makes the named handlers' postMessage put a seal, a secret chosen
// for each view, in front of every text it posts; a sub-frame's handlers post unsealed texts.
// The sealing script must run before any script of the page.
[[nodiscard]] std::string newSeal();
[[nodiscard]] std::string sealingScript(std::string_view seal, std::span<const std::string> handlers);
// The text posted, when `body` carries the seal; absent when it does not.
[[nodiscard]] std::optional<std::string_view> unsealed(std::string_view body, std::string_view seal);

}  // namespace velk::BridgeBootstrap
