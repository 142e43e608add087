// Keeping the folder the user picked in the chooser.

#include "shell/MapsFolder.h"

namespace velk::MapsFolder {
namespace {

// Makes `path` and every missing folder above it; what exists already is left as it is.
Expected<void, FileSystemError> makeFolders(const std::string& path, FileSystem& fileSystem,
                                            const IsDirectory& isDirectory) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (auto made = fileSystem.makeDirectory(prefix);
            !made && !std::holds_alternative<FileSystemError::AlreadyExists>(made.error().reason()))
            return Unexpected<FileSystemError>(made.error());
        if (slash == std::string::npos) break;
    }
    // Something else by that name (a file) is no folder to keep maps in.
    if (!isDirectory(path)) return Unexpected<FileSystemError>(FileSystemError(FileSystemError::NotADirectory{}, path));
    return {};
}

}  // namespace

std::string describe(const KeepError& error) {
    return std::visit([](const auto& failure) { return failure.description(); }, error);
}

Expected<Resolution, KeepError> keep(const std::string& choice, const std::string& documents, FileSystem& fileSystem,
                                     BookmarkStore& store, BookmarkCoding& coding, std::string_view homeTrash,
                                     const IsDirectory& isDirectory) {
    const std::string target = standardized(folder(choice, documents));
    if (auto made = makeFolders(target, fileSystem, isDirectory); !made) return Unexpected<KeepError>(KeepError(made.error()));
    if (auto kept = remember(target, store, coding); !kept) return Unexpected<KeepError>(KeepError(kept.error()));
    return resolve(store, coding, homeTrash, isDirectory);
}

}  // namespace velk::MapsFolder
