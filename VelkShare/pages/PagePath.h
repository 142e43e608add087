#pragma once

// Which page a request's target asks for. The target is taken as the client sent it, so
// everything here is treated as hostile: a media name must decode to a name the media store
// could serve, and anything else is simply no page.
//
// Pure; safe from any thread.

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace velk::share::PagePath {

struct Viewer {  // s/<id>; the id is not checked here
    std::string id;
    bool operator==(const Viewer&) const = default;
};
struct Media {  // s/<id>/media/<velk-media or plovet-media>/<name>, the name decoded
    std::string id;
    std::string path;
    bool operator==(const Media&) const = default;
};
struct Feedback {
    bool operator==(const Feedback&) const = default;
};
struct Shortcuts {
    bool operator==(const Shortcuts&) const = default;
};
struct Redirect {  // the page's own address, relative to the base path, query kept
    std::string to;
    bool operator==(const Redirect&) const = default;
};
struct Unknown {
    bool operator==(const Unknown&) const = default;
};
using Page = std::variant<Unknown, Viewer, Media, Feedback, Shortcuts, Redirect>;

// The page `target` (path and query as received) names below `basePath` ("/" or "/x/").
[[nodiscard]] Page parse(std::string_view target, std::string_view basePath);

// The target's query: what follows the first "?", up to a "#"; empty when there is none.
[[nodiscard]] std::string_view query(std::string_view target);

// `text` encoded for a query value: everything but A-Z a-z 0-9 - . _ ~ as %XY.
[[nodiscard]] std::string queryEncoded(std::string_view text);

}  // namespace velk::share::PagePath
