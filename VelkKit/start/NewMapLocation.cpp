#include "start/NewMapLocation.h"

#include "core/Graphemes.h"
#include "package/MapTree.h"

namespace velk::NewMapLocation {

namespace {

// File systems take names of at most 255 bytes; a longer one (120 characters of Chinese text
// are 360) is cut between whole characters so that it fits with its number and extension.
constexpr std::size_t longestName = 255;

std::string named(std::string_view safe, std::string_view suffix) {
    const std::size_t room = longestName - suffix.size();
    if (safe.size() > room) {
        const auto bounds = Graphemes::boundaries(safe);
        std::size_t cut = 0;
        for (const std::size_t at : bounds)
            if (at <= room) cut = at;
        safe = safe.substr(0, cut);
    }
    return std::string(safe) + std::string(suffix);
}

}  // namespace

std::string next(std::string_view name, std::string_view folder, const Exists& exists) {
    std::string safe(name);
    for (char& c : safe) {
        if (c == '/' || c == ':') c = '-';
    }
    std::string base(folder);
    if (!base.empty() && base.back() != '/') base += '/';
    std::string candidate = base + named(safe, MapTree::packageSuffix);
    for (unsigned long long n = 2; exists(candidate); ++n)
        candidate = base + named(safe, " " + std::to_string(n) + std::string(MapTree::packageSuffix));
    return candidate;
}

}  // namespace velk::NewMapLocation
