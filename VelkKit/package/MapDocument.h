#pragma once

// Loading a map package into the one document the editor page works on, and the canonical form
// used to compare map content.
//
// A map is the root canvas "map.canvas" and every submap reachable from it: a card of type
// "file" whose "file" names a ".canvas" file of the package opens that file as a submap, whose
// map path is its parent's map path extended by the card's id. Loading walks the package depth
// first and collects one LoadedMap per reachable map. Only the root canvas can make loading
// fail; every problem below it is silent (the card simply opens nothing, a bad sidecar reads as
// an empty object). Links back to a map above are not followed, so loading always ends.
//
// Pure functions; safe from any thread.

#include "core/Expected.h"
#include "json/JSONValue.h"
#include "package/DocumentTree.h"
#include "package/MapDocumentError.h"
#include "package/ParsedFiles.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

struct LoadedMap {
    std::string path;   // map path: "/" for the root, else the parent's path, "/" and the card id
    std::string file;   // package path of the canvas, exactly as the linking card wrote it
    JSONValue canvas;   // always an object
    JSONValue sidecar;  // always an object; empty when the canvas has no readable sidecar
    bool operator==(const LoadedMap&) const = default;
};

namespace MapDocument {

inline constexpr std::string_view rootCanvasName = "map.canvas";

// Map path to the package path of the canvas file behind it.
using KnownFiles = std::map<std::string, std::string, std::less<>>;

// Map paths whose file was renamed through another card that opens the same file, each with the
// label its own card had then. The editor keeps showing such a card by its old name until it
// loads the map again; while that label stays, the card follows the file to its new name
// instead of renaming it back.
using FollowedRenames = std::map<std::string, std::string>;

struct AppliedSave {
    DocumentTree tree;
    KnownFiles files;
    FollowedRenames followed;
    ParsedFiles written;  // the canvases this save wrote
};

// Every reachable map, the root first, then for each linking card (in "nodes" order) its submap
// followed by everything below it. A file linked from several cards is loaded once per link.
// A map path always names one map: when a second card would reach a map path already loaded
// (two cards of one canvas with one id, an empty id, an id with "/"), it opens nothing.
[[nodiscard]] Expected<std::vector<LoadedMap>, MapDocumentError> load(const DocumentTree& tree,
                                                                     std::string_view rootCanvasName);

// Splits a save body ({"maps":[{"path","canvas","sidecar"}, ...]}, the whole document) into the
// files of the package: existing maps keep their file, a new submap gets a file named after the
// label of the card that opens it, a submap whose card label changed is moved to a matching name
// (with its sidecar and ink drawing, and every other card opening that file follows), every card
// that opens a submap becomes a file card pointing at it (a note keeps its text), and ink cards
// are named, sized to their drawing and rendered to SVG, never over a file that is not an ink
// drawing. A card or link equal in value to the one stored keeps its stored text, and a map equal
// to the stored one keeps its file, so member order, number spelling and layout the editor does
// not keep never churn a file; a sidecar is written only when it says something new. Canvases
// and sidecars are written pretty, and nothing is written below a file. Nothing is ever removed from the package, and no new or moved file takes a
// path the package already uses, nor one of `notRead` (what the disk holds that the tree lacks).
// Never fails: what cannot be applied is skipped. `parsed` may spare reading stored canvases again.
[[nodiscard]] AppliedSave apply(const JSONValue& saveBody, DocumentTree tree, KnownFiles knownFiles,
                                std::string_view rootCanvasName, FollowedRenames followed = {},
                                const ParsedFiles& parsed = ParsedFiles(), const std::vector<std::string>& notRead = {});

// The editor state: {"maps":[{"path","canvas","sidecar"}, ...]} in list order.
[[nodiscard]] JSONValue state(const std::vector<LoadedMap>& maps);

// The object held by a file of the tree, or absent when the file is missing, a directory, not
// UTF-8, not JSON or not an object.
[[nodiscard]] std::optional<JSONValue> storedObject(const DocumentTree& tree, std::string_view path);

// The sidecar of a canvas: its object, or an empty object when missing or unreadable.
[[nodiscard]] JSONValue sidecar(const DocumentTree& tree, std::string_view canvasPath);

// The canonical form of a value, or absent: null, empty arrays and empty objects count as
// missing, object members are sorted by key, and numbers are written in one canonical notation
// (1, 1.0 and 1e0 become the same text). Array elements keep their positions.
[[nodiscard]] std::optional<JSONValue> normalized(const JSONValue& value);

// A value equal for two maps exactly when their canonical content is equal.
[[nodiscard]] JSONValue fingerprint(const std::optional<JSONValue>& canvas, const std::optional<JSONValue>& sidecar);

}  // namespace MapDocument
}  // namespace velk
