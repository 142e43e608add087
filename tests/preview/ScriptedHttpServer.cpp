#include "preview/ScriptedHttpServer.h"

#include <netdb.h>
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

// The request line and headers, values trimmed; nothing when there is no request line.
std::optional<RecordedRequest> parseHead(std::string_view head) {
    RecordedRequest request;
    for (std::size_t start = 0, end = 0; start <= head.size(); start = end + 2) {
        end = std::min(head.find("\r\n", start), head.size());
        const std::string_view line = head.substr(start, end - start);
        if (start == 0) {
            const auto first = line.find(' '), second = line.find(' ', first + 1);
            if (second == line.npos) return std::nullopt;
            request.method = line.substr(0, first);
            request.target = line.substr(first + 1, second - first - 1);
        } else if (const auto colon = line.find(':'); colon != line.npos) {
            const auto value = line.substr(colon + 1);
            const auto from = value.find_first_not_of(" \t"), to = value.find_last_not_of(" \t");
            request.headers.push_back({std::string(line.substr(0, colon)), std::string(from == value.npos ? "" : value.substr(from, to - from + 1))});
        }
    }
    return request;
}

}  // namespace

ScriptedHttpServer::ScriptedHttpServer(const std::string& address) {
    addrinfo hints{}, *found = nullptr;
    hints.ai_flags = AI_NUMERICHOST, hints.ai_socktype = SOCK_STREAM;
    if (getaddrinfo(address.c_str(), "0", &hints, &found) != 0) std::abort();
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    m_listener = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool listening = m_listener >= 0 && bind(m_listener, found->ai_addr, found->ai_addrlen) == 0 && listen(m_listener, 64) == 0 &&
                           getsockname(m_listener, reinterpret_cast<sockaddr*>(&bound), &length) == 0;
    freeaddrinfo(found);
    if (!listening) std::abort();
    m_port = ntohs(bound.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&bound)->sin_port : reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
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
