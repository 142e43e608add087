// Applies fuzzed save bodies to a fixed package (a shared submap, a nested one, ink) through the
// document core, then saves the result through the package store onto a file system in memory.
// Nothing crashes, the root canvas stays loadable, and every node the store declines to write is
// one it reports.

#include "FuzzCheck.h"
#include "json/OrderedJSON.h"
#include "package/MapDocumentCore.h"
#include "package/MemoryFileSystem.h"
#include "package/PackageStore.h"

#include <set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velk;
    const auto body = OrderedJSON::parse(fuzz::text(data, size));
    if (!body) return 0;
    DocumentTree tree;
    tree.write(R"({"nodes":[{"id":"a","type":"file","file":"map/Shared.canvas"},{"id":"b","type":"text","text":"Shared"},)"
               R"({"id":"c","type":"file","file":"map/Shared.canvas"},{"id":"ink","type":"file"}],"edges":[]})", "map.canvas");
    tree.write(R"({"nodes":{"ink":{"role":"ink","source":{"strokes":[{"points":[[0,0],[10,10]]}]}}}})", "map.canvas.velk");
    tree.write(R"({"nodes":[{"id":"d","type":"file","file":"map/Shared/Deep.canvas"}],"edges":[]})", "map/Shared.canvas");
    tree.write(R"({"nodes":[]})", "map/Shared/Deep.canvas");
    MapDocumentCore core(std::move(tree));
    fuzz::require(core.state().has_value(), "the fixed package does not load");
    if (!core.apply(*body)) return 0;  // refused: diverged shared copies
    fuzz::require(MapDocument::load(core.tree(), MapDocument::rootCanvasName).has_value(), "the root no longer loads");
    testing_support::MemoryFileSystem disk;
    disk.addDirectory("/maps");
    PackageStore store(disk, "/maps/Fuzz.velk");
    const auto saved = store.create(core.tree());
    if (!saved) return 0;
    std::set<std::string> reported;
    for (const SkippedNode& skipped : saved->skipped) reported.insert(skipped.path);
    // Every node whose own name is unsafe (found by its parent's path, "/", the name) is reported.
    std::vector<std::pair<const DocumentTree*, std::string>> work{{&core.tree(), ""}};
    while (!work.empty()) {
        const auto [node, at] = work.back();
        work.pop_back();
        for (const auto& [name, child] : node->children()) {
            const std::string path = at.empty() ? name : at + "/" + name;
            if (name.empty() || name == "." || name == ".." || name.find_first_of(std::string_view("/\0", 2)) != name.npos)
                fuzz::require(reported.contains(path), "an unsafe node not reported", path);
            else work.emplace_back(&child, path);
        }
    }
    return 0;
}
