// A link the policy accepts must come out as an http(s) URL without user information whose host
// is where the authority starts, and must stay the same when it goes through the policy again.
// A reference resolved against it must be a URL that can serve as a base in turn. Input: the
// link, optionally followed by "\x01" and a reference.

#include "FuzzCheck.h"
#include "preview/AddressPolicy.h"
#include "preview/LinkURL.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velk::LinkPreview;
    using velk::fuzz::require;
    const std::string_view input = velk::fuzz::text(data, size);
    const std::size_t split = input.find('\x01');
    const auto url = target(input.substr(0, split));
    if (!url) {
        const std::string text = url.error().description(), blocked = "blocked by link-preview policy: ";
        require(text == blocked + "only http(s) links get a preview" || text == blocked + "the link has no host" ||
                    text == blocked + "unparseable url",
                "an unexpected refusal", input);
        return 0;
    }
    const std::size_t schemeEnd = url->find("://");
    require(schemeEnd != std::string::npos, "no authority", input);
    std::string scheme = url->substr(0, schemeEnd);
    for (char& c : scheme) c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    require(scheme == "http" || scheme == "https", "not http(s)", input);
    const std::string host = urlHost(*url);
    require(!host.empty(), "no host", input);
    require(url->compare(schemeEnd + 3, host.size(), host) == 0, "something between :// and the host", input);
    const auto again = target(*url);
    require(again && *again == *url, "the policy changes its own URL", input);
    if (split == input.npos) return 0;
    if (const auto resolved = resolveReference(*url, input.substr(split + 1)))
        require(resolveReference(*resolved, "").has_value(), "a resolved URL is no base", input);
    return 0;
}
