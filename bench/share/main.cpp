// velk_bench_share: several clients publishing and fetching maps against real velk-share
// processes on 127.0.0.1, over SQLite, over PostgreSQL, and as two instances sharing one
// PostgreSQL database (each share published through one and fetched through the other).
// Prints throughput and latency per setup and map, the ratios between setups measured in this
// run, and whether every acknowledged share read back byte for byte; exits 1 when one did not.

#include "../package/Packages.h"
#include "ShareServiceTestSupport.h"
#include "json/OrderedJSON.h"
#include "package/MapDocumentCore.h"
#include "package/PackageStore.h"
#include "platform/PosixFileSystem.h"
#include "service/JSONMembers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace velk;
using namespace velk::share;
using Clock = std::chrono::steady_clock;

struct Options {
    unsigned clients = 8;
    double seconds = 4;
};

struct Result {
    std::size_t publishes = 0, fetches = 0, identical = 0;
    std::vector<double> publishMs, fetchMs;
    double seconds = 0;
};

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::ranges::sort(values);
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

std::string stateOf(MapDocumentCore core) {
    const auto state = core.state();
    if (!state) std::exit(2);
    return OrderedJSON::write(*state, Pretty::no);
}

std::string templateState(const std::string& folder) {
    PosixFileSystem files;
    PackageStore store(files, folder);
    auto contents = store.read();
    if (!contents) {
        std::fprintf(stderr, "velk_bench_share: cannot read %s\n", folder.c_str());
        std::exit(2);
    }
    return stateOf(MapDocumentCore(std::move(contents->tree)));
}

// The state member of a share document, exactly as served.
std::string_view servedState(const std::string& document, std::optional<JSONMembers::Read>& read) {
    read = JSONMembers::read(document);
    if (read)
        for (const auto& member : read->members)
            if (member.key == "state") return member.value;
    return {};
}

double since(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

// Each client publishes through one instance and fetches the share back through the next.
Result load(const std::vector<unsigned short>& ports, const std::string& state, const Options& options) {
    const std::string body = R"({"name":"bench","state":)" + state + "}";
    Result result;
    std::mutex mutex;
    const auto until = Clock::now() + std::chrono::duration<double>(options.seconds);
    auto client = [&](unsigned index) {
        Result mine;
        for (std::size_t round = index; Clock::now() < until; round += options.clients) {
            const unsigned short publishTo = ports[round % ports.size()], fetchFrom = ports[(round + 1) % ports.size()];
            auto start = Clock::now();
            const auto published = testing_support::httpRequest(publishTo, "POST", "/api/share", body);
            if (published.status != 201) continue;
            mine.publishMs.push_back(since(start));
            ++mine.publishes;
            start = Clock::now();
            const auto fetched = testing_support::httpRequest(fetchFrom, "GET", "/api/share/" + published.body.substr(7, 12));
            mine.fetchMs.push_back(since(start));
            ++mine.fetches;
            std::optional<JSONMembers::Read> read;
            if (fetched.status == 200 && servedState(fetched.body, read) == state) ++mine.identical;
        }
        std::lock_guard lock(mutex);
        result.publishes += mine.publishes;
        result.fetches += mine.fetches;
        result.identical += mine.identical;
        result.publishMs.insert(result.publishMs.end(), mine.publishMs.begin(), mine.publishMs.end());
        result.fetchMs.insert(result.fetchMs.end(), mine.fetchMs.begin(), mine.fetchMs.end());
    };
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < options.clients; ++i) threads.emplace_back(client, i);
    for (auto& thread : threads) thread.join();
    result.seconds = since(start) / 1000;
    return result;
}

void print(const char* setup, const char* map, std::size_t bytes, const Result& r) {
    std::printf("%-26s %-22s %8zu KB  publish %7.1f/s p50 %7.1f ms p99 %7.1f ms  fetch %7.1f/s p50 %7.1f ms p99 %7.1f ms  "
                "identical %zu of %zu\n",
                setup, map, bytes / 1024, double(r.publishes) / r.seconds, percentile(r.publishMs, 0.5),
                percentile(r.publishMs, 0.99), double(r.fetches) / r.seconds, percentile(r.fetchMs, 0.5),
                percentile(r.fetchMs, 0.99), r.identical, r.fetches);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--clients") options.clients = std::clamp(std::atoi(argv[i + 1]), 1, 64);
        else if (flag == "--seconds") options.seconds = std::clamp(std::atof(argv[i + 1]), 0.5, 60.0);
    }
    const std::map<std::string, std::string> maps = {
        {"template (wardley)", templateState(VELK_TEMPLATES_DIR "/wardley")},
        {"5,000 cards", stateOf(MapDocumentCore(bench::makePackage(1, 5000, 0)))},
    };
    testing_support::ScratchFolder folder;
    const std::vector<std::string> quiet = {"--writes-per-minute", "0"};
    testing_support::ServiceProcess sqlite("sqlite:" + folder.path() + "/shares.sqlite", folder.path(), quiet);
    const std::string postgres = testing_support::freshPostgresDatabase();
    testing_support::ServiceProcess first(postgres, folder.path(), quiet), second(postgres, folder.path(), quiet);
    const struct {
        const char* name;
        std::vector<unsigned short> ports;
    } setups[] = {{"SQLite, one instance", {sqlite.port()}},
                  {"PostgreSQL, one instance", {first.port()}},
                  {"PostgreSQL, two instances", {first.port(), second.port()}}};

    std::printf("%u clients, %.1f s per run, velk-share processes on 127.0.0.1\n", options.clients, options.seconds);
    bool allIdentical = true;
    std::map<std::string, std::map<std::string, double>> publishRate;
    for (const auto& [mapName, state] : maps)
        for (const auto& setup : setups) {
            const Result result = load(setup.ports, state, options);
            print(setup.name, mapName.c_str(), state.size(), result);
            allIdentical = allIdentical && result.fetches > 0 && result.identical == result.fetches;
            publishRate[mapName][setup.name] = double(result.publishes) / result.seconds;
        }
    std::printf("\nRatios of publish throughput in this run:\n");
    for (auto& [mapName, rates] : publishRate)
        std::printf("  %-22s PostgreSQL/SQLite %.2fx, two instances/one %.2fx\n", mapName.c_str(),
                    rates["PostgreSQL, one instance"] / rates["SQLite, one instance"],
                    rates["PostgreSQL, two instances"] / rates["PostgreSQL, one instance"]);
    std::printf("every acknowledged share read back byte for byte: %s\n", allIdentical ? "yes" : "NO");
    return allIdentical ? 0 : 1;
}
