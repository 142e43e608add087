#include "ShareServiceProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace velk::share::testing_support {
namespace {

sockaddr_in loopback(unsigned short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

}  // namespace

unsigned short freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

RawConnection::RawConnection(unsigned short port) : m_fd(socket(AF_INET, SOCK_STREAM, 0)) {
    const sockaddr_in address = loopback(port);
    if (connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(m_fd);
        m_fd = -1;
    }
}

RawConnection::~RawConnection() {
    if (m_fd >= 0) close(m_fd);
}

void RawConnection::send(std::string_view bytes) {
    while (m_fd >= 0 && !bytes.empty()) {
        const ssize_t sent = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return;
        bytes.remove_prefix(std::size_t(sent));
    }
}

// Reads what arrives until `until`; false when the peer closed or time ran out.
bool RawConnection::fill(std::chrono::steady_clock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    pollfd ready{m_fd, POLLIN, 0};
    if (m_fd < 0 || left.count() <= 0 || poll(&ready, 1, int(left.count())) <= 0) return false;
    char buffer[65536];
    const ssize_t got = recv(m_fd, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    m_pending.append(buffer, std::size_t(got));
    return true;
}

HttpAnswer RawConnection::read(std::chrono::milliseconds timeout, bool headOnly) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    std::size_t end;
    while ((end = m_pending.find("\r\n\r\n")) == std::string::npos)
        if (!fill(until)) return {};
    HttpAnswer answer{0, m_pending.substr(0, end + 2), {}};
    std::size_t length = 0;
    std::istringstream lines(answer.head);
    for (std::string line; std::getline(lines, line);)
        if (line.size() > 16 && strncasecmp(line.c_str(), "content-length: ", 16) == 0) length = std::stoul(line.substr(16));
    if (headOnly) length = 0;
    while (m_pending.size() < end + 4 + length)
        if (!fill(until)) return {};
    answer.status = std::atoi(answer.head.c_str() + 9);
    answer.body = m_pending.substr(end + 4, length);
    m_pending.erase(0, end + 4 + length);
    return answer;
}

bool RawConnection::closesWithin(std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    const std::size_t before = m_pending.size();
    while (fill(until)) {
    }
    return m_pending.size() == before && std::chrono::steady_clock::now() < until;
}

HttpAnswer httpRequest(unsigned short port, std::string_view method, std::string_view target, std::string_view body,
                       std::string_view headers) {
    RawConnection connection(port);
    connection.send(std::string(method) + " " + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                    std::string(headers) + "Content-Length: " + std::to_string(body.size()) +
                    "\r\nConnection: close\r\n\r\n" + std::string(body));
    return connection.read(std::chrono::seconds(30), method == "HEAD");
}

ServiceProcess::ServiceProcess(const std::string& database, const std::string& folder, std::vector<std::string> extra)
    : m_port(freePort()), m_logPath(folder + "/velk-share-" + std::to_string(m_port) + ".log") {
    std::vector<std::string> arguments{VELK_SHARE_PATH, "serve", "--listen", "127.0.0.1:" + std::to_string(m_port),
                                       "--db", database};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    m_pid = fork();
    if (m_pid == 0) {
        const int log = open(m_logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(log, STDERR_FILENO);
        dup2(log, STDOUT_FILENO);
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (httpRequest(m_port, "GET", "/healthz").status == 200) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    throw std::runtime_error("velk-share did not answer on port " + std::to_string(m_port) + ": " + log());
}

ServiceProcess::~ServiceProcess() {
    kill(SIGTERM);
    (void)wait();
}

void ServiceProcess::kill(int signal) {
    if (m_pid > 0) ::kill(m_pid, signal);
}

int ServiceProcess::wait() {
    if (m_pid <= 0) return -1;
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), {}};
}

}  // namespace velk::share::testing_support
