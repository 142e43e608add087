#pragma once

// One structured line per request: time, client, method, target, status, body bytes and the
// time from the request's first byte to its answer.

#include <cstddef>
#include <string>

namespace velk::share {

struct RequestLogEntry {
    std::string client;
    std::string method;
    std::string target;
    int status = 0;
    std::size_t bytes = 0;
    double milliseconds = 0;
};

[[nodiscard]] std::string requestLogLine(const RequestLogEntry& entry);

}  // namespace velk::share
