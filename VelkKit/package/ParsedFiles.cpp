#include "package/ParsedFiles.h"

#include "package/MapDocument.h"

namespace velk {

std::optional<JSONValue> ParsedFiles::object(const DocumentTree& tree, std::string_view path) const {
    const auto entry = m_entries.find(path);
    // The very bytes remembered: a file written since holds new ones, even with equal text.
    if (entry != m_entries.end() && entry->second.bytes && entry->second.bytes == tree.data(path)) {
        return entry->second.value;
    }
    return MapDocument::storedObject(tree, path);
}

void ParsedFiles::remember(std::string_view path, SharedBytes bytes, JSONValue value) {
    if (!bytes || !value.isObject()) return;
    m_entries.insert_or_assign(std::string(path), Entry{std::move(bytes), std::move(value)});
}

void ParsedFiles::merge(ParsedFiles newer) {
    for (auto& [path, entry] : newer.m_entries) m_entries.insert_or_assign(path, std::move(entry));
}

}  // namespace velk
