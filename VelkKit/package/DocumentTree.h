#pragma once

// DocumentTree is a map package in memory: files of bytes and directories of named children,
// addressed by "/"-separated package paths relative to the package root.
//
// A tree is a value. Copies share storage: copying a tree of any size costs one reference count.
// A change copies only the directories on the path from the root to the changed node that are
// shared with another copy (one that no other copy sees is changed in place), so an unchanged
// file keeps the very same node (`sameStorage`) across edits. The package store relies on that
// to see cheaply which files a save must write.
//
// Paths are split on "/" with empty segments dropped, so "a//b/", "/a/b" and "a/b" name the same
// node and "" or "/" names the root. "." and ".." are ordinary names here. No operation fails:
// unusual input has a quiet outcome (absent results, no change). Nothing recurses per level, so
// a tree built from hostile paths of any depth is safe to walk, compare and destroy.
//
// Concurrent readers of one tree are safe; a tree being changed belongs to one caller.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

// The bytes of one file, shared by every copy of the tree that holds it.
using SharedBytes = std::shared_ptr<const std::string>;

class DocumentTree {
public:
    using Children = std::map<std::string, DocumentTree, std::less<>>;

    // An empty directory.
    DocumentTree();
    static DocumentTree file(std::string bytes);
    static DocumentTree file(SharedBytes bytes);
    static DocumentTree directory(Children children);

    [[nodiscard]] bool isDirectory() const noexcept;
    // The bytes of a file node; null for a directory.
    [[nodiscard]] const SharedBytes& bytes() const noexcept;
    // The children of a directory node; empty for a file.
    [[nodiscard]] const Children& children() const noexcept;

    // The node at `path`, or absent when a segment is missing or passes through a file.
    [[nodiscard]] std::optional<DocumentTree> at(std::string_view path) const;
    // The bytes of the file at `path`; null when there is none (a directory counts as none).
    [[nodiscard]] SharedBytes data(std::string_view path) const;
    [[nodiscard]] std::optional<DocumentTree> child(std::string_view name) const;

    // Whether a file lies on the way to `path`: writing there would turn it into a folder.
    [[nodiscard]] bool fileOnTheWay(std::string_view path) const;
    // Stores a file at `path`, creating directories on the way and replacing whatever was there
    // (files met on the way become directories). The empty path changes nothing.
    void write(std::string bytes, std::string_view path);
    void write(SharedBytes bytes, std::string_view path);
    // Removes the file at `path`; a directory there stays, and so do emptied directories.
    void remove(std::string_view path);
    // Moves a file; a directory or a missing source changes nothing, and so do two spellings of
    // one path.
    void move(std::string_view from, std::string_view to);

    // Same storage: true when the two are one node, which implies equal content.
    [[nodiscard]] bool sameStorage(const DocumentTree& other) const noexcept { return m_node == other.m_node; }

    // Structural equality: equal bytes for files, equal names and children for directories.
    friend bool operator==(const DocumentTree& a, const DocumentTree& b);

    // The segments of a path, empty ones dropped.
    [[nodiscard]] static std::vector<std::string_view> segments(std::string_view path);

    struct Node;

private:
    explicit DocumentTree(std::shared_ptr<Node> node) : m_node(std::move(node)) {}
    const DocumentTree* find(const std::vector<std::string_view>& path) const;
    // This node, copied first when another tree shares it, so that it may be changed.
    Node& unshared();

    std::shared_ptr<Node> m_node;  // never changed while shared
};

}  // namespace velk
