// Applying a save body: deciding the file of every map, then writing canvases, sidecars and ink.

#include "core/TextCase.h"
#include "json/OrderedJSON.h"
#include "package/MapSaveSteps.h"
#include "package/MapTree.h"

#include <algorithm>
#include <set>
#include <unordered_map>

namespace velk::MapDocument {

namespace {

struct BodyMap {
    std::string path;
    JSONValue map;
};

// The map objects with a string path, parents before their submaps.
std::vector<BodyMap> mapsInWritingOrder(const JSONArray& maps) {
    std::vector<BodyMap> collected;
    for (const JSONValue map : maps) {
        const auto path = map["path"];
        if (path && path->stringValue()) collected.push_back({std::string(*path->stringValue()), map});
    }
    std::stable_sort(collected.begin(), collected.end(), [](const BodyMap& a, const BodyMap& b) {
        const std::size_t depthA = MapTree::depth(a.path), depthB = MapTree::depth(b.path);
        return depthA != depthB ? depthA < depthB : a.path < b.path;
    });
    return collected;
}

// True when the package already holds something at `path`, in any letter case.
bool packageUses(const DocumentTree& tree, std::string_view path) {
    const auto slash = path.rfind('/');
    const auto directory = tree.at(slash == std::string_view::npos ? "" : path.substr(0, slash));
    if (!directory) return false;
    const std::string name = TextCase::lowercased(path.substr(slash == std::string_view::npos ? 0 : slash + 1));
    for (const auto& [existing, node] : directory->children()) {
        if (TextCase::lowercased(existing) == name) return true;
    }
    return false;
}

// A new submap file named after its card. Unlike the known maps, a file the package holds
// without a map behind it (the canvas of a card deleted earlier) is still the user's data, so
// a name it uses is skipped as well.
std::string mintedFile(const DocumentTree& tree, std::string_view parentFile, std::string_view label,
                       std::string_view nodeID, std::set<std::string>& taken) {
    for (;;) {
        std::string file = MapTree::mintSubmapFile(parentFile, label, nodeID, taken);
        if (!packageUses(tree, file)) return file;
    }
}

void writeJSON(DocumentTree& tree, const JSONValue& value, std::string_view path) {
    tree.write(OrderedJSON::write(value, Pretty::yes), path);
}

}  // namespace

JSONValue linkingSubmaps(const JSONValue& canvas, std::string_view mapPath, const KnownFiles& files,
                         const std::set<std::string>& saved) {
    const auto nodes = canvas["nodes"];
    if (!nodes || nodes->elements().empty()) return canvas;
    // The ids of this map's cards that open a saved submap, found once per canvas rather than
    // by building a path for every card.
    // A card with id i opens the submap whose path is this map's path extended by i, so the id
    // is whatever follows that prefix (an id may hold "/" itself).
    const std::string prefix = MapTree::submapPath(mapPath, "");
    std::unordered_map<std::string_view, const std::string*> submapFiles;
    for (auto submap = saved.lower_bound(prefix); submap != saved.end() && submap->starts_with(prefix); ++submap) {
        const auto file = files.find(*submap);
        if (submap->size() > prefix.size() && file != files.end()) {
            submapFiles.emplace(std::string_view(*submap).substr(prefix.size()), &file->second);
        }
    }
    if (submapFiles.empty()) return canvas;

    std::vector<JSONValue> cards;
    bool changed = false;
    for (JSONValue card : nodes->elements()) {
        const auto id = card["id"];
        const auto idText = id ? id->stringValue() : std::nullopt;
        const auto file = idText ? submapFiles.find(*idText) : submapFiles.end();
        if (file != submapFiles.end()) {
            const std::string& linkedFile = *file->second;
            const auto type = card["type"], current = card["file"];
            const bool linked = type && type->stringValue() == "file" && current && current->stringValue() == linkedFile;
            if (!linked) {
                for (std::string_view key : {"text", "label", "url", "background", "backgroundStyle"}) card = card.without(key);
                card = card.setting("type", JSONValue::string("file")).setting("file", JSONValue::string(linkedFile));
                changed = true;
            }
        }
        cards.push_back(std::move(card));
    }
    return changed ? canvas.setting("nodes", JSONValue::array(cards)) : canvas;
}

AppliedSave apply(const JSONValue& saveBody, DocumentTree tree, KnownFiles files, std::string_view rootCanvasName) {
    files.insert_or_assign("/", std::string(rootCanvasName));
    const auto maps = saveBody["maps"];
    if (!maps || !maps->arrayValue()) return {std::move(tree), std::move(files)};

    renamingSubmaps(maps->elements(), tree, files);
    const std::vector<BodyMap> collected = mapsInWritingOrder(maps->elements());

    std::unordered_map<std::string_view, const BodyMap*> firstWithPath;
    for (const BodyMap& map : collected) firstWithPath.try_emplace(map.path, &map);
    std::set<std::string> taken;
    for (const auto& [mapPath, file] : files) taken.insert(TextCase::lowercased(file));
    std::vector<const BodyMap*> resolved;
    for (const BodyMap& map : collected) {
        if (!files.contains(map.path)) {
            const auto parent = MapTree::parentPath(map.path);
            const auto parentFile = parent ? files.find(parent->parent) : files.end();
            if (parentFile == files.end()) continue;
            const auto parentMap = firstWithPath.find(parent->parent);
            const auto label = parentMap != firstWithPath.end() ? ownerLabel(parentMap->second->map, parent->nodeID)
                                                                : std::nullopt;
            files[map.path] = mintedFile(tree, parentFile->second, label.value_or(""), parent->nodeID, taken);
        }
        resolved.push_back(&map);
    }
    if (resolved.empty()) return {std::move(tree), std::move(files)};

    std::set<std::string> saved;
    for (const BodyMap* map : resolved) saved.insert(map->path);
    for (const BodyMap* map : resolved) {
        const std::string& file = files.at(map->path);
        const auto sidecar = map->map["sidecar"];
        const auto canvas = map->map["canvas"];
        if (canvas && canvas->isObject()) {
            JSONValue written = linkingSubmaps(*canvas, map->path, files, saved);
            written = namingInk(written, sidecar, file);
            written = sizingInk(written, sidecar);
            writeJSON(tree, written, file);
            for (const InkAsset& asset : inkAssets(written, sidecar, file)) tree.write(asset.svg, asset.path);
        }
        if (sidecar && sidecar->isObject()) writeJSON(tree, *sidecar, MapTree::sidecarPath(file));
    }
    return {std::move(tree), std::move(files)};
}

}  // namespace velk::MapDocument
