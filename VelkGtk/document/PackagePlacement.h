#pragma once

// Moving and removing whole package folders, and the few path helpers that needs. A move within
// one file system is a single rename, so the package is at its old place or its new one, never
// half of each; across file systems the package is first made complete at the new place and only
// then removed from the old one.
//
// Everything goes through the FileSystem the caller owns. Main thread only, like the documents
// that call it.

#include "core/Expected.h"
#include "package/PackageError.h"
#include "platform/FileSystem.h"

#include <optional>
#include <string>
#include <string_view>

namespace velk::PackagePlacement {

[[nodiscard]] std::string withoutTrailingSlash(std::string_view path);
// The folder holding `path` ("/" for a path right below the root, "." for a bare name).
[[nodiscard]] std::string parentFolder(std::string_view path);
// The last component of `path`.
[[nodiscard]] std::string lastComponent(std::string_view path);
[[nodiscard]] std::string join(std::string_view folder, std::string_view name);
// Whether `name` names a package: something before ".velk", in any letter case.
[[nodiscard]] bool isPackageName(std::string_view name);

// Whether anything, of any kind, has the name `path`.
[[nodiscard]] bool exists(FileSystem& fileSystem, const std::string& path);

// Why a move across file systems left the package at its old place too (a read-only volume, a
// folder velk may not change): it is whole at both.
struct LeftBehind {
    FileSystemError cause;
};

// Moves the package folder `from` to `to`, which must be free. Across file systems what `from`
// holds on disk is copied, and the move is refused while any of it cannot be read; the old place
// is then taken out of sight before it is cleared, so no half-removed package stays there.
[[nodiscard]] Expected<std::optional<LeftBehind>, PackageError> move(FileSystem& fileSystem, const std::string& from,
                                                                     const std::string& to);

// Removes `folder` and everything below it that is a file or a folder. Anything else (a symbolic
// link, a pipe) stays, and so do the folders holding it.
[[nodiscard]] Expected<void, FileSystemError> removeTree(FileSystem& fileSystem, const std::string& folder);

}  // namespace velk::PackagePlacement
