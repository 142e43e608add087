// Keeping submap file names in step with the labels of the cards that open them.

#include "core/TextCase.h"
#include "core/WhiteSpace.h"
#include "package/MapSaveSteps.h"
#include "package/MapTree.h"

#include <unordered_map>
#include <unordered_set>

namespace velk::MapDocument {

namespace {

std::string_view stringMember(const JSONValue& value, std::string_view key) {
    const auto member = value[key];
    return member ? member->stringValue().value_or("") : "";
}

std::string directoryOf(std::string_view file) {
    const auto slash = file.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(file.substr(0, slash));
}

// The first free name for `wanted` next to `file`: the file itself when the name is already
// its own, else a path that neither a known map nor anything in the package uses, in any case,
// for the canvas, its sidecar or its drawing (which move with it).
std::string renameTarget(std::string_view file, std::string_view wanted, const NamesInUse& names,
                         std::unordered_set<std::string>& existing) {
    const std::string directory = directoryOf(file);
    const std::string lowercasedFile = TextCase::lowercased(MapTree::canonicalPath(file));
    for (std::size_t n = 1;; ++n) {
        const std::string name = std::string(wanted) + (n == 1 ? "" : "-" + std::to_string(n)) + ".canvas";
        const std::string candidate = MapTree::join(directory, name);
        std::string lowercased = TextCase::lowercased(MapTree::canonicalPath(candidate));
        if (lowercased == lowercasedFile) return std::string(file);
        if (existing.contains(lowercased) || names.contains(candidate) || names.contains(MapTree::sidecarPath(candidate)) ||
            names.contains(MapTree::inkPath(candidate)))
            continue;
        existing.insert(std::move(lowercased));
        return candidate;
    }
}

struct Wanted {
    std::string mapPath, file, stem;
};

// Moves a renamed canvas's sidecar and its ink drawing with it. A drawing is left where it is
// when its new place is taken, rather than written over something else.
void moveCompanions(DocumentTree& tree, const NamesInUse& names, std::string_view from, std::string_view to) {
    tree.move(MapTree::sidecarPath(from), MapTree::sidecarPath(to));
    const std::string ink = MapTree::inkPath(from), movedInk = MapTree::inkPath(to);
    if (tree.data(ink) && !names.contains(movedInk)) tree.move(ink, movedInk);
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

std::optional<std::string> ownerLabel(const JSONValue& card) {
    if (const std::string_view text = stringMember(card, "text"); !text.empty()) return std::string(text);
    const auto file = card["file"];
    if (!file || !file->stringValue()) return std::nullopt;
    std::string_view label = lastSegment(*file->stringValue());
    if (label.ends_with(MapTree::submapExtension)) label.remove_suffix(MapTree::submapExtension.size());
    return std::string(label);
}

std::optional<std::string> submapLabel(const JSONValue& owner) {
    const std::string_view type = stringMember(owner, "type");
    if (type != "file") return std::string(stringMember(owner, type == "group" ? "label" : type == "link" ? "url" : "text"));
    const std::string_view linked = stringMember(owner, "file");
    if (!MapTree::isSubmapFile(linked)) return std::nullopt;
    return stem(linked);
}

std::optional<std::string> renameWanted(const JSONValue& owner, std::string_view file, std::string_view nodeID) {
    const std::string current = stem(file);
    const auto label = submapLabel(owner);
    if (!label || WhiteSpace::trimmedWithLineBreaks(*label).empty()) return std::nullopt;
    if (TextCase::lowercased(*label) == TextCase::lowercased(current)) return std::nullopt;
    std::string wanted = MapTree::safeFileName(*label, nodeID);
    if (namesStem(wanted, current)) return std::nullopt;
    return wanted;
}

std::vector<Rename> renamingSubmaps(const SaveBody& body, DocumentTree& tree, const NamesInUse& names,
                                    KnownFiles& files, FollowedRenames& followed) {
    const auto isMap = [&](std::string_view path) { return files.contains(path); };
    std::vector<Wanted> wanted;
    std::unordered_set<std::string> claimed;
    for (const auto& [mapPath, file] : files) {
        const auto owner = body.owner(mapPath, isMap, file);
        if (!owner || !owner->card) continue;
        // A card that still shows a file's old name after another card renamed it follows.
        const auto follows = followed.find(mapPath);
        if (follows != followed.end() && submapLabel(*owner->card) == follows->second) continue;
        auto stem = renameWanted(*owner->card, file, owner->nodeID);
        // A file reached through several map paths is renamed once, by the first of them.
        if (stem && claimed.insert(MapTree::canonicalPath(file)).second) {
            wanted.push_back({mapPath, file, std::move(*stem)});
        }
    }

    if (wanted.empty()) return {};
    std::unordered_set<std::string> existing;
    std::unordered_map<std::string, std::vector<KnownFiles::iterator>> mapsOfFile;
    for (auto entry = files.begin(); entry != files.end(); ++entry) {
        std::string canonical = MapTree::canonicalPath(entry->second);
        existing.insert(TextCase::lowercased(canonical));
        mapsOfFile[std::move(canonical)].push_back(entry);
    }
    std::vector<Rename> renames;
    for (const Wanted& rename : wanted) {
        const std::string target = renameTarget(rename.file, rename.stem, names, existing);
        if (target == rename.file) continue;
        tree.move(rename.file, target);
        moveCompanions(tree, names, rename.file, target);
        for (const KnownFiles::iterator entry : mapsOfFile[MapTree::canonicalPath(rename.file)]) {
            const std::string& mapPath = entry->first;
            entry->second = target;
            const auto owner = mapPath == rename.mapPath ? std::nullopt : body.owner(mapPath, isMap, rename.file);
            const auto label = owner && owner->card ? submapLabel(*owner->card) : std::nullopt;
            if (label) followed.insert_or_assign(mapPath, *label);
            else followed.erase(mapPath);
        }
        renames.push_back({rename.file, target});
    }
    return renames;
}

}  // namespace velk::MapDocument
