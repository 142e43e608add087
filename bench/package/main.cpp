// Loading and saving whole packages, each measured against the plain JSON work it cannot avoid:
// reading every canvas and sidecar for a load, reading the body and writing it pretty for a save.

#include "Packages.h"
#include "BenchmarkProgram.h"
#include "TimeCollector.h"

#include "json/OrderedJSON.h"
#include "package/MapDocument.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>

namespace velk::bench {

namespace {

void parseEveryFile(const DocumentTree& tree) {
    std::vector<const DocumentTree*> work{&tree};
    while (!work.empty()) {
        const DocumentTree* node = work.back();
        work.pop_back();
        if (!node->isDirectory()) {
            auto value = OrderedJSON::parse(*node->bytes());
            benchmark::DoNotOptimize(value);
        }
        for (const auto& [name, child] : node->children()) work.push_back(&child);
    }
}

struct SaveCase {
    DocumentTree tree;
    MapDocument::KnownFiles files;
    std::string bodyText;
};

SaveCase saveCase(DocumentTree tree) {
    SaveCase result{std::move(tree), {}, {}};
    const auto maps = MapDocument::load(result.tree, MapDocument::rootCanvasName);
    for (const LoadedMap& map : *maps) result.files[map.path] = map.file;
    result.bodyText = OrderedJSON::write(MapDocument::state(*maps), Pretty::no);
    return result;
}

void applySave(benchmark::State& state, const SaveCase& save) {
    for (auto _ : state) {
        const auto body = OrderedJSON::parse(save.bodyText);
        auto applied = MapDocument::apply(*body, save.tree, save.files, MapDocument::rootCanvasName);
        benchmark::DoNotOptimize(applied);
    }
}

const SaveCase& chainSave(std::size_t depth) {
    static std::map<std::size_t, SaveCase> saves;
    auto found = saves.find(depth);
    if (found == saves.end()) found = saves.emplace(depth, saveCase(makeChain(depth))).first;
    return found->second;
}

// apply/NAME and parse-and-write/NAME: a save, and the JSON work it cannot avoid on its body.
void registerSave(const std::string& name, const SaveCase& save) {
    benchmark::RegisterBenchmark(("apply/" + name).c_str(), [&save](benchmark::State& state) { applySave(state, save); });
    benchmark::RegisterBenchmark(("parse-and-write/" + name).c_str(), [&save](benchmark::State& state) {
        for (auto _ : state) {
            const auto body = OrderedJSON::parse(save.bodyText);
            benchmark::DoNotOptimize(OrderedJSON::write(*body, Pretty::yes));
        }
    });
}

void registerAll() {
    static const DocumentTree load20k = makePackage(200, 100, 0);
    static const DocumentTree load10k = makePackage(100, 100, 0);
    for (const auto& [name, tree] : {std::pair{"20k", &load20k}, std::pair{"10k", &load10k}}) {
        benchmark::RegisterBenchmark((std::string("load/") + name).c_str(), [tree = tree](benchmark::State& state) {
            for (auto _ : state) {
                auto maps = MapDocument::load(*tree, MapDocument::rootCanvasName);
                benchmark::DoNotOptimize(MapDocument::state(*maps));
            }
        });
        benchmark::RegisterBenchmark((std::string("parse-files/") + name).c_str(), [tree = tree](benchmark::State& state) {
            for (auto _ : state) parseEveryFile(*tree);
        });
    }

    static const SaveCase save = saveCase(makePackage(100, 100, 10));
    registerSave("10k-cards", save);

    static const SaveCase ink10k = saveCase(makePackage(1, 10'000, 1));
    static const SaveCase ink20k = saveCase(makePackage(1, 20'000, 1));
    benchmark::RegisterBenchmark("apply/ink-10k", [](benchmark::State& state) { applySave(state, ink10k); });
    benchmark::RegisterBenchmark("apply/ink-20k", [](benchmark::State& state) { applySave(state, ink20k); });

    for (const std::size_t depth : {1'500, 3'000}) {
        const SaveCase& chain = chainSave(depth);
        benchmark::RegisterBenchmark(("apply/chain-" + std::to_string(depth)).c_str(),
                                     [&chain](benchmark::State& state) { applySave(state, chain); });
    }
}

void printRatios(const TimeCollector& times) {
    std::printf("\npackages, this run\n");
    printLine("load+state / parse its files (20k cards)", times.ratio("load/20k", "parse-files/20k"), Target{1.5, true});
    printLine("load 20k cards / 10k cards (2.00x linear)", times.ratio("load/20k", "load/10k"), Target{2.5, true});
    printLine("apply / parse+pretty write (10k cards)", times.ratio("apply/10k-cards", "parse-and-write/10k-cards"),
              Target{3.0, true});
    printLine("apply 20k ink cards / 10k (2.00x linear)", times.ratio("apply/ink-20k", "apply/ink-10k"), Target{2.5, true});
    // Submap folders nest, so each level's path is longer than the last and 3000 levels hold about
    // four times the bytes of 1500: linear is the time per byte of the save body staying put.
    const double bytes = double(chainSave(3'000).bodyText.size()) / double(chainSave(1'500).bodyText.size());
    const auto chain = times.ratio("apply/chain-3000", "apply/chain-1500");
    printLine("apply 3000 nested submaps / 1500, per body byte (1.00x linear)",
              chain ? std::optional(*chain / bytes) : std::nullopt, Target{1.25, true});
}

}  // namespace

}  // namespace velk::bench

int main(int argc, char** argv) {
    return velk::bench::runBenchmarkProgram(argc, argv, velk::bench::registerAll, velk::bench::printRatios);
}
