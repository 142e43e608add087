// Cards that open submaps are stored as JSON Canvas file cards pointing at the submap's file.

#include "package/MapSaveSteps.h"
#include "package/MapTree.h"

#include <unordered_set>

namespace velk::MapDocument {

namespace {

// What a card that becomes a file card no longer needs. A note's "text", a group's "label" and a
// link's "url" are not among them: they are what the person wrote (a link's address would be
// lost for good), and JSON Canvas readers ignore them beside "file".
constexpr std::string_view boxOnlyKeys[] = {"background", "backgroundStyle"};

bool linksFile(const JSONValue& card, std::string_view file) {
    const auto type = card["type"], current = card["file"];
    return type && type->stringValue() == "file" && current && current->stringValue() == file;
}

}  // namespace

std::optional<std::string_view> idOf(const JSONValue& element) {
    const auto id = element["id"];
    return id ? id->stringValue() : std::nullopt;
}

JSONValue linkingSubmaps(const JSONValue& canvas, const CardLinks& links) {
    const auto nodes = canvas["nodes"];
    if (links.empty() || !nodes || nodes->elements().empty()) return canvas;
    // Of cards sharing an id, one opens the map: the one linking its file already, else the
    // first. The others keep their own links, as loading left them.
    std::unordered_set<std::string_view> settled;
    for (const JSONValue card : nodes->elements()) {
        const auto id = idOf(card);
        const auto link = id ? links.find(std::string(*id)) : links.end();
        if (link != links.end() && linksFile(card, link->second)) settled.insert(*id);
    }
    std::vector<JSONValue> cards;
    bool changed = false;
    for (JSONValue card : nodes->elements()) {
        const auto id = idOf(card);
        const auto link = id ? links.find(std::string(*id)) : links.end();
        if (link != links.end() && settled.insert(*id).second) {
            for (std::string_view key : boxOnlyKeys) card = card.without(key);
            card = card.setting("type", JSONValue::string("file")).setting("file", JSONValue::string(link->second));
            changed = true;
        }
        cards.push_back(std::move(card));
    }
    return changed ? canvas.setting("nodes", JSONValue::array(cards)) : canvas;
}

JSONValue followingRenamedFiles(const JSONValue& canvas, const RenamedFiles& renamed) {
    const auto nodes = canvas["nodes"];
    if (renamed.empty() || !nodes) return canvas;
    std::vector<JSONValue> cards;
    bool changed = false;
    for (JSONValue card : nodes->elements()) {
        const auto file = card["file"];
        const auto text = file ? file->stringValue() : std::nullopt;
        const auto found = text ? renamed.find(MapTree::canonicalPath(*text)) : renamed.end();
        if (found != renamed.end() && card["type"] && card["type"]->stringValue() == "file") {
            card = card.setting("file", JSONValue::string(found->second));
            changed = true;
        }
        cards.push_back(std::move(card));
    }
    return changed ? canvas.setting("nodes", JSONValue::array(cards)) : canvas;
}

}  // namespace velk::MapDocument
