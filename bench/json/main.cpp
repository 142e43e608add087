// velk_bench_json: velk's JSON reader and writer against peer libraries in one run, ending with
// the ratios that matter. Run by hand; bench/README.md says how.

#include "AllocationCount.h"
#include "Documents.h"
#include "Peers.h"
#include "RatioReport.h"

#include "json/OrderedJSON.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace velk;
using namespace velk::bench;

namespace {

struct NamedText {
    std::string name;
    std::string text;
};

constexpr Peer parsers[] = {Peer::velk, Peer::rapidjson, Peer::rapidjsonNumberText, Peer::nlohmannOrdered,
                            Peer::simdjsonDom};
constexpr Peer writers[] = {Peer::velk, Peer::rapidjson, Peer::nlohmannOrdered};

void registerParse(const NamedText& document, Peer peer) {
    std::shared_ptr<BoundParser> parser = bindParser(peer, document.text);
    const auto bytes = static_cast<std::int64_t>(document.text.size());
    benchmark::RegisterBenchmark(benchmarkName("parse", document.name, peer).c_str(),
                                 [parser, bytes](benchmark::State& state) {
                                     for (auto _ : state) {
                                         if (!parser->parseOnce()) state.SkipWithError("the text was refused");
                                     }
                                     state.SetBytesProcessed(state.iterations() * bytes);
                                 });
}

void registerWrite(const NamedText& document, Peer peer, Pretty pretty) {
    std::shared_ptr<BoundWriter> writer = bindWriter(peer, document.text);
    const char* task = pretty == Pretty::yes ? "write-pretty" : "write-compact";
    benchmark::RegisterBenchmark(benchmarkName(task, document.name, peer).c_str(),
                                 [writer, pretty](benchmark::State& state) {
                                     std::size_t written = 0;
                                     for (auto _ : state) written = writer->writeOnce(pretty);
                                     state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(written));
                                 });
}

// A fault that would make the timings meaningless: a peer refusing the text, or velk's output
// meaning something else than its input.
std::optional<std::string> disagreement(const NamedText& document) {
    for (Peer peer : parsers) {
        if (!bindParser(peer, document.text)->parseOnce()) return std::string(peerName(peer)) + " refused the text";
    }
    const auto value = OrderedJSON::parse(document.text);
    if (!value) return "velk refused the text: " + value.error().description();
    if (OrderedJSON::write(*value, Pretty::yes) != document.text) return "velk does not write its own layout back unchanged";
    if (!sameValue(document.text, OrderedJSON::write(*value, Pretty::no))) return "velk's compact text reads differently";
    return std::nullopt;
}

Footprint measureFootprint(const NamedText& document) {
    AllocationCount count;
    auto value = OrderedJSON::parse(document.text);
    return {document.name, document.text.size(), count.live(), count.peak()};
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    const std::vector<NamedText> canvases = {
        {"100KB", canvasText(100'000)},
        {"2MB", canvasText(2'000'000)},
        {"20MB", canvasText(20'000'000)},
    };
    const std::vector<NamedText> keyedObjects = {
        {std::string(smallKeyedObject), keyedObjectText(10'000)},
        {std::string(largeKeyedObject), keyedObjectText(50'000)},
    };

    std::vector<std::string> canvasNames;
    for (const NamedText& canvas : canvases) {
        std::printf("canvas %s: %zu bytes\n", canvas.name.c_str(), canvas.text.size());
        if (auto problem = disagreement(canvas)) {
            std::fprintf(stderr, "canvas %s: %s\n", canvas.name.c_str(), problem->c_str());
            return 1;
        }
        canvasNames.push_back(canvas.name);
    }
    const Footprint footprint = measureFootprint(canvases[1]);

    // Each canvas's benchmarks run together, so that a change of load on the machine touches all
    // peers of one comparison alike.
    for (const NamedText& canvas : canvases) {
        for (Peer peer : parsers) registerParse(canvas, peer);
        for (Pretty pretty : {Pretty::no, Pretty::yes}) {
            for (Peer peer : writers) registerWrite(canvas, peer, pretty);
        }
    }
    for (const NamedText& object : keyedObjects) {
        for (Peer peer : {Peer::velk, Peer::rapidjson}) registerParse(object, peer);
    }

    TimeCollector times;
    benchmark::RunSpecifiedBenchmarks(&times);
    benchmark::Shutdown();
    printRatios(times, canvasNames, footprint);
    return 0;
}
