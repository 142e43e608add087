#include "start/NewMapPackage.h"

#include "package/PackageStore.h"
#include "start/NewMapLocation.h"

#include <set>

namespace velk::NewMapPackage {

Expected<std::string, PackageError> create(const DocumentTree& tree, std::string_view name, const std::string& folder,
                                           FileSystem& fileSystem) {
    // A folder that cannot be listed has no names taken; the write then says what is wrong.
    std::set<std::string, std::less<>> taken;
    if (const auto entries = fileSystem.list(folder)) {
        for (const DirectoryEntry& entry : *entries) taken.insert(entry.name);
    }
    std::string path = NewMapLocation::next(name, folder, [&](std::string_view candidate) {
        return taken.contains(candidate.substr(candidate.rfind('/') + 1));
    });
    PackageStore store(fileSystem, path);
    if (auto created = store.create(tree); !created) return Unexpected<PackageError>(std::move(created.error()));
    return path;
}

}  // namespace velk::NewMapPackage
