#include "preview/ParsedURI.h"

#include <vector>

namespace velk::LinkPreview {

ParsedURI::ParsedURI(std::string_view text) {
    const char* errorAt = nullptr;
    m_ok = uriParseSingleUriExA(&m_uri, text.data(), text.data() + text.size(), &errorAt) == URI_SUCCESS;
}

ParsedURI::ParsedURI(const ParsedURI& base, const ParsedURI& reference) {
    if (!base.ok() || !reference.ok()) return;
    m_ok = uriAddBaseUriExA(&m_uri, &reference.m_uri, &base.m_uri, URI_RESOLVE_STRICTLY) == URI_SUCCESS;
}

ParsedURI::~ParsedURI() {
    // A failed parse or resolution has already freed what it made.
    if (m_ok) uriFreeUriMembersA(&m_uri);
}

std::string ParsedURI::host() const {
    if (!hasHost()) return {};
    const std::string_view written = rangeText(m_uri.hostText);
    const bool literal = m_uri.hostData.ip6 != nullptr || m_uri.hostData.ipFuture.first != nullptr;
    return literal ? "[" + std::string(written) + "]" : std::string(written);
}

std::optional<std::string> ParsedURI::text() {
    if (!m_ok) return std::nullopt;
    // uriparser writes an IPv4 or IPv6 host from its binary form and an IPvFuture one as
    // written; presenting every literal as IPvFuture keeps the link's own spelling. The real
    // host data goes back before anything frees it.
    const UriHostDataA saved = m_uri.hostData;
    if (saved.ip6 != nullptr) m_uri.hostData.ipFuture = m_uri.hostText;
    m_uri.hostData.ip4 = nullptr;
    m_uri.hostData.ip6 = nullptr;

    std::optional<std::string> result;
    int required = 0;
    if (uriToStringCharsRequiredA(&m_uri, &required) == URI_SUCCESS) {
        std::vector<char> buffer(static_cast<std::size_t>(required) + 1);
        if (uriToStringA(buffer.data(), &m_uri, required + 1, nullptr) == URI_SUCCESS) {
            result.emplace(buffer.data());  // a URI holds no NUL
        }
    }
    m_uri.hostData = saved;
    return result;
}

}  // namespace velk::LinkPreview
