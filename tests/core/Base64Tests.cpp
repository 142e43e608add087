#include "core/Base64.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

TEST(Base64Decode, WholeGroupsWithPaddingOnlyAtTheEnd) {
    struct Case {
        std::string text;
        std::optional<std::string> bytes;
    };
    const Case cases[] = {
        {"", std::string()},
        {"aGk=", std::string("hi")},
        {"aGk/", std::string("hi?")},
        {"aA==", std::string("h")},
        {"+/+/", std::string("\xfb\xff\xbf")},
        {"AAAA", std::string(3, '\0')},
        {"aGk", std::nullopt},
        {"aGk=\n", std::nullopt},
        {"aG k", std::nullopt},
        {"aGk=aGk=", std::nullopt},
        {"a===", std::nullopt},
        {"====", std::nullopt},
        {"a=k=", std::nullopt},
        {"aGk-", std::nullopt},
        {"aGk_", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Base64::decode(c.text), c.bytes);
    }
}

}  // namespace
}  // namespace velk
