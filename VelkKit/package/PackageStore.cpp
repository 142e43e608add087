#include "package/PackageStore.h"

#include "platform/TemporaryName.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

namespace velk {

namespace {

Unexpected<PackageError> notSaved(FileSystemError cause) {
    return Unexpected<PackageError>(PackageError(PackageError::NotSaved{std::move(cause)}));
}

std::string join(const std::string& folder, std::string_view name) {
    return folder.empty() ? std::string(name) : folder + "/" + std::string(name);
}

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isWithin(const std::string& path, const std::string& folder) {
    return path == folder || (path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/');
}

bool isSafeName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

// The tree of folders given with their children, by package path ("" for the root). Deeper
// folders sort after their parents, so going backwards completes each folder before its parent
// takes it in.
DocumentTree assembled(std::map<std::string, DocumentTree::Children> children) {
    children[std::string()];
    for (auto folder = children.rbegin(); folder != children.rend() && !folder->first.empty(); ++folder) {
        children[parentOf(folder->first)].emplace(nameOf(folder->first), DocumentTree::directory(std::move(folder->second)));
    }
    return DocumentTree::directory(std::move(children[std::string()]));
}

bool isNotFound(const FileSystemError& error) { return std::holds_alternative<FileSystemError::NotFound>(error.reason()); }

// Files are written group by group, with the folders synced between groups: everything that is not
// a canvas first (media that canvases show), then canvases from the deepest folder up. A submap
// lives in a folder named after the canvas that links it ("map/Ideas.canvas" under "map.canvas"),
// so deeper canvases are never linked by shallower ones that are not yet on disk. The thumbnail
// goes last: it can be made again, and a disk too full for it then still takes the edits.
std::pair<int, std::size_t> writeGroup(const std::string& path) {
    if (path.starts_with("QuickLook/")) return {2, 0};
    if (!path.ends_with(".canvas")) return {0, 0};
    const auto depth = static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
    return {1, std::numeric_limits<std::size_t>::max() - depth};
}

bool sameContent(const DocumentTree& known, const DocumentTree& node) {
    if (known.sameStorage(node) || known.bytes() == node.bytes()) return true;
    // Equal bytes held elsewhere (a tree rebuilt from copies): comparing costs far less than writing.
    return known.bytes()->size() == node.bytes()->size() && *known.bytes() == *node.bytes();
}

}  // namespace

// The files and folders of a tree by package path, and the nodes that cannot be saved.
struct PackageStore::Layout {
    std::map<std::string, DocumentTree> files;
    std::set<std::string> directories;  // the root is not listed
    std::vector<SkippedNode> skipped;

    static Layout of(const DocumentTree& root) {
        Layout layout;
        std::vector<std::pair<std::string, const DocumentTree*>> pending{{std::string(), &root}};
        while (!pending.empty()) {
            auto [folder, node] = std::move(pending.back());
            pending.pop_back();
            for (const auto& [name, child] : node->children()) {
                std::string path = join(folder, name);
                if (!isSafeName(name)) {
                    layout.skipped.push_back({std::move(path), SkippedNode::Reason::unsafeName});
                } else if (TemporaryName::isTemporary(name)) {
                    layout.skipped.push_back({std::move(path), SkippedNode::Reason::temporaryName});
                } else if (child.isDirectory()) {
                    layout.directories.insert(path);
                    pending.emplace_back(std::move(path), &child);
                } else {
                    layout.files.emplace(std::move(path), child);
                }
            }
        }
        return layout;
    }
};

PackageStore::PackageStore(FileSystem& fileSystem, std::string folder)
    : m_fileSystem(&fileSystem), m_folder(std::move(folder)) {
    while (m_folder.size() > 1 && m_folder.ends_with('/')) m_folder.pop_back();
}

std::string PackageStore::onDisk(const std::string& path) const { return path.empty() ? m_folder : m_folder + "/" + path; }

bool PackageStore::unreadableOnDisk(const std::string& path) const {
    return std::any_of(m_unreadable.begin(), m_unreadable.end(), [&](const std::string& entry) { return isWithin(path, entry); });
}

DocumentTree PackageStore::knownTree() const {
    std::map<std::string, DocumentTree::Children> children;
    for (const std::string& folder : m_directories) children[folder];
    for (const auto& [path, file] : m_files) children[parentOf(path)].emplace(nameOf(path), file);
    return assembled(std::move(children));
}

std::optional<DocumentTree> PackageStore::readAgainAt(const std::set<std::string>& paths) {
    std::map<std::string, DocumentTree> files = m_files;
    for (const std::string& path : paths) {
        const std::string folder = parentOf(path);
        const bool plainFileBefore = !m_directories.contains(path) && !unreadableOnDisk(path);
        if (!plainFileBefore || (!folder.empty() && !m_directories.contains(folder))) return std::nullopt;
        auto bytes = m_fileSystem->read(onDisk(path));
        if (bytes) files.insert_or_assign(path, DocumentTree::file(std::move(*bytes)));
        else if (isNotFound(bytes.error())) files.erase(path);
        else return std::nullopt;  // a folder now, a link, or unreadable
    }
    m_files = std::move(files);
    return knownTree();
}

Expected<PackageContents, PackageError> PackageStore::read() {
    auto rootEntries = m_fileSystem->list(m_folder);
    if (!rootEntries) return Unexpected<PackageError>(PackageError(PackageError::CannotOpen{rootEntries.error()}));

    PackageContents contents;
    std::map<std::string, DocumentTree::Children> children{{std::string(), {}}};
    std::vector<std::string> notPackage;  // links and special files: never read, never replaced
    std::vector<std::pair<std::string, std::vector<DirectoryEntry>>> pending;
    pending.emplace_back(std::string(), std::move(*rootEntries));
    while (!pending.empty()) {
        auto [folder, entries] = std::move(pending.back());
        pending.pop_back();
        DocumentTree::Children& into = children[folder];
        for (DirectoryEntry& entry : entries) {
            if (TemporaryName::isTemporary(entry.name)) continue;
            std::string path = join(folder, entry.name);
            if (entry.kind == EntryKind::regularFile) {
                auto bytes = m_fileSystem->read(onDisk(path));
                if (bytes) into.emplace(std::move(entry.name), DocumentTree::file(std::move(*bytes)));
                else contents.unreadable.push_back({std::move(path), bytes.error()});
            } else if (entry.kind == EntryKind::directory) {
                auto listing = m_fileSystem->list(onDisk(path));
                if (!listing) {
                    contents.unreadable.push_back({std::move(path), listing.error()});
                    continue;
                }
                children[path];
                pending.emplace_back(std::move(path), std::move(*listing));
            } else {
                // Symbolic links and special files are not part of a package.
                notPackage.push_back(std::move(path));
            }
        }
    }
    contents.tree = assembled(std::move(children));

    Layout layout = Layout::of(contents.tree);
    m_files = std::move(layout.files);
    m_directories = std::move(layout.directories);
    m_unsynced.clear();
    m_unreadable.clear();
    for (const UnreadableEntry& entry : contents.unreadable) m_unreadable.push_back(entry.path);
    m_unreadable.insert(m_unreadable.end(), notPackage.begin(), notPackage.end());
    return contents;
}

Expected<SaveReport, PackageError> PackageStore::save(const DocumentTree& tree) {
    if (!tree.isDirectory()) return Unexpected<PackageError>(PackageError(PackageError::NotAFolder{}));
    Layout next = Layout::of(tree);
    SaveReport report;
    report.skipped = std::move(next.skipped);
    // What the disk holds but the store could not read is neither replaced nor written into.
    std::erase_if(next.files, [&](const auto& file) {
        if (!unreadableOnDisk(file.first)) return false;
        report.skipped.push_back({file.first, SkippedNode::Reason::unreadableOnDisk});
        return true;
    });
    std::erase_if(next.directories, [&](const std::string& path) { return unreadableOnDisk(path); });

    // Parents sort before their children.
    for (const std::string& path : next.directories) {
        if (m_directories.contains(path)) continue;
        if (auto made = makeDirectory(path, report); !made) return Unexpected<PackageError>(made.error());
    }

    std::vector<std::pair<const std::string, DocumentTree>*> changed;
    for (auto& file : next.files) {
        const auto known = m_files.find(file.first);
        if (known != m_files.end() && sameContent(known->second, file.second)) {
            known->second = file.second;  // the next comparison is then a pointer comparison
            continue;
        }
        changed.push_back(&file);
    }
    std::sort(changed.begin(), changed.end(), [](const auto* a, const auto* b) {
        const auto groupA = writeGroup(a->first);
        const auto groupB = writeGroup(b->first);
        return groupA != groupB ? groupA < groupB : a->first < b->first;
    });

    std::optional<std::pair<int, std::size_t>> group;
    for (const auto* file : changed) {
        const auto& [path, node] = *file;
        if (group && *group != writeGroup(path)) {
            if (auto synced = syncTouchedDirectories(); !synced) return Unexpected<PackageError>(synced.error());
        }
        group = writeGroup(path);
        // A folder the tree replaced by a file gives way first; the two cannot trade places in one step.
        if (m_directories.contains(path)) {
            if (auto cleared = clearDirectory(path, report); !cleared) return Unexpected<PackageError>(cleared.error());
        }
        if (auto written = write(path, node); !written) return Unexpected<PackageError>(written.error());
        m_files.insert_or_assign(path, node);
        m_unsynced.insert(parentOf(path));
        report.written.push_back(path);
        report.bytesWritten += node.bytes()->size();
    }

    // A file left out may be what a removed one became (a submap renamed onto a name the disk
    // holds unread): with the tree not wholly on disk, nothing goes.
    const bool wholeTreeWritten = std::none_of(report.skipped.begin(), report.skipped.end(), [](const SkippedNode& node) {
        return node.reason == SkippedNode::Reason::unreadableOnDisk;
    });
    if (wholeTreeWritten) {
        if (auto removed = removeLeftovers(next, report); !removed) return Unexpected<PackageError>(removed.error());
    }
    if (auto synced = syncTouchedDirectories(); !synced) return Unexpected<PackageError>(synced.error());
    return report;
}

// A file the store knows is replaced only as the store knows it, checked as it is replaced: a
// save with large images takes long enough for another program's write to land meanwhile, and it
// would be replaced unseen.
Expected<void, PackageError> PackageStore::write(const std::string& path, const DocumentTree& node) {
    const auto known = m_files.find(path);
    if (known == m_files.end()) {
        if (auto written = m_fileSystem->writeAtomically(onDisk(path), *node.bytes()); !written) return notSaved(written.error());
        return {};
    }
    const SharedBytes& expected = known->second.bytes();
    if (!expected) return Unexpected<PackageError>(PackageError(PackageError::ChangedOnDisk{path}));
    const auto replaced = m_fileSystem->replaceIfHolding(onDisk(path), *node.bytes(), *expected);
    if (!replaced) return notSaved(replaced.error());
    if (!*replaced) return Unexpected<PackageError>(PackageError(PackageError::ChangedOnDisk{path}));
    return {};
}

Expected<PackageStore::OnDisk, FileSystemError> PackageStore::onDiskNow(const std::string& path, const DocumentTree& known) const {
    const auto bytes = m_fileSystem->read(onDisk(path));
    if (!bytes) {
        if (isNotFound(bytes.error())) return OnDisk::gone;
        return Unexpected<FileSystemError>(bytes.error());
    }
    return known.bytes() && *bytes == *known.bytes() ? OnDisk::asKnown : OnDisk::changed;
}

Expected<void, PackageError> PackageStore::makeDirectory(const std::string& path, SaveReport& report) {
    // A file the store wrote has the name: the tree replaced it by a folder.
    if (m_files.contains(path)) {
        auto removed = m_fileSystem->removeFile(onDisk(path));
        if (!removed && !isNotFound(removed.error())) return notSaved(removed.error());
        if (removed) report.removed.push_back(path);
        m_files.erase(path);
        m_unsynced.insert(parentOf(path));
    }
    auto made = m_fileSystem->makeDirectory(onDisk(path));
    if (!made) {
        if (!std::holds_alternative<FileSystemError::AlreadyExists>(made.error().reason())) return notSaved(made.error());
        // Made by someone else since the store last looked, or something else has the name:
        // only a real folder will do.
        auto entries = m_fileSystem->list(onDisk(parentOf(path)));
        if (!entries) return notSaved(entries.error());
        const std::string name = nameOf(path);
        const bool isFolder = std::any_of(entries->begin(), entries->end(), [&](const DirectoryEntry& entry) {
            return entry.name == name && entry.kind == EntryKind::directory;
        });
        if (!isFolder) return notSaved(FileSystemError(FileSystemError::NotADirectory{}, onDisk(path)));
    }
    m_directories.insert(path);
    m_unsynced.insert(parentOf(path));
    return {};
}

// Removes a file the store wrote or read, and forgets it; one already gone counts as removed.
Expected<PackageStore::KnownFile, PackageError> PackageStore::removeKnownFile(KnownFile file, SaveReport& report) {
    // Only as the store left it: what another program wrote there since is its own.
    const auto now = onDiskNow(file->first, file->second);
    if (!now) return notSaved(now.error());
    if (*now == OnDisk::changed) return Unexpected<PackageError>(PackageError(PackageError::ChangedOnDisk{file->first}));
    auto removed = m_fileSystem->removeFile(onDisk(file->first));
    if (!removed && !isNotFound(removed.error())) return notSaved(removed.error());
    if (removed) report.removed.push_back(file->first);
    m_unsynced.insert(parentOf(file->first));
    return m_files.erase(file);
}

Expected<void, PackageError> PackageStore::clearDirectory(const std::string& path, SaveReport& report) {
    // The tree replaced a folder by a file. The folder goes only if nothing but the store's own
    // files were in it; the user's files are never removed to make room.
    for (auto file = m_files.lower_bound(path); file != m_files.end() && file->first.starts_with(path);) {
        if (!isWithin(file->first, path)) {
            ++file;
            continue;
        }
        auto removed = removeKnownFile(file, report);
        if (!removed) return Unexpected<PackageError>(removed.error());
        file = *removed;
    }
    std::vector<std::string> folders;
    for (const std::string& folder : m_directories)
        if (isWithin(folder, path)) folders.push_back(folder);
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
        auto removed = m_fileSystem->removeDirectory(onDisk(*folder));
        if (!removed && !isNotFound(removed.error())) return notSaved(removed.error());
        m_directories.erase(*folder);
        m_unsynced.erase(*folder);
        m_unsynced.insert(parentOf(*folder));
    }
    return {};
}

Expected<void, PackageError> PackageStore::removeLeftovers(const Layout& next, SaveReport& report) {
    for (auto file = m_files.begin(); file != m_files.end();) {
        if (next.files.contains(file->first)) {
            ++file;
            continue;
        }
        auto removed = removeKnownFile(file, report);
        if (!removed) return Unexpected<PackageError>(removed.error());
        file = *removed;
    }
    // Children before parents. A folder that still holds something the store did not write stays,
    // and is the user's from now on.
    std::vector<std::string> gone;
    for (const std::string& folder : m_directories)
        if (!next.directories.contains(folder)) gone.push_back(folder);
    for (auto folder = gone.rbegin(); folder != gone.rend(); ++folder) {
        auto removed = m_fileSystem->removeDirectory(onDisk(*folder));
        if (!removed && !isNotFound(removed.error()) &&
            !std::holds_alternative<FileSystemError::DirectoryNotEmpty>(removed.error().reason()))
            return notSaved(removed.error());
        m_directories.erase(*folder);
        m_unsynced.erase(*folder);
        if (removed) m_unsynced.insert(parentOf(*folder));
    }
    return {};
}

Expected<void, PackageError> PackageStore::syncTouchedDirectories() {
    while (!m_unsynced.empty()) {
        const auto folder = std::prev(m_unsynced.end());
        auto synced = m_fileSystem->syncDirectory(onDisk(*folder));
        if (!synced && !isNotFound(synced.error())) return notSaved(synced.error());  // removed: nothing to sync
        m_unsynced.erase(folder);
    }
    return {};
}

Expected<SaveReport, PackageError> PackageStore::create(const DocumentTree& tree) {
    if (!tree.isDirectory()) return Unexpected<PackageError>(PackageError(PackageError::NotAFolder{}));
    const auto alreadyExists = [&] { return Unexpected<PackageError>(PackageError(PackageError::AlreadyExists{m_folder})); };
    const std::size_t slash = m_folder.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : m_folder.substr(0, slash);
    const std::string name = slash == std::string::npos ? m_folder : m_folder.substr(slash + 1);
    if (!isSafeName(name)) return alreadyExists();

    // Checked first so that a taken name fails before anything is written; the final rename
    // refuses to replace as well, for a name taken meanwhile.
    auto siblings = m_fileSystem->list(parent);
    if (!siblings) return notSaved(siblings.error());
    if (std::any_of(siblings->begin(), siblings->end(), [&](const DirectoryEntry& entry) { return entry.name == name; }))
        return alreadyExists();

    std::optional<PackageStore> staging;
    for (int attempt = 0; attempt < 16 && !staging; ++attempt) {
        const std::string temporary = (parent == "/" ? "" : parent) + "/" + TemporaryName::forSibling(name);
        auto made = m_fileSystem->makeDirectory(temporary);
        if (made) staging.emplace(*m_fileSystem, temporary);
        else if (!std::holds_alternative<FileSystemError::AlreadyExists>(made.error().reason()))
            return notSaved(FileSystemError(made.error().reason(), m_folder));  // the package, not its hidden folder
    }
    if (!staging) return notSaved(FileSystemError(FileSystemError::AlreadyExists{}, m_folder));

    auto report = staging->save(tree);
    if (!report) {
        staging->discard();
        return Unexpected<PackageError>(namingThePackage(report.error(), staging->m_folder));
    }
    if (auto renamed = m_fileSystem->rename(staging->m_folder, m_folder, Replace::no); !renamed) {
        staging->discard();
        const auto& reason = renamed.error().reason();
        if (std::holds_alternative<FileSystemError::AlreadyExists>(reason) ||
            std::holds_alternative<FileSystemError::DirectoryNotEmpty>(reason))
            return alreadyExists();
        return notSaved(renamed.error());
    }
    m_files = std::move(staging->m_files);
    m_directories = std::move(staging->m_directories);
    m_unsynced.clear();
    m_unreadable.clear();
    if (auto synced = m_fileSystem->syncDirectory(parent); !synced) return notSaved(synced.error());
    return report;
}

// The user hears of the package being made, not of the hidden folder it is made in.
PackageError PackageStore::namingThePackage(const PackageError& error, const std::string& staging) const {
    const auto* notSaved = std::get_if<PackageError::NotSaved>(&error.value());
    if (!notSaved || !isWithin(notSaved->cause.path(), staging)) return error;
    return PackageError(PackageError::NotSaved{FileSystemError(notSaved->cause.reason(), m_folder + notSaved->cause.path().substr(staging.size()))});
}

void PackageStore::discard() {
    // Clearing up after a failed create: whatever cannot be removed keeps its temporary name,
    // which no reader takes for part of a package.
    for (const auto& file : m_files) (void)m_fileSystem->removeFile(onDisk(file.first));
    for (auto folder = m_directories.rbegin(); folder != m_directories.rend(); ++folder)
        (void)m_fileSystem->removeDirectory(onDisk(*folder));
    (void)m_fileSystem->removeDirectory(m_folder);
    m_files.clear();
    m_directories.clear();
}

}  // namespace velk
