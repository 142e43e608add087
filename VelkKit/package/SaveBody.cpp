#include "package/SaveBody.h"

#include "package/MapTree.h"

#include <algorithm>

namespace velk::MapDocument {

SaveBody::SaveBody(const JSONArray& maps) {
    struct Sorted {
        std::size_t depth;
        BodyMap map;
    };
    std::vector<Sorted> sorted;
    for (const JSONValue map : maps) {
        const auto path = map["path"];
        const auto text = path ? path->stringValue() : std::nullopt;
        if (text) sorted.push_back({MapTree::depth(*text), {std::string(*text), map}});
    }
    // Depths are counted once: a deep chain of submaps has paths thousands of bytes long.
    std::stable_sort(sorted.begin(), sorted.end(), [](const Sorted& a, const Sorted& b) {
        return a.depth != b.depth ? a.depth < b.depth : a.map.path < b.map.path;
    });
    m_maps.reserve(sorted.size());
    for (Sorted& entry : sorted) m_maps.push_back(std::move(entry.map));
    for (std::size_t i = 0; i < m_maps.size(); ++i) {
        const auto canvas = m_maps[i].map["canvas"];
        if (canvas) m_lastWithPath.insert_or_assign(m_maps[i].path, i);
    }
}

std::optional<JSONValue> SaveBody::canvas(std::string_view path) const {
    const auto found = m_lastWithPath.find(path);
    if (found == m_lastWithPath.end()) return std::nullopt;
    return m_maps[found->second].map["canvas"];
}

const SaveBody::CardsByID* SaveBody::cards(std::string_view mapPath) const {
    const auto found = m_lastWithPath.find(mapPath);
    if (found == m_lastWithPath.end()) return nullptr;
    const BodyMap& map = m_maps[found->second];
    const auto [slot, isNew] = m_cards.try_emplace(map.path);
    if (isNew) {
        const auto canvas = map.map["canvas"];
        const auto nodes = canvas ? (*canvas)["nodes"] : std::nullopt;
        for (const JSONValue card : nodes ? nodes->elements() : JSONValue().elements()) {
            const auto id = card["id"];
            const auto text = id ? id->stringValue() : std::nullopt;
            if (text) slot->second.try_emplace(*text, card);
        }
    }
    return &slot->second;
}

std::optional<JSONValue> SaveBody::card(std::string_view mapPath, std::string_view nodeID) const {
    const CardsByID* byID = cards(mapPath);
    if (!byID) return std::nullopt;
    const auto found = byID->find(nodeID);
    return found == byID->end() ? std::nullopt : std::optional(found->second);
}

std::optional<SubmapOwner> SaveBody::owner(std::string_view mapPath, const std::function<bool(std::string_view)>& isMap,
                                           std::optional<std::string_view> file) const {
    const auto plain = MapTree::parentPath(mapPath);
    if (!plain) return std::nullopt;
    // Another card of that path can only have been the owner when this one links another file.
    const auto ownsIt = [&](const JSONValue& card) {
        const auto linked = card["file"];
        const auto text = linked ? linked->stringValue() : std::nullopt;
        return !text || MapTree::canonicalPath(*text) == MapTree::canonicalPath(*file);
    };
    std::optional<SubmapOwner> first;
    for (auto slash = mapPath.rfind('/'); slash != std::string_view::npos && slash + 1 < mapPath.size();
         slash = slash == 0 ? std::string_view::npos : mapPath.rfind('/', slash - 1)) {
        const std::string_view parent = slash == 0 ? std::string_view("/") : mapPath.substr(0, slash);
        const std::string_view nodeID = mapPath.substr(slash + 1);
        if (!isMap(parent)) continue;
        auto found = card(parent, nodeID);
        if (!found) continue;
        SubmapOwner owner{std::string(parent), std::string(nodeID), found};
        if (!file || ownsIt(*found)) return owner;
        if (!first) first = std::move(owner);
    }
    if (first) return first;
    if (!isMap(plain->parent)) return std::nullopt;
    return SubmapOwner{plain->parent, plain->nodeID, std::nullopt};
}

}  // namespace velk::MapDocument
