#include "OpenPackage.h"

#include <cstdio>

namespace velk::cli {

std::optional<OpenPackage> openPackage(std::string_view folder, const Streams& streams) {
    OpenPackage package{std::make_unique<PosixFileSystem>(), nullptr, MapDocumentCore()};
    package.store = std::make_unique<PackageStore>(*package.fileSystem, std::string(folder));
    auto contents = package.store->read();
    if (!contents) {
        std::fprintf(streams.err, "velk-cli: %s\n", contents.error().description().c_str());
        return std::nullopt;
    }
    for (const UnreadableEntry& entry : contents->unreadable) {
        std::fprintf(streams.err, "velk-cli: warning: left out %s: %s\n", entry.path.c_str(),
                     entry.cause.description().c_str());
    }
    package.core.replace(std::move(contents->tree));
    return package;
}

std::optional<JSONValue> loadedState(OpenPackage& package, const Streams& streams) {
    auto state = package.core.state();
    if (!state) {
        std::fprintf(streams.err, "velk-cli: %s\n", state.error().description().c_str());
        return std::nullopt;
    }
    return std::move(*state);
}

bool savePackage(OpenPackage& package, const Streams& streams) {
    auto saved = package.store->save(package.core.tree());
    if (!saved) {
        std::fprintf(streams.err, "velk-cli: %s\n", saved.error().description().c_str());
        return false;
    }
    for (const SkippedNode& skipped : saved->skipped) {
        std::fprintf(streams.err, "velk-cli: warning: not written: %s\n", skipped.path.c_str());
    }
    return true;
}

}  // namespace velk::cli
