#include "platform/WebKitWebViewBinding.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

// Messages are accepted only from velk-app pages, so the scheme read from the view's URL must
// not be fooled by odd spellings.
TEST(WebKitWebViewBindingScheme, ReadsTheSchemeOfAURL) {
    struct Case {
        std::string url;
        std::optional<std::string> scheme;
    };
    const Case cases[] = {
        {"velk-app://editor/index.html", "velk-app"},
        {"VELK-APP://editor/", "velk-app"},
        {"https://velk-app.example/", "https"},
        {"about:blank", "about"},
        {"velk-app", std::nullopt},
        {":velk-app//", std::nullopt},
        {"1velk:x", std::nullopt},
        {"velk app://x", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(WebKitWebViewBinding::schemeOf(c.url), c.scheme);
    }
}

}  // namespace
}  // namespace velk
