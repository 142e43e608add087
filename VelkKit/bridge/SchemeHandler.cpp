#include "bridge/SchemeHandler.h"

#include "package/Media.h"

namespace velk::SchemeHandler {

namespace {

Unexpected<URLError> failure(int code) { return Unexpected<URLError>(URLError{code}); }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isSchemeCharacter(char c, bool first) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (first) return letter;
    return letter || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

Response response(std::string_view url, std::vector<std::pair<std::string, std::string>> headers, SharedBytes body) {
    return Response{200, "HTTP/1.1", std::string(url), std::move(headers), std::move(body)};
}

Expected<Response, URLError> serveMedia(std::string_view url, const std::string& name, std::string_view directory,
                                        const MediaLookup& media) {
    // The name is checked before the document is asked, so no lookup ever sees "..", a hidden
    // file or a sub-path.
    if (!Media::isServableName(name)) return failure(URLError::fileDoesNotExist);
    SharedBytes bytes = media ? media(name, directory) : nullptr;
    if (!bytes) return failure(URLError::fileDoesNotExist);
    const auto type = Media::mimeType(name);
    if (!type) return failure(URLError::fileDoesNotExist);
    std::vector<std::pair<std::string, std::string>> headers{
        {"Content-Type", std::string(*type)},
        {"Content-Length", std::to_string(bytes->size())},
        {"Cache-Control", std::string(mediaCachePolicy)},
    };
    // An SVG is a document that could run script; it gets a policy that allows none.
    if (*type == "image/svg+xml") headers.emplace_back("Content-Security-Policy", svgSecurityPolicy);
    return response(url, std::move(headers), std::move(bytes));
}

}  // namespace

std::optional<std::string> decodedPath(std::string_view url) {
    const std::size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    for (std::size_t i = 0; i < colon; ++i) {
        if (!isSchemeCharacter(url[i], i == 0)) return std::nullopt;
    }
    std::string_view rest = url.substr(colon + 1);
    rest = rest.substr(0, rest.find_first_of("?#"));
    if (rest.starts_with("//")) {
        const std::size_t pathStart = rest.find('/', 2);
        rest = pathStart == std::string_view::npos ? std::string_view() : rest.substr(pathStart);
    }
    std::string path;
    path.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && hexDigit(rest[i + 1]) >= 0 && hexDigit(rest[i + 2]) >= 0) {
            path += char(hexDigit(rest[i + 1]) * 16 + hexDigit(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    return path;
}

Expected<Response, URLError> answer(std::optional<std::string_view> url, const SharedBytes& page, const MediaLookup& media) {
    if (!url) return failure(URLError::unsupportedURL);
    const auto path = decodedPath(*url);
    if (!path) return failure(URLError::unsupportedURL);

    for (const std::string_view directory : Media::servedDirectories) {
        const std::string prefix = "/" + std::string(directory) + "/";
        if (path->starts_with(prefix)) return serveMedia(*url, path->substr(prefix.size()), directory, media);
    }
    if (*path == "/" || *path == "/index.html") {
        SharedBytes body = page ? page : std::make_shared<const std::string>();
        std::vector<std::pair<std::string, std::string>> headers{
            {"Content-Type", std::string(pageContentType)},
            {"Content-Length", std::to_string(body->size())},
            {"Content-Security-Policy", std::string(pageSecurityPolicy)},
        };
        return response(*url, std::move(headers), std::move(body));
    }
    return failure(URLError::unsupportedURL);
}

}  // namespace velk::SchemeHandler
