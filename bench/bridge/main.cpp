// The native side of one save from the editor page on a 5,000-card map, step by step as the
// host runs it: decoding the request, reading the body text, applying it to the document core,
// and building the reply script. The round trip is set against parsing the same body alone, with
// RapidJSON and with velk's reader, so the machine's speed cancels out of the ratios.

#include "BenchmarkProgram.h"
#include "SaveRequest.h"

#include "bridge/BridgeReply.h"
#include "bridge/BridgeRequest.h"
#include "bridge/BridgeScript.h"
#include "bridge/PayloadMembers.h"
#include "json/OrderedJSON.h"
#include "package/MapDocumentCore.h"

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace velk::bench {

namespace {

constexpr std::size_t cards = 20000;

const SaveRequest& request() {
    static const SaveRequest made = makeSaveRequest(cards);
    return made;
}

template <class Value>
Value checked(Expected<Value, auto> result, const char* step) {
    if (!result) {
        std::fprintf(stderr, "%s failed: %s\n", step, result.error().description().c_str());
        std::exit(1);
    }
    return std::move(*result);
}

// The host takes the body out of the payload as its own string.
std::string bodyOf(const BridgeRequest& decoded) {
    auto body = PayloadMembers::string(decoded.payload, "body");
    if (!body) {
        std::fprintf(stderr, "the request carries no body\n");
        std::exit(1);
    }
    return std::move(*body);
}

std::string replyScript(std::int64_t revision) {
    const JSONValue result = JSONValue::object({{"revision", JSONValue::number(revision)}});
    return BridgeScript::reply(12, BridgeReply::ok(result).value());
}

// A core that has handed the page its state, as the host's is before the first save, made outside
// the timing: applied once, the body would equal what is stored, and every later save would skip
// the work a real one does.
MapDocumentCore unsaved(benchmark::State& state) {
    state.PauseTiming();
    MapDocumentCore core(request().package);
    checked(core.state(), "loading the package");
    state.ResumeTiming();
    return core;
}

void registerAll() {
    // Made before any timing starts.
    static_cast<void>(request());
    benchmark::RegisterBenchmark("save/1-decode", [](benchmark::State& state) {
        for (auto _ : state) benchmark::DoNotOptimize(BridgeRequest::decode(request().text));
    });
    benchmark::RegisterBenchmark("save/2-read-body", [](benchmark::State& state) {
        for (auto _ : state) benchmark::DoNotOptimize(OrderedJSON::parse(request().body));
    });
    benchmark::RegisterBenchmark("save/3-apply", [](benchmark::State& state) {
        const JSONValue body = checked(OrderedJSON::parse(request().body), "reading the body");
        for (auto _ : state) {
            MapDocumentCore core = unsaved(state);
            benchmark::DoNotOptimize(checked(core.apply(body), "applying the body"));
        }
    });
    benchmark::RegisterBenchmark("save/4-reply", [](benchmark::State& state) {
        for (auto _ : state) benchmark::DoNotOptimize(replyScript(2));
    });
    benchmark::RegisterBenchmark("save/round-trip", [](benchmark::State& state) {
        for (auto _ : state) {
            MapDocumentCore core = unsaved(state);
            const BridgeRequest decoded = checked(BridgeRequest::decode(request().text), "decoding");
            const JSONValue body = checked(OrderedJSON::parse(bodyOf(decoded)), "reading the body");
            benchmark::DoNotOptimize(replyScript(checked(core.apply(body), "applying the body")));
        }
    });
    benchmark::RegisterBenchmark("parse-body/rapidjson", [](benchmark::State& state) {
        for (auto _ : state) {
            rapidjson::Document document;
            document.Parse(request().body.data(), request().body.size());
            if (document.HasParseError()) state.SkipWithError("RapidJSON refused the body");
            benchmark::DoNotOptimize(document);
        }
    });
}

void printSummary(const TimeCollector& times) {
    std::printf("\nsave of %zu cards (body %zu bytes), this run\n", cards, request().body.size());
    for (const char* step : {"save/1-decode", "save/2-read-body", "save/3-apply", "save/4-reply", "save/round-trip"}) {
        const auto seconds = times.seconds(step);
        std::printf("  %-44s%9.3f ms\n", step, seconds ? *seconds * 1000 : 0.0);
    }
    printLine("round trip / RapidJSON parse of the body", times.ratio("save/round-trip", "parse-body/rapidjson"), {});
    printLine("round trip / velk parse of the body", times.ratio("save/round-trip", "save/2-read-body"), {});
}

}  // namespace

}  // namespace velk::bench

int main(int argc, char** argv) {
    return velk::bench::runBenchmarkProgram(argc, argv, velk::bench::registerAll, velk::bench::printSummary);
}
