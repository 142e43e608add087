#pragma once

// The real velk-share as a child process and a raw HTTP client to it on 127.0.0.1, for the share
// service's tests, the desktop tests that share through it, and its benchmark.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace velk::share::testing_support {

[[nodiscard]] std::string readFile(const std::string& path);

// A port of 127.0.0.1 nobody listens on at the moment of asking.
[[nodiscard]] unsigned short freePort();

struct HttpAnswer {
    int status = 0;  // 0: no whole answer came
    std::string head, body;
};

// A TCP connection to 127.0.0.1 that sends exactly the bytes it is given, so the tests can
// write what no HTTP library would.
class RawConnection {
public:
    explicit RawConnection(unsigned short port);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    [[nodiscard]] bool connected() const { return m_fd >= 0; }
    void send(std::string_view bytes);
    // One answer, its body as long as its Content-Length (none for `headOnly`).
    HttpAnswer read(std::chrono::milliseconds timeout = std::chrono::seconds(10), bool headOnly = false);
    // True when the server closes the connection within `timeout` without sending anything more.
    bool closesWithin(std::chrono::milliseconds timeout);

private:
    bool fill(std::chrono::steady_clock::time_point until);
    int m_fd = -1;
    std::string m_pending;
};

// One request on a connection of its own.
[[nodiscard]] HttpAnswer httpRequest(unsigned short port, std::string_view method, std::string_view target,
                                     std::string_view body = {}, std::string_view headers = {});

// The real velk-share serving `database` ("sqlite:PATH" or a postgresql:// URI) on a free port,
// its output kept in `folder`, until killed or destroyed (SIGTERM).
class ServiceProcess {
public:
    ServiceProcess(const std::string& database, const std::string& folder, std::vector<std::string> extra = {});
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    [[nodiscard]] unsigned short port() const { return m_port; }
    void kill(int signal);
    // The exit status after the process ended (waits for it), -1 when it died of a signal.
    int wait();
    [[nodiscard]] std::string log() const { return readFile(m_logPath); }  // what it wrote

private:
    unsigned short m_port;
    pid_t m_pid = -1;
    std::string m_logPath;
};

}  // namespace velk::share::testing_support
