// Loading a package into editor state: a depth-first walk over linking cards with an explicit
// stack, so a package of any depth cannot exhaust the call stack.

#include "json/OrderedJSON.h"
#include "package/MapDocument.h"
#include "package/MapTree.h"

#include <unordered_set>

namespace velk::MapDocument {

namespace {

struct Link {
    std::string_view file;
    std::string_view id;
};

// The submap a card links to: a "file" card naming a ".canvas" file, with a string id.
std::optional<Link> submapLink(const JSONValue& card) {
    const auto type = card["type"];
    if (!type || type->stringValue() != "file") return std::nullopt;
    const auto file = card["file"];
    const auto fileText = file ? file->stringValue() : std::nullopt;
    if (!fileText || !MapTree::isSubmapFile(*fileText)) return std::nullopt;
    const auto id = card["id"];
    const auto idText = id ? id->stringValue() : std::nullopt;
    if (!idText) return std::nullopt;
    return Link{*fileText, *idText};
}

// One canvas being walked: its cards, the next one to look at, and what lies above it.
struct Frame {
    JSONValue canvas;  // keeps the views below alive
    JSONArray cards;
    std::size_t next = 0;
    std::string mapPath;
    std::string canonicalFile;  // what detects a cycle: one spelling per file
};

Frame frameFor(const JSONValue& canvas, std::string mapPath, std::string canonicalFile) {
    const auto nodes = canvas["nodes"];
    return Frame{canvas, nodes ? nodes->elements() : JSONValue().elements(), 0, std::move(mapPath),
                 std::move(canonicalFile)};
}

}  // namespace

std::optional<JSONValue> storedObject(const DocumentTree& tree, std::string_view path) {
    const SharedBytes bytes = tree.data(path);
    if (!bytes) return std::nullopt;
    // Some editors start a UTF-8 file with a byte order mark. Read as no canvas, the map would
    // not open, and a submap's card would be linked to a fresh file on the next save.
    std::string_view text = *bytes;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    auto value = OrderedJSON::parse(text);
    if (!value || !value->isObject()) return std::nullopt;
    return *value;
}

JSONValue sidecar(const DocumentTree& tree, std::string_view canvasPath) {
    return storedObject(tree, MapTree::sidecarPath(canvasPath)).value_or(JSONValue::object({}));
}

Expected<std::vector<LoadedMap>, MapDocumentError> load(const DocumentTree& tree, std::string_view rootName) {
    const auto root = storedObject(tree, rootName);
    if (!root) return Unexpected<MapDocumentError>(MapDocumentError::noRootCanvas(std::string(rootName)));

    std::vector<LoadedMap> maps{{"/", std::string(rootName), *root, sidecar(tree, rootName)}};
    std::unordered_multiset<std::string> ancestors{MapTree::canonicalPath(rootName)};
    std::unordered_set<std::string> mapPaths{"/"};
    std::vector<Frame> stack;
    stack.push_back(frameFor(*root, "/", MapTree::canonicalPath(rootName)));

    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.cards.size()) {
            ancestors.erase(ancestors.find(frame.canonicalFile));
            stack.pop_back();
            continue;
        }
        const JSONValue card = frame.cards[frame.next++];
        const auto link = submapLink(card);
        if (!link) continue;
        std::string canonicalFile = MapTree::canonicalPath(link->file);
        if (ancestors.contains(canonicalFile)) continue;  // a cycle
        std::string mapPath = MapTree::submapPath(frame.mapPath, link->id);
        // A map path names one map: the first card to reach it wins. Later ones (a repeated id,
        // an empty id that would give the parent's own path, an id with "/" that spells another
        // map's path) open nothing, so no save can write one map's content over another's.
        if (mapPaths.contains(mapPath)) continue;
        const auto canvas = storedObject(tree, link->file);
        if (!canvas) continue;

        mapPaths.insert(mapPath);
        maps.push_back({mapPath, std::string(link->file), *canvas, sidecar(tree, link->file)});
        ancestors.insert(canonicalFile);
        stack.push_back(frameFor(*canvas, std::move(mapPath), std::move(canonicalFile)));
    }
    return maps;
}

JSONValue state(const std::vector<LoadedMap>& maps) {
    std::vector<JSONValue> records;
    records.reserve(maps.size());
    for (const LoadedMap& map : maps) {
        records.push_back(JSONValue::object(
            {{"path", JSONValue::string(map.path)}, {"canvas", map.canvas}, {"sidecar", map.sidecar}}));
    }
    return JSONValue::object({{"maps", JSONValue::array(records)}});
}

}  // namespace velk::MapDocument
