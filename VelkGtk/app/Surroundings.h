#pragma once

// What the desktop app reads from its process's surroundings besides the paths main() finds:
// VELK_MAPS_FOLDER and the user's folders (home, Documents as the desktop names it, data home).
// The one place the app reads them; main() and the desktop tests call it. Main thread only.

#include "shell/MapsFolder.h"

#include <optional>
#include <string>

namespace velk {

struct Surroundings {
    std::optional<std::string> mapsFolder;  // VELK_MAPS_FOLDER, when set
    MapsFolder::UserFolders userFolders;
};

[[nodiscard]] Surroundings readSurroundings();

}  // namespace velk
