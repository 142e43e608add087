#pragma once

// Driving the GLib default main context from a test, for code that posts to it or hears from the
// file monitor through it.

#include <glib.h>

#include <chrono>

namespace velk::testing_support {

// Runs the GLib default context until `done` or `limit`; whether `done` came true.
template <class Done>
bool spinMainContextUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
    }
    return true;
}

inline void spinMainContextFor(std::chrono::milliseconds span) {
    spinMainContextUntil([] { return false; }, span);
}

}  // namespace velk::testing_support
