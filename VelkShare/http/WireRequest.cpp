#include "WireRequest.h"

#include "HttpServer.h"

#include <algorithm>
#include <cctype>

namespace velk::share {

ServiceRequest serviceRequest(WireRequest& message, std::string_view peer, bool trustProxy) {
    namespace http = boost::beast::http;
    ServiceRequest request;
    request.headOnly = message.method() == http::verb::head;
    request.method = request.headOnly ? "GET" : std::string(message.method_string());
    request.target = std::string(message.target());
    std::string forwardedFor;
    for (const auto& field : message) {
        std::string name(field.name_string());
        std::ranges::transform(name, name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        // Several X-Forwarded-For lines are one list, in order.
        if (name == "x-forwarded-for") forwardedFor += (forwardedFor.empty() ? "" : ",") + std::string(field.value());
        request.headers.emplace_back(std::move(name), std::string(field.value()));
    }
    request.clientAddress = clientAddress(peer, forwardedFor, trustProxy);
    request.body = std::move(message.body());
    return request;
}

}  // namespace velk::share
