// Keeping submap file names in step with the labels of the cards that open them.

#include "core/TextCase.h"
#include "core/WhiteSpace.h"
#include "package/MapSaveSteps.h"
#include "package/MapTree.h"

#include <unordered_set>

namespace velk::MapDocument {

namespace {

std::string_view stringMember(const JSONValue& value, std::string_view key) {
    const auto member = value[key];
    return member ? member->stringValue().value_or("") : "";
}

// The first card of a canvas whose "id" is the string `nodeID`.
std::optional<JSONValue> cardWithID(const JSONValue& canvas, std::string_view nodeID) {
    const auto nodes = canvas["nodes"];
    if (!nodes) return std::nullopt;
    for (const JSONValue card : nodes->elements()) {
        const auto id = card["id"];
        if (id && id->stringValue() == nodeID) return card;
    }
    return std::nullopt;
}

std::string directoryOf(std::string_view file) {
    const auto slash = file.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(file.substr(0, slash));
}

// The first free name for `wanted` next to `file`: the file itself when the name is already
// its own, else a path that neither a known map nor anything in the package uses.
std::string renameTarget(std::string_view file, std::string_view wanted, const DocumentTree& tree,
                         std::unordered_set<std::string>& existing) {
    const std::string directory = directoryOf(file);
    const std::string lowercasedFile = TextCase::lowercased(file);
    for (std::size_t n = 1;; ++n) {
        const std::string name = std::string(wanted) + (n == 1 ? "" : "-" + std::to_string(n)) + ".canvas";
        const std::string candidate = MapTree::join(directory, name);
        std::string lowercased = TextCase::lowercased(candidate);
        if (lowercased == lowercasedFile) return std::string(file);
        if (existing.contains(lowercased) || tree.at(candidate)) continue;
        existing.insert(std::move(lowercased));
        return candidate;
    }
}

}  // namespace

std::string_view lastSegment(std::string_view path) {
    const auto segments = DocumentTree::segments(path);
    return segments.empty() ? path : segments.back();
}

std::string stem(std::string_view path) {
    const std::string_view segment = lastSegment(path);
    return std::string(TextCase::withoutCaselessSuffix(segment, MapTree::submapExtension).value_or(segment));
}

bool namesStem(std::string_view wanted, std::string_view current) {
    const std::string lowercasedWanted = TextCase::lowercased(wanted);
    const std::string lowercasedCurrent = TextCase::lowercased(current);
    if (lowercasedCurrent == lowercasedWanted) return true;
    if (!lowercasedCurrent.starts_with(lowercasedWanted + "-")) return false;
    const std::string_view suffix = std::string_view(lowercasedCurrent).substr(lowercasedWanted.size() + 1);
    return !suffix.empty() && suffix.find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<std::string> ownerLabel(const JSONValue& parentMap, std::string_view nodeID) {
    const auto canvas = parentMap["canvas"];
    if (!canvas) return std::nullopt;
    const auto card = cardWithID(*canvas, nodeID);
    if (!card) return std::nullopt;
    if (const std::string_view text = stringMember(*card, "text"); !text.empty()) return std::string(text);
    const auto file = (*card)["file"];
    if (!file || !file->stringValue()) return std::nullopt;
    std::string_view label = lastSegment(*file->stringValue());
    if (label.ends_with(MapTree::submapExtension)) label.remove_suffix(MapTree::submapExtension.size());
    return std::string(label);
}

std::optional<std::string> renameWanted(const JSONValue& owner, std::string_view file, std::string_view nodeID) {
    const std::string current = stem(file);
    const std::string_view type = stringMember(owner, "type");
    std::string label;
    if (type == "file") {
        const auto linked = owner["file"];
        const auto linkedText = linked ? linked->stringValue() : std::nullopt;
        if (!linkedText || !MapTree::isSubmapFile(*linkedText)) return std::nullopt;
        label = stem(*linkedText);
    } else {
        label = stringMember(owner, type == "group" ? "label" : type == "link" ? "url" : "text");
    }
    if (WhiteSpace::trimmedWithLineBreaks(label).empty()) return std::nullopt;
    if (TextCase::lowercased(label) == TextCase::lowercased(current)) return std::nullopt;
    std::string wanted = MapTree::safeFileName(label, nodeID);
    if (namesStem(wanted, current)) return std::nullopt;
    return wanted;
}

void renamingSubmaps(const JSONArray& maps, DocumentTree& tree, KnownFiles& files) {
    std::map<std::string, JSONValue, std::less<>> canvases;
    for (const JSONValue map : maps) {
        const auto path = map["path"];
        const auto canvas = map["canvas"];
        if (path && path->stringValue() && canvas) canvases.insert_or_assign(std::string(*path->stringValue()), *canvas);
    }

    struct Rename {
        std::string file, wanted;
    };
    std::vector<Rename> renames;
    std::unordered_set<std::string> claimed;
    for (const auto& [mapPath, file] : files) {
        const auto parent = MapTree::parentPath(mapPath);
        if (!parent) continue;
        const auto canvas = canvases.find(parent->parent);
        if (canvas == canvases.end()) continue;
        const auto owner = cardWithID(canvas->second, parent->nodeID);
        if (!owner) continue;
        auto wanted = renameWanted(*owner, file, parent->nodeID);
        // A file reached through several map paths is renamed once, by the first of them.
        if (wanted && claimed.insert(TextCase::lowercased(file)).second) renames.push_back({file, std::move(*wanted)});
    }

    std::unordered_set<std::string> existing;
    for (const auto& [mapPath, file] : files) existing.insert(TextCase::lowercased(file));
    for (const Rename& rename : renames) {
        const std::string target = renameTarget(rename.file, rename.wanted, tree, existing);
        if (target == rename.file) continue;
        tree.move(rename.file, target);
        tree.move(MapTree::sidecarPath(rename.file), MapTree::sidecarPath(target));
        const std::string lowercasedFile = TextCase::lowercased(rename.file);
        for (auto& [mapPath, file] : files) {
            if (TextCase::lowercased(file) == lowercasedFile) file = target;
        }
    }
}

}  // namespace velk::MapDocument
