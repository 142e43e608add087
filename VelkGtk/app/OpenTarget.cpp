#include "OpenTarget.h"

#include "document/PackagePlacement.h"

namespace velk {

std::optional<std::string> packageToOpen(std::string_view path, const PathExists& exists) {
    constexpr std::string_view canvas = "/map.canvas";
    std::string folder = PackagePlacement::withoutTrailingSlash(path);
    if (folder.ends_with(canvas)) folder = PackagePlacement::withoutTrailingSlash(folder.substr(0, folder.size() - canvas.size()));
    if (folder.empty()) return std::nullopt;
    if (PackagePlacement::isPackageName(PackagePlacement::lastComponent(folder))) return folder;
    if (exists(PackagePlacement::join(folder, "map.canvas"))) return folder;
    return std::nullopt;
}

}  // namespace velk
