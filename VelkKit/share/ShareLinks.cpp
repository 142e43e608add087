#include "share/ShareLinks.h"

#include "core/Base64.h"
#include "core/Utf8.h"
#include "json/OrderedJSON.h"
#include "share/ShareBase.h"
#include "share/ShareServiceContract.h"
#include "share/SharedLink.h"

namespace velk::ShareLinks {
namespace {

// The share requests only ever wait on the service itself. A slow connection may still need
// minutes to upload a map with many images, so only silence ends them early; the overall cap is
// there only so that nothing waits forever.
constexpr std::chrono::minutes wholeRequestLimit{10};

HttpRequest serviceRequest(std::string method, std::string url) {
    HttpRequest request;
    request.method = std::move(method);
    request.url = std::move(url);
    request.idleTimeout = requestTimeout;
    request.totalTimeout = wholeRequestLimit;
    request.maxBodyBytes = ShareServiceContract::longestAnswerBytes;
    return request;
}

// The JSON of an answer's body, when it has any that velk can read.
std::optional<JSONValue> bodyJSON(const std::optional<std::string>& body) {
    if (!body || body->empty() || !Utf8::isValid(*body)) return std::nullopt;
    auto parsed = OrderedJSON::parse(std::string_view(*body));
    if (!parsed) return std::nullopt;
    return *parsed;
}

}  // namespace

std::string endpoint(std::string_view base) { return std::string(base) + std::string(ShareServiceContract::sharePath); }
std::string endpoint() { return endpoint(defaultShareBase()); }

HttpRequest publishRequest(std::string_view name, const JSONValue& state, std::span<const ShareMedia::File> media) {
    return publishRequest(name, state, media, defaultShareBase());
}

HttpRequest publishRequest(std::string_view name, const JSONValue& state, std::span<const ShareMedia::File> media,
                           std::string_view base) {
    HttpRequest request = serviceRequest("POST", endpoint(base));
    request.headers.push_back({"Content-Type", "application/json"});
    std::string& body = request.body;
    body = OrderedJSON::write(JSONValue::object({{"name", JSONValue::string(name)}, {"state", state}}), Pretty::no);
    // The images can come to hundreds of megabytes, so their text is written straight into the
    // body rather than copied through a JSON value; Base64 needs no escaping.
    std::size_t size = body.size() + 12;
    for (const ShareMedia::File& file : media) size += file.path.size() + 6 + (file.bytes->size() + 2) / 3 * 4;
    body.reserve(size);
    body.pop_back();
    body += ",\"media\":{";
    for (std::size_t i = 0; i < media.size(); ++i) {
        if (i > 0) body += ',';
        body += OrderedJSON::write(JSONValue::string(media[i].path), Pretty::no);
        body += ":\"";
        body += Base64::encode(*media[i].bytes);
        body += '"';
    }
    body += "}}";
    return request;
}

std::optional<HttpRequest> stopRequest(std::string_view id, std::string_view token) {
    return stopRequest(id, token, defaultShareBase());
}

std::optional<HttpRequest> stopRequest(std::string_view id, std::string_view token, std::string_view base) {
    if (!SharedLink::isShareID(id) || token.empty() || token.find('\n') != std::string_view::npos) return std::nullopt;
    HttpRequest request = serviceRequest("DELETE", endpoint(base) + "/" + std::string(id));
    request.headers.push_back({"Authorization", "Bearer " + std::string(token)});
    return request;
}

HttpRequest fetchRequest(std::string url) { return serviceRequest("GET", std::move(url)); }

BridgeReply reply(int status, const std::optional<std::string>& body, const std::optional<std::string>& error) {
    return reply(status, body, error, defaultShareBase());
}

BridgeReply reply(int status, const std::optional<std::string>& body, const std::optional<std::string>& error,
                  std::string_view base) {
    const std::string host(shareHost(base));
    if (error) return BridgeReply::error("could not reach " + host + ": " + *error);
    const std::optional<JSONValue> json = bodyJSON(body);
    // The page gets the service's answer to a publish as it is; velk reads none of its fields.
    if (status >= 200 && status <= 299) return BridgeReply::ok(json.value_or(JSONValue::null()));
    if (json) {
        if (const auto message = (*json)["error"]) {
            if (const auto text = message->stringValue()) return BridgeReply::error(std::string(*text));
        }
    }
    return BridgeReply::error(host + " answered " + std::to_string(status));
}

}  // namespace velk::ShareLinks
