#include "HttpServer.h"
#include "RequestLog.h"

#include <cstdio>
#include <ctime>

namespace velk::share {

std::string logQuoted(std::string_view value) {
    std::string out = "\"";
    for (const unsigned char c : value) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7f) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string requestLogLine(const RequestLogEntry& entry) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char time[48];
    std::snprintf(time, sizeof time, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(millis));
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.1f", entry.milliseconds);
    return std::string("time=") + time + " client=" + logQuoted(entry.client) + " method=" + logQuoted(entry.method) +
           " target=" + logQuoted(entry.target) + " status=" + std::to_string(entry.status) +
           " bytes=" + std::to_string(entry.bytes) + " ms=" + duration;
}

}  // namespace velk::share
