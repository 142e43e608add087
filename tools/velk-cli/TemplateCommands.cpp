// velk-cli templates and new: the template catalogue that ships with velk, and new maps made from
// it as the start window makes them.

#include "CommandLine.h"
#include "NewPackage.h"

#include "package/MapNaming.h"
#include "platform/PosixFileSystem.h"
#include "platform/ResourceFolder.h"
#include "start/Templates.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

namespace velk::cli {

namespace {

// The templates folder of this velk-cli, or absent with the reason printed.
std::optional<std::string> templatesFolder(FileSystem& fileSystem, const Streams& streams) {
    const auto isDirectory = [&](std::string_view path) { return fileSystem.list(std::string(path)).has_value(); };
    const auto resources = ResourceFolder::find(streams.executable, isDirectory);
    if (!resources) {
        std::fprintf(streams.err, "velk-cli: cannot find velk's resources (share/velk or Resources) near %.*s\n",
                     int(streams.executable.size()), streams.executable.data());
        return std::nullopt;
    }
    return ResourceFolder::templates(*resources);
}

int usage(const Streams& streams, const char* text) {
    std::fprintf(streams.err, "usage: velk-cli %s\n", text);
    return 2;
}

}  // namespace

int runTemplates(std::span<const std::string_view> arguments, const Streams& streams) {
    if (!arguments.empty()) return usage(streams, "templates");
    PosixFileSystem fileSystem;
    const auto folder = templatesFolder(fileSystem, streams);
    if (!folder) return 1;
    const auto templates = Templates::list(*folder, fileSystem);
    if (!templates) {
        std::fprintf(streams.err, "%s\n", templates.error().description().c_str());
        return 1;
    }
    for (const MapTemplate& entry : *templates)
        std::fprintf(streams.out, "%s\t%s\t%s\n", entry.id.c_str(), entry.title.c_str(), entry.blurb.c_str());
    return 0;
}

int runNew(std::span<const std::string_view> arguments, const Streams& streams) {
    constexpr const char* text = "new [--template ID] [--folder DIR] [NAME]";
    std::string_view id = Templates::blankID;
    std::optional<std::string_view> folder, name;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--template" && i + 1 < arguments.size()) {
            id = arguments[++i];
        } else if (arguments[i] == "--folder" && i + 1 < arguments.size()) {
            folder = arguments[++i];
        } else if (!name && !arguments[i].starts_with("-")) {
            name = arguments[i];
        } else {
            return usage(streams, text);
        }
    }
    PosixFileSystem fileSystem;
    const auto target = folderForNewMap(folder, fileSystem, streams);
    if (!target) return 1;

    const auto templates = templatesFolder(fileSystem, streams);
    if (!templates) return 1;
    const auto listed = Templates::list(*templates, fileSystem);
    const auto tree = Templates::tree(id, *templates, fileSystem);
    if (!listed || !tree) {
        std::fprintf(streams.err, "%s\n", (listed ? tree.error() : listed.error()).description().c_str());
        return 1;
    }
    const auto chosen = std::find_if(listed->begin(), listed->end(), [&](const MapTemplate& t) { return t.id == id; });
    // A name as typed, trimmed and without the extension velk adds; with none left, the template's.
    const std::string typed = name ? MapNaming::displayName(*name) : std::string();
    const std::string baseName = typed.empty() ? Templates::newMapName(*chosen) : typed;

    return createNewPackage(*tree, baseName, *target, fileSystem, streams) ? 0 : 1;
}

}  // namespace velk::cli
