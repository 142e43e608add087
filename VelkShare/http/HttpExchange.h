#pragma once

// One HTTP exchange as the share service's routes see it: the adapter parses the wire, the
// routes are pure functions from a ServiceRequest to a ServiceResponse, so they are tested
// without sockets.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velk::share {

struct ServiceRequest {
    std::string method;         // "GET", "POST", …
    std::string target;         // path and query as received, e.g. "/api/share/abc?x=1"
    std::vector<std::pair<std::string, std::string>> headers;  // names lower-cased, in order
    std::string body;
    std::string clientAddress;  // the peer's address, or X-Forwarded-For's when the proxy is trusted
    bool headOnly = false;      // a HEAD, handled as the GET it stands for and answered without the body

    // The first value of a header (name in lower case), empty when absent.
    [[nodiscard]] std::string header(std::string_view name) const {
        for (const auto& [key, value] : headers)
            if (key == name) return value;
        return {};
    }
};

struct ServiceResponse {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;  // e.g. {"Content-Type", "application/json"}
    std::string body;
};

using ServiceHandler = std::function<ServiceResponse(const ServiceRequest&)>;

}  // namespace velk::share
