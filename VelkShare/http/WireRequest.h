#pragma once

// A request as Beast parsed it, turned into what the routes see: HEAD becomes GET (the adapter
// drops the body), header names lower-cased in order, the client's address chosen.

#include "HttpExchange.h"

#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>

#include <string_view>

namespace velk::share {

using WireRequest = boost::beast::http::request<boost::beast::http::string_body>;

// Takes the body out of `message`.
[[nodiscard]] ServiceRequest serviceRequest(WireRequest& message, std::string_view peer, bool trustProxy);

}  // namespace velk::share
