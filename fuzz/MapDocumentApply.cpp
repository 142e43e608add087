// Applies fuzzed save bodies to a fixed package (a shared submap, a nested one, ink) through the
// document core, then saves the result through the package store onto a file system in memory.
// Nothing crashes, the root canvas stays loadable, and every node the store declines to write is
// one it reports.

#include "json/OrderedJSON.h"
#include "package/MapDocumentCore.h"
#include "package/PackageStore.h"
#include "package/MemoryFileSystem.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

namespace {

velk::DocumentTree fixedPackage() {
    velk::DocumentTree tree;
    tree.write(R"({"nodes":[{"id":"a","type":"file","file":"map/Shared.canvas"},{"id":"b","type":"text","text":"Shared"},)"
               R"({"id":"c","type":"file","file":"map/Shared.canvas"},{"id":"ink","type":"file"}],"edges":[]})",
               "map.canvas");
    tree.write(R"({"nodes":{"ink":{"role":"ink","source":{"strokes":[{"points":[[0,0],[10,10]]}]}}}})", "map.canvas.velk");
    tree.write(R"({"nodes":[{"id":"d","type":"file","file":"map/Shared/Deep.canvas"}],"edges":[]})", "map/Shared.canvas");
    tree.write(R"({"nodes":[]})", "map/Shared/Deep.canvas");
    return tree;
}

bool isUnsafe(const std::string& name) {
    return name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
           name.find('\0') != std::string::npos;
}

// The package paths of nodes whose own name is unsafe (their parent's path, "/", the name).
void unsafeNodes(const velk::DocumentTree& tree, const std::string& path, std::set<std::string>& found) {
    std::vector<std::pair<const velk::DocumentTree*, std::string>> work{{&tree, path}};
    while (!work.empty()) {
        auto [node, at] = work.back();
        work.pop_back();
        for (const auto& [name, child] : node->children()) {
            const std::string childPath = at.empty() ? name : at + "/" + name;
            if (isUnsafe(name)) {
                found.insert(childPath);
                continue;
            }
            work.emplace_back(&child, childPath);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto body = velk::OrderedJSON::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!body) return 0;

    velk::MapDocumentCore core(fixedPackage());
    if (!core.state()) std::abort();
    const auto revision = core.apply(*body);
    if (!revision) return 0;  // refused: diverged shared copies
    if (!velk::MapDocument::load(core.tree(), velk::MapDocument::rootCanvasName)) std::abort();

    velk::testing_support::MemoryFileSystem disk;
    disk.addDirectory("/maps");
    velk::PackageStore store(disk, "/maps/Fuzz.velk");
    const auto saved = store.create(core.tree());
    if (!saved) return 0;
    std::set<std::string> unsafe;
    unsafeNodes(core.tree(), "", unsafe);
    std::set<std::string> reported;
    for (const velk::SkippedNode& skipped : saved->skipped) reported.insert(skipped.path);
    for (const std::string& path : unsafe) {
        if (!reported.contains(path)) std::abort();
    }
    return 0;
}
