// velk-cli open-share: a share document, as the share service hands it out, turned into a new map
// package the way opening a share link does, without the network.

#include "CommandLine.h"

#include "package/PackageStore.h"
#include "platform/PosixFileSystem.h"
#include "share/SharedLink.h"
#include "start/NewMapLocation.h"

#include <cstdio>
#include <optional>
#include <set>
#include <string>

namespace velk::cli {

int runOpenShare(std::span<const std::string_view> arguments, const Streams& streams) {
    std::optional<std::string_view> file, folder;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--folder" && i + 1 < arguments.size()) {
            folder = arguments[++i];
        } else if (!file && (arguments[i] == "-" || !arguments[i].starts_with("-"))) {
            file = arguments[i];
        } else {
            file.reset();
            break;
        }
    }
    // Without --folder the maps folder would be used; that rule belongs to the app and comes with it.
    if (!file || !folder) {
        std::fputs("usage: velk-cli open-share FILE.json|- --folder DIR\n", streams.err);
        return 2;
    }

    std::string document;
    if (!readInput(*file, streams.in, document)) {
        std::fprintf(streams.err, "velk-cli: cannot read %.*s\n", int(file->size()), file->data());
        return 1;
    }
    const auto opened = SharedLink::open(document);
    if (!opened) {
        std::fprintf(streams.err, "%s\n", opened.error().description().c_str());
        return 1;
    }

    PosixFileSystem fileSystem;
    // Names already in the folder, read once; a folder that cannot be listed fails at creation.
    std::set<std::string, std::less<>> taken;
    if (const auto entries = fileSystem.list(std::string(*folder))) {
        for (const DirectoryEntry& entry : *entries) taken.insert(entry.name);
    }
    const std::string path = NewMapLocation::next(opened->name, *folder, [&](std::string_view candidate) {
        return taken.contains(candidate.substr(candidate.rfind('/') + 1));
    });
    PackageStore store(fileSystem, path);
    if (const auto created = store.create(opened->tree); !created) {
        std::fprintf(streams.err, "velk-cli: %s\n", created.error().description().c_str());
        return 1;
    }
    std::fprintf(streams.out, "%s\n", path.c_str());
    return 0;
}

}  // namespace velk::cli
