#pragma once

// The parsed objects of canvases the document read or wrote, each kept with the very bytes it
// came from, so a save that compares the page's cards with the stored ones need not parse a
// large canvas again. A file whose bytes changed since (another save, a reload from disk) no
// longer matches its entry and is parsed afresh.

#include "json/JSONValue.h"
#include "package/DocumentTree.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace velk {

class ParsedFiles {
public:
    // The object held by a file of the tree, as MapDocument::storedObject reads it.
    [[nodiscard]] std::optional<JSONValue> object(const DocumentTree& tree, std::string_view path) const;

    // Remembers `value` as what the file at `path` holds while its bytes are `bytes`, which must
    // be what `value` was written as or parsed from.
    void remember(std::string_view path, SharedBytes bytes, JSONValue value);

    // Takes the entries of `newer` over these.
    void merge(ParsedFiles newer);

private:
    struct Entry {
        SharedBytes bytes;
        JSONValue value;
    };
    std::map<std::string, Entry, std::less<>> m_entries;
};

}  // namespace velk
