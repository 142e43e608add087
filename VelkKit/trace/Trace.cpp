#include "trace/Trace.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace velk {

bool traceSettingEnabled(const char* value) noexcept { return value && std::string_view(value) == "1"; }

bool traceEnabled() noexcept {
    // The one place velk reads its trace setting: a function-local static is initialised once,
    // thread-safely, on first use.
    static const bool enabled = traceSettingEnabled(std::getenv("VELK_TRACE"));
    return enabled;
}

void writeTraceLine(std::string_view message) noexcept {
    std::string line;
    try {
        line.reserve(message.size() + 7);
        line.append("velk: ").append(message).push_back('\n');
    } catch (...) {
        return;  // a trace line is never worth failing over
    }
    // One write per line; the loop only continues a write that the kernel cut short.
    const char* data = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

}  // namespace velk
