#pragma once

// Helpers shared by the package tests: trees and disks described alike so they can be compared,
// trees, editor states and save bodies written as JSON texts, and the numbered canvases of the
// save loop that the crash test kills. No test framework in here: the loop and fuzz targets use it.

#include "json/JSONTestHelpers.h"
#include "package/DocumentTree.h"
#include "package/MemoryFileSystem.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace velk::testing_support {

// Every path of a tree, sorted, folders ending in "/": the form MemoryFileSystem::describe gives.
inline std::vector<std::string> describe(const DocumentTree& tree) {
    return pathsBelow(&tree, [](const DocumentTree& node, const auto& visit) {
        for (const auto& [name, child] : node.children()) visit(name, child, child.isDirectory());
    });
}

// Puts every folder and file of `tree` below `folder`, durably.
inline void seed(MemoryFileSystem& disk, const std::string& folder, const DocumentTree& tree) {
    disk.addDirectory(folder);
    for (const std::string& path : describe(tree))
        path.ends_with('/') ? disk.addDirectory(folder + "/" + path) : disk.addFile(folder + "/" + path, *tree.data(path));
}

// True when the disk holds exactly the tree below `folder`, content included.
inline bool holds(const MemoryFileSystem& disk, const std::string& folder, const DocumentTree& tree) {
    if (disk.describe(folder) != describe(tree)) return false;
    const auto paths = describe(tree);
    return std::all_of(paths.begin(), paths.end(), [&](const std::string& path) {
        return path.ends_with('/') || disk.file(folder + "/" + path) == *tree.data(path);
    });
}

inline std::string text(const SharedBytes& bytes) { return bytes ? *bytes : "<absent>"; }

// A tree holding each (package path, text) pair.
inline DocumentTree treeOf(std::initializer_list<std::pair<std::string_view, std::string_view>> files) {
    DocumentTree tree;
    for (const auto& [path, bytes] : files) tree.write(std::string(bytes), path);
    return tree;
}

// A state or save body with one member ("canvas" unless named) of the map at `path` replaced.
inline JSONValue edited(const JSONValue& body, std::string_view path, std::string_view json, std::string_view member = "canvas") {
    std::vector<JSONValue> maps;
    for (const JSONValue map : (*body["maps"]).elements())
        maps.push_back(map["path"]->stringValue() == path ? map.setting(member, parsed(json)) : map);
    return body.setting("maps", JSONValue::array(maps));
}

// The canvas stored at `file`, compact.
inline std::string storedCanvas(const DocumentTree& tree, std::string_view file) {
    const SharedBytes bytes = tree.data(file);
    return bytes ? compact(parsed(*bytes)) : "<absent>";
}

// Canvases in which every card says which save wrote it, so that a reader can tell a complete
// canvas from a torn one and one save from the next.
namespace NumberedCanvas {

inline constexpr int cards = 200;

inline std::string make(int save, const std::vector<std::string>& links) {
    const std::string number = std::to_string(save);
    std::string nodes;
    for (int i = 0; i < cards; ++i)
        nodes += R"({"id":"card-)" + std::to_string(i) + R"(","type":"text","text":"save )" + number + R"(","x":)" +
                 std::to_string(i * 240) + R"(,"y":0,"width":200,"height":60},)";
    for (const std::string& link : links) nodes += R"({"id":"link-)" + link + R"(","type":"file","file":")" + link + R"("},)";
    nodes.pop_back();
    return OrderedJSON::write(parsed(R"({"nodes":[)" + nodes + R"(],"edges":[],"save":)" + number + "}"), Pretty::yes);
}

// The save that wrote `text`, when it is a complete canvas whose cards all agree with it.
inline std::optional<int> saveOf(std::string_view text) {
    const auto canvas = OrderedJSON::parse(text);
    const auto number = canvas ? (*canvas)["save"] : std::nullopt;
    if (!number || !number->numberText()) return std::nullopt;
    const std::string digits(*number->numberText());
    int agreeing = 0;
    for (const JSONValue& node : (*canvas)["nodes"].value_or(JSONValue()).elements()) {
        if (const auto cardText = node["text"]; cardText && cardText->stringValue() != "save " + digits) return std::nullopt;
        agreeing += node["text"].has_value();
    }
    return agreeing == cards ? std::optional(std::stoi(digits)) : std::nullopt;
}

}  // namespace NumberedCanvas
}  // namespace velk::testing_support
