#include "package/OutsideChange.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velk::OutsideChange {

namespace {

using Files = std::map<std::string, const DocumentTree*>;

// Every file of `tree` by its package path. A work list, not recursion: a package folder from
// disk may nest deeper than the stack would go.
Files filesOf(const DocumentTree& tree) {
    Files files;
    std::vector<std::pair<std::string, const DocumentTree*>> pending{{std::string(), &tree}};
    while (!pending.empty()) {
        auto [path, node] = std::move(pending.back());
        pending.pop_back();
        if (!node->isDirectory()) {
            files.emplace(std::move(path), node);
            continue;
        }
        for (const auto& [name, child] : node->children()) pending.emplace_back(path.empty() ? name : path + "/" + name, &child);
    }
    return files;
}

const DocumentTree* fileAt(const Files& files, const std::string& path) {
    const auto found = files.find(path);
    return found == files.end() ? nullptr : found->second;
}

// Mostly the very same bytes, shared between velk's trees: found without reading them through.
bool sameFile(const DocumentTree* a, const DocumentTree* b) {
    if (!a || !b) return a == b;
    return a->sameStorage(*b) || a->bytes() == b->bytes() || *a->bytes() == *b->bytes();
}

// True when every file on disk, and every file velk knows of, is explained by one of velk's trees.
bool onlyOwnWrites(const Files& disk, const Files& written, const Files& held) {
    const auto explained = [&](const std::string& path) {
        const DocumentTree* there = fileAt(disk, path);
        return sameFile(there, fileAt(written, path)) || sameFile(there, fileAt(held, path));
    };
    for (const Files* files : {&disk, &written, &held}) {
        for (const auto& entry : *files) {
            if (!explained(entry.first)) return false;
        }
    }
    return true;
}

}  // namespace

Verdict judge(const DocumentTree& onDisk, const DocumentTree& lastWritten, const DocumentTree& held,
              bool heldHasUnsavedChanges) {
    const Files disk = filesOf(onDisk);
    const Files written = filesOf(lastWritten);
    const Files mine = filesOf(held);
    if (onlyOwnWrites(disk, written, mine)) return Verdict::none;
    return heldHasUnsavedChanges ? Verdict::conflict : Verdict::take;
}

bool ownWritesAt(const std::vector<std::string>& paths, const DocumentTree& onDisk, const DocumentTree& lastWritten,
                 const DocumentTree& held) {
    const auto fileIn = [](const std::optional<DocumentTree>& node) { return node && !node->isDirectory() ? &*node : nullptr; };
    for (const std::string& path : paths) {
        const auto written = lastWritten.at(path);
        const auto mine = held.at(path);
        const auto there = onDisk.at(path);
        if ((written && written->isDirectory()) || (mine && mine->isDirectory()) || (there && there->isDirectory()))
            return false;
        if (!sameFile(fileIn(there), fileIn(written)) && !sameFile(fileIn(there), fileIn(mine))) return false;
    }
    return true;
}

std::vector<std::string> filesAboutToChange(const DocumentTree& lastWritten, const DocumentTree& held) {
    const Files written = filesOf(lastWritten);
    const Files mine = filesOf(held);
    std::vector<std::string> paths;
    for (const auto& [path, file] : mine) {
        if (!sameFile(file, fileAt(written, path))) paths.push_back(path);
    }
    for (const auto& [path, file] : written) {
        if (!mine.contains(path)) paths.push_back(path);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace velk::OutsideChange
