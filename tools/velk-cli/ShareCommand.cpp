// velk-cli open-share: a share document, as the share service hands it out, turned into a new map
// package the way opening a share link does, without the network.

#include "CommandLine.h"
#include "NewPackage.h"

#include "platform/PosixFileSystem.h"
#include "share/SharedLink.h"

#include <cstdio>
#include <optional>
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
    if (!file) {
        std::fputs("usage: velk-cli open-share FILE.json|- [--folder DIR]\n", streams.err);
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
    const auto target = folderForNewMap(folder, fileSystem, streams);
    if (!target) return 1;
    return createNewPackage(opened->tree, opened->name, *target, fileSystem, streams) ? 0 : 1;
}

}  // namespace velk::cli
