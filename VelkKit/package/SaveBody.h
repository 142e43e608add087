#pragma once

// The map objects of one save body, read once and indexed for the steps that apply it: maps in
// writing order, each map's canvas, the cards of a canvas by id, and the card that opens a map.
// Internal to the package model.

#include "json/JSONValue.h"
#include "package/MapDocument.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velk::MapDocument {

struct BodyMap {
    std::string path;
    JSONValue map;
};

// The card that opens a submap, and the map that holds it.
struct SubmapOwner {
    std::string parent;
    std::string nodeID;
    std::optional<JSONValue> card;  // absent when the parent's canvas is not in the body
};

class SaveBody {
public:
    explicit SaveBody(const JSONArray& maps);

    // The map objects with a string path, parents before their submaps: by depth, then by path.
    [[nodiscard]] const std::vector<BodyMap>& inWritingOrder() const noexcept { return m_maps; }

    // The canvas of the map at `path`; the last one when the body repeats a path, as that one is
    // what ends up written.
    [[nodiscard]] std::optional<JSONValue> canvas(std::string_view path) const;

    // The first card of the canvas at `mapPath` whose "id" is `nodeID`.
    [[nodiscard]] std::optional<JSONValue> card(std::string_view mapPath, std::string_view nodeID) const;

    // The card that opens `mapPath`. A map path is its parent's path, "/" and the card's id, and
    // an id may hold "/" itself: the owner is found at the last "/" whose parent `isMap` and
    // holds a card of that id, the last "/" first; failing that, the parent at the last "/" with
    // no card. A map known to be stored in `file` belongs, before all, to the card that links
    // that file, as when it was loaded. Absent for the root and for text that is no map path.
    [[nodiscard]] std::optional<SubmapOwner> owner(std::string_view mapPath,
                                                   const std::function<bool(std::string_view)>& isMap,
                                                   std::optional<std::string_view> file = std::nullopt) const;

private:
    using CardsByID = std::unordered_map<std::string_view, JSONValue>;
    const CardsByID* cards(std::string_view mapPath) const;

    std::vector<BodyMap> m_maps;
    std::unordered_map<std::string_view, std::size_t> m_lastWithPath;  // views into m_maps
    mutable std::unordered_map<std::string_view, CardsByID> m_cards;   // built on first use
};

}  // namespace velk::MapDocument
