#pragma once

// velk's diagnostic trace: short lines on standard error, written only when velk was started
// with VELK_TRACE=1. Callers pass the message as a callable, so with tracing off a trace costs
// one test of a cached flag and the text is never built. Safe from any thread; each line goes
// out in one write, so lines from different threads do not interleave.

#include <concepts>
#include <string>
#include <string_view>

namespace velk {

// Whether tracing is on: read from the environment on first use, then fixed for the process.
[[nodiscard]] bool traceEnabled() noexcept;

// Whether a value of VELK_TRACE (null when unset) turns tracing on: only the exact text "1".
[[nodiscard]] bool traceSettingEnabled(const char* value) noexcept;

// Writes "velk: ", the message and a line feed to standard error in one write.
void writeTraceLine(std::string_view message) noexcept;

template <class Message>
    requires std::invocable<Message>
void trace(Message&& message) {
    if (!traceEnabled()) return;
    writeTraceLine(std::string_view(std::string(message())));
}

}  // namespace velk
