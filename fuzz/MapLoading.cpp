// Loads a package whose root canvas, one submap and its sidecar are fuzzed bytes. Loading never
// crashes, a readable root always loads, every map path names one map, and the editor state
// written compactly reads back as the same value.

#include "json/OrderedJSON.h"
#include "package/DocumentTree.h"
#include "package/MapDocument.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first NUL byte separates the root canvas from the submap; the submap doubles as its
    // own sidecar, so sidecar reading sees the same shapes.
    const std::size_t split = std::min(input.find('\0'), input.size());
    const std::string_view root = input.substr(0, split);
    const std::string_view submap = split < input.size() ? input.substr(split + 1) : std::string_view();

    velk::DocumentTree tree;
    tree.write(std::string(root), "map.canvas");
    tree.write(std::string(submap), "map/Sub.canvas");
    tree.write(std::string(submap), "map/Sub.canvas.velk");

    const auto maps = velk::MapDocument::load(tree, velk::MapDocument::rootCanvasName);
    const auto rootValue = velk::OrderedJSON::parse(root);
    if (maps.has_value() != (rootValue.has_value() && rootValue->isObject())) std::abort();
    if (!maps) return 0;

    std::set<std::string> paths;
    for (const velk::LoadedMap& map : *maps) {
        if (!map.canvas.isObject() || !map.sidecar.isObject()) std::abort();
        if (!paths.insert(map.path).second) std::abort();
    }
    if (maps->front().path != "/") std::abort();

    const velk::JSONValue state = velk::MapDocument::state(*maps);
    const auto again = velk::OrderedJSON::parse(velk::OrderedJSON::write(state, velk::Pretty::no));
    if (!again || !(*again == state)) std::abort();
    return 0;
}
