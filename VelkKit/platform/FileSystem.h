#pragma once

// A FileSystem is velk's access to files and folders on disk. The package store reads and saves
// map packages only through it, so that tests can run the store over a file system in memory that
// fails chosen operations or loses whatever was not yet made durable, as a power cut would.
//
// Paths are absolute or relative to the working directory, "/"-separated. A symbolic link named
// by the last component of a path is never followed: listing or reading it fails with
// SymbolicLink, and replacing, renaming or removing it acts on the link itself. Links in the
// folders leading to the path are followed, as the user set them up.
//
// Durability: writeAtomically makes the file's bytes durable before they replace the old ones, but
// a new name in a folder (a written file, a made folder, a rename, a removal) survives a crash only
// once that folder has been synced with syncDirectory.
//
// Implementations are safe to call from any thread, concurrently. Calls block on the disk, so the
// application makes them away from the main thread. The caller owns the FileSystem and keeps it
// alive for as long as anything that was handed a reference to it.

#include "core/Expected.h"
#include "platform/FileSystemError.h"

#include <string>
#include <string_view>
#include <vector>

namespace velk {

enum class EntryKind { regularFile, directory, symbolicLink, other };

// One name in a folder, as the folder lists it ("." and ".." are never listed).
struct DirectoryEntry {
    std::string name;
    EntryKind kind;
    bool operator==(const DirectoryEntry&) const = default;
};

// Whether a rename may replace what already has the new name.
enum class Replace { no, yes };

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The entries of a folder, in no particular order.
    [[nodiscard]] virtual Expected<std::vector<DirectoryEntry>, FileSystemError> list(const std::string& directory) = 0;

    // The whole content of a regular file; anything else (a folder, a pipe, a device) fails.
    [[nodiscard]] virtual Expected<std::string, FileSystemError> read(const std::string& file) = 0;

    // Replaces the file's content as one step: the bytes go to a new file beside it, are made
    // durable, and that file is renamed over the old one. Whatever happens, the file holds either
    // its old or its new content in full; a failed write leaves no temporary file behind. A file
    // that is replaced keeps its permissions. The new name is durable once the folder is synced.
    [[nodiscard]] virtual Expected<void, FileSystemError> writeAtomically(const std::string& file, std::string_view bytes) = 0;

    // As writeAtomically, but only over a file that still holds `expected` once the new bytes
    // are durable, right before the rename: false, with everything left as it was, when another
    // program wrote it or removed it since velk last looked.
    [[nodiscard]] virtual Expected<bool, FileSystemError> replaceIfHolding(const std::string& file, std::string_view bytes,
                                                                          std::string_view expected) = 0;

    // Fails with AlreadyExists when anything has that name, a folder included.
    [[nodiscard]] virtual Expected<void, FileSystemError> makeDirectory(const std::string& directory) = 0;

    // Renames a file or folder within one file system. With Replace::no, any existing entry under
    // the new name, an empty folder included, makes it fail with AlreadyExists.
    [[nodiscard]] virtual Expected<void, FileSystemError> rename(const std::string& from, const std::string& to, Replace replace) = 0;

    // Removes a file (or a symbolic link); a folder fails with IsADirectory.
    [[nodiscard]] virtual Expected<void, FileSystemError> removeFile(const std::string& file) = 0;

    // Removes an empty folder; one with anything in it fails with DirectoryNotEmpty.
    [[nodiscard]] virtual Expected<void, FileSystemError> removeDirectory(const std::string& directory) = 0;

    // Makes the names in a folder durable: files written, folders made, renames and removals in it.
    [[nodiscard]] virtual Expected<void, FileSystemError> syncDirectory(const std::string& directory) = 0;
};

}  // namespace velk
