// A link the policy accepts must come out as an http(s) URL without user information whose host
// is where the authority starts, and must stay the same when it goes through the policy again.
// A reference resolved against it must be a URL that can serve as a base in turn. Input: the
// link, optionally followed by "\x01" and a reference.

#include "preview/AddressPolicy.h"
#include "preview/LinkURL.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void violated(const char* what, std::string_view input) {
    std::fprintf(stderr, "link target property broken: %s\ninput: ", what);
    for (unsigned char c : input) std::fprintf(stderr, c >= 0x20 && c < 0x7f ? "%c" : "\\x%02x", c);
    std::fprintf(stderr, "\n");
    std::abort();
}

void require(bool holds, const char* what, std::string_view input) {
    if (!holds) violated(what, input);
}

std::string lowercase(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velk::LinkPreview;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\x01');
    const std::string_view link = input.substr(0, split);

    const auto url = target(link);
    if (!url) {
        const std::string text = url.error().description();
        require(text == "blocked by link-preview policy: only http(s) links get a preview" ||
                    text == "blocked by link-preview policy: the link has no host" ||
                    text == "blocked by link-preview policy: unparseable url",
                "an unexpected refusal", input);
        return 0;
    }
    const std::size_t schemeEnd = url->find("://");
    require(schemeEnd != std::string::npos, "no authority", input);
    const std::string scheme = lowercase(url->substr(0, schemeEnd));
    require(scheme == "http" || scheme == "https", "not http(s)", input);
    const std::string host = urlHost(*url);
    require(!host.empty(), "no host", input);
    require(url->compare(schemeEnd + 3, host.size(), host) == 0, "something between :// and the host", input);
    const auto again = target(*url);
    require(again && *again == *url, "the policy changes its own URL", input);

    if (split != std::string_view::npos) {
        if (const auto resolved = resolveReference(*url, input.substr(split + 1))) {
            require(resolveReference(*resolved, "").has_value(), "a resolved URL is no base", input);
        }
    }
    return 0;
}
