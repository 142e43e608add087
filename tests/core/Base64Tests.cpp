#include "core/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace velk {
namespace {

TEST(Base64Decode, TakesCanonicalText) {
    struct Case {
        std::string text, bytes;
    };
    const Case cases[] = {
        {"", ""},
        {"Zg==", "f"},
        {"Zm8=", "fo"},
        {"Zm9v", "foo"},
        {"Zm9vYg==", "foob"},
        {"Zm9vYmFy", "foobar"},
        {"+/+/", "\xfb\xff\xbf"},
        {"AAA=", std::string("\0\0", 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Base64::decode(c.text), c.bytes);
        EXPECT_EQ(Base64::decodedSize(c.text), c.bytes.size());
        EXPECT_EQ(Base64::encode(c.bytes), c.text);
    }
}

TEST(Base64Decode, RefusesEveryOtherSpelling) {
    const std::string cases[] = {
        "Zg",          // padding left out
        "Zg=",         // padding cut short
        "Zg===",       // too much padding
        "====",        // nothing but padding
        "Z===",        // three padding characters
        "Zh==",        // left-over bits not zero
        "Zm9=",        // left-over bits not zero
        "Zm=v",        // padding inside
        "Zg==Zg==",    // padding, then more
        "Zm9v\n",      // line break
        "Zm9v\r\nYmFy", // line break inside
        " Zm9v",       // leading space
        "Zm 9v",       // space inside
        "Zm9-",        // URL-safe alphabet
        "Zm9_",        // URL-safe alphabet
        "Zm9\xc3\xa9", // beyond ASCII
        std::string("Zm9\0", 4),
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Base64::decode(text), std::nullopt);
    }
}

TEST(Base64Decode, EveryByteValueSurvivesTheRoundTrip) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    for (std::size_t length = 0; length <= bytes.size(); length += 37) {
        const std::string part = bytes.substr(bytes.size() - length);
        SCOPED_TRACE(length);
        EXPECT_EQ(Base64::decode(Base64::encode(part)), part);
    }
}

}  // namespace
}  // namespace velk
