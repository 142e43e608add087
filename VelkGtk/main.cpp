// The composition root of the desktop app: reads what it needs from the process once and hands
// it to the application.

#include "app/Surroundings.h"
#include "app/VelkApplication.h"
#include "platform/ResourceFolder.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char* argv[]) {
    std::error_code failed;
    auto executable = std::filesystem::read_symlink("/proc/self/exe", failed);
    auto isDirectory = [](std::string_view path) {
        std::error_code ignored;
        return std::filesystem::is_directory(std::filesystem::path(path), ignored);
    };
    std::optional<std::string> resources;
    if (!failed) resources = velk::ResourceFolder::find(executable.string(), isDirectory);
    if (!resources) {
        std::fprintf(stderr, "velk: cannot find the resources folder beside %s\n", executable.c_str());
        return 1;
    }
    // Windows carry the application id as their class, so desktops match them to the desktop file.
    g_set_prgname("dev.velk.Velk");
    g_set_application_name("velk");
    gtk_window_set_default_icon_name("dev.velk.Velk");
    // Drafts live with the user's data rather than in /tmp, so a restart never takes them away.
    const std::string drafts = std::string(g_get_user_data_dir()) + "/velk/Unsaved Maps";
    const std::string defaults = std::string(g_get_user_config_dir()) + "/velk/defaults.json";
    const velk::Surroundings surroundings = velk::readSurroundings();
    velk::VelkApplication::Paths paths{*resources, drafts, defaults, surroundings.mapsFolder, surroundings.userFolders};
    if (const char* caches = g_get_user_cache_dir(); caches && *caches) paths.cachesFolder = caches;
    // Present at all, even empty, asks for the start window's pictures.
    if (const char* snapshots = std::getenv("VELK_START_SNAPSHOTS")) paths.startSnapshots = snapshots;
    auto app = velk::VelkApplication::create(std::move(paths), velk::TraceSink::process());
    return app->run(argc, argv);
}
