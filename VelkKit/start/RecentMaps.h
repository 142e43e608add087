#pragma once

// The recent maps of the start window: the platform's list of recently opened packages turned
// into display rows. Paths are absolute file-system paths, as the recent-documents list gives
// them. The disk is reached only through the probes passed in, so the rules run without one.
//
// Pure functions; safe from any thread.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

using TimePoint = std::chrono::system_clock::time_point;

// One recent map as the start window shows it.
struct RecentMap {
    std::string path;                 // exactly as the recent list has it; the map is opened from here
    std::string name;                 // the package name without ".velk"
    std::string folder;               // the folder holding it, with the home folder written "~"
    std::optional<TimePoint> modified;
    // Two spellings of one package ("/a/b/../b/M.velk", "/a/b/M.velk") have one id.
    [[nodiscard]] std::string id() const;
    bool operator==(const RecentMap&) const = default;
};

namespace RecentMaps {

inline constexpr std::size_t limit = 10;

using Exists = std::function<bool(std::string_view path)>;
// The last modification time of the item at the path; absent when it cannot be read.
using Modified = std::function<std::optional<TimePoint>(std::string_view path)>;

// The rows for `paths`, most recent first as given: spellings of a package seen before and
// packages that no longer exist are left out, and at most `limit` rows are made. Neither probe is
// asked about a path once the rows are complete, nor `exists` about a repeated spelling.
[[nodiscard]] std::vector<RecentMap> rows(const std::vector<std::string>& paths, std::string_view home,
                                          const Exists& exists, const Modified& modified);

// `path` with "." and ".." resolved and repeated or trailing "/" dropped, without asking the
// disk; ".." never climbs above "/".
[[nodiscard]] std::string standardized(std::string_view path);

// A folder path with the home folder abbreviated: `home` itself is "~", a path inside it starts
// with "~/", and anything else (a sibling sharing the prefix included) is unchanged.
[[nodiscard]] std::string abbreviated(std::string_view folder, std::string_view home);

}  // namespace RecentMaps
}  // namespace velk
