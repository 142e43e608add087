#include "share/ShareBase.h"

#include "core/TextCase.h"
#include "preview/ParsedURI.h"
#include "share/ShareBaseSetting.h"

namespace velk {

std::string_view defaultShareBase() noexcept { return VELK_SHARE_BASE_SETTING; }

std::string chosenShareBase(const std::optional<std::string>& setting) {
    if (!setting) return std::string(defaultShareBase());
    const LinkPreview::ParsedURI parsed(*setting);
    const UriUriA& parts = parsed.parts();
    const std::string scheme = TextCase::lowercased(LinkPreview::rangeText(parts.scheme));
    const bool usable = parsed.ok() && (scheme == "http" || scheme == "https") && !parsed.host().empty() &&
                        parts.query.first == nullptr && parts.fragment.first == nullptr;
    if (!usable) return std::string(defaultShareBase());
    // The service's paths are appended to the base, so it must end in "/".
    return setting->ends_with('/') ? *setting : *setting + "/";
}

std::string_view shareHost(std::string_view base) noexcept {
    const std::size_t scheme = base.find("://");
    if (scheme == std::string_view::npos) return {};
    std::string_view authority = base.substr(scheme + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    // An IPv6 literal keeps its brackets and colons; only a colon after it starts a port.
    const std::size_t bracket = authority.rfind(']');
    const std::size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket))
        authority = authority.substr(0, colon);
    return authority;
}

std::string servicePage(std::string_view base, std::string_view pagePath) {
    // Below the base's own path, where the service has every route (velk-share --base
    // https://example.org/velk/ serves its feedback page at /velk/feedback/).
    const std::size_t scheme = base.find("://");
    const std::size_t authority = scheme == std::string_view::npos ? 0 : scheme + 3;
    std::string page(base.substr(0, base.find_first_of("?#", authority)));
    if (page.size() <= authority || page.back() != '/') page += '/';
    while (pagePath.starts_with('/')) pagePath.remove_prefix(1);
    return page + std::string(pagePath);
}

}  // namespace velk
