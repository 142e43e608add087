#include "HelpPages.h"

#include "share/ShareBase.h"
#include "share/ShareServiceContract.h"

namespace velk::HelpPages {

std::optional<std::string> shortcuts(std::string_view base) {
    std::size_t afterScheme = 0;
    if (base.starts_with("https://")) afterScheme = 8;
    else if (base.starts_with("http://")) afterScheme = 7;
    else return std::nullopt;
    // No host, no page to open.
    if (base.find_first_of("/?#", afterScheme) == afterScheme || base.size() == afterScheme) return std::nullopt;
    return servicePage(base, ShareServiceContract::shortcutsPagePath);
}

}  // namespace velk::HelpPages
