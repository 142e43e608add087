#include "app/HelpPages.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

TEST(HelpPages, TheShortcutsPageSitsAtTheServiceRoot) {
    struct Case {
        std::string base;
        std::optional<std::string> page;
    };
    const Case cases[] = {
        {"https://share.velk.example/", "https://share.velk.example/shortcuts/"},
        {"https://share.example.org/velk/api/", "https://share.example.org/shortcuts/"},
        {"http://share.example:8080/", "http://share.example:8080/shortcuts/"},
        {"https://share.example?x=1", "https://share.example/shortcuts/"},
        {"https:///", std::nullopt},
        {"ftp://share.example/", std::nullopt},
        {"share.example/", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.base);
        EXPECT_EQ(HelpPages::shortcuts(c.base), c.page);
    }
}

}  // namespace
}  // namespace velk
