#pragma once

// A file system in memory that knows, beside what a running program sees, what a crash would
// leave. File content is durable as soon as writeAtomically returns (it syncs the bytes before the
// rename), but each change to the names in a folder (a written file, a made folder, a rename, a
// removal) survives a crash only once that folder was synced. crash() then forgets the rest: all
// of it, or, since a real disk may have written some changes out on its own, a random part.
//
// Paths are absolute. Tests set the disk up with the add* calls, which make missing folders on
// the way and are durable at once. One thread only.

#include "package/DocumentTree.h"
#include "package/PackageError.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <random>

namespace velk {

// Lets GoogleTest show file-system and package errors by their text when an expectation fails.
inline void PrintTo(const FileSystemError& error, std::ostream* out) { *out << error.description(); }
inline void PrintTo(const PackageError& error, std::ostream* out) { *out << error.description(); }

namespace testing_support {

// Every path below `top` (none when it is null), sorted, folders ending in "/". `children(node,
// visit)` calls visit(name, child, isFolder) for each child of a node; no recursion, however deep.
template <class Node, class Children> std::vector<std::string> pathsBelow(const Node* top, Children children) {
    std::vector<std::string> result;
    std::vector<std::pair<std::string, const Node*>> pending;
    if (top) pending.emplace_back("", top);
    while (!pending.empty()) {
        const std::string prefix = pending.back().first;  // not a binding: clang 14 cannot capture those
        const Node* node = pending.back().second;
        pending.pop_back();
        children(*node, [&](const std::string& name, const Node& child, bool folder) {
            result.push_back(prefix + name + (folder ? "/" : ""));
            if (folder) pending.emplace_back(prefix + name + "/", &child);
        });
    }
    std::ranges::sort(result);
    return result;
}

class MemoryFileSystem final : public FileSystem {
public:
    enum class Crash { dropUnsynced, keepSomeUnsynced };

    MemoryFileSystem() : m_root(directoryNode()) {}

    void addDirectory(const std::string& path) { add(path, directoryNode()); }
    void addFile(const std::string& path, std::string bytes) { add(path, node(EntryKind::regularFile, std::move(bytes))); }
    // A symbolic link or a special file: listed, never read.
    void addSpecial(const std::string& path, EntryKind kind) { add(path, node(kind, {})); }

    void crash(Crash how, std::mt19937& random) {
        std::erase_if(m_directories, [](const auto& weak) { return weak.expired(); });
        for (const auto& weak : m_directories) {
            const auto directory = weak.lock();
            if (!directory) continue;  // dropped by a crash of its parent, just now
            if (how == Crash::keepSomeUnsynced) {
                // Each name independently keeps what it had at the last sync or takes what it has now.
                Entries kept;
                for (const auto* side : {&directory->entries, &directory->durable})
                    for (const auto& [name, child] : *side) kept.try_emplace(name, nullptr);
                for (auto& [name, child] : kept) {
                    const auto& from = random() % 2 ? directory->entries : directory->durable;
                    if (const auto found = from.find(name); found != from.end()) child = found->second;
                }
                std::erase_if(kept, [](const auto& entry) { return !entry.second; });
                directory->durable = std::move(kept);
            }
            directory->entries = directory->durable;
        }
    }

    // What a program now sees at `path`: the bytes of a regular file, or nothing.
    [[nodiscard]] std::optional<std::string> file(const std::string& path) const {
        const Node* found = find(path);
        return found && found->kind == EntryKind::regularFile ? std::optional(found->bytes) : std::nullopt;
    }
    [[nodiscard]] bool exists(const std::string& path) const { return find(path) != nullptr; }

    // Everything below `path` as sorted package paths, folders ending in "/"; empty when absent.
    [[nodiscard]] std::vector<std::string> describe(const std::string& path) const {
        return pathsBelow(find(path), [](const Node& directory, const auto& visit) {
            for (const auto& [name, child] : directory.entries) visit(name, *child, child->kind == EntryKind::directory);
        });
    }

    Expected<std::vector<DirectoryEntry>, FileSystemError> list(const std::string& path) override {
        auto directory = existing(path, EntryKind::directory);
        if (!directory) return Unexpected<FileSystemError>(directory.error());
        std::vector<DirectoryEntry> entries;
        for (const auto& [name, child] : (*directory)->entries) entries.push_back({name, child->kind});
        return entries;
    }
    Expected<std::string, FileSystemError> read(const std::string& path) override {
        auto found = existing(path, EntryKind::regularFile);
        if (!found) return Unexpected<FileSystemError>(found.error());
        return (*found)->bytes;
    }

    Expected<void, FileSystemError> writeAtomically(const std::string& path, std::string_view bytes) override {
        auto [parent, name] = parentAndName(path);
        if (!parent) return Unexpected<FileSystemError>(parent.error());
        if (kindOf(**parent, name) == EntryKind::directory) return failure<FileSystemError::IsADirectory>(path);
        (*parent)->entries[name] = node(EntryKind::regularFile, std::string(bytes));
        return {};
    }

    Expected<bool, FileSystemError> replaceIfHolding(const std::string& path, std::string_view bytes,
                                                     std::string_view expected) override {
        if (const auto now = file(path); !now || *now != expected) return false;
        if (auto written = writeAtomically(path, bytes); !written) return Unexpected<FileSystemError>(written.error());
        return true;
    }

    Expected<void, FileSystemError> makeDirectory(const std::string& path) override {
        auto [parent, name] = parentAndName(path);
        if (!parent) return Unexpected<FileSystemError>(parent.error());
        if (kindOf(**parent, name)) return failure<FileSystemError::AlreadyExists>(path);
        (*parent)->entries[name] = directoryNode();
        return {};
    }

    Expected<void, FileSystemError> rename(const std::string& from, const std::string& to, Replace replace) override {
        auto [source, sourceName] = parentAndName(from);
        auto [target, targetName] = parentAndName(to);
        if (!source) return Unexpected<FileSystemError>(source.error());
        if (!target) return Unexpected<FileSystemError>(target.error());
        const auto moving = kindOf(**source, sourceName);
        if (!moving) return failure<FileSystemError::NotFound>(from);
        if (const auto there = kindOf(**target, targetName)) {
            const bool folderThere = there == EntryKind::directory, folderMoving = moving == EntryKind::directory;
            if (replace == Replace::no) return failure<FileSystemError::AlreadyExists>(to);
            if (folderThere && !folderMoving) return failure<FileSystemError::IsADirectory>(to);
            if (!folderThere && folderMoving) return failure<FileSystemError::NotADirectory>(to);
            if (folderThere && !(*target)->entries[targetName]->entries.empty()) return failure<FileSystemError::DirectoryNotEmpty>(to);
        }
        auto moved = (*source)->entries[sourceName];
        (*source)->entries.erase(sourceName);
        (*target)->entries[targetName] = std::move(moved);
        return {};
    }

    Expected<void, FileSystemError> removeFile(const std::string& path) override { return remove(path, false); }
    Expected<void, FileSystemError> removeDirectory(const std::string& path) override { return remove(path, true); }

    Expected<void, FileSystemError> syncDirectory(const std::string& path) override {
        auto directory = existing(path, EntryKind::directory);
        if (!directory) return Unexpected<FileSystemError>(directory.error());
        (*directory)->durable = (*directory)->entries;
        return {};
    }

private:
    struct Node;
    using Entries = std::map<std::string, std::shared_ptr<Node>>;
    struct Node {
        EntryKind kind;
        std::string bytes;
        Entries entries;  // what programs see
        Entries durable;  // what a crash leaves
    };

    template <class Reason>
    static Unexpected<FileSystemError> failure(const std::string& path) { return Unexpected<FileSystemError>(FileSystemError(Reason{}, path)); }
    static std::shared_ptr<Node> node(EntryKind kind, std::string bytes) { return std::make_shared<Node>(Node{kind, std::move(bytes), {}, {}}); }
    std::shared_ptr<Node> directoryNode() {
        auto made = node(EntryKind::directory, {});
        m_directories.push_back(made);
        return made;
    }
    static std::optional<EntryKind> kindOf(const Node& directory, const std::string& name) {
        const auto found = directory.entries.find(name);
        return found == directory.entries.end() ? std::nullopt : std::optional(found->second->kind);
    }

    // The node at `path`, never following a link: through one, or at the end, it fails.
    Expected<Node*, FileSystemError> walk(const std::string& path, bool linkAtEnd) const {
        Node* current = m_root.get();
        for (const std::string_view segment : DocumentTree::segments(path)) {
            if (current->kind == EntryKind::symbolicLink) return failure<FileSystemError::SymbolicLink>(path);
            if (current->kind != EntryKind::directory) return failure<FileSystemError::NotADirectory>(path);
            const auto found = current->entries.find(std::string(segment));
            if (found == current->entries.end()) return failure<FileSystemError::NotFound>(path);
            current = found->second.get();
        }
        if (!linkAtEnd && current->kind == EntryKind::symbolicLink) return failure<FileSystemError::SymbolicLink>(path);
        return current;
    }
    const Node* find(const std::string& path) const { return walk(path, true).value_or(nullptr); }

    // An existing node of the kind wanted, or the error a real disk gives for the kind it has.
    Expected<Node*, FileSystemError> existing(const std::string& path, EntryKind wanted) const {
        auto found = walk(path, false);
        if (!found || (*found)->kind == wanted) return found;
        if (wanted == EntryKind::directory) return failure<FileSystemError::NotADirectory>(path);
        if ((*found)->kind == EntryKind::directory) return failure<FileSystemError::IsADirectory>(path);
        return failure<FileSystemError::NotARegularFile>(path);
    }

    // The folder that holds `path`, and the last name.
    std::pair<Expected<Node*, FileSystemError>, std::string> parentAndName(const std::string& path) {
        const auto segments = DocumentTree::segments(path);
        std::string parent;
        for (std::size_t i = 0; i + 1 < segments.size(); ++i) parent += "/" + std::string(segments[i]);
        auto directory = walk(parent, false);
        if (directory && (*directory)->kind != EntryKind::directory) directory = failure<FileSystemError::NotADirectory>(path);
        if (!directory && std::holds_alternative<FileSystemError::NotFound>(directory.error().reason()))
            directory = failure<FileSystemError::NotFound>(path);
        return {directory, segments.empty() ? std::string() : std::string(segments.back())};
    }

    Expected<void, FileSystemError> remove(const std::string& path, bool folder) {
        auto [parent, name] = parentAndName(path);
        if (!parent) return Unexpected<FileSystemError>(parent.error());
        const auto kind = kindOf(**parent, name);
        if (!kind) return failure<FileSystemError::NotFound>(path);
        if (!folder && kind == EntryKind::directory) return failure<FileSystemError::IsADirectory>(path);
        if (folder && kind != EntryKind::directory) return failure<FileSystemError::NotADirectory>(path);
        if (folder && !(*parent)->entries[name]->entries.empty()) return failure<FileSystemError::DirectoryNotEmpty>(path);
        (*parent)->entries.erase(name);
        return {};
    }

    // Sets up `path`, durably, with any missing folders on the way.
    void add(const std::string& path, std::shared_ptr<Node> added) {
        const auto segments = DocumentTree::segments(path);
        Node* directory = m_root.get();
        for (std::size_t i = 0; i + 1 < segments.size(); ++i) {
            auto& next = directory->entries[std::string(segments[i])];
            if (!next) directory->durable[std::string(segments[i])] = next = directoryNode();
            directory = next.get();
        }
        directory->entries[std::string(segments.back())] = added;
        directory->durable[std::string(segments.back())] = std::move(added);
    }

    std::vector<std::weak_ptr<Node>> m_directories;  // every folder ever made, for crash(); set up before m_root
    std::shared_ptr<Node> m_root;
};

}  // namespace testing_support
}  // namespace velk
