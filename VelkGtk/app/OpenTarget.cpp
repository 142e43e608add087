#include "OpenTarget.h"

#include "document/PackagePlacement.h"

#include <algorithm>
#include <cctype>

namespace velk {

std::optional<std::string> packageToOpen(std::string_view path, const PathExists& exists) {
    constexpr std::string_view canvas = "/map.canvas";
    std::string folder = PackagePlacement::withoutTrailingSlash(path);
    if (folder.ends_with(canvas)) folder = PackagePlacement::withoutTrailingSlash(folder.substr(0, folder.size() - canvas.size()));
    if (folder.empty()) return std::nullopt;
    std::string name = PackagePlacement::lastComponent(folder);
    std::ranges::transform(name, name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (name.size() > 5 && name.ends_with(".velk")) return folder;
    if (exists(PackagePlacement::join(folder, "map.canvas"))) return folder;
    return std::nullopt;
}

}  // namespace velk
