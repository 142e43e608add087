#include "NewPackage.h"

#include "package/PackageStore.h"
#include "platform/JSONFileDefaults.h"
#include "shell/BookmarkCoding.h"
#include "shell/BookmarkStore.h"
#include "shell/MapsFolder.h"
#include "start/NewMapLocation.h"

#include <cstdio>
#include <set>

namespace velk::cli {

std::optional<std::string> folderForNewMap(std::optional<std::string_view> named, FileSystem& fileSystem,
                                           const Streams& streams) {
    if (named) return std::string(*named);
    static const Environment none;
    const Environment& environment = streams.environment ? *streams.environment : none;
    const std::string home = MapsFolder::home(environment.userFolders);
    const std::string configHome =
        environment.configHome && environment.configHome->starts_with('/') ? *environment.configHome : home + "/.config";
    JSONFileDefaults defaults(fileSystem, configHome + "/velk/defaults.json");
    DefaultsBookmarkStore store(defaults);
    PathBookmarks coding;
    const auto resolution = MapsFolder::forNewMap(environment.mapsFolder, store, coding,
                                                  MapsFolder::homeTrash(environment.userFolders));
    if (const auto* chosen = std::get_if<MapsFolder::Folder>(&resolution)) return chosen->path;
    std::fputs("velk-cli: no folder for new maps has been chosen yet; pass --folder DIR or set VELK_MAPS_FOLDER\n",
               streams.err);
    return std::nullopt;
}

bool createNewPackage(const DocumentTree& tree, std::string_view name, const std::string& folder,
                      FileSystem& fileSystem, const Streams& streams) {
    // Names already in the folder, read once; a folder that cannot be listed fails at creation.
    std::set<std::string, std::less<>> taken;
    if (const auto entries = fileSystem.list(folder)) {
        for (const DirectoryEntry& entry : *entries) taken.insert(entry.name);
    }
    const std::string path = NewMapLocation::next(name, folder, [&](std::string_view candidate) {
        return taken.contains(candidate.substr(candidate.rfind('/') + 1));
    });
    PackageStore store(fileSystem, path);
    if (const auto created = store.create(tree); !created) {
        std::fprintf(streams.err, "velk-cli: %s\n", created.error().description().c_str());
        return false;
    }
    std::fprintf(streams.out, "%s\n", path.c_str());
    return true;
}

}  // namespace velk::cli
