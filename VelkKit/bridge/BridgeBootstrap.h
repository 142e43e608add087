#pragma once

// The scripts the editor host installs at document start, in the main frame only, before any
// script of the page runs.

#include <string_view>

namespace velk::BridgeBootstrap {

// Lets the page know it runs inside velk.
inline constexpr std::string_view script = "window.VELK_NATIVE = true;";

// Installed only when tracing is on: forwards the page's console errors and warnings (still
// printing them), uncaught errors and unhandled promise rejections to the "velkLog" handler as
// texts of the form kind, ": ", text.
extern const std::string_view logForwardingScript;

}  // namespace velk::BridgeBootstrap
