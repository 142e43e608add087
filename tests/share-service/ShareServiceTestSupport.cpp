#include "ShareServiceTestSupport.h"

#include <libpq-fe.h>

#include <pwd.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace velk::share::testing_support {
namespace {

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::string postgresBinaries() {
    std::string newest;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql"))
        if (std::filesystem::exists(entry.path() / "bin/initdb") && entry.path().string() > newest) newest = entry.path().string();
    if (newest.empty()) throw std::runtime_error("no PostgreSQL server under /usr/lib/postgresql (scripts/setup installs it)");
    return newest + "/bin/";
}

class PostgresServer {
public:
    PostgresServer() : m_port(freePort()) {
        const std::string bin = postgresBinaries();
        if (geteuid() == 0) {
            const passwd* user = getpwnam("postgres");
            if (!user || chown(m_folder.path().c_str(), user->pw_uid, user->pw_gid) != 0)
                throw std::runtime_error("cannot hand the scratch folder to the postgres user");
            m_as = "runuser -u postgres -- ";
        }
        const std::string data = m_folder.path() + "/data";
        run(m_as + bin + "initdb -D " + data + " -A trust -U postgres -E UTF8 --no-sync >/dev/null");
        // Durability is the SQLite tests' concern; these test the contract, so fsync is off.
        run(m_as + bin + "pg_ctl -D " + data + " -l " + m_folder.path() + "/log -w -o \"-c listen_addresses=127.0.0.1 -p " +
            std::to_string(m_port) + " -k " + m_folder.path() + " -c fsync=off\" start >/dev/null");
        m_stop = m_as + bin + "pg_ctl -D " + data + " -m immediate stop >/dev/null";
    }
    ~PostgresServer() { (void)std::system(m_stop.c_str()); }

    std::string uri(const std::string& database) const {
        return "postgresql://postgres@127.0.0.1:" + std::to_string(m_port) + "/" + database;
    }

private:
    ScratchFolder m_folder;
    int m_port;
    std::string m_as, m_stop;
};

}  // namespace

ScratchFolder::ScratchFolder() {
    std::string pattern = "/tmp/velk-share-test-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string freshPostgresDatabase() {
    static const auto server = std::make_unique<PostgresServer>();
    static std::atomic<int> count{0};
    const std::string name = "contract" + std::to_string(++count);
    PGconn* connection = PQconnectdb(server->uri("postgres").c_str());
    PQclear(PQexec(connection, ("CREATE DATABASE " + name).c_str()));
    PQfinish(connection);
    return server->uri(name);
}

std::string mapState(long n) {
    return R"({"maps":[{"path":"/","canvas":{"nodes":[{"id":"t","type":"text","text":"card )" + std::to_string(n) +
           R"("}],"edges":[]},"sidecar":{"zoom":2}}]})";
}

}  // namespace velk::share::testing_support
