#pragma once

// Packages, editor states and save bodies for the map model's tests, written as JSON texts.

#include "json/JSONTestHelpers.h"
#include "package/DocumentTree.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace velk::testing_support {

inline std::string text(const SharedBytes& bytes) { return bytes ? *bytes : "<absent>"; }

// A tree holding each (package path, text) pair.
inline DocumentTree treeOf(std::initializer_list<std::pair<std::string_view, std::string_view>> files) {
    DocumentTree tree;
    for (const auto& [path, bytes] : files) tree.write(std::string(bytes), path);
    return tree;
}

// A state or save body with one member ("canvas" unless named) of the map at `path` replaced.
inline JSONValue edited(const JSONValue& body, std::string_view path, std::string_view json,
                        std::string_view member = "canvas") {
    std::vector<JSONValue> maps;
    for (const JSONValue map : (*body["maps"]).elements()) {
        maps.push_back(map["path"]->stringValue() == path ? map.setting(member, parsed(json)) : map);
    }
    return body.setting("maps", JSONValue::array(maps));
}

// The canvas stored at `file`, compact.
inline std::string storedCanvas(const DocumentTree& tree, std::string_view file) {
    const SharedBytes bytes = tree.data(file);
    return bytes ? compact(parsed(*bytes)) : "<absent>";
}

}  // namespace velk::testing_support
