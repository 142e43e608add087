#pragma once

// A PackageStore reads one map package folder into a DocumentTree and saves trees back to it,
// over an injected FileSystem.
//
// Reading takes regular files and folders; symbolic links, devices, pipes and temporaries left by
// an interrupted save are left out at every depth. An entry that cannot be read is left out and
// reported; only a package folder that cannot be listed is an error.
//
// Saving writes only the files whose content differs from what the store last read or wrote
// there, each one atomically, so every file on disk always holds its complete old or complete new
// content, even after a crash. Media and other files are written first, then canvases from the
// deepest folder up, with the folders synced in between, so a canvas never reaches the disk before
// the submaps and media it links; the thumbnail (QuickLook/) comes last. Files that left the tree are removed last, and only files the
// store itself read or wrote: anything else in the folder (a note the user keeps there) is never
// touched. A node whose name would reach outside the package folder is not written. A save that
// fails stops at the failing step and keeps track of what did reach the disk, so the next save
// writes exactly what is still missing.
//
// The store trusts its record of the disk: changes made by other programs are noticed by reading
// the package again.
//
// A store is used by one thread at a time. The FileSystem belongs to the caller and must outlive
// the store.

#include "core/Expected.h"
#include "package/DocumentTree.h"
#include "package/PackageError.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace velk {

// A file or folder of the package that could not be read. Paths are package paths ("map/A.canvas").
struct UnreadableEntry {
    std::string path;
    FileSystemError cause;
    bool operator==(const UnreadableEntry&) const = default;
};

struct PackageContents {
    DocumentTree tree;
    std::vector<UnreadableEntry> unreadable;
};

// A node of the tree that a save left alone, and why.
struct SkippedNode {
    enum class Reason {
        unsafeName,        // empty, ".", "..", or holding "/" or a NUL byte: it could land outside its folder
        temporaryName,     // named like velk's own temporaries, which reading leaves out
        unreadableOnDisk,  // the disk has an entry there that the store could not read; it is not replaced
    };
    std::string path;  // the parent's package path and the name as it is, joined by "/"
    Reason reason;
    bool operator==(const SkippedNode&) const = default;
};

struct SaveReport {
    std::vector<std::string> written;  // package paths, in the order they were written
    std::vector<std::string> removed;  // files that left the tree
    std::vector<SkippedNode> skipped;
    std::uint64_t bytesWritten = 0;
};

class PackageStore {
public:
    // `folder` is the package folder (a trailing "/" is ignored). It must be the folder itself,
    // not a symbolic link to it: the file system does not follow one there.
    PackageStore(FileSystem& fileSystem, std::string folder);

    [[nodiscard]] const std::string& folder() const noexcept { return m_folder; }
    [[nodiscard]] FileSystem& fileSystem() const noexcept { return *m_fileSystem; }

    // What the store knows the package on disk to hold: every file and folder it read or wrote
    // there, as it left them, a save that stopped half way included.
    [[nodiscard]] DocumentTree knownTree() const;
    // What the disk held at the last read that is not in its tree: entries that could not be read,
    // links and special files. Saves never write there, so new files must be named around them.
    [[nodiscard]] const std::vector<std::string>& notRead() const noexcept { return m_unreadable; }

    // Reads the whole package and makes it what the next save compares with.
    [[nodiscard]] Expected<PackageContents, PackageError> read();
    // The package as read() would find it when only the files at `paths` changed since the store
    // last read or wrote it (a file monitor's report): those are read again, the rest is taken
    // as known, so a package full of images is not read through for one canvas. Absent, with
    // nothing learned, when one of them is no plain file of a known folder now or before.
    [[nodiscard]] std::optional<DocumentTree> readAgainAt(const std::set<std::string>& paths);

    // Brings the package folder in line with `tree`.
    [[nodiscard]] Expected<SaveReport, PackageError> save(const DocumentTree& tree);

    // Makes a new package (a new map, or save-as): the whole tree is written and synced under a
    // temporary name beside the folder, then renamed to it, so the package appears complete or not
    // at all. Fails with AlreadyExists when anything has the folder's name.
    [[nodiscard]] Expected<SaveReport, PackageError> create(const DocumentTree& tree);

private:
    struct Layout;
    [[nodiscard]] std::string onDisk(const std::string& path) const;
    [[nodiscard]] bool unreadableOnDisk(const std::string& path) const;
    [[nodiscard]] Expected<void, PackageError> makeDirectory(const std::string& path, SaveReport& report);
    [[nodiscard]] Expected<void, PackageError> write(const std::string& path, const DocumentTree& node);
    // What the disk holds at `path` now, against `known`, as the store last read or wrote it.
    enum class OnDisk { asKnown, changed, gone };
    [[nodiscard]] Expected<OnDisk, FileSystemError> onDiskNow(const std::string& path, const DocumentTree& known) const;
    using KnownFile = std::map<std::string, DocumentTree>::iterator;
    [[nodiscard]] Expected<KnownFile, PackageError> removeKnownFile(KnownFile file, SaveReport& report);
    [[nodiscard]] Expected<void, PackageError> clearDirectory(const std::string& path, SaveReport& report);
    [[nodiscard]] Expected<void, PackageError> removeLeftovers(const Layout& next, SaveReport& report);
    [[nodiscard]] Expected<void, PackageError> syncTouchedDirectories();
    void discard();
    [[nodiscard]] PackageError namingThePackage(const PackageError& error, const std::string& staging) const;

    FileSystem* m_fileSystem;
    std::string m_folder;
    std::map<std::string, DocumentTree> m_files;  // what the store knows each file on disk to hold
    std::set<std::string> m_directories;          // folders known to be on disk, the root aside
    std::set<std::string> m_unsynced;             // folders whose names changed since their last sync
    std::vector<std::string> m_unreadable;        // entries found on disk but not read (links too)
};

}  // namespace velk
