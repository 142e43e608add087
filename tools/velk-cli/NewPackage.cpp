#include "NewPackage.h"

#include "platform/JSONFileDefaults.h"
#include "shell/BookmarkCoding.h"
#include "shell/BookmarkStore.h"
#include "shell/MapsFolder.h"
#include "start/NewMapPackage.h"

#include <cstdio>

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
    const bool gone = std::get<MapsFolder::Ask>(resolution).reason == MapsFolder::Reason::gone;
    std::fprintf(streams.err, "velk-cli: %s; pass --folder DIR or set VELK_MAPS_FOLDER\n",
                 gone ? "the folder chosen for new maps is gone or in the Trash" : "no folder for new maps has been chosen yet");
    return std::nullopt;
}

bool createNewPackage(const DocumentTree& tree, std::string_view name, const std::string& folder,
                      FileSystem& fileSystem, const Streams& streams) {
    const auto created = NewMapPackage::create(tree, name, folder, fileSystem);
    if (!created) {
        std::fprintf(streams.err, "velk-cli: %s\n", created.error().description().c_str());
        return false;
    }
    std::fprintf(streams.out, "%s\n", created->c_str());
    return true;
}

}  // namespace velk::cli
