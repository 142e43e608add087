#include "package/SharedSubmapCopies.h"

#include "package/MapTree.h"

#include <algorithm>
#include <optional>

namespace velk {

SharedSubmapCopies SharedSubmapCopies::fromLoaded(const std::vector<LoadedMap>& maps) {
    std::vector<std::string> keys;
    std::map<std::string, std::size_t> loadsOfKey;
    keys.reserve(maps.size());
    for (const auto& map : maps) ++loadsOfKey[keys.emplace_back(MapTree::canonicalPath(map.file))];

    SharedSubmapCopies copies;
    for (std::size_t i = 0; i < maps.size(); ++i) {
        if (loadsOfKey.at(keys[i]) < 2) continue;
        const JSONValue fingerprint = MapDocument::fingerprint(maps[i].canvas, maps[i].sidecar);
        copies.baselines[maps[i].path] = fingerprint;
        copies.current[keys[i]] = fingerprint;
    }
    return copies;
}

namespace MapDocument {

namespace {

// One copy of a shared file in a save body.
struct Copy {
    std::size_t index;  // position in the body's "maps"
    std::string path;
    std::string file;   // as the known files spell it, for the message
    JSONValue fingerprint;
};

// The copies of one shared file, keyed by its canonical package path.
struct Group {
    std::string key;
    std::vector<Copy> copies;
};

std::optional<JSONValue> entry(const std::map<std::string, JSONValue>& fingerprints, const std::string& key) {
    const auto found = fingerprints.find(key);
    return found == fingerprints.end() ? std::nullopt : std::optional(found->second);
}

// The copies in the body of every file shared at load, grouped by file in the order in which
// each file first appears.
std::vector<Group> sharedGroups(const JSONArray& maps, const MapDocument::KnownFiles& files,
                                const SharedSubmapCopies& copies) {
    std::vector<Group> groups;
    std::map<std::string, std::size_t> groupOfKey;
    for (std::size_t index = 0; index < maps.size(); ++index) {
        const JSONValue element = maps[index];
        const auto pathValue = element["path"];
        const auto path = pathValue ? pathValue->stringValue() : std::nullopt;
        if (!path) continue;
        std::string mapPath(*path);
        const auto file = files.find(mapPath);
        if (file == files.end() || !copies.baselines.contains(mapPath)) continue;

        const auto [slot, isNew] = groupOfKey.try_emplace(MapTree::canonicalPath(file->second), groups.size());
        if (isNew) groups.push_back({slot->first, {}});
        groups[slot->second].copies.push_back(
            {index, std::move(mapPath), file->second, fingerprint(element["canvas"], element["sidecar"])});
    }
    return groups;
}

}  // namespace

Expected<ResolvedSave, MapDocumentError> resolveSharedFiles(const JSONValue& saveBody,
                                                            const MapDocument::KnownFiles& files,
                                                            const SharedSubmapCopies& copies) {
    ResolvedSave result{saveBody, copies};
    const auto mapsValue = saveBody["maps"];
    if (!mapsValue || mapsValue->kind() != JSONValue::Kind::array || copies.baselines.empty()) return result;
    const JSONArray maps = mapsValue->elements();

    std::vector<bool> dropped(maps.size(), false);
    bool droppedAny = false;
    for (const Group& group : sharedGroups(maps, files, copies)) {
        std::vector<const Copy*> changed;
        for (const Copy& copy : group.copies) {
            if (entry(copies.baselines, copy.path) != copy.fingerprint) changed.push_back(&copy);
        }
        if (changed.empty()) {
            // Nothing to write: rewriting the file from any copy would only churn it.
            for (const Copy& copy : group.copies) dropped[copy.index] = true;
            droppedAny = true;
            continue;
        }

        const Copy& first = *changed.front();
        const JSONValue& written = first.fingerprint;
        const bool allSame = std::ranges::all_of(changed, [&](const Copy* copy) { return copy->fingerprint == written; });
        const auto current = entry(copies.current, group.key);
        // Edits that already match the file are safe; otherwise every edit must start from the
        // file as it is now, or a copy edited before another copy's save would undo that save.
        const bool accepted = allSame && (current == written || std::ranges::all_of(changed, [&](const Copy* copy) {
                                              return entry(copies.baselines, copy->path) == current;
                                          }));
        if (!accepted) {
            std::vector<std::string> paths;
            for (const Copy& copy : group.copies) paths.push_back(copy.path);
            return Unexpected<MapDocumentError>(MapDocumentError::sharedSubmapDiverged(first.file, std::move(paths)));
        }

        for (const Copy& copy : group.copies) {
            if (&copy != &first) {
                dropped[copy.index] = true;
                droppedAny = true;
            }
            if (copy.fingerprint == written) result.copies.baselines[copy.path] = written;
        }
        result.copies.current[group.key] = written;
    }

    if (!droppedAny) return result;
    // A dropped copy keeps its path, so the card opening it is still stored as linking its file.
    std::vector<JSONValue> kept;
    for (std::size_t index = 0; index < maps.size(); ++index) {
        kept.push_back(dropped[index] ? JSONValue::object({{"path", *maps[index]["path"]}}) : maps[index]);
    }
    result.body = saveBody.setting("maps", JSONValue::array(kept));
    return result;
}

}  // namespace MapDocument
}  // namespace velk
