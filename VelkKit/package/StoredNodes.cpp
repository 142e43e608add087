// Unchanged cards and links are written exactly as they were read. The editor page gets the
// state as a script value, so members it does not know come back in the script engine's order
// and spelling ("1.50" as 1.5); writing that would change files nobody edited.

#include "package/MapSaveSteps.h"

#include <unordered_map>

namespace velk::MapDocument {

namespace {

std::optional<std::string_view> idOf(const JSONValue& node) {
    const auto id = node["id"];
    return id ? id->stringValue() : std::nullopt;
}

// The elements of `key` with each one equal in value to the stored element of its id replaced by
// that stored element; absent when none was replaced.
std::optional<JSONValue> keptElements(const JSONValue& canvas, const JSONValue& stored, std::string_view key) {
    const auto elements = canvas[key], storedElements = stored[key];
    if (!elements || !storedElements || storedElements->elements().empty()) return std::nullopt;
    std::unordered_map<std::string_view, JSONValue> storedByID;
    for (const JSONValue node : storedElements->elements()) {
        if (const auto id = idOf(node)) storedByID.try_emplace(*id, node);
    }
    std::vector<JSONValue> kept;
    bool replaced = false;
    for (const JSONValue node : elements->elements()) {
        const auto id = idOf(node);
        const auto original = id ? storedByID.find(*id) : storedByID.end();
        // Most nodes come back identical; only the others are compared in canonical form.
        if (original != storedByID.end() && !(original->second == node) &&
            normalized(original->second) == normalized(node)) {
            kept.push_back(original->second);
            replaced = true;
        } else {
            kept.push_back(node);
        }
    }
    if (!replaced) return std::nullopt;
    return JSONValue::array(kept);
}

}  // namespace

JSONValue keepingStoredNodes(const JSONValue& canvas, const std::optional<JSONValue>& stored) {
    if (!stored || !stored->isObject()) return canvas;
    JSONValue result = canvas;
    for (std::string_view key : {"nodes", "edges"}) {
        if (auto kept = keptElements(canvas, *stored, key)) result = result.setting(key, *kept);
    }
    return result;
}

}  // namespace velk::MapDocument
