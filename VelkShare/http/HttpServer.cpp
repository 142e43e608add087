#include "HttpServer.h"
#include "RequestLog.h"
#include "WireRequest.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <optional>
#include <set>

namespace velk::share {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

// What the server answers by itself, before or instead of the routes, in the routes' form:
// velk shows a refusal's "error" to the user. The texts are the server's own, with nothing to escape.
ServiceResponse refusal(int status, std::string_view text) {
    return {status, {{"Content-Type", "application/json"}}, "{\"error\":\"" + std::string(text) + "\"}"};
}

bool closedByPeerOrTimer(const beast::error_code& error) {
    return error == http::error::end_of_stream || error == asio::error::operation_aborted ||
           error == beast::error::timeout || error == asio::error::connection_reset || error == asio::error::eof ||
           error == http::error::partial_message;
}

}  // namespace

struct HttpServer::Impl {
    HttpServerOptions options;
    ServiceHandler handler;
    asio::io_context io{1};
    tcp::acceptor acceptor{io};
    asio::signal_set signals{io};
    asio::thread_pool pool;
    std::atomic<bool> stopping{false};
    std::atomic<std::size_t> largeBodies{0};

    struct Session;
    std::mutex sessionsMutex;
    std::set<std::shared_ptr<Session>> sessions;

    Impl(HttpServerOptions o, ServiceHandler h)
        : options(std::move(o)), handler(std::move(h)), pool(std::max(1u, options.handlerThreads)) {
        if (!options.log)
            options.log = [](std::string_view line) { std::fprintf(stderr, "%.*s\n", int(line.size()), line.data()); };
    }

    bool takeLargeBody() {
        std::size_t inUse = largeBodies.load();
        do {
            if (inUse >= options.maxLargeBodies) return false;
        } while (!largeBodies.compare_exchange_weak(inUse, inUse + 1));
        return true;
    }

    void accept();
    void refuseBusy(tcp::socket& socket);
    void beginStop();
};

struct HttpServer::Impl::Session : std::enable_shared_from_this<Session> {
    Impl& server;
    beast::tcp_stream stream;
    beast::flat_buffer buffer;
    std::optional<http::request_parser<http::string_body>> parser;
    http::response<http::string_body> response;
    std::string peer;
    std::string client;  // the request's client address, for the log
    bool busy = false;  // from a request's header until its answer is written
    bool first = true;
    bool holdsLargeBody = false;
    Clock::time_point started;
    Clock::time_point bodyDue;

    Session(Impl& s, tcp::socket socket) : server(s), stream(std::move(socket)) {
        beast::error_code error;
        const auto endpoint = stream.socket().remote_endpoint(error);
        peer = error ? std::string("unknown") : endpoint.address().to_string();
    }

    void readNext() {
        if (server.stopping) return close();
        parser.emplace();
        parser->header_limit(static_cast<std::uint32_t>(std::min<std::size_t>(server.options.maxHeaderBytes, UINT32_MAX)));
        parser->body_limit(server.options.maxBodyBytes);
        busy = false;
        client = peer;
        // A kept-alive connection may wait idleTimeout for its next request, header included.
        stream.expires_after(first ? server.options.headerTimeout : server.options.idleTimeout);
        http::async_read_header(stream, buffer, *parser,
                                [self = shared_from_this()](beast::error_code error, std::size_t) { self->onHeader(error); });
    }

    void onHeader(beast::error_code error) {
        if (error) return failed(error);
        busy = true;
        started = Clock::now();
        // A body in any other transfer coding has no end that can be found; taking it as empty
        // would answer what it holds as a request of its own.
        if (parser->get().count(http::field::transfer_encoding) && !parser->chunked())
            return answer(refusal(400, "The request could not be read."), false);
        bodyDue = started + server.options.bodyDeadline;
        const auto length = parser->content_length();
        const bool large = parser->chunked() || (length && *length > server.options.largeBodyBytes);
        if (large) {
            if (!server.takeLargeBody()) return answer(refusal(503, "The share service is taking in too many maps at once. Try again in a moment."), false,
                                                       {{"Retry-After", "2"}});
            holdsLargeBody = true;
        }
        // curl and others hold a large body back until told to go on.
        if (beast::iequals(parser->get()[http::field::expect], "100-continue")) {
            static constexpr std::string_view goOn = "HTTP/1.1 100 Continue\r\n\r\n";
            stream.expires_after(server.options.writeTimeout);
            return asio::async_write(stream, asio::buffer(goOn.data(), goOn.size()),
                                     [self = shared_from_this()](beast::error_code e, std::size_t) {
                                         if (e) return self->close();
                                         self->readBody();
                                     });
        }
        readBody();
    }

    // The body arrives in pieces, each within readTimeout, all before bodyDue.
    void readBody() {
        if (parser->is_done()) return handOver();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(bodyDue - Clock::now());
        if (left.count() <= 0) return close();
        stream.expires_after(std::min(server.options.readTimeout, left));
        http::async_read_some(stream, buffer, *parser, [self = shared_from_this()](beast::error_code error, std::size_t) {
            if (error) return self->failed(error);
            self->readBody();
        });
    }

    void failed(beast::error_code error) {
        if (error == http::error::header_limit) return answer(refusal(431, "The request\u2019s header is larger than the service accepts."), false);
        if (error == http::error::body_limit) return answer(refusal(413, "The publish request is larger than the service accepts."), false);
        if (closedByPeerOrTimer(error)) return close();
        // Anything Beast refuses to parse is the client's fault and never reaches the routes.
        if (error.category() == http::make_error_code(http::error::bad_method).category())
            return answer(refusal(400, "The request could not be read."), false);
        close();
    }

    void handOver() {
        auto& message = parser->get();
        const bool head = message.method() == http::verb::head;
        ServiceRequest request = serviceRequest(message, peer, server.options.trustProxy);
        client = request.clientAddress;
        const bool keepAlive = message.keep_alive();
        // The routes may wait for storage: they run on the pool, never on the I/O thread. The work
        // guard keeps run() from returning while a request is with them.
        asio::post(server.pool, [self = shared_from_this(), request = std::move(request), keepAlive, head,
                                 work = asio::make_work_guard(server.io)]() mutable {
            ServiceResponse reply;
            try {
                reply = self->server.handler(request);
            } catch (const std::exception&) {
                reply = refusal(500, "Something went wrong on the share service.");
            }
            asio::post(self->stream.get_executor(), [self, reply = std::move(reply), keepAlive, head]() mutable {
                self->answer(std::move(reply), keepAlive, {}, head);
            });
        });
    }

    void answer(ServiceResponse reply, bool keepAlive,
                std::initializer_list<std::pair<std::string_view, std::string_view>> extra = {}, bool head = false) {
        if (!busy) started = Clock::now();
        busy = true;
        response = {};
        response.version(11);
        response.result(static_cast<unsigned>(reply.status));
        for (const auto& [name, value] : reply.headers) response.insert(name, value);
        for (const auto& [name, value] : extra) response.insert(name, value);
        const std::size_t bytes = reply.body.size();
        response.content_length(bytes);
        if (!head) response.body() = std::move(reply.body);
        const bool again = keepAlive && !server.stopping;
        response.keep_alive(again);
        log(reply.status, bytes, head);
        stream.expires_after(server.options.writeTimeout);
        http::async_write(stream, response, [self = shared_from_this(), again](beast::error_code error, std::size_t) {
            self->first = false;
            self->releaseLargeBody();
            if (error || !again) return self->close();
            self->readNext();
        });
    }

    void log(int status, std::size_t bytes, bool head) const {
        RequestLogEntry entry{client, "", "", status, bytes, 0};
        if (parser && parser->is_header_done()) {
            entry.method = head ? "HEAD" : std::string(parser->get().method_string());
            entry.target = std::string(parser->get().target());
        }
        entry.milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
        server.options.log(requestLogLine(entry));
    }

    void releaseLargeBody() {
        if (holdsLargeBody) --server.largeBodies;
        holdsLargeBody = false;
    }

    void close() {
        beast::error_code ignored;
        stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream.close();
        releaseLargeBody();
        std::lock_guard lock(server.sessionsMutex);
        server.sessions.erase(shared_from_this());
    }
};

// Answered in one write and closed: the client may try again later.
void HttpServer::Impl::refuseBusy(tcp::socket& socket) {
    static constexpr std::string_view busy =
        "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 5\r\nRetry-After: 1\r\nConnection: close\r\n\r\nbusy\n";
    beast::error_code ignored;
    asio::write(socket, asio::buffer(busy.data(), busy.size()), ignored);
    socket.shutdown(tcp::socket::shutdown_both, ignored);
}

void HttpServer::Impl::accept() {
    acceptor.async_accept(asio::make_strand(io), [this](beast::error_code error, tcp::socket socket) {
        if (stopping || !acceptor.is_open()) return;
        if (!error) {
            std::unique_lock lock(sessionsMutex);
            if (sessions.size() >= options.maxConnections) {
                lock.unlock();
                refuseBusy(socket);
            } else {
                auto session = std::make_shared<Session>(*this, std::move(socket));
                sessions.insert(session);
                lock.unlock();
                asio::dispatch(session->stream.get_executor(), [session] { session->readNext(); });
            }
        }
        accept();
    });
}

void HttpServer::Impl::beginStop() {
    if (stopping.exchange(true)) return;
    beast::error_code ignored;
    acceptor.close(ignored);
    signals.cancel(ignored);
    std::vector<std::shared_ptr<Session>> all;
    {
        std::lock_guard lock(sessionsMutex);
        all.assign(sessions.begin(), sessions.end());
    }
    // Idle connections close now; one whose request is being read or answered closes after it.
    for (auto& session : all)
        asio::post(session->stream.get_executor(), [session] {
            if (!session->busy) session->close();
        });
}

HttpServer::HttpServer(HttpServerOptions options, ServiceHandler handler)
    : impl_(std::make_unique<Impl>(std::move(options), std::move(handler))) {
    const tcp::endpoint endpoint(asio::ip::make_address(impl_->options.address), impl_->options.port);
    impl_->acceptor.open(endpoint.protocol());
    impl_->acceptor.set_option(asio::socket_base::reuse_address(true));
    impl_->acceptor.bind(endpoint);
    impl_->acceptor.listen(asio::socket_base::max_listen_connections);
}

HttpServer::~HttpServer() { impl_->pool.join(); }

std::uint16_t HttpServer::port() const {
    beast::error_code error;
    const auto endpoint = impl_->acceptor.local_endpoint(error);
    return error ? impl_->options.port : endpoint.port();
}

void HttpServer::run() {
    if (impl_->options.stopOnSignal) {
        impl_->signals.add(SIGTERM);
        impl_->signals.add(SIGINT);
        impl_->signals.async_wait([this](beast::error_code error, int) {
            if (!error) impl_->beginStop();
        });
    }
    impl_->accept();
    impl_->io.run();
    impl_->pool.join();
}

void HttpServer::stop() {
    asio::post(impl_->io, [this] { impl_->beginStop(); });
}

}  // namespace velk::share
