#include "preview/IPAddress.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace velk {
namespace {

using Octets = std::vector<int>;

std::optional<Octets> octets(std::string_view text) {
    const auto address = IPAddress::parse(text);
    if (!address) return std::nullopt;
    return Octets(address->bytes().begin(), address->bytes().end());
}

// Sixteen octets: `head`, zeros, then `tail`.
Octets v6(std::initializer_list<int> head, std::initializer_list<int> tail = {}) {
    Octets result(head);
    result.resize(16 - tail.size(), 0);
    result.insert(result.end(), tail);
    return result;
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), {}};
}

TEST(IPAddressParse, DecimalQuadsAndColonHexWithOneDoubleColonAndADottedTail) {
    const std::pair<std::string, Octets> read[] = {
        {"1.2.3.4", {1, 2, 3, 4}}, {"255.255.255.255", {255, 255, 255, 255}},
        {"0177.0.0.1", {177, 0, 0, 1}},  // leading zeros stay decimal
        {"000000000255.0.0.00", {255, 0, 0, 0}}, {" 8.8.8.8\t", {8, 8, 8, 8}},
        {"\xC2\xA0" "8.8.8.8\xE3\x80\x80", {8, 8, 8, 8}},  // no-break and ideographic spaces
        {"::", v6({})}, {" ::1 ", v6({}, {1})}, {"FE80::ABcd", v6({0xfe, 0x80}, {0xab, 0xcd})}, {"1::", v6({0, 1})},
        {"1:2:3:4:5:6:7:8", {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8}},
        {"1:2:3:4:5:6:7::", {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 0}},  // "::" for one group
        {"::2:3:4:5:6:7:8", {0, 0, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8}},
        {"0000:0000:0000:0000:0000:0000:0000:0001", v6({}, {1})},
        {"::ffff:0127.0.0.01", v6({}, {0xff, 0xff, 127, 0, 0, 1})},  // the tail reads like IPv4 text
        {"1:2:3:4:5:6:1.2.3.4", {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 1, 2, 3, 4}},
        {"64:ff9b::8.8.8.8", v6({0, 0x64, 0xff, 0x9b}, {8, 8, 8, 8})},
    };
    for (const auto& [text, expected] : read) EXPECT_EQ(octets(text), expected) << testing::PrintToString(text);
    const std::string refused[] = {
        "8.8.8.8\n", "127.1", "1.2.3", "1.2.3.4.5", "1..2.3", "1.2.3.4.", ".1.2.3", "256.1.1.1", "1.2.3.1000",
        "99999999999999999999.0.0.1", "0x7f.0.0.1", "2130706433", "+1.2.3.4", "1.2.3.-4", "1.2.3.4 x", "1.2 .3.4",
        "\xEF\xBC\x91.2.3.4", "", "...", "1::2::3", "1:2:3:4:5:6:7:8::", "::1:2:3:4:5:6:7:8", "1:2:3:4:5:6::1.2.3.4",
        "1:2:3:4:5:6:7:1.2.3.4", "12345::", ":::", "::::", ":1::", "1::2:", "1:2:3:4:5:6:7", "1:2:3:4:5:6:7:8:9",
        "::1.2.3", "::256.1.1.1", "1.2.3.4::", "::1.2.3.4:5", "g::", "[::1]", "fe80::1%en0", "::1\n", ":",
    };
    for (const std::string& text : refused) EXPECT_EQ(octets(text), std::nullopt) << testing::PrintToString(text);
}

TEST(IPAddressEmbeddedV4, FindsSixToFourMappedCompatibleAndNAT64) {
    const std::pair<std::string, std::optional<Octets>> cases[] = {
        {"2002:0a00:0001::", Octets{10, 0, 0, 1}}, {"2002::", Octets{0, 0, 0, 0}}, {"::ffff:7f00:1", Octets{127, 0, 0, 1}},
        {"::ffff:0.0.0.0", Octets{0, 0, 0, 0}}, {"::8.8.8.8", Octets{8, 8, 8, 8}}, {"::2", Octets{0, 0, 0, 2}},
        {"::0.0.1.0", Octets{0, 0, 1, 0}}, {"64:ff9b::8.8.8.8", Octets{8, 8, 8, 8}}, {"64:ff9b::", Octets{0, 0, 0, 0}},
        {"::", std::nullopt}, {"::1", std::nullopt},  // unspecified and loopback, not 0.0.0.0 and 0.0.0.1
        {"64:ff9b:1::8.8.8.8", std::nullopt},         // only the /96 carries an address
        {"::ffff:0:1.2.3.4", std::nullopt}, {"::1:ffff:1.2.3.4", std::nullopt}, {"fe80::1", std::nullopt},
        {"2001:0:4136:e378:8000:63bf:f5ff:fffe", std::nullopt},  // Teredo is not unwrapped
        {"1.2.3.4", std::nullopt},                                // only IPv6 addresses carry one
    };
    for (const auto& [text, embedded] : cases) {
        const auto address = IPAddress::parse(text);
        ASSERT_TRUE(address) << text;
        const auto found = address->embeddedV4();
        EXPECT_EQ(found ? std::optional(Octets(found->bytes().begin(), found->bytes().end())) : std::nullopt, embedded) << text;
    }
}

// Each range at both of its edges, with the neighbours just outside.
TEST(IPAddressIsPublic, RangesAtTheirEdgesAndEmbeddedAddresses) {
    const std::string publicAddresses =
        "1.0.0.0 9.255.255.255 11.0.0.0 100.63.255.255 100.128.0.0 126.255.255.255 128.0.0.0 169.253.255.255 "
        "169.255.0.0 172.15.255.255 172.32.0.0 192.0.1.1 192.0.3.1 192.88.99.1 192.167.255.255 192.169.0.0 "
        "198.17.255.255 198.20.0.0 198.51.101.7 203.0.112.1 203.0.114.1 223.255.255.255 8.8.8.8 0177.0.0.1 "
        "::ffff:8.8.8.8 ::ffff:0:1.2.3.4 2002:808:808::1 64:ff9a::1 fec0::1 fe00::1 fbff::1 2001:db8::1 2001::1 "
        "2001:0:4136:e378:8000:63bf:f5ff:fffe 100::1 2606:4700:4700::1111 0:0:0:0:0:1:0:0";
    const std::string privateAddresses =
        "0.0.0.0 0.255.255.255 10.0.0.0 10.255.255.255 100.64.0.0 100.127.255.255 127.0.0.1 127.255.255.255 "
        "169.254.0.1 169.254.169.254 172.16.0.0 172.31.255.255 192.0.0.1 192.0.2.1 192.168.1.1 198.18.0.0 "
        "198.19.255.255 198.51.100.7 203.0.113.1 224.0.0.1 239.255.255.250 240.0.0.1 255.255.255.255 "
        ":: ::1 ::2 ::8.8.8.8 ::ffff:127.0.0.1 ::ffff:7f00:1 ::ffff:10.0.0.1 ::ffff:100.64.0.1 2002:0a00:0001:: "
        "2002:c0a8:0101::1 64:ff9b::8.8.8.8 64:ff9b:1::8.8.8.8 fe80::1 febf:ffff::1 fc00::1 fd00::1 fdff:ffff::1 "
        "ff02::1 ff0e::1";
    for (const auto& [list, expected] : {std::pair{publicAddresses, true}, std::pair{privateAddresses, false}}) {
        for (const std::string& text : words(list)) {
            const auto address = IPAddress::parse(text);
            ASSERT_TRUE(address) << text;
            EXPECT_EQ(address->isPublic(), expected) << text;
        }
    }
}

}  // namespace
}  // namespace velk
