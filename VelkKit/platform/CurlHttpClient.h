#pragma once

// CurlHttpClient performs HttpClient requests with libcurl, each on a worker thread of its own
// that ends with the request. It is set up for fetching addresses that strangers chose: no
// cookies, no proxy (not even one named in the environment), no .netrc or other credentials, no
// protocol but http and https, no redirect following, and the connection is opened only after its
// peer address passed the request's checks (see HttpRequest). A body the server sent gzip- or
// deflate-encoded (whether asked to or not) is handed back decoded, its size limit counted in
// decoded bytes.
//
// Safe to call from any thread. Requires: the client is not destroyed from one of its own
// completions (the destructor waits for every worker, that one included).

#include "platform/HttpClient.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace velk {

class CurlHttpClient final : public HttpClient {
public:
    // Whether a connection that testRoutePort sent to the loopback address still has to pass the
    // request's allowAddress check.
    enum class LoopbackRoute { checked, trustedForTests };

    struct Options {
        // The User-Agent header of every request.
        std::string userAgent;
        // Tests only. Every connection whose peer address passed the request's checks goes to
        // 127.0.0.1 at this port instead, so that tests can talk to names and public addresses
        // without leaving the machine. The loopback address is then checked again, exactly like
        // a peer of its own: with LoopbackRoute::checked a policy that refuses loopback refuses
        // the routed connection too, which is how a test stands for a host that turned private
        // between the caller's check and the connection.
        std::optional<std::uint16_t> testRoutePort;
        // Tests only; never trusted outside them. Lets the routed loopback connection (and no
        // other) through when allowAddress would refuse it.
        LoopbackRoute loopbackRoute = LoopbackRoute::checked;
    };

    explicit CurlHttpClient(Options options);
    ~CurlHttpClient() override;
    CurlHttpClient(const CurlHttpClient&) = delete;
    CurlHttpClient& operator=(const CurlHttpClient&) = delete;

    void perform(HttpRequest request, Completion completion) override;

private:
    struct Workers;
    Options m_options;
    std::unique_ptr<Workers> m_workers;
};

}  // namespace velk
