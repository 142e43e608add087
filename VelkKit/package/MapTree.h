#pragma once

// Names inside a map package and the map paths the editor uses.
//
// A package path names a file relative to the package root: "/"-separated, no leading "/"
// ("map.canvas", "map/Ideas.canvas"). A map path names a map as the editor sees it: "/" is the
// root, and each submap appends "/" and the id of the card that opens it ("/n1/n7"). Map paths
// are built from node ids, never from file names, so renaming a card's file never moves a map.
//
// Every canvas may have a sidecar (its path plus ".velk") and an ink drawing; its submaps live in
// a directory named after it. Submap files are named after their cards' labels, made safe for
// any file system. The link helpers at the end resolve links into a surrounding notes vault;
// they ask caller-supplied probes about the file system and never touch it themselves.
//
// Pure functions except that mintSubmapFile records its choice; safe from any thread.

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace velk::MapTree {

inline constexpr std::string_view submapExtension = ".canvas";
// What the ink drawing of a canvas is named with, in place of ".canvas".
inline constexpr std::string_view inkSuffix = ".ink.svg";
// The settings directory that marks the root of a notes vault.
inline constexpr std::string_view vaultMarker = ".obsidian";
// A map package is a directory whose name ends in this.
inline constexpr std::string_view packageSuffix = ".velk";

// Package paths of the files that belong to the canvas at `canvas`. A final ".canvas" in any
// letter case is dropped for the ink drawing and the submap directory; the stem keeps its case.
[[nodiscard]] std::string sidecarPath(std::string_view canvas);
[[nodiscard]] std::string inkPath(std::string_view canvas);
[[nodiscard]] std::string submapDirectory(std::string_view canvas);

// True when a file name or path ends in ".canvas", letter case ignored.
[[nodiscard]] bool isSubmapFile(std::string_view path);

// The map path of the submap opened from node `nodeID` of the map at `parent`.
[[nodiscard]] std::string submapPath(std::string_view parent, std::string_view nodeID);

struct ParentPath {
    std::string parent;
    std::string nodeID;
    bool operator==(const ParentPath&) const = default;
};
// The map that holds the card opening `mapPath`, and that card's id; absent for the root and
// for text that is not a submap's path.
[[nodiscard]] std::optional<ParentPath> parentPath(std::string_view mapPath);

// 0 for the root, 1 for a submap of the root, and so on.
[[nodiscard]] std::size_t depth(std::string_view mapPath);

// `name` inside `directory`; a name at the package root when the directory is empty.
[[nodiscard]] std::string join(std::string_view directory, std::string_view name);

// The one spelling of a package path that names the same file as `path` in a tree: its
// non-empty segments joined by "/" ("/map//S.canvas" is "map/S.canvas"). Letter case is kept,
// because the file system tells "A.canvas" and "a.canvas" apart.
[[nodiscard]] std::string canonicalPath(std::string_view path);

// A file name stem made from a card's label: letters, digits, space and - _ ( ) & + are kept,
// every other character becomes "-", runs of "-" collapse, and " ", "-" and "." are trimmed from
// the ends. A label that leaves nothing uses `fallback` the same way, and then "map". At most
// 64 characters.
[[nodiscard]] std::string safeFileName(std::string_view label, std::string_view fallback);

// A new package path for the submap that node `nodeID`, labelled `label`, opens from the canvas
// `parentFile`: named after the label (or the node id), with "-2", "-3", ... added until its
// lowercased path is not in `taken`. `taken` holds lowercased package paths, so names differing
// only in letter case collide; the chosen one is added to it.
[[nodiscard]] std::string mintSubmapFile(std::string_view parentFile, std::string_view label, std::string_view nodeID,
                                         std::set<std::string>& taken);

// `relative` appended to `base`, with "." and ".." resolved and empty segments dropped. An
// absolute result never climbs above "/"; a relative one keeps leading ".." and is "." when empty.
[[nodiscard]] std::string normalizedJoin(std::string_view base, std::string_view relative);

// Answers a question about a file-system path: whether it is a directory, or whether it exists.
using PathProbe = std::function<bool(std::string_view path)>;

// The nearest of `directory` and its ancestors that holds a vault marker directory.
[[nodiscard]] std::optional<std::string> findVaultRoot(std::string_view directory, const PathProbe& isDirectory);

// Where links stored in a map are resolved from.
struct LinkBase {
    std::string mapDir;                // the directory that holds the map package
    std::optional<std::string> vault;  // the enclosing notes vault's root, if any
    bool operator==(const LinkBase&) const = default;
};
[[nodiscard]] LinkBase linkBase(std::string_view forRoot, const PathProbe& isDirectory);

// The file-system path a stored link points at. Inside a vault, links are vault-relative first
// and map-relative when only that exists.
[[nodiscard]] std::string resolveLink(std::string_view link, const LinkBase& base, const PathProbe& exists);

// What to store for a link the user entered relative to the map: inside a vault, the
// vault-relative form, so other vault tools can follow it.
[[nodiscard]] std::string linkValue(std::string_view link, const LinkBase& base, const PathProbe& exists);

// What to store for a link to the file-system path `path`: vault-relative inside the vault,
// otherwise just its last path segment.
[[nodiscard]] std::string rootLinkValue(std::string_view path, const LinkBase& base);

}  // namespace velk::MapTree
