#include "package/MapTree.h"

#include "core/Graphemes.h"
#include "core/TextCase.h"
#include "package/DocumentTree.h"

#include <algorithm>
#include <vector>

namespace velk::MapTree {

namespace {

constexpr std::string_view sidecarSuffix = ".velk";
constexpr std::size_t maxStemLength = 64;

// The canvas path without a final ".canvas" of any letter case, or whole when it has none.
std::string_view withoutSubmapExtension(std::string_view canvas) {
    return TextCase::withoutCaselessSuffix(canvas, submapExtension).value_or(canvas);
}

bool passesThrough(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view(" -_()&+").find(c) != std::string_view::npos;
}

std::string_view trimmedOfSeparators(std::string_view text) {
    constexpr std::string_view separators = " -.";
    const auto first = text.find_first_not_of(separators);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(separators) - first + 1);
}

// Keeps the allowed characters and turns each other character, however many code points or
// bytes it takes, into one "-"; runs of "-" collapse as they form. The result is ASCII.
std::string cleanedStem(std::string_view text) {
    std::string mapped;
    mapped.reserve(text.size());
    const std::vector<std::size_t> bounds = Graphemes::boundaries(text);
    for (std::size_t i = 1; i < bounds.size(); ++i) {
        const std::size_t start = bounds[i - 1];
        const bool kept = bounds[i] - start == 1 && passesThrough(text[start]);
        const char c = kept ? text[start] : '-';
        if (c == '-' && mapped.ends_with('-')) continue;
        mapped.push_back(c);
    }
    return std::string(trimmedOfSeparators(mapped));
}

// The directory that holds `path`, for file-system paths: "/" at the top, "." when there is none.
std::string_view parentDirectory(std::string_view path) {
    while (path.size() >= 2 && path.ends_with('/')) path.remove_suffix(1);
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string withTrailingSlash(std::string_view directory) {
    std::string result(directory);
    if (!result.ends_with('/')) result.push_back('/');
    return result;
}

}  // namespace

std::string sidecarPath(std::string_view canvas) { return std::string(canvas).append(sidecarSuffix); }

std::string inkPath(std::string_view canvas) {
    return std::string(withoutSubmapExtension(canvas)).append(inkSuffix);
}

std::string submapDirectory(std::string_view canvas) { return std::string(withoutSubmapExtension(canvas)); }

bool isSubmapFile(std::string_view path) {
    return TextCase::withoutCaselessSuffix(path, submapExtension).has_value();
}

std::string submapPath(std::string_view parent, std::string_view nodeID) {
    std::string result(parent == "/" ? std::string_view() : parent);
    result.push_back('/');
    return result.append(nodeID);
}

std::optional<ParentPath> parentPath(std::string_view mapPath) {
    if (mapPath.empty() || mapPath == "/") return std::nullopt;
    const auto slash = mapPath.rfind('/');
    if (slash == std::string_view::npos || slash + 1 == mapPath.size()) return std::nullopt;
    return ParentPath{slash == 0 ? std::string("/") : std::string(mapPath.substr(0, slash)),
                      std::string(mapPath.substr(slash + 1))};
}

std::size_t depth(std::string_view mapPath) {
    if (mapPath == "/") return 0;
    return static_cast<std::size_t>(std::count(mapPath.begin(), mapPath.end(), '/'));
}

std::string join(std::string_view directory, std::string_view name) {
    if (directory.empty()) return std::string(name);
    return std::string(directory).append("/").append(name);
}

std::string canonicalPath(std::string_view path) {
    std::string result;
    for (std::string_view segment : DocumentTree::segments(path)) {
        if (!result.empty()) result.push_back('/');
        result.append(segment);
    }
    return result;
}

std::string safeFileName(std::string_view label, std::string_view fallback) {
    std::string stem = cleanedStem(label);
    if (stem.empty()) stem = cleanedStem(fallback);
    if (stem.empty()) stem = "map";
    // The stem is ASCII by now, so 64 characters are 64 bytes.
    if (stem.size() > maxStemLength) {
        stem = std::string(trimmedOfSeparators(std::string_view(stem).substr(0, maxStemLength)));
    }
    return stem;
}

std::string mintSubmapFile(std::string_view parentFile, std::string_view label, std::string_view nodeID,
                           std::set<std::string>& taken) {
    const std::string directory = submapDirectory(parentFile);
    const std::string stem = safeFileName(label, nodeID);
    std::string candidate = join(directory, stem + std::string(submapExtension));
    for (int counter = 2; taken.contains(TextCase::lowercased(candidate)); ++counter) {
        candidate = join(directory, stem + "-" + std::to_string(counter) + std::string(submapExtension));
    }
    taken.insert(TextCase::lowercased(candidate));
    return candidate;
}

std::string normalizedJoin(std::string_view base, std::string_view relative) {
    const bool absolute = base.starts_with('/');
    std::vector<std::string_view> stack;
    for (std::string_view path : {base, relative}) {
        while (!path.empty()) {
            const auto slash = path.find('/');
            const std::string_view segment = path.substr(0, slash);
            path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
            if (segment.empty() || segment == ".") continue;
            if (segment != "..") {
                stack.push_back(segment);
            } else if (!stack.empty() && stack.back() != "..") {
                stack.pop_back();
            } else if (!absolute) {
                stack.push_back(segment);
            }
        }
    }
    std::string result;
    for (std::string_view segment : stack) {
        if (absolute || !result.empty()) result.push_back('/');
        result.append(segment);
    }
    if (result.empty()) return absolute ? "/" : ".";
    return result;
}

std::optional<std::string> findVaultRoot(std::string_view directory, const PathProbe& isDirectory) {
    if (isDirectory(normalizedJoin(directory, vaultMarker))) return std::string(directory);
    // Each parent is a shorter prefix until "/" or "." maps to itself, so this ends.
    for (std::string_view current = directory;;) {
        const std::string_view parent = parentDirectory(current);
        if (parent == current) return std::nullopt;
        if (isDirectory(normalizedJoin(parent, vaultMarker))) return std::string(parent);
        current = parent;
    }
}

LinkBase linkBase(std::string_view forRoot, const PathProbe& isDirectory) {
    const std::string_view mapDir = parentDirectory(forRoot);
    return LinkBase{std::string(mapDir), findVaultRoot(mapDir, isDirectory)};
}

std::string resolveLink(std::string_view link, const LinkBase& base, const PathProbe& exists) {
    if (link.starts_with('/')) return std::string(link);
    if (!base.vault) return normalizedJoin(base.mapDir, link);
    std::string inVault = normalizedJoin(*base.vault, link);
    if (exists(inVault)) return inVault;
    std::string besideMap = normalizedJoin(base.mapDir, link);
    if (exists(besideMap)) return besideMap;
    return inVault;
}

std::string linkValue(std::string_view link, const LinkBase& base, const PathProbe& exists) {
    if (!base.vault || link.starts_with('/')) return std::string(link);
    const std::string resolved = resolveLink(link, base, exists);
    if (resolved == normalizedJoin(*base.vault, link)) return std::string(link);
    // It was found only beside the map: store it relative to the vault when it lies inside.
    const std::string vaultPrefix = withTrailingSlash(*base.vault);
    if (resolved.starts_with(vaultPrefix)) return resolved.substr(vaultPrefix.size());
    return std::string(link);
}

std::string rootLinkValue(std::string_view path, const LinkBase& base) {
    if (base.vault) {
        const std::string vaultPrefix = withTrailingSlash(*base.vault);
        if (path.starts_with(vaultPrefix)) return std::string(path.substr(vaultPrefix.size()));
    }
    std::string_view rest = path;
    while (rest.ends_with('/')) rest.remove_suffix(1);
    if (rest.empty()) return std::string(path);
    // With no "/" left, rfind gives npos and the whole rest is the segment.
    return std::string(rest.substr(rest.rfind('/') + 1));
}

}  // namespace velk::MapTree
