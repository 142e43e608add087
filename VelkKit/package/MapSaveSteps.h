#pragma once

// The steps of applying a save body, in the order they run, exposed for their tests. Internal to
// the package model; MapDocument::apply is the entry point.

#include "json/JSONValue.h"
#include "package/MapDocument.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace velk::MapDocument {

// Moves the file of every submap whose owning card's label changed to a name made from the new
// label (with its sidecar), and points `files` at the new names.
void renamingSubmaps(const JSONArray& maps, DocumentTree& tree, KnownFiles& files);

// The file stem a submap's file should get from its owning card, or absent to keep its name.
[[nodiscard]] std::optional<std::string> renameWanted(const JSONValue& owner, std::string_view file,
                                                      std::string_view nodeID);

// The last path segment without a final ".canvas" of any letter case.
[[nodiscard]] std::string stem(std::string_view path);

// Whether `current` already is the name `wanted`, perhaps with a collision suffix such as "-2".
[[nodiscard]] bool namesStem(std::string_view wanted, std::string_view current);

// The label of the card `nodeID` in a map object's canvas: its text, else its file's stem.
[[nodiscard]] std::optional<std::string> ownerLabel(const JSONValue& parentMap, std::string_view nodeID);

// The canvas with every card that opens a saved submap turned into a file card pointing at it.
[[nodiscard]] JSONValue linkingSubmaps(const JSONValue& canvas, std::string_view mapPath, const KnownFiles& files,
                                       const std::set<std::string>& saved);

// The canvas with every unnamed ink file card pointing at the canvas's ink file.
[[nodiscard]] JSONValue namingInk(const JSONValue& canvas, const std::optional<JSONValue>& sidecar,
                                  std::string_view canvasFile);

// The canvas with every ink card placed and sized to its drawing's padded bounds.
[[nodiscard]] JSONValue sizingInk(const JSONValue& canvas, const std::optional<JSONValue>& sidecar);

struct InkAsset {
    std::string path;
    std::string svg;
    bool operator==(const InkAsset&) const = default;
};

// The SVG files of the canvas's ink cards, in card order.
[[nodiscard]] std::vector<InkAsset> inkAssets(const JSONValue& canvas, const std::optional<JSONValue>& sidecar,
                                              std::string_view canvasFile);

// The last non-empty "/"-separated segment of a path, or the whole text when it has none.
[[nodiscard]] std::string_view lastSegment(std::string_view path);

}  // namespace velk::MapDocument
