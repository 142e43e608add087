// Cards that open submaps are stored as JSON Canvas file cards pointing at the submap's file.

#include "package/MapSaveSteps.h"

namespace velk::MapDocument {

namespace {

// What a card that becomes a file card no longer needs. A note's "text" is not among them: it is
// what the person wrote, and JSON Canvas readers ignore it beside "file".
constexpr std::string_view boxOnlyKeys[] = {"label", "url", "background", "backgroundStyle"};

}  // namespace

JSONValue linkingSubmaps(const JSONValue& canvas, const CardLinks& links) {
    const auto nodes = canvas["nodes"];
    if (links.empty() || !nodes || nodes->elements().empty()) return canvas;
    std::vector<JSONValue> cards;
    bool changed = false;
    for (JSONValue card : nodes->elements()) {
        const auto id = card["id"];
        const auto idText = id ? id->stringValue() : std::nullopt;
        const auto link = idText ? links.find(std::string(*idText)) : links.end();
        if (link != links.end()) {
            const auto type = card["type"], current = card["file"];
            const bool linked = type && type->stringValue() == "file" && current && current->stringValue() == link->second;
            if (!linked) {
                for (std::string_view key : boxOnlyKeys) card = card.without(key);
                card = card.setting("type", JSONValue::string("file")).setting("file", JSONValue::string(link->second));
                changed = true;
            }
        }
        cards.push_back(std::move(card));
    }
    return changed ? canvas.setting("nodes", JSONValue::array(cards)) : canvas;
}

}  // namespace velk::MapDocument
