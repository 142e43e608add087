#include "bridge/EditorNavigation.h"

#include "bridge/EditorPageContract.h"
#include "bridge/SchemeHandler.h"

namespace velk::EditorNavigation {

namespace {

bool isSchemeCharacter(char c, bool first) noexcept {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (first) return letter;
    return letter || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

}  // namespace

std::optional<std::string> scheme(std::string_view url) {
    const std::size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    std::string name;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = url[i];
        if (!isSchemeCharacter(c, i == 0)) return std::nullopt;
        name += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
    return name;
}

Action decide(std::optional<std::string_view> url) {
    if (!url) return Action::cancel;
    if (scheme(*url) != EditorPageContract::scheme) return Action::openExternally;
    const auto path = SchemeHandler::decodedPath(*url);
    if (path == "/" || path == "/index.html") return Action::allow;
    return Action::refuse;
}

bool isWebLink(std::string_view url) {
    const auto name = scheme(url);
    return name == "http" || name == "https";
}

}  // namespace velk::EditorNavigation
