#include "Surroundings.h"

#include <glib.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace velk {
namespace {

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

}  // namespace

Surroundings readSurroundings() {
    Surroundings found;
    found.mapsFolder = variable("VELK_MAPS_FOLDER");
    // Taken from where velk was started: a relative folder would make relative package paths,
    // which the desktop's recent list refuses.
    if (found.mapsFolder && !found.mapsFolder->empty() && found.mapsFolder->front() != '/') {
        if (char* here = ::getcwd(nullptr, 0)) {
            found.mapsFolder = std::string(here) + "/" + *found.mapsFolder;
            std::free(here);
        }
    }
    found.userFolders.environmentHome = variable("HOME");
    found.userFolders.dataHome = variable("XDG_DATA_HOME");
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) found.userFolders.databaseHome = entry->pw_dir;
    // GLib reads the desktop's user-dirs.dirs; it answers the home itself when Documents is off.
    if (const char* documents = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS)) found.userFolders.documentsSetting = documents;
    return found;
}

}  // namespace velk
