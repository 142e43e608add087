#pragma once

// A small HTTP/1.1 server for tests: it listens on 127.0.0.1 (or another numeric address of this
// machine, given to the constructor) at a port the system picks, answers
// each request from a script keyed by Host header and request target, records what it was
// asked, and stops in its destructor. One thread accepts, one thread serves each connection;
// every connection is closed after one answer. Everything it does is bounded: no read or wait
// lasts longer than a few seconds and an endless body stops after 64 MiB, so a broken test
// cannot hang the suite.
//
// Safe to script and query from any thread.

#include "platform/HttpClient.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velk::testing_support {

struct ScriptedResponse {
    enum class Body {
        // `body`, with a Content-Length.
        whole,
        // The headers, then bytes without end and without a length, until the client hangs up.
        endless,
        // Nothing at all, not even a status line, until the client hangs up.
        stalled,
    };
    int status = 200;
    std::vector<HttpHeader> headers;
    std::string body;
    Body kind = Body::whole;
    // How long the server waits before it answers, as a slow server would.
    std::chrono::milliseconds delay{0};

    static ScriptedResponse page(std::string body, std::string contentType = "text/html; charset=utf-8");
    static ScriptedResponse redirect(std::string location, int status = 302);
    static ScriptedResponse withStatus(int status, std::string body = {});
    static ScriptedResponse endless(std::string contentType);
    static ScriptedResponse stalled();
};

struct RecordedRequest {
    std::string method;
    std::string target;
    // In the order sent, names as written.
    std::vector<HttpHeader> headers;
    std::string body;
};

class ScriptedHttpServer {
public:
    explicit ScriptedHttpServer(const std::string& address = "127.0.0.1");
    ~ScriptedHttpServer();
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    [[nodiscard]] std::uint16_t port() const { return m_port; }

    // Answers requests whose Host header is `host` and whose target is `target` (path and
    // query, "/a?b"). Anything unscripted gets a 404 with the body "not scripted".
    void on(const std::string& host, const std::string& target, ScriptedResponse response);

    [[nodiscard]] std::vector<RecordedRequest> requests() const;
    [[nodiscard]] std::size_t connections() const { return m_connections; }

private:
    void acceptLoop();
    void serve(int socket);
    [[nodiscard]] ScriptedResponse responseFor(const RecordedRequest& request) const;

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

}  // namespace velk::testing_support
