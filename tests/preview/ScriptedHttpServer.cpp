#include "preview/ScriptedHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velk::testing_support {

namespace {

using Clock = std::chrono::steady_clock;

// Waits for `events` in short slices, so that a stopping server notices at once. False when the
// server stops, the deadline passes or the socket failed.
bool waitFor(int socket, short events, const std::atomic<bool>& stopping, Clock::time_point deadline) {
    while (!stopping && Clock::now() < deadline) {
        pollfd entry{socket, events, 0};
        const int ready = poll(&entry, 1, 20);
        if (ready != 0) return ready > 0 && (entry.revents & events) != 0;
    }
    return false;
}

bool sendAll(int socket, std::string_view data, const std::atomic<bool>& stopping) {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (!data.empty()) {
        if (!waitFor(socket, POLLOUT, stopping, deadline)) return false;
        const ssize_t sent = send(socket, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno != EAGAIN && errno != EINTR) return false;
        if (sent > 0) data.remove_prefix(std::size_t(sent));
    }
    return true;
}

std::string headerValue(const std::vector<HttpHeader>& headers, std::string_view name) {
    HttpResponse view;
    view.headers = headers;
    return std::string(view.header(name).value_or(""));
}

std::optional<RecordedRequest> parseHead(std::string_view head) {
    RecordedRequest request;
    std::size_t lineEnd = head.find("\r\n");
    const std::string_view line = head.substr(0, lineEnd);
    const auto first = line.find(' '), second = line.find(' ', first + 1);
    if (second == line.npos) return std::nullopt;
    request.method = line.substr(0, first);
    request.target = line.substr(first + 1, second - first - 1);
    while (lineEnd != head.npos) {
        const auto start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string_view header = head.substr(start, lineEnd == head.npos ? head.npos : lineEnd - start);
        const auto colon = header.find(':');
        if (colon == header.npos) continue;
        std::string_view value = header.substr(colon + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
        request.headers.push_back({std::string(header.substr(0, colon)), std::string(value)});
    }
    return request;
}

}  // namespace

ScriptedHttpServer::ScriptedHttpServer(const std::string& address) {
    sockaddr_storage bound{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&bound);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&bound);
    socklen_t length = sizeof *v4;
    if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
    } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        length = sizeof *v6;
    } else {
        std::abort();
    }
    m_listener = socket(bound.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&bound), length) != 0 || listen(m_listener, 64) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        std::abort();
    }
    m_port = ntohs(bound.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
    m_acceptor = std::thread([this] {
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
    });
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

void ScriptedHttpServer::serve(int socket) {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    char buffer[16 * 1024];
    // Reads more into `into`; false once the peer is gone, the wait is over or the server stops.
    const auto receive = [&](std::string& into) {
        if (!waitFor(socket, POLLIN, m_stopping, deadline)) return false;
        const ssize_t n = recv(socket, buffer, sizeof buffer, 0);
        if (n > 0) into.append(buffer, std::size_t(n));
        return n > 0 || (n < 0 && (errno == EAGAIN || errno == EINTR));
    };
    std::string received;
    std::size_t headEnd;
    while ((headEnd = received.find("\r\n\r\n")) == received.npos) {
        if (received.size() > 64 * 1024 || !receive(received)) return;
    }
    auto request = parseHead(std::string_view(received).substr(0, headEnd));
    if (!request) return;
    request->body = received.substr(headEnd + 4);
    const std::size_t length = std::min<std::size_t>(std::strtoull(headerValue(request->headers, "Content-Length").c_str(), nullptr, 10), 1 << 20);
    while (request->body.size() < length) {
        if (!receive(request->body)) return;
    }
    ScriptedResponse response = ScriptedResponse::withStatus(404, "not scripted");
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(*request);
        const auto found = m_script.find(headerValue(request->headers, "Host") + " " + request->target);
        if (found != m_script.end()) response = found->second;
    }
    if (response.kind == ScriptedResponse::Body::stalled) {
        // Silent, until the client gives up or the server stops.
        for (std::string ignored; receive(ignored); ignored.clear()) {}
        return;
    }
    for (const auto until = Clock::now() + response.delay; Clock::now() < until && !m_stopping;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " Scripted\r\n";
    for (const HttpHeader& header : response.headers) head += header.name + ": " + header.value + "\r\n";
    if (response.kind == ScriptedResponse::Body::whole && headerValue(response.headers, "Content-Length").empty()) {
        head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    }
    if (!sendAll(socket, head + "Connection: close\r\n\r\n", m_stopping)) return;
    if (response.kind == ScriptedResponse::Body::whole) {
        sendAll(socket, response.body, m_stopping);
        return;
    }
    const std::string chunk(64 * 1024, 'x');
    for (int sent = 0; sent < 1024 && sendAll(socket, chunk, m_stopping); ++sent) {}
}

}  // namespace velk::testing_support
