#pragma once

// Making a new map package in a folder, as the start window and the share-link opener do: the
// folder is the one named, else VELK_MAPS_FOLDER, else the maps folder velk remembers; the name
// is the first free one; the package appears whole or not at all.

#include "CommandLine.h"

#include "package/DocumentTree.h"
#include "platform/FileSystem.h"

#include <optional>
#include <string>
#include <string_view>

namespace velk::cli {

// The folder for a new map, or absent with the reason printed.
[[nodiscard]] std::optional<std::string> folderForNewMap(std::optional<std::string_view> named, FileSystem& fileSystem,
                                                         const Streams& streams);

// Creates `tree` as a package named after `name` in `folder` and prints its path; false (with
// the reason printed) when it cannot be created.
[[nodiscard]] bool createNewPackage(const DocumentTree& tree, std::string_view name, const std::string& folder,
                                    FileSystem& fileSystem, const Streams& streams);

}  // namespace velk::cli
