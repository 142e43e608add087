#pragma once

// Helpers shared by the package store tests: putting a tree on the in-memory disk, and describing
// trees and disks the same way so they can be compared.

#include "package/DocumentTree.h"
#include "package/MemoryFileSystem.h"

#include <algorithm>
#include <string>
#include <vector>

namespace velk::testing_support {

// Every path of a tree, sorted, folders ending in "/": the form MemoryFileSystem::describe gives.
inline std::vector<std::string> describe(const DocumentTree& tree) {
    std::vector<std::string> result;
    std::vector<std::pair<std::string, DocumentTree>> pending{{"", tree}};
    while (!pending.empty()) {
        auto [prefix, node] = pending.back();
        pending.pop_back();
        for (const auto& [name, child] : node.children()) {
            result.push_back(prefix + name + (child.isDirectory() ? "/" : ""));
            if (child.isDirectory()) pending.emplace_back(prefix + name + "/", child);
        }
    }
    std::sort(result.begin(), result.end());
    return result;
}

// Puts every folder and file of `tree` below `folder`, durably.
inline void seed(MemoryFileSystem& disk, const std::string& folder, const DocumentTree& tree) {
    disk.addDirectory(folder);
    for (const std::string& path : describe(tree)) {
        if (path.ends_with('/')) disk.addDirectory(folder + "/" + path);
        else disk.addFile(folder + "/" + path, *tree.data(path));
    }
}

// True when the disk holds exactly the tree below `folder`, content included.
inline bool holds(const MemoryFileSystem& disk, const std::string& folder, const DocumentTree& tree) {
    if (disk.describe(folder) != describe(tree)) return false;
    for (const std::string& path : describe(tree))
        if (!path.ends_with('/') && disk.file(folder + "/" + path) != *tree.data(path)) return false;
    return true;
}

}  // namespace velk::testing_support
