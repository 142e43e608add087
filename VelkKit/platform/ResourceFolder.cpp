#include "platform/ResourceFolder.h"

namespace velk::ResourceFolder {

std::optional<std::string> find(std::string_view executable, const MapTree::PathProbe& isDirectory) {
    if (!executable.starts_with('/')) return std::nullopt;
    std::string folder = MapTree::normalizedJoin(executable, "..");
    if (std::string installed = MapTree::normalizedJoin(folder, "../share/velk"); isDirectory(installed)) return installed;
    // From the build tree, programs sit in subfolders of various depths (tools/velk-cli, tests).
    for (;;) {
        if (std::string resources = MapTree::normalizedJoin(folder, "Resources"); isDirectory(resources)) return resources;
        std::string parent = MapTree::normalizedJoin(folder, "..");
        if (parent == folder) return std::nullopt;  // "/" is its own parent here
        folder = std::move(parent);
    }
}

std::string templates(std::string_view resources) { return MapTree::join(resources, templatesName); }

}  // namespace velk::ResourceFolder
