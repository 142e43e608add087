#pragma once

// Making a new map package in a folder, as the start window, the share-link opener and velk-cli
// do: the package takes the first free name for its base name in the folder, and it appears whole
// or not at all (the store writes it under a temporary name and renames it into place).
//
// Reads and writes through the FileSystem it is given; call it wherever that may be used.

#include "core/Expected.h"
#include "package/DocumentTree.h"
#include "package/PackageError.h"
#include "platform/FileSystem.h"

#include <string>
#include <string_view>

namespace velk::NewMapPackage {

// Writes `tree` as a new package named after `name` in `folder` and gives its path. The names in
// the folder are read once; a name taken in the meantime fails the write instead of replacing it.
[[nodiscard]] Expected<std::string, PackageError> create(const DocumentTree& tree, std::string_view name,
                                                         const std::string& folder, FileSystem& fileSystem);

}  // namespace velk::NewMapPackage
