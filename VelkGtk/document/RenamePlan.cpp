#include "RenamePlan.h"

#include "document/PackagePlacement.h"
#include "package/MapNaming.h"

namespace velk {

Expected<RenamePlan, RenameError> planRename(std::string_view typed, std::optional<std::string_view> currentFolder,
                                             const PathExists& exists) {
    RenamePlan plan{MapNaming::displayName(MapNaming::withoutSeparators(typed)), std::nullopt};
    if (plan.displayName.empty()) return Unexpected(RenameError{"a map needs a name"});
    if (!currentFolder) return plan;

    const std::string current = PackagePlacement::withoutTrailingSlash(*currentFolder);
    const std::string target =
        PackagePlacement::join(PackagePlacement::parentFolder(current), MapNaming::packageFileName(plan.displayName));
    if (target == current) return plan;
    if (exists(target))
        return Unexpected(RenameError{"a map called \u201c" + plan.displayName + "\u201d already exists there"});
    plan.folder = target;
    return plan;
}

}  // namespace velk
