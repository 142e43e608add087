#pragma once

// What renaming a map to a name the user typed comes to, decided before anything moves: the name
// the map will show and, for a map that has a package on disk, the package folder it moves to.
// Pure: whether a path is taken is asked of the caller. Safe from any thread.

#include "core/Expected.h"
#include "shell/RenameError.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velk {

struct RenamePlan {
    std::string displayName;
    // The package's new folder; absent when nothing on disk moves (a draft, or the same name).
    std::optional<std::string> folder;
    bool operator==(const RenamePlan&) const = default;
};

using PathExists = std::function<bool(const std::string& path)>;

// `currentFolder` is the package folder of a saved map, absent for a draft. "/" and ":" in the
// typed name become "-", so a name never reaches into another folder.
[[nodiscard]] Expected<RenamePlan, RenameError> planRename(std::string_view typed,
                                                           std::optional<std::string_view> currentFolder,
                                                           const PathExists& exists);

}  // namespace velk
