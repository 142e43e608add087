#pragma once

// The template catalogue that ships with the app: a templates folder holding "manifest.json",
// the list of templates in the order the start window shows them, and one folder per template,
// named by its id, whose content becomes a new map package as it is.
//
// Reads through the FileSystem it is given and keeps no state; call it wherever that file system
// may be used.

#include "core/Expected.h"
#include "package/DocumentTree.h"
#include "platform/FileSystem.h"
#include "start/TemplateError.h"

#include <string>
#include <string_view>
#include <vector>

namespace velk {

// One entry of the manifest. A template is identified by its id, which also names its folder.
struct MapTemplate {
    std::string id;
    std::string title;  // shown on its card, and the name of a map made from it
    std::string blurb;  // one line under the title
    bool operator==(const MapTemplate&) const = default;
};

namespace Templates {

inline constexpr std::string_view manifestName = "manifest.json";
// The blank map. A map made from it is called blankMapName rather than after its title.
inline constexpr std::string_view blankID = "scratch";
inline constexpr std::string_view blankMapName = "Untitled map";

// The manifest's templates, in file order. A manifest that is not a JSON array of objects each
// with the texts "id", "title" and "blurb" fails as a whole: no partial list.
[[nodiscard]] Expected<std::vector<MapTemplate>, TemplateError> list(const std::string& templatesFolder,
                                                                     FileSystem& fileSystem);

// The content of the template `id`, which must be listed in the manifest (a folder that is not
// listed is never used) and hold a file "map.canvas".
[[nodiscard]] Expected<DocumentTree, TemplateError> tree(std::string_view id, const std::string& templatesFolder,
                                                         FileSystem& fileSystem);

// Everything in `folder` except hidden entries (names starting with "."), at any depth: folders
// and the bytes of regular files. Symbolic links, special files and whatever cannot be read are
// left out; a folder that cannot be listed reads as empty. Never fails.
[[nodiscard]] DocumentTree read(const std::string& folder, FileSystem& fileSystem);

// The base name of a map made from `mapTemplate`.
[[nodiscard]] std::string newMapName(const MapTemplate& mapTemplate);

}  // namespace Templates
}  // namespace velk
