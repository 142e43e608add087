#include "HttpServer.h"

#include <boost/asio/ip/address.hpp>

namespace velk::share {

// Only the last hop counts: that is the one our own proxy appended; anything before it is
// whatever the client chose to send.
std::string clientAddress(std::string_view peer, std::string_view forwardedFor, bool trustProxy) {
    if (!trustProxy || forwardedFor.empty()) return std::string(peer);
    auto comma = forwardedFor.rfind(',');
    std::string_view hop = comma == std::string_view::npos ? forwardedFor : forwardedFor.substr(comma + 1);
    while (!hop.empty() && (hop.front() == ' ' || hop.front() == '\t')) hop.remove_prefix(1);
    while (!hop.empty() && (hop.back() == ' ' || hop.back() == '\t')) hop.remove_suffix(1);
    boost::system::error_code error;
    auto address = boost::asio::ip::make_address(std::string(hop), error);
    if (error) return std::string(peer);
    return address.to_string();
}

}  // namespace velk::share
