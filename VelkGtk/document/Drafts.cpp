#include "Drafts.h"

#include "document/PackagePlacement.h"
#include "platform/TemporaryName.h"

#include <glib.h>

#include <algorithm>

namespace velk::Drafts {

namespace {

constexpr std::string_view homePrefix = "velk-";

}  // namespace

std::optional<std::string> makeHome(const std::string& root) {
    if (g_mkdir_with_parents(root.c_str(), 0700) != 0) return std::nullopt;
    std::string pattern = PackagePlacement::join(root, std::string(homePrefix) + "XXXXXX");
    if (!g_mkdtemp(pattern.data())) return std::nullopt;
    return pattern;
}

std::vector<std::string> leftovers(FileSystem& fileSystem, const std::string& root) {
    std::vector<std::string> packages;
    auto homes = fileSystem.list(root);
    if (!homes) return packages;
    for (const auto& home : *homes) {
        if (home.kind != EntryKind::directory || !home.name.starts_with(homePrefix)) continue;
        const std::string homePath = PackagePlacement::join(root, home.name);
        auto entries = fileSystem.list(homePath);
        if (!entries) continue;
        for (const auto& entry : *entries) {
            // A package still being made has a temporary name; it never held anything of the user's.
            if (entry.kind == EntryKind::directory && PackagePlacement::isPackageName(entry.name) &&
                !TemporaryName::isTemporary(entry.name)) {
                packages.push_back(PackagePlacement::join(homePath, entry.name));
                break;
            }
        }
    }
    std::ranges::sort(packages);
    return packages;
}

}  // namespace velk::Drafts
