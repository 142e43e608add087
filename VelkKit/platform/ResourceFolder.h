#pragma once

// Where a velk program finds its resources (the editor page and the map templates): in
// share/velk beside the folder of an installed executable, or in the build tree's Resources/
// when it runs from the build. The caller passes the executable's path (read once from
// /proc/self/exe in main) and a probe of the disk, so the rule runs without either.
//
// Pure functions; safe from any thread.

#include "package/MapTree.h"

#include <optional>
#include <string>
#include <string_view>

namespace velk::ResourceFolder {

inline constexpr std::string_view templatesName = "Templates";

// The resources folder of the program at `executable`, an absolute path: "<dir>/../share/velk"
// when that is a folder, else the nearest "Resources" folder in the executable's folder or above
// it; absent when there is neither, or when `executable` is not absolute.
[[nodiscard]] std::optional<std::string> find(std::string_view executable, const MapTree::PathProbe& isDirectory);

// The templates folder inside a resources folder.
[[nodiscard]] std::string templates(std::string_view resources);

}  // namespace velk::ResourceFolder
