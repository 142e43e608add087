#pragma once

// The steps of applying a save body, in the order they run, exposed for their tests. Internal to
// the package model; MapDocument::apply is the entry point.

#include "json/JSONValue.h"
#include "package/MapDocument.h"
#include "package/SaveBody.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velk::MapDocument {

struct Rename {
    std::string from, to;
};

// The paths a new or moved file may not take: whatever the tree holds there in any letter case
// (see packageUses), and what the disk holds that is not in the tree (entries velk could not
// read, links), or anything below those.
class NamesInUse {
public:
    NamesInUse(const DocumentTree& tree, const std::vector<std::string>& notRead);
    [[nodiscard]] bool contains(std::string_view path) const;

private:
    const DocumentTree& m_tree;
    std::vector<std::string> m_notRead;  // lower-cased
};

// Moves the file of every submap whose owning card's label changed to a name made from the new
// label (with its sidecar and ink drawing), points `files` at the new names, and records in
// `followed` the other map paths that open a renamed file. Returns the moves made.
std::vector<Rename> renamingSubmaps(const SaveBody& body, DocumentTree& tree, const NamesInUse& names,
                                    KnownFiles& files, FollowedRenames& followed);

// The label a card names its submap by: a file card's file stem, a group's label, a link's url,
// any other card's text; absent for a file card that opens no canvas.
[[nodiscard]] std::optional<std::string> submapLabel(const JSONValue& owner);

// The file stem a submap's file should get from its owning card, or absent to keep its name.
[[nodiscard]] std::optional<std::string> renameWanted(const JSONValue& owner, std::string_view file,
                                                      std::string_view nodeID);

// The last path segment without a final ".canvas" of any letter case.
[[nodiscard]] std::string stem(std::string_view path);

// Whether `current` already is the name `wanted`, perhaps with a collision suffix such as "-2".
[[nodiscard]] bool namesStem(std::string_view wanted, std::string_view current);

// The label a new submap's file is named after: the card's text, else its file's stem.
[[nodiscard]] std::optional<std::string> ownerLabel(const JSONValue& card);

// Card id -> package path of the submap that card opens, for the cards of one canvas.
using CardLinks = std::unordered_map<std::string, std::string>;

// The canvas with every card listed in `links` turned into a file card pointing at its submap.
// A note keeps its text beside the file, so no word of it is lost.
[[nodiscard]] JSONValue linkingSubmaps(const JSONValue& canvas, const CardLinks& links);

// A card's or link's "id" when it is a string.
[[nodiscard]] std::optional<std::string_view> idOf(const JSONValue& element);

// Canonical package path of a file this save renamed -> its new path.
using RenamedFiles = std::unordered_map<std::string, std::string>;

// The canvas with every file card that links a renamed file pointing at its new name: cards the
// map paths do not reach (one linking back to a map above it) follow too.
[[nodiscard]] JSONValue followingRenamedFiles(const JSONValue& canvas, const RenamedFiles& renamed);

// The canvas with every card equal in value (members in any order, numbers by value) to the
// stored card or link of the same id replaced by the stored one, so it is written as it was read.
[[nodiscard]] JSONValue keepingStoredNodes(const JSONValue& canvas, const std::optional<JSONValue>& stored);
// `sent` with each member equal in canonical form to the stored one taken as stored, and objects
// on both sides gone through alike: the page rounds what it does not know (a 64-bit number), and
// a member nobody changed keeps its text.
[[nodiscard]] JSONValue keptMembers(const JSONValue& sent, const JSONValue& stored);

// The canvas with every unnamed ink file card pointing at the canvas's ink file. When the canvas
// was just renamed from `formerCanvasFile`, cards naming its former ink file follow it.
[[nodiscard]] JSONValue namingInk(const JSONValue& canvas, const std::optional<JSONValue>& sidecar,
                                  std::string_view canvasFile, std::string_view formerCanvasFile = {});

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

// Whether an ink drawing may be written at `path`: a name ending in ".ink.svg", outside the media
// folders, with no "." or ".." segment. Anything else could overwrite a canvas, a sidecar or an
// image the package needs.
[[nodiscard]] bool mayHoldInk(std::string_view path);

// True when the package already holds something at `path` in any letter case: a new or moved
// file must not take it, since a file system that ignores case would make the two one file.
[[nodiscard]] bool packageUses(const DocumentTree& tree, std::string_view path);

// The last non-empty "/"-separated segment of a path, or the whole text when it has none.
[[nodiscard]] std::string_view lastSegment(std::string_view path);

}  // namespace velk::MapDocument
