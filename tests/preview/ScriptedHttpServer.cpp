#include "preview/ScriptedHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace velk::testing_support {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto longestWait = std::chrono::seconds(5);
constexpr std::size_t largestHead = 64 * 1024;
constexpr std::size_t largestBody = 1048576;
constexpr std::size_t largestEndlessBody = 64 * 1048576;

// Waits for `events` in short slices so that a stopping server notices at once. False when the
// server stops, the deadline passes or the socket failed.
bool waitFor(int socket, short events, const std::atomic<bool>& stopping, Clock::time_point deadline) {
    while (!stopping && Clock::now() < deadline) {
        pollfd entry{socket, events, 0};
        const int ready = poll(&entry, 1, 20);
        if (ready < 0) return false;
        if (ready > 0) return (entry.revents & events) != 0;
    }
    return false;
}

bool sendAll(int socket, std::string_view data, const std::atomic<bool>& stopping) {
    const auto deadline = Clock::now() + longestWait;
    while (!data.empty()) {
        if (!waitFor(socket, POLLOUT, stopping, deadline)) return false;
        const ssize_t sent = send(socket, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno != EAGAIN && errno != EINTR) return false;
        if (sent > 0) data.remove_prefix(std::size_t(sent));
    }
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::optional<RecordedRequest> parseHead(std::string_view head) {
    RecordedRequest request;
    auto lineEnd = head.find("\r\n");
    const std::string_view requestLine = head.substr(0, lineEnd);
    const auto firstSpace = requestLine.find(' ');
    const auto secondSpace = requestLine.find(' ', firstSpace + 1);
    if (firstSpace == requestLine.npos || secondSpace == requestLine.npos) return std::nullopt;
    request.method = requestLine.substr(0, firstSpace);
    request.target = requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    while (lineEnd != head.npos) {
        const auto start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string_view line = head.substr(start, lineEnd == head.npos ? head.npos : lineEnd - start);
        if (const auto colon = line.find(':'); colon != line.npos) {
            request.headers.push_back({std::string(line.substr(0, colon)), std::string(trimmed(line.substr(colon + 1)))});
        }
    }
    return request;
}

std::string headerValue(const RecordedRequest& request, std::string_view name) {
    HttpResponse view;
    view.headers = request.headers;
    return std::string(view.header(name).value_or(""));
}

}  // namespace

ScriptedResponse ScriptedResponse::page(std::string body, std::string contentType) {
    ScriptedResponse response = withStatus(200, std::move(body));
    response.headers = {{"Content-Type", std::move(contentType)}};
    return response;
}

ScriptedResponse ScriptedResponse::redirect(std::string location, int status) {
    ScriptedResponse response = withStatus(status);
    response.headers = {{"Location", std::move(location)}};
    return response;
}

ScriptedResponse ScriptedResponse::withStatus(int status, std::string body) {
    ScriptedResponse response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

ScriptedResponse ScriptedResponse::endless(std::string contentType) {
    ScriptedResponse response = page({}, std::move(contentType));
    response.kind = Body::endless;
    return response;
}

ScriptedResponse ScriptedResponse::stalled() {
    ScriptedResponse response;
    response.kind = Body::stalled;
    return response;
}

ScriptedHttpServer::ScriptedHttpServer(const std::string& address) {
    sockaddr_storage bound{};
    socklen_t length = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&bound);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&bound);
    if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        length = sizeof *v4;
    } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        length = sizeof *v6;
    } else {
        std::abort();
    }
    m_listener = socket(bound.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&bound), length) != 0 ||
        listen(m_listener, 64) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        std::abort();
    }
    m_port = ntohs(bound.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

ScriptedHttpServer::~ScriptedHttpServer() {
    m_stopping = true;
    m_acceptor.join();
    for (std::thread& server : m_servers) server.join();
    close(m_listener);
}

void ScriptedHttpServer::on(const std::string& host, const std::string& target, ScriptedResponse response) {
    std::lock_guard lock(m_mutex);
    m_script.insert_or_assign(host + " " + target, std::move(response));
}

std::vector<RecordedRequest> ScriptedHttpServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void ScriptedHttpServer::acceptLoop() {
    while (!m_stopping) {
        pollfd entry{m_listener, POLLIN, 0};
        if (poll(&entry, 1, 20) <= 0) continue;
        const int connection = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (connection < 0) continue;
        ++m_connections;
        m_servers.emplace_back([this, connection] {
            serve(connection);
            close(connection);
        });
    }
}

ScriptedResponse ScriptedHttpServer::responseFor(const RecordedRequest& request) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_script.find(headerValue(request, "Host") + " " + request.target);
    if (found == m_script.end()) return ScriptedResponse::withStatus(404, "not scripted");
    return found->second;
}

void ScriptedHttpServer::serve(int socket) {
    const auto deadline = Clock::now() + longestWait;
    std::string received;
    std::size_t headEnd = received.npos;
    char buffer[16 * 1024];
    while ((headEnd = received.find("\r\n\r\n")) == received.npos && received.size() < largestHead) {
        if (!waitFor(socket, POLLIN, m_stopping, deadline)) return;
        const ssize_t n = recv(socket, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return;
        if (n > 0) received.append(buffer, std::size_t(n));
    }
    if (headEnd == received.npos) return;
    auto request = parseHead(std::string_view(received).substr(0, headEnd));
    if (!request) return;
    request->body = received.substr(headEnd + 4);
    const std::size_t length = std::min<std::size_t>(std::strtoull(headerValue(*request, "Content-Length").c_str(), nullptr, 10), largestBody);
    while (request->body.size() < length) {
        if (!waitFor(socket, POLLIN, m_stopping, deadline)) return;
        const ssize_t n = recv(socket, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return;
        if (n > 0) request->body.append(buffer, std::size_t(n));
    }
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(*request);
    }

    const ScriptedResponse response = responseFor(*request);
    if (response.kind == ScriptedResponse::Body::stalled) {
        // Hold the connection open, silent, until the client gives up or the server stops.
        while (waitFor(socket, POLLIN, m_stopping, deadline) && recv(socket, buffer, sizeof buffer, 0) > 0) {}
        return;
    }
    for (const auto until = Clock::now() + response.delay; Clock::now() < until && !m_stopping;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " Scripted\r\n";
    HttpResponse scripted;
    scripted.headers = response.headers;
    for (const HttpHeader& header : response.headers) head += header.name + ": " + header.value + "\r\n";
    if (response.kind == ScriptedResponse::Body::whole && !scripted.header("Content-Length")) {
        head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    }
    head += "Connection: close\r\n\r\n";
    if (!sendAll(socket, head, m_stopping)) return;
    if (response.kind == ScriptedResponse::Body::whole) {
        sendAll(socket, response.body, m_stopping);
        return;
    }
    const std::string chunk(64 * 1024, 'x');
    for (std::size_t sent = 0; sent < largestEndlessBody && sendAll(socket, chunk, m_stopping); sent += chunk.size()) {}
}

}  // namespace velk::testing_support
