#include "HelpPages.h"

#include "share/ShareServiceContract.h"

namespace velk::HelpPages {

std::optional<std::string> shortcuts(std::string_view base) {
    std::size_t afterScheme = 0;
    if (base.starts_with("https://")) afterScheme = 8;
    else if (base.starts_with("http://")) afterScheme = 7;
    else return std::nullopt;
    // The page path is absolute, so it replaces whatever path the base has.
    const std::size_t end = base.find_first_of("/?#", afterScheme);
    const std::string_view origin = base.substr(0, end);
    if (origin.size() == afterScheme) return std::nullopt;
    return std::string(origin) + std::string(ShareServiceContract::shortcutsPagePath);
}

}  // namespace velk::HelpPages
