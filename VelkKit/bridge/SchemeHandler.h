#pragma once

// The answers of the "velk-app" URL scheme, through which the web view reaches the editor page
// and the map's images. The page is served at the root; images are served from the package's
// media directories; everything else fails. The handler never touches the disk or the network:
// the page bytes are handed to it, and image bytes come from a lookup that reaches the open
// document, so a request for an image of a document that is gone simply finds nothing.
//
// Pure functions; the desktop app calls them on the main thread from its scheme callback and
// answers the request at once with the result.

#include "core/Expected.h"
#include "package/DocumentTree.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velk::SchemeHandler {

inline constexpr std::string_view pageSecurityPolicy =
    "default-src 'none'; img-src velk-app: data: blob:; style-src 'unsafe-inline'; script-src 'unsafe-inline'; "
    "font-src data:; connect-src 'none'";
inline constexpr std::string_view svgSecurityPolicy = "default-src 'none'; style-src 'unsafe-inline'; sandbox";
// Media names are derived from their content, so one name always stands for the same bytes and
// the web view may keep them for a year.
inline constexpr std::string_view mediaCachePolicy = "max-age=31536000, immutable";
inline constexpr std::string_view pageContentType = "text/html; charset=utf-8";

struct Response {
    int status = 200;
    std::string httpVersion = "HTTP/1.1";
    std::string url;                                           // the request's URL, unchanged
    std::vector<std::pair<std::string, std::string>> headers;  // in the order they are sent
    SharedBytes body;
    bool operator==(const Response&) const = default;
};

// A failure in the URL error domain, by its code; it carries nothing else.
struct URLError {
    static constexpr int unsupportedURL = -1002;
    static constexpr int fileDoesNotExist = -1100;
    int code;
    bool operator==(const URLError&) const = default;
};

// The bytes of the image `name` in the media directory `directory`, or null when there are none
// (the document may be gone).
using MediaLookup = std::function<SharedBytes(std::string_view name, std::string_view directory)>;

// The answer to one request. A request without a URL (absent, or text that is no URL with a
// path) fails as unsupported. The host part of the URL is not looked at.
[[nodiscard]] Expected<Response, URLError> answer(std::optional<std::string_view> url, const SharedBytes& page,
                                                  const MediaLookup& media);

// The path of a URL, percent-decoded, without query or fragment; absent when the text has no
// scheme. Exposed for the tests of odd spellings.
[[nodiscard]] std::optional<std::string> decodedPath(std::string_view url);

}  // namespace velk::SchemeHandler
