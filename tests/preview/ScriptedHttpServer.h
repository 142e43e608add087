#pragma once

// A small HTTP/1.1 server for tests: it listens on 127.0.0.1 (or another numeric address of this
// machine) at a port the system picks, answers each request from a script keyed by Host header
// and target, records what it was asked, and stops in its destructor. One thread accepts, one
// serves each connection, closed after one answer. No read or wait lasts more than a few
// seconds and an endless body stops after 64 MiB, so a broken test cannot hang the suite.
// Safe to script and query from any thread.

#include "platform/CurlHttpClient.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velk::testing_support {

struct ScriptedResponse {
    // `whole`: the body with a Content-Length. `endless`: the headers, then bytes without end or
    // length until the client hangs up. `stalled`: nothing at all, not even a status line.
    enum class Body { whole, endless, stalled };
    int status = 200;
    std::vector<HttpHeader> headers{};
    std::string body{};
    Body kind = Body::whole;
    // How long the server waits before it answers, as a slow server would.
    std::chrono::milliseconds delay{0};

    static ScriptedResponse withStatus(int status, std::string body = {}) { return {.status = status, .body = std::move(body)}; }
    static ScriptedResponse page(std::string body, std::string type = "text/html; charset=utf-8") {
        return {.headers = {{"Content-Type", std::move(type)}}, .body = std::move(body)};
    }
    static ScriptedResponse redirect(std::string location, int status = 302) {
        return {.status = status, .headers = {{"Location", std::move(location)}}};
    }
    static ScriptedResponse endless(std::string type) { return {.headers = {{"Content-Type", std::move(type)}}, .kind = Body::endless}; }
    static ScriptedResponse stalled() { return {.kind = Body::stalled}; }
};

struct RecordedRequest {
    std::string method, target;
    std::vector<HttpHeader> headers;  // in the order sent, names as written
    std::string body{};
};

class ScriptedHttpServer {
public:
    explicit ScriptedHttpServer(const std::string& address = "127.0.0.1");
    ~ScriptedHttpServer();
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    [[nodiscard]] std::uint16_t port() const { return m_port; }
    // Answers requests for `host` (the Host header) and `target` ("/a?b"); anything unscripted
    // gets a 404 with the body "not scripted".
    void on(const std::string& host, const std::string& target, ScriptedResponse response);
    [[nodiscard]] std::vector<RecordedRequest> requests() const;
    [[nodiscard]] std::size_t connections() const { return m_connections; }

private:
    void serve(int socket);

    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stopping = false;
    std::atomic<std::size_t> m_connections = 0;
    mutable std::mutex m_mutex;
    std::map<std::string, ScriptedResponse> m_script;
    std::vector<RecordedRequest> m_requests;
    std::vector<std::thread> m_servers;
    std::thread m_acceptor;
};

// Options for a curl client whose every approved connection goes to `server` instead.
inline CurlHttpClient::Options routedTo(const ScriptedHttpServer& server,
                                        CurlHttpClient::LoopbackRoute route = CurlHttpClient::LoopbackRoute::trustedForTests) {
    CurlHttpClient::Options options;
    options.testRoutePort = server.port();
    options.loopbackRoute = route;
    return options;
}

// Calls `start` with a completion and waits for its one result; after 10 s the suite aborts
// rather than hang.
template <class Result, class Start> Result awaited(Start&& start) {
    auto promise = std::make_shared<std::promise<Result>>();
    auto future = promise->get_future();
    start([promise](Result result) { promise->set_value(std::move(result)); });
    if (future.wait_for(std::chrono::seconds(10)) != std::future_status::ready) std::abort();
    return future.get();
}

}  // namespace velk::testing_support
