#pragma once

// When another program changes a package while velk holds unsaved changes to it, velk keeps its
// own version as a new package beside the original, "Trip (velk conflict 2026-12-06 22.41).velk",
// before it takes the other program's version. The copy is made like any new package: complete or
// not at all, and never in place of anything that already exists.
//
// Safe from any thread; the FileSystem decides where the calls may block.

#include "core/Expected.h"
#include "package/DocumentTree.h"
#include "package/PackageError.h"
#include "platform/FileSystem.h"

#include <chrono>
#include <ctime>
#include <string>
#include <string_view>

namespace velk::ConflictCopy {

// The package name of the copy of the map shown as `displayName`, made at local time `when`;
// `attempt` 1 is the plain name, later attempts add " 2", " 3"… before the closing parenthesis.
[[nodiscard]] std::string packageName(std::string_view displayName, const std::tm& when, int attempt);

// Writes `tree` as a new package beside `packageFolder`, named after it with packageName() at
// `now` (local time), taking the first attempt whose name is free. Returns the new folder.
[[nodiscard]] Expected<std::string, PackageError> write(FileSystem& fileSystem, std::string_view packageFolder,
                                                        const DocumentTree& tree,
                                                        std::chrono::system_clock::time_point now);

}  // namespace velk::ConflictCopy
