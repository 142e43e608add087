#pragma once

// Links to maps on the share service and the maps they lead to: velk's own link forms
// (velk://s/<share id> and velk://h/<hand-off id>), the service URLs behind them, and the turning
// of a fetched share document into a new map package. The document comes from the network and is
// treated as hostile: anything in it that could not have come from a save of velk's own is
// refused or skipped, and nothing is ever placed outside the package's media folders.
//
// Pure functions; safe from any thread. open() builds a document core of its own and touches
// nothing shared.

#include "core/Expected.h"
#include "package/DocumentTree.h"
#include "share/SharedLinkFailure.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace velk::SharedLink {

inline constexpr std::string_view scheme = "velk";

// A share id is this many characters, a hand-off id handoffIDLength, each of a to z or 2 to 9
// (no 0 or 1, which read like o and l).
inline constexpr std::size_t shareIDLength = 12;
inline constexpr std::size_t handoffIDLength = 16;

// What a map opened from the service is called when its document names nothing usable.
inline constexpr std::string_view defaultName = "Shared map";
// A longer name is cut to this many characters.
inline constexpr std::size_t nameLimit = 120;

struct Share {
    std::string id;
    bool operator==(const Share&) const = default;
};
struct Handoff {
    std::string id;
    bool operator==(const Handoff&) const = default;
};
using Link = std::variant<Share, Handoff>;

// A share document turned into a package, ready to be written to disk.
struct Opened {
    std::string name;
    DocumentTree tree;
    bool operator==(const Opened&) const = default;
};

// The base URL of the build's share service.
[[nodiscard]] std::string_view defaultBase() noexcept;

[[nodiscard]] bool isShareID(std::string_view text) noexcept;
[[nodiscard]] bool isHandoffID(std::string_view text) noexcept;

// The link a URL stands for: scheme "velk" and host "s" or "h" in any letter case, and exactly
// one non-empty path segment that is an id of the host's kind (ids are case-sensitive). A query,
// a fragment or a trailing "/" does not matter. Absent for anything else.
[[nodiscard]] std::optional<Link> link(std::string_view url);

// The share id of a share link; absent for anything else, hand-off links included.
[[nodiscard]] std::optional<std::string> shareID(std::string_view url);

// Service URLs below `base`, which must end in "/": where a link's map is fetched
// ("api/share/<id>" or "api/handoff/<id>"), where a share is fetched, and the share's web page
// ("s/<id>").
[[nodiscard]] std::string apiURL(const Link& link, std::string_view base);
[[nodiscard]] std::string apiURL(std::string_view id, std::string_view base);
[[nodiscard]] std::string pageURL(std::string_view id, std::string_view base);

// The map a share document holds, as a package a save from the editor would have produced, with
// the document's valid media files added; or notAMap.
[[nodiscard]] Expected<Opened, SharedLinkFailure> open(std::string_view shareJSON);

}  // namespace velk::SharedLink
