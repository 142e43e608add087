#include "preview/LinkURL.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace velk::LinkPreview {
namespace {

TEST(LinkPreviewURLHost, HostAsWrittenWithLiteralBrackets) {
    const std::pair<std::string, std::string> cases[] = {
        {"HTTPS://Host.Example:8443/?q", "Host.Example"}, {"http://u:p@example.com/", "example.com"}, {"http://[::1]:80/", "[::1]"},
        {"http://[::FFFF:127.0.0.1]/", "[::FFFF:127.0.0.1]"}, {"http://[v1.x]/", "[v1.x]"}, {"http://0177.0.0.1/", "0177.0.0.1"},
        {"http://a%41b/", "a%41b"}, {"http:example.com", ""}, {"http:///x", ""}, {"not a url", ""}, {"", ""},
    };
    for (const auto& [url, host] : cases) EXPECT_EQ(urlHost(url), host) << url;
}

TEST(LinkPreviewResolveReference, ResolvesAgainstThePageURL) {
    const std::string page = "http://example.com/a/b/c?q#f";
    const std::tuple<std::string, std::string, std::optional<std::string>> cases[] = {
        {page, "/img.png", "http://example.com/img.png"}, {page, "img.png", "http://example.com/a/b/img.png"},
        {page, "../x.png", "http://example.com/a/x.png"}, {page, "../../../../x.png", "http://example.com/x.png"},
        {page, "//cdn.example/x.png", "http://cdn.example/x.png"}, {page, "https://other.example/y", "https://other.example/y"},
        {page, "?z", "http://example.com/a/b/c?z"}, {page, "#g", "http://example.com/a/b/c?q#g"}, {page, "", "http://example.com/a/b/c?q"},
        {page, "javascript:alert(1)", "javascript:alert(1)"},  // target() refuses it later
        {page, "a b.png", std::nullopt}, {page, "http://[::1", std::nullopt}, {"/relative/base", "x.png", std::nullopt},
        {"not a url", "x.png", std::nullopt}, {"http://[::1]/p/", "//[::ffff:1.2.3.4]:8/i.png", "http://[::ffff:1.2.3.4]:8/i.png"},
        {"https://u:p@example.com:444/p", "i.png", "https://u:p@example.com:444/i.png"},
    };
    for (const auto& [base, reference, resolved] : cases) EXPECT_EQ(resolveReference(base, reference), resolved) << base << " + " << reference;
}

}  // namespace
}  // namespace velk::LinkPreview
