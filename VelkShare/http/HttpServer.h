#pragma once

// The share service's HTTP front: accepts connections, parses requests with Boost.Beast, runs
// the ServiceHandler on a small pool of threads and writes its answers. Nothing above this file
// sees a socket. One instance serves until stop() (or SIGTERM when asked to watch for it); the
// public functions may be called from any thread.

#include "HttpExchange.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace velk::share {

struct HttpServerOptions {
    std::string address = "127.0.0.1";
    std::uint16_t port = 0;                   // 0 picks a free port; port() tells which
    bool trustProxy = false;                  // client address from X-Forwarded-For's last hop
    std::size_t maxHeaderBytes = 16 * 1024;
    std::size_t maxBodyBytes = 1 << 20;
    // Bodies above this size count as large; only maxLargeBodies of them are read at once, so
    // memory stays bounded however many clients upload together.
    std::size_t largeBodyBytes = 1 << 20;
    std::size_t maxLargeBodies = 4;
    // The header must arrive within headerTimeout; a body may pause up to readTimeout between
    // reads, and must be whole within bodyDeadline.
    std::chrono::milliseconds headerTimeout{30'000};
    std::chrono::milliseconds readTimeout{30'000};
    std::chrono::milliseconds bodyDeadline{600'000};
    std::chrono::milliseconds writeTimeout{120'000};
    std::chrono::milliseconds idleTimeout{15'000};  // a kept-alive connection waiting for its next request
    std::size_t maxConnections = 256;         // beyond it a new connection gets 503 and is closed
    unsigned handlerThreads = 4;
    bool stopOnSignal = false;                // SIGTERM and SIGINT stop the server gracefully
    // One line per request; by default written to stderr.
    std::function<void(std::string_view)> log;
};

class HttpServer {
public:
    // Binds at once, so port() is valid on return; throws (a boost::system::system_error) when it cannot.
    HttpServer(HttpServerOptions options, ServiceHandler handler);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    [[nodiscard]] std::uint16_t port() const;

    // Serves until stop(): then no new connections are taken, requests already being read or
    // handled are answered, idle connections are closed, and run() returns.
    void run();
    void stop();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// The address a request came from: the last hop of X-Forwarded-For when the proxy in front is
// trusted and that hop is an IP address, else the socket's peer.
[[nodiscard]] std::string clientAddress(std::string_view peer, std::string_view forwardedFor, bool trustProxy);

// A value as it goes into a log line: quoted, with quotes and backslashes escaped and every byte
// outside printable ASCII as \xNN, so a hostile target can neither forge a second line or field
// nor send controls to the terminal the log is read in.
[[nodiscard]] std::string logQuoted(std::string_view value);

}  // namespace velk::share
