// The HTTP front on 127.0.0.1: what reaches the routes, what is refused unread, time-outs and a
// graceful stop.

#include "ShareServiceTestSupport.h"
#include "http/HttpServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>

namespace velk::share {
namespace {

using namespace std::chrono_literals;
using testing_support::RawConnection;

// An HttpServer running on a thread of its own, its log lines kept.
struct Served {
    explicit Served(ServiceHandler handler, HttpServerOptions options = {})
        : server(withLog(std::move(options)), std::move(handler)), thread([this] { server.run(); }) {}
    ~Served() {
        server.stop();
        thread.join();
    }
    HttpServerOptions withLog(HttpServerOptions options) {
        options.log = [this](std::string_view line) {
            std::lock_guard lock(mutex);
            lines.emplace_back(line);
        };
        return options;
    }
    std::vector<std::string> log() {
        std::lock_guard lock(mutex);
        return lines;
    }
    std::mutex mutex;
    std::vector<std::string> lines;
    HttpServer server;
    std::thread thread;
};

// Answers with what it was given, so a test sees the request as the routes do.
ServiceResponse echo(const ServiceRequest& request) {
    return {200, {{"Content-Type", "text/plain"}},
            request.method + " " + request.target + " from " + request.clientAddress + " x=" + request.header("x-test") +
                " body=" + request.body};
}

std::string get(std::string_view target, std::string_view headers = {}) {
    return "GET " + std::string(target) + " HTTP/1.1\r\nHost: h\r\n" + std::string(headers) + "\r\n";
}

TEST(HttpServer, AnswersEachRequestOfAKeptAliveConnectionAndLogsIt) {
    Served served(echo, {.trustProxy = true});
    RawConnection connection(served.server.port());
    connection.send(get("/a?q=1", "X-Test: one\r\nX-Forwarded-For: 203.0.113.9\r\n") +
                    "POST /b HTTP/1.1\r\nHost: h\r\nContent-Length: 5\r\n\r\nhello" + get("/c").replace(0, 3, "HEAD"));
    EXPECT_EQ(connection.read().body, "GET /a?q=1 from 203.0.113.9 x=one body=");
    EXPECT_EQ(connection.read().body, "POST /b from 127.0.0.1 x= body=hello");
    const auto head = connection.read(10s, true);
    EXPECT_EQ(head.status, 200);
    EXPECT_NE(head.head.find("Content-Length: 30"), std::string::npos) << "HEAD tells the GET's length";
    const auto log = served.log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_NE(log[0].find(R"(client="203.0.113.9" method="GET" target="/a?q=1" status=200 bytes=39 ms=)"), std::string::npos)
        << log[0];
    EXPECT_NE(log[2].find(R"(method="HEAD")"), std::string::npos) << log[2];
}

TEST(HttpServer, RefusesWhatIsTooLargeOrMalformedWithoutCallingTheRoutes) {
    std::atomic<int> calls = 0;
    Served served([&](const ServiceRequest& r) { return ++calls, echo(r); }, {.maxHeaderBytes = 512, .maxBodyBytes = 1024});
    const struct {
        const char* name;
        std::string request;
        int status;
    } rows[] = {
        {"header over its limit", get("/", "X-Big: " + std::string(600, 'a') + "\r\n"), 431},
        {"body over its limit, announced", "POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 1025\r\n\r\n", 413},
        {"body over its limit, chunked", "POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n800\r\n" +
                                             std::string(0x800, 'b') + "\r\n0\r\n\r\n", 413},
        {"no HTTP at all", "HELLO\r\n\r\n", 400},
        {"two lengths that disagree", "POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab", 400},
        {"a body in a transfer coding other than chunked", "POST / HTTP/1.1\r\nTransfer-Encoding: gzip\r\n\r\n" + get("/"), 400},
    };
    for (const auto& row : rows) {
        RawConnection connection(served.server.port());
        connection.send(row.request);
        const auto answer = connection.read();
        EXPECT_EQ(answer.status, row.status) << row.name;
        EXPECT_TRUE(answer.body.starts_with("{\"error\":\"")) << row.name << ": " << answer.body;
        EXPECT_TRUE(connection.closesWithin(2s)) << row.name << ": the connection is closed after the refusal";
    }
    EXPECT_EQ(calls, 0);
}

TEST(HttpServer, ReadsOnlyAFewLargeBodiesAtOnce) {
    Served served(echo, {.largeBodyBytes = 10, .maxLargeBodies = 1});
    const std::string header = "POST /up HTTP/1.1\r\nHost: h\r\nContent-Length: 20\r\n\r\n";
    RawConnection first(served.server.port()), second(served.server.port());
    first.send(header + "0123456789");
    std::this_thread::sleep_for(100ms);
    second.send(header);
    const auto refused = second.read();
    EXPECT_EQ(refused.status, 503);
    EXPECT_NE(refused.head.find("Retry-After: 2"), std::string::npos);
    first.send("abcdefghij");
    EXPECT_EQ(first.read().status, 200);
    RawConnection third(served.server.port());
    third.send(header + std::string(20, 'x'));
    EXPECT_EQ(third.read().status, 200) << "the first upload's place is free again";
}

TEST(HttpServer, ClosesSilentStalledAndIdleConnections) {
    Served served(echo, {.headerTimeout = 300ms, .readTimeout = 300ms, .idleTimeout = 300ms});
    const struct {
        const char* name;
        std::string sent;
        bool answered;
    } rows[] = {
        {"sends nothing", "", false},
        {"half a header", "GET / HTTP/1.1\r\nHo", false},
        {"a body that stops", "POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc", false},
        {"kept alive after an answer", get("/"), true},
    };
    for (const auto& row : rows) {
        RawConnection connection(served.server.port());
        connection.send(row.sent);
        if (row.answered) {
            EXPECT_EQ(connection.read().status, 200) << row.name;
        }
        EXPECT_TRUE(connection.closesWithin(3s)) << row.name;
    }
}

TEST(HttpServer, StopAnswersWhatIsInFlightThenTakesNothingNew) {
    std::promise<void> entered, release;
    auto released = release.get_future().share();
    auto server = std::make_unique<Served>([&](const ServiceRequest& r) {
        if (r.target == "/slow") entered.set_value(), released.wait();
        return echo(r);
    });
    const auto port = server->server.port();
    RawConnection busy(port), idle(port);
    idle.send(get("/warm"));
    EXPECT_EQ(idle.read().status, 200);
    busy.send(get("/slow"));
    entered.get_future().wait();
    server->server.stop();
    EXPECT_TRUE(idle.closesWithin(3s)) << "an idle connection is closed at once";
    release.set_value();
    const auto answer = busy.read();
    EXPECT_EQ(answer.status, 200);
    EXPECT_NE(answer.head.find("Connection: close"), std::string::npos);
    server.reset();  // run() returned, so this joins
    EXPECT_FALSE(RawConnection(port).connected());
}

TEST(HttpServer, AThrowingRouteAnswers500AndExpectContinueIsHonoured) {
    Served served([](const ServiceRequest& r) -> ServiceResponse {
        if (r.target == "/boom") throw std::runtime_error("boom");
        return echo(r);
    });
    EXPECT_EQ(testing_support::httpRequest(served.server.port(), "GET", "/boom").status, 500);
    RawConnection connection(served.server.port());
    connection.send("POST /up HTTP/1.1\r\nHost: h\r\nExpect: 100-continue\r\nContent-Length: 2\r\n\r\n");
    EXPECT_EQ(connection.read().status, 100);
    connection.send("ok");
    EXPECT_EQ(connection.read().body, "POST /up from 127.0.0.1 x= body=ok");
}

TEST(HttpServer, ClientAddressAndLogQuoting) {
    const struct {
        const char* forwardedFor;
        bool trusted;
        const char* client;
    } addresses[] = {
        {"203.0.113.9", false, "192.0.2.1"},          {"203.0.113.9", true, "203.0.113.9"},
        {"198.51.100.1, 203.0.113.9", true, "203.0.113.9"}, {"2001:db8::1", true, "2001:db8::1"},
        {"not an address", true, "192.0.2.1"},        {"", true, "192.0.2.1"},
    };
    for (const auto& row : addresses)
        EXPECT_EQ(clientAddress("192.0.2.1", row.forwardedFor, row.trusted), row.client) << row.forwardedFor;
    EXPECT_EQ(logQuoted("a\"b\\c\nd\x7f\xc2\x9b"), R"("a\"b\\c\x0ad\x7f\xc2\x9b")");
}

}  // namespace
}  // namespace velk::share
