#pragma once

// The editor page's `share` and `unshare` exchanges with the share service, without the network:
// the HTTP requests to send, and how the service's answer (or the lack of one) becomes the reply
// the page receives. The editor host sends the requests through its HttpClient.
//
// The functions without a `base` use the build's share service (defaultShareBase()); the others
// take a base URL, which must be an http(s) URL ending in "/". Pure; safe from any thread.

#include "bridge/BridgeReply.h"
#include "json/JSONValue.h"
#include "platform/HttpClient.h"
#include "share/ShareMedia.h"

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velk::ShareLinks {

// How long the service may stay silent before a publish or withdrawal gives up.
inline constexpr std::chrono::seconds requestTimeout{25};

// The publishing endpoint: the base URL followed by "api/share".
[[nodiscard]] std::string endpoint(std::string_view base);
[[nodiscard]] std::string endpoint();

// POST to the endpoint with the compact JSON body {"name": name, "state": state, "media": {path:
// Base64 of the file, …}}; the state is written with its own member order, the media in the
// order given (see ShareMedia::collect).
[[nodiscard]] HttpRequest publishRequest(std::string_view name, const JSONValue& state,
                                         std::span<const ShareMedia::File> media);
[[nodiscard]] HttpRequest publishRequest(std::string_view name, const JSONValue& state,
                                         std::span<const ShareMedia::File> media, std::string_view base);

// DELETE of the share `id` with its withdrawal token as a bearer credential; absent when the id
// is not a share id, or the token is empty or holds a line feed (it would end the header).
[[nodiscard]] std::optional<HttpRequest> stopRequest(std::string_view id, std::string_view token);
[[nodiscard]] std::optional<HttpRequest> stopRequest(std::string_view id, std::string_view token,
                                                     std::string_view base);

// GET of `url` (a shared or handed-over map), with the same patience as the requests above.
[[nodiscard]] HttpRequest fetchRequest(std::string url);

// The page's reply to the service's answer. `status` is the HTTP status, 0 when no response
// arrived; `body` the response body, if any; `error` the transport's description of why there
// was no response, if that is what happened.
[[nodiscard]] BridgeReply reply(int status, const std::optional<std::string>& body,
                                const std::optional<std::string>& error);
[[nodiscard]] BridgeReply reply(int status, const std::optional<std::string>& body,
                                const std::optional<std::string>& error, std::string_view base);

}  // namespace velk::ShareLinks
