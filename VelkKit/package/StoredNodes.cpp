// Unchanged cards and links are written exactly as they were read, and so are the members
// nobody changed of the others and of the canvas itself. The editor page gets the state as a
// script value, so members it does not know come back in the script engine's order and spelling
// ("1.50" as 1.5, a 64-bit number rounded); writing that would change what nobody edited.

#include "package/MapSaveSteps.h"

#include <unordered_map>

namespace velk::MapDocument {

namespace {

// The stored elements of one key, found by id: mostly the page sends them back in the order they
// were read, so the element at the same position is tried first and the index is built only
// once that fails.
class StoredElements {
public:
    explicit StoredElements(JSONArray elements) : m_elements(elements) {}

    std::optional<JSONValue> find(std::size_t position, std::string_view id) {
        if (position < m_elements.size()) {
            const JSONValue there = m_elements[position];
            if (idOf(there) == id) return there;
        }
        if (!m_indexed) index();
        const auto found = m_byID.find(id);
        if (found == m_byID.end()) return std::nullopt;
        return found->second;
    }

private:
    void index() {
        for (const JSONValue node : m_elements) {
            if (const auto id = idOf(node)) m_byID.try_emplace(*id, node);
        }
        m_indexed = true;
    }

    JSONArray m_elements;
    std::unordered_map<std::string_view, JSONValue> m_byID;
    bool m_indexed = false;
};

// The elements of `key` with each one equal in value to the stored element of its id replaced by
// that stored element, and each other one keeping the stored members it did not change; absent
// when none was replaced.
std::optional<JSONValue> keptElements(const JSONValue& canvas, const JSONValue& stored, std::string_view key) {
    const auto elements = canvas[key], storedElements = stored[key];
    if (!elements || !storedElements || storedElements->elements().empty()) return std::nullopt;
    StoredElements storedByID(storedElements->elements());
    std::vector<JSONValue> kept;
    bool replaced = false;
    const JSONArray nodes = elements->elements();
    for (std::size_t position = 0; position < nodes.size(); ++position) {
        const JSONValue node = nodes[position];
        const auto id = idOf(node);
        const auto original = id ? storedByID.find(position, *id) : std::nullopt;
        // Most nodes come back identical; only the others are compared in canonical form.
        const JSONValue written = !original || *original == node                  ? node
                                  : normalized(*original) == normalized(node) ? *original
                                                                              : keptMembers(node, *original);
        replaced |= written.node() != node.node();
        kept.push_back(written);
    }
    if (!replaced) return std::nullopt;
    return JSONValue::array(kept);
}

}  // namespace

JSONValue keptMembers(const JSONValue& sent, const JSONValue& stored) {
    const auto sentMembers = sent.objectValue();
    const auto storedMembers = stored.objectValue();
    if (!sentMembers || !storedMembers || sent == stored) return sent;
    std::vector<JSONMember> members;
    bool changed = false;
    for (const auto& [key, value] : *sentMembers) {
        JSONValue kept = value;
        if (const auto at = storedMembers->find(key)) {
            const JSONValue original = storedMembers->value(*at);
            if (!(original == value)) kept = normalized(original) == normalized(value) ? original : keptMembers(value, original);
        }
        changed |= kept.node() != value.node();
        members.push_back({std::string(key), std::move(kept)});
    }
    return changed ? JSONValue::object(members) : sent;
}

JSONValue keepingStoredNodes(const JSONValue& canvas, const std::optional<JSONValue>& stored) {
    if (!stored || !stored->isObject()) return canvas;
    // The canvas's own members first; "nodes" and "edges" then element by element.
    JSONValue result = keptMembers(canvas, *stored);
    for (std::string_view key : {"nodes", "edges"}) {
        if (auto kept = keptElements(result, *stored, key)) result = result.setting(key, *kept);
    }
    return result;
}

}  // namespace velk::MapDocument
