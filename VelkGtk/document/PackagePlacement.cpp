#include "PackagePlacement.h"

#include "core/TextCase.h"
#include "package/MapTree.h"
#include "package/PackageStore.h"
#include "platform/TemporaryName.h"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace velk::PackagePlacement {

std::string withoutTrailingSlash(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return std::string(path);
}

std::string parentFolder(std::string_view path) {
    const std::string whole = withoutTrailingSlash(path);
    const std::size_t slash = whole.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return whole.substr(0, slash);
}

std::string lastComponent(std::string_view path) {
    const std::string whole = withoutTrailingSlash(path);
    const std::size_t slash = whole.rfind('/');
    return slash == std::string::npos ? whole : whole.substr(slash + 1);
}

bool isPackageName(std::string_view name) {
    const auto stem = TextCase::withoutCaselessSuffix(name, MapTree::packageSuffix);
    return stem && !stem->empty();
}

std::string join(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    if (joined.empty() || joined.back() != '/') joined += '/';
    return joined + std::string(name);
}

bool exists(FileSystem& fileSystem, const std::string& path) {
    auto siblings = fileSystem.list(parentFolder(path));
    // A folder that cannot be listed cannot be checked; calling the name taken is the safe answer.
    if (!siblings) return true;
    const std::string name = lastComponent(path);
    return std::ranges::any_of(*siblings, [&](const DirectoryEntry& entry) { return entry.name == name; });
}

namespace {

bool isCrossDevice(const FileSystemError& error) {
    const auto* failed = std::get_if<FileSystemError::Failed>(&error.reason());
    return failed && failed->code == EXDEV;
}

}  // namespace

Expected<std::optional<LeftBehind>, PackageError> move(FileSystem& fileSystem, const std::string& from,
                                                       const std::string& to) {
    auto renamed = fileSystem.rename(from, to, Replace::no);
    if (renamed) {
        (void)fileSystem.syncDirectory(parentFolder(from));
        if (auto synced = fileSystem.syncDirectory(parentFolder(to)); !synced)
            return Unexpected(PackageError(PackageError::NotSaved{synced.error()}));
        return std::nullopt;
    }
    const auto& reason = renamed.error().reason();
    if (std::holds_alternative<FileSystemError::AlreadyExists>(reason) ||
        std::holds_alternative<FileSystemError::DirectoryNotEmpty>(reason))
        return Unexpected(PackageError(PackageError::AlreadyExists{to}));
    if (!isCrossDevice(renamed.error())) return Unexpected(PackageError(PackageError::NotSaved{renamed.error()}));

    // The copy is made of what the disk holds, not of the map in memory: files velk never read
    // (added by another program, or unreadable when the map opened) would otherwise be removed with
    // the old place. One that cannot be read now would be lost that way too, so nothing moves.
    PackageStore source(fileSystem, from);
    auto onDisk = source.read();
    if (!onDisk) return Unexpected(onDisk.error());
    if (!onDisk->unreadable.empty())
        return Unexpected(PackageError(PackageError::NotSaved{onDisk->unreadable.front().cause}));
    // Links and special files are not copied either, and would stay behind, out of sight.
    if (!source.notRead().empty()) {
        const FileSystemError left(FileSystemError::NotARegularFile{}, join(from, source.notRead().front()));
        return Unexpected(PackageError(PackageError::NotSaved{left}));
    }
    PackageStore copy(fileSystem, to);
    if (auto created = copy.create(onDisk->tree); !created) return Unexpected(created.error());
    // The copy is complete and durable. The old place goes under a temporary name first, which no
    // reader takes for a package: a removal that stops half way (a folder velk may not change)
    // would leave a package without its root canvas under the map's name.
    const std::string hidden = join(parentFolder(from), TemporaryName::forSibling(lastComponent(from)));
    if (auto hid = fileSystem.rename(from, hidden, Replace::no); !hid) return LeftBehind{hid.error()};
    (void)removeTree(fileSystem, hidden);
    return std::nullopt;
}

Expected<void, FileSystemError> removeTree(FileSystem& fileSystem, const std::string& folder) {
    // Depth first with an explicit work list: a folder is removed after everything in it.
    struct Pending {
        std::string path;
        bool listed;
    };
    std::vector<Pending> work{{folder, false}};
    std::optional<FileSystemError> firstFailure;
    while (!work.empty()) {
        Pending next = work.back();
        if (next.listed) {
            work.pop_back();
            if (auto removed = fileSystem.removeDirectory(next.path); !removed && !firstFailure)
                firstFailure = removed.error();
            continue;
        }
        work.back().listed = true;
        auto entries = fileSystem.list(next.path);
        if (!entries) {
            if (!firstFailure) firstFailure = entries.error();
            continue;
        }
        for (const auto& entry : *entries) {
            const std::string path = join(next.path, entry.name);
            if (entry.kind == EntryKind::directory) work.push_back({path, false});
            else if (entry.kind == EntryKind::regularFile) {
                if (auto removed = fileSystem.removeFile(path); !removed && !firstFailure) firstFailure = removed.error();
            }
        }
    }
    (void)fileSystem.syncDirectory(parentFolder(folder));
    if (firstFailure) return Unexpected(*firstFailure);
    return {};
}

}  // namespace velk::PackagePlacement
