#include "start/RecentMaps.h"

#include "core/Utf8.h"
#include "start/StartGrid.h"

#include <unordered_set>

namespace velk {

std::string RecentMap::id() const { return RecentMaps::standardized(path); }

namespace RecentMaps {

namespace {

std::string_view withoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

std::string parentFolder(std::string_view path) {
    path = withoutTrailingSlashes(path);
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    if (slash == 0) return "/";
    return std::string(path.substr(0, slash));
}

}  // namespace

std::string standardized(std::string_view path) {
    const bool absolute = path.starts_with('/');
    std::vector<std::string_view> kept;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view segment = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") {
            if (!kept.empty() && kept.back() != "..") kept.pop_back();
            else if (!absolute) kept.push_back(segment);
            continue;
        }
        kept.push_back(segment);
    }
    std::string result = absolute ? "/" : "";
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) result += '/';
        result += kept[i];
    }
    return result.empty() ? "." : result;
}

std::string abbreviated(std::string_view folder, std::string_view home) {
    if (folder == home) return "~";
    if (folder.size() > home.size() && folder.starts_with(home) && folder[home.size()] == '/')
        return "~" + std::string(folder.substr(home.size()));
    return std::string(folder);
}

std::vector<RecentMap> rows(const std::vector<std::string>& paths, std::string_view home, const Exists& exists,
                            const Modified& modified) {
    std::vector<RecentMap> result;
    std::unordered_set<std::string> seen;
    for (const std::string& path : paths) {
        if (result.size() == limit) break;
        // A vanished package is still remembered, so a later spelling of it is not asked again.
        if (!seen.insert(standardized(path)).second) continue;
        if (!exists(path)) continue;
        // Paths are bytes; the name and folder shown must be text.
        result.push_back({path, Utf8::repaired(StartGrid::displayName(path)),
                          Utf8::repaired(abbreviated(parentFolder(path), home)), modified(path)});
    }
    return result;
}

}  // namespace RecentMaps
}  // namespace velk
