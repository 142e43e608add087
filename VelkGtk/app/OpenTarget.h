#pragma once

// Which package folder a path handed to velk (on the command line, by the desktop, from the Open
// dialog) stands for. A package is named by its folder or by its map.canvas; any other folder
// could be a whole home directory, which velk must not read in as one map. Pure: whether a path
// exists is asked of the caller. Safe from any thread.

#include "document/RenamePlan.h"

#include <optional>
#include <string>

namespace velk {

// The package folder for `path`: a folder whose name ends in ".velk" (in any letter case) or that
// holds a map.canvas. Absent for anything else.
[[nodiscard]] std::optional<std::string> packageToOpen(std::string_view path, const PathExists& exists);

}  // namespace velk
