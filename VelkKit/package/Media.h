#pragma once

// The media store of a map package: which images velk keeps, the names it files them under, the
// size limits, and which names the editor may fetch back. Images live in "velk-media" under a name
// derived from their content, so the same image stored twice is one file; older packages also
// hold images in "plovet-media", which is still read and served but never written.
//
// Pure functions and constants, apart from store(), which changes the tree it is given. The
// document core owns that tree and calls these from the main thread; the functions themselves
// hold no state and are safe from any thread.

#include "core/Expected.h"
#include "package/DocumentTree.h"
#include "package/MediaError.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk::Media {

// Where new images are written.
inline constexpr std::string_view directory = "velk-media";
// Where older packages kept their images; read and served, never written.
inline constexpr std::string_view legacyDirectory = "plovet-media";
// The directories images are served from and counted in, in the order they are looked at.
inline constexpr std::array<std::string_view, 2> servedDirectories{directory, legacyDirectory};

// The largest single image, 25 MiB.
inline constexpr std::uint64_t maxBytes = 25 * 1048576;
// The largest total of the images in one package, 512 MiB.
inline constexpr std::uint64_t maxDirectoryBytes = 512 * 1048576;

struct TypeAndExtension {
    std::string_view type;
    std::string_view extension;
};
struct ExtensionAndType {
    std::string_view extension;
    std::string_view type;
};

// The image types velk stores, and the extension each is filed under.
inline constexpr std::array<TypeAndExtension, 5> extensionByType{{
    {"image/png", ".png"},
    {"image/jpeg", ".jpg"},
    {"image/gif", ".gif"},
    {"image/webp", ".webp"},
    {"image/svg+xml", ".svg"},
}};

// The same rows read from the extension side, built from extensionByType so the two cannot
// disagree. No other extension has a type: ".jpeg" in particular has none, since velk never
// writes it.
inline constexpr std::array<ExtensionAndType, 5> typeByExtension = [] {
    std::array<ExtensionAndType, extensionByType.size()> rows{};
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = {extensionByType[i].extension, extensionByType[i].type};
    return rows;
}();

// The extension for a bare media type ("image/png" -> ".png"); absent for any other type.
// Requires: `bareType` is already bare and lowercased (see bareType()).
[[nodiscard]] constexpr std::optional<std::string_view> extensionForType(std::string_view bareType) {
    for (const auto& row : extensionByType) {
        if (row.type == bareType) return row.extension;
    }
    return std::nullopt;
}

// The media type for an extension, dot included (".png" -> "image/png"); absent for any other.
// Requires: `extension` is lowercased.
[[nodiscard]] constexpr std::optional<std::string_view> typeForExtension(std::string_view extension) {
    for (const auto& row : typeByExtension) {
        if (row.extension == extension) return row.type;
    }
    return std::nullopt;
}

// A media type as sent by the page, without parameters, trimmed and lowercased:
// " Image/PNG; q=1" -> "image/png". Empty pieces before the first ";" are skipped, so ";image/png"
// is "image/png" too.
[[nodiscard]] std::string bareType(std::string_view type);

// The file name an image is stored under: the first 16 hexadecimal digits (lowercase) of the
// SHA-256 digest of `bytes`, followed by `extension`.
[[nodiscard]] std::string contentName(std::string_view bytes, std::string_view extension);

// The media type of a file name, from its last extension in any letter case ("a.PNG" ->
// "image/png"); absent when the name has no extension velk stores.
[[nodiscard]] std::optional<std::string_view> mimeType(std::string_view name);

// Whether the editor may fetch a file of this name from a media directory: a plain name with a
// known image extension, never one that could leave the directory or name a hidden file.
[[nodiscard]] bool isServableName(std::string_view name);

// The bytes of the files directly inside the served directories; files in their subdirectories
// do not count.
[[nodiscard]] std::uint64_t mediaBytes(const DocumentTree& tree);

struct StoredMedia {
    // The package path of the image, "velk-media/" followed by its content name.
    std::string path;
    // True only when this call wrote a new file; storing an image the package already holds
    // changes nothing, and the core raises its revision only for a new file.
    bool written = false;
    bool operator==(const StoredMedia&) const = default;
};

// Stores an image of the given media type (as sent, parameters and all) in `tree` under its
// content name and returns where it went. A failure leaves the tree untouched. The checks run in
// a fixed order: type, then emptiness, then the single-image limit (before any digest is
// computed), then whether the media folder can take it, then the total limit; an image already in
// the package meets neither of the last two. `notRead` lists the package paths the disk holds but
// velk could not read (PackageStore::notRead()).
[[nodiscard]] Expected<StoredMedia, MediaError> store(DocumentTree& tree, std::string_view bytes, std::string_view type,
                                                      const std::vector<std::string>& notRead = {});

// The bytes of the image `name` in the media directory `directoryName`; null unless that is one of
// servedDirectories, the name is servable and a file of that name is there.
[[nodiscard]] SharedBytes data(const DocumentTree& tree, std::string_view name, std::string_view directoryName);

}  // namespace velk::Media
