// Applying a save body: deciding the file of every map, then writing canvases, sidecars and ink.

#include "core/TextCase.h"
#include "json/OrderedJSON.h"
#include "package/MapSaveSteps.h"
#include "package/MapTree.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace velk::MapDocument {

namespace {

// A new submap file named after its card. Unlike the known maps, a file the package holds
// without a map behind it (the canvas of a card deleted earlier, or what a renamed map left)
// is still the user's data, so a name whose canvas, sidecar or drawing it uses is skipped too.
std::string mintedFile(const NamesInUse& names, std::string_view parentFile, std::string_view label,
                       std::string_view nodeID, std::set<std::string>& taken) {
    for (;;) {
        std::string file = MapTree::mintSubmapFile(parentFile, label, nodeID, taken);
        if (!names.contains(file) && !names.contains(MapTree::sidecarPath(file)) && !names.contains(MapTree::inkPath(file)))
            return file;
    }
}

// A save writes nowhere below a file, nor over a folder: either would lose what is there (the
// root canvas under an ink card named "map.canvas/x.ink.svg", a file of the user's named like a
// submap folder, a folder of theirs named like a drawing or a sidecar). What would go there is
// not written.
void writing(DocumentTree& tree, std::string bytes, std::string_view path) {
    const auto there = tree.at(path);
    if (!tree.fileOnTheWay(path) && !(there && there->isDirectory())) tree.write(std::move(bytes), path);
}

void writeJSON(DocumentTree& tree, const JSONValue& value, std::string_view path) {
    writing(tree, OrderedJSON::write(value, Pretty::yes), path);
}

// Everything one save writes, gathered before the first write.
struct SavePlan {
    std::vector<const BodyMap*> resolved;                   // the maps written, parents first
    std::unordered_map<std::string, CardLinks> linksOfMap;  // map path -> its cards' submap files
    std::unordered_map<std::string, std::string> formerFile;  // renamed canvas -> its old file
    RenamedFiles renamedTo;                                   // the other way round, canonical
    const ParsedFiles* parsed = nullptr;                      // what the document read or wrote before
    ParsedFiles written;                                      // the canvases written now

    const CardLinks& links(const std::string& mapPath) const {
        static const CardLinks none;
        const auto found = linksOfMap.find(mapPath);
        return found == linksOfMap.end() ? none : found->second;
    }
    std::string_view former(const std::string& file) const {
        const auto found = formerFile.find(file);
        return found == formerFile.end() ? std::string_view() : std::string_view(found->second);
    }
};

// Gives every map of the body a file, minting one for each new submap.
std::vector<const BodyMap*> resolvingFiles(const SaveBody& body, const NamesInUse& names, KnownFiles& files) {
    const auto isMap = [&](std::string_view path) { return files.contains(path); };
    std::set<std::string> taken;
    for (const auto& [mapPath, file] : files) taken.insert(TextCase::lowercased(MapTree::canonicalPath(file)));
    std::vector<const BodyMap*> resolved;
    for (const BodyMap& map : body.inWritingOrder()) {
        if (!files.contains(map.path)) {
            const auto owner = body.owner(map.path, isMap);
            if (!owner) continue;
            const auto label = owner->card ? ownerLabel(*owner->card) : std::nullopt;
            files[map.path] = mintedFile(names, files.at(owner->parent), label.value_or(""), owner->nodeID, taken);
        }
        resolved.push_back(&map);
    }
    return resolved;
}

// The submap file of every card whose map is written now, or whose file another card renamed.
std::unordered_map<std::string, CardLinks> cardLinks(const SaveBody& body, const KnownFiles& files,
                                                     const std::vector<const BodyMap*>& resolved,
                                                     const FollowedRenames& followed) {
    const auto isMap = [&](std::string_view path) { return files.contains(path); };
    std::unordered_map<std::string, CardLinks> links;
    const auto link = [&](const std::string& mapPath) {
        const auto file = files.find(mapPath);
        const auto owner = file == files.end() ? std::nullopt : body.owner(mapPath, isMap, file->second);
        if (owner) links[owner->parent].insert_or_assign(owner->nodeID, file->second);
    };
    for (const BodyMap* map : resolved) {
        if (map->path != "/") link(map->path);
    }
    for (const auto& [mapPath, label] : followed) link(mapPath);
    return links;
}

// A sidecar is written only when it says something new. The page gets an empty one for a map
// without (none is made for it then) and for one it could not read (which is left for the user
// to mend, rather than emptied).
void writingSidecar(DocumentTree& tree, const JSONValue& sidecar, const std::string& path) {
    const auto stored = storedObject(tree, path);
    const JSONValue kept = stored ? keptMembers(sidecar, *stored) : sidecar;
    const bool sayingNothingNew = stored ? *stored == kept : sidecar.objectValue()->empty();
    if (!sayingNothingNew) writeJSON(tree, kept, path);
}

// Writes one map of the body: its canvas with cards linked and ink named, sized and rendered,
// and its sidecar.
void writingMap(DocumentTree& tree, const BodyMap& map, const std::string& file, SavePlan& plan) {
    const auto sidecar = map.map["sidecar"];
    const auto canvas = map.map["canvas"];
    if (canvas && canvas->isObject()) {
        const auto prepared = [&](const JSONValue& from) {
            JSONValue result = followingRenamedFiles(linkingSubmaps(from, plan.links(map.path)), plan.renamedTo);
            result = namingInk(result, sidecar, file, plan.former(file));
            return sizingInk(result, sidecar);
        };
        JSONValue written = prepared(*canvas);
        std::string bytes = OrderedJSON::write(written, Pretty::yes);
        bool unchanged = false;
        // Only a canvas that differs from the stored one is read back, to keep its unchanged cards.
        if (const SharedBytes stored = tree.data(file); stored && *stored != bytes) {
            const auto storedCanvas = plan.parsed->object(tree, file);
            const JSONValue kept = keepingStoredNodes(*canvas, storedCanvas);
            if (kept.node() != canvas->node()) {
                written = prepared(kept);
                bytes = OrderedJSON::write(written, Pretty::yes);
            }
            // A map this save leaves as it was keeps its file in the layout another program gave it.
            unchanged = storedCanvas && written == *storedCanvas;
        }
        if (!unchanged) writing(tree, std::move(bytes), file);
        plan.written.remember(file, tree.data(file), written);
        for (const InkAsset& asset : inkAssets(written, sidecar, file)) {
            if (mayHoldInk(asset.path)) writing(tree, asset.svg, asset.path);
        }
    }
    if (sidecar && sidecar->isObject()) writingSidecar(tree, *sidecar, MapTree::sidecarPath(file));
}

// A stored canvas this save does not write but a rename reaches: cards that follow a renamed
// file, and ink cards naming a renamed canvas's old drawing. Written only when that changes it.
void followingRenames(DocumentTree& tree, const std::string& mapPath, const std::string& file, const SavePlan& plan) {
    const auto stored = storedObject(tree, file);
    if (!stored) return;
    JSONValue followed = linkingSubmaps(*stored, plan.links(mapPath));
    followed = namingInk(followed, sidecar(tree, file), file, plan.former(file));
    if (!(followed == *stored)) writeJSON(tree, followed, file);
}

}  // namespace

NamesInUse::NamesInUse(const DocumentTree& tree, const std::vector<std::string>& notRead) : m_tree(tree) {
    for (const std::string& path : notRead) m_notRead.push_back(TextCase::lowercased(path));
}

bool NamesInUse::contains(std::string_view path) const {
    if (packageUses(m_tree, path)) return true;
    const std::string lowercased = TextCase::lowercased(path);
    return std::ranges::any_of(m_notRead, [&](const std::string& entry) {
        return lowercased == entry || (lowercased.starts_with(entry) && lowercased[entry.size()] == '/');
    });
}

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

AppliedSave apply(const JSONValue& saveBody, DocumentTree tree, KnownFiles files, std::string_view rootCanvasName,
                  FollowedRenames followed, const ParsedFiles& parsed, const std::vector<std::string>& notRead) {
    files.insert_or_assign("/", std::string(rootCanvasName));
    const auto maps = saveBody["maps"];
    if (!maps || !maps->arrayValue()) return {std::move(tree), std::move(files), std::move(followed), {}};

    const SaveBody body(maps->elements());
    SavePlan plan;
    plan.parsed = &parsed;
    const NamesInUse names(tree, notRead);
    for (Rename& rename : renamingSubmaps(body, tree, names, files, followed)) {
        plan.renamedTo.insert_or_assign(MapTree::canonicalPath(rename.from), rename.to);
        plan.formerFile.insert_or_assign(std::move(rename.to), std::move(rename.from));
    }
    plan.resolved = resolvingFiles(body, names, files);
    if (plan.resolved.empty()) return {std::move(tree), std::move(files), std::move(followed), {}};
    plan.linksOfMap = cardLinks(body, files, plan.resolved, followed);

    std::unordered_set<std::string> writtenFiles;
    for (const BodyMap* map : plan.resolved) {
        const std::string& file = files.at(map->path);
        writingMap(tree, *map, file, plan);
        const auto canvas = map->map["canvas"];
        if (canvas && canvas->isObject()) writtenFiles.insert(MapTree::canonicalPath(file));
    }
    for (const auto& [mapPath, file] : files) {
        const bool reached = plan.linksOfMap.contains(mapPath) || plan.formerFile.contains(file);
        if (reached && writtenFiles.insert(MapTree::canonicalPath(file)).second) followingRenames(tree, mapPath, file, plan);
    }
    return {std::move(tree), std::move(files), std::move(followed), std::move(plan.written)};
}

}  // namespace velk::MapDocument
