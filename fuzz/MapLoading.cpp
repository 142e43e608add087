// Loads a package whose root canvas, one submap and its sidecar are fuzzed bytes. Loading never
// crashes, a readable root always loads, every map path names one map, and the editor state
// written compactly reads back as the same value.

#include "FuzzCheck.h"
#include "json/OrderedJSON.h"
#include "package/DocumentTree.h"
#include "package/MapDocument.h"

#include <set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velk;
    // The first NUL byte separates the root canvas from the submap; the submap doubles as its
    // own sidecar, so sidecar reading sees the same shapes.
    const std::string_view input = fuzz::text(data, size), root = input.substr(0, input.find('\0'));
    const std::string submap(input.substr(std::min(root.size() + 1, input.size())));
    DocumentTree tree;
    tree.write(std::string(root), "map.canvas");
    tree.write(submap, "map/Sub.canvas");
    tree.write(submap, "map/Sub.canvas.velk");
    const auto maps = MapDocument::load(tree, MapDocument::rootCanvasName);
    const auto rootValue = OrderedJSON::parse(root);
    fuzz::require(maps.has_value() == (rootValue && rootValue->isObject()), "a readable root that does not load, or the reverse");
    if (!maps) return 0;
    std::set<std::string> paths;
    for (const LoadedMap& map : *maps)
        fuzz::require(map.canvas.isObject() && map.sidecar.isObject() && paths.insert(map.path).second, "a map twice or not an object", map.path);
    fuzz::require(maps->front().path == "/", "the root is not first");
    const JSONValue state = MapDocument::state(*maps);
    const auto again = OrderedJSON::parse(OrderedJSON::write(state, Pretty::no));
    fuzz::require(again && *again == state, "the state does not read back");
    return 0;
}
