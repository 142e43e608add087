#include "preview/LinkURL.h"

#include "preview/ParsedURI.h"

namespace velk::LinkPreview {

std::string urlHost(std::string_view url) {
    const ParsedURI uri(url);
    return uri.ok() ? uri.host() : std::string();
}

std::optional<std::string> resolveReference(std::string_view base, std::string_view reference) {
    const ParsedURI baseURI(base);
    const ParsedURI referenceURI(reference);
    ParsedURI resolved(baseURI, referenceURI);
    return resolved.text();
}

}  // namespace velk::LinkPreview
