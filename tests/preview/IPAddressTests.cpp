#include "preview/IPAddress.h"

#include <gtest/gtest.h>

#include <optional>
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

Octets v6(std::initializer_list<int> head, std::initializer_list<int> tail = {}) {
    Octets result(head);
    result.resize(16 - tail.size(), 0);
    result.insert(result.end(), tail);
    return result;
}

TEST(IPAddressParse, ReadsFourPlainDecimalPartsOnly) {
    struct Case {
        std::string text;
        std::optional<Octets> octets;
    };
    const Case cases[] = {
        {"1.2.3.4", Octets{1, 2, 3, 4}},
        {"0.0.0.0", Octets{0, 0, 0, 0}},
        {"255.255.255.255", Octets{255, 255, 255, 255}},
        {"0177.0.0.1", Octets{177, 0, 0, 1}},      // leading zeros stay decimal
        {"010.0.0.1", Octets{10, 0, 0, 1}},
        {"000000000255.0.0.00", Octets{255, 0, 0, 0}},
        {" 8.8.8.8\t", Octets{8, 8, 8, 8}},
        {"\xC2\xA0" "8.8.8.8\xE3\x80\x80", Octets{8, 8, 8, 8}},  // no-break and ideographic spaces
        {"8.8.8.8\n", std::nullopt},                // line breaks are not trimmed
        {"127.1", std::nullopt},
        {"1.2.3", std::nullopt},
        {"1.2.3.4.5", std::nullopt},
        {"1..2.3", std::nullopt},
        {"1.2.3.4.", std::nullopt},
        {".1.2.3", std::nullopt},
        {"256.1.1.1", std::nullopt},
        {"1.2.3.1000", std::nullopt},
        {"99999999999999999999.0.0.1", std::nullopt},
        {"0x7f.0.0.1", std::nullopt},
        {"2130706433", std::nullopt},
        {"+1.2.3.4", std::nullopt},
        {"1.2.3.-4", std::nullopt},
        {"1.2.3.4 x", std::nullopt},
        {"1.2 .3.4", std::nullopt},
        {"\xEF\xBC\x91.2.3.4", std::nullopt},       // a full-width digit
        {"", std::nullopt},
        {"...", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(octets(c.text), c.octets);
    }
}

TEST(IPAddressParse, ReadsColonHexWithOneDoubleColonAndADottedTail) {
    struct Case {
        std::string text;
        std::optional<Octets> octets;
    };
    const Case cases[] = {
        {"::", v6({})},
        {"::1", v6({}, {1})},
        {" ::1 ", v6({}, {1})},
        {"1:2:3:4:5:6:7:8", Octets{0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8}},
        {"fe80::1", v6({0xfe, 0x80}, {1})},
        {"FE80::ABcd", v6({0xfe, 0x80}, {0xab, 0xcd})},
        {"1::", v6({0, 1})},
        {"1:2:3:4:5:6:7::", Octets{0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 0}},  // "::" for one group
        {"::2:3:4:5:6:7:8", Octets{0, 0, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8}},
        {"0000:0000:0000:0000:0000:0000:0000:0001", v6({}, {1})},
        {"::ffff:127.0.0.1", v6({}, {0xff, 0xff, 127, 0, 0, 1})},
        {"::ffff:7f00:1", v6({}, {0xff, 0xff, 0x7f, 0, 0, 1})},
        {"::ffff:0127.0.0.01", v6({}, {0xff, 0xff, 127, 0, 0, 1})},  // the tail reads like IPv4 text
        {"::1.2.3.4", v6({}, {1, 2, 3, 4})},
        {"1:2:3:4:5:6:1.2.3.4", Octets{0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 1, 2, 3, 4}},
        {"64:ff9b::8.8.8.8", v6({0, 0x64, 0xff, 0x9b}, {8, 8, 8, 8})},
        {"1::2::3", std::nullopt},
        {"1:2:3:4:5:6:7:8::", std::nullopt},       // "::" would stand for no group
        {"::1:2:3:4:5:6:7:8", std::nullopt},
        {"1:2:3:4:5:6::1.2.3.4", std::nullopt},
        {"1:2:3:4:5:6:7:1.2.3.4", std::nullopt},
        {"12345::", std::nullopt},
        {":::", std::nullopt},
        {"::::", std::nullopt},
        {":1::", std::nullopt},
        {"1::2:", std::nullopt},
        {"1:2:3:4:5:6:7", std::nullopt},
        {"1:2:3:4:5:6:7:8:9", std::nullopt},
        {"::1.2.3", std::nullopt},
        {"::256.1.1.1", std::nullopt},
        {"1.2.3.4::", std::nullopt},
        {"::1.2.3.4:5", std::nullopt},
        {"g::", std::nullopt},
        {"[::1]", std::nullopt},
        {"fe80::1%en0", std::nullopt},
        {"::1\n", std::nullopt},
        {":", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(octets(c.text), c.octets);
    }
}

TEST(IPAddressEmbeddedV4, FindsSixToFourMappedCompatibleAndNAT64) {
    struct Case {
        std::string text;
        std::optional<Octets> embedded;
    };
    const Case cases[] = {
        {"2002:0a00:0001::", Octets{10, 0, 0, 1}},
        {"2002:808:808::1", Octets{8, 8, 8, 8}},
        {"2002::", Octets{0, 0, 0, 0}},
        {"::ffff:127.0.0.1", Octets{127, 0, 0, 1}},
        {"::ffff:7f00:1", Octets{127, 0, 0, 1}},
        {"::ffff:0.0.0.0", Octets{0, 0, 0, 0}},
        {"::8.8.8.8", Octets{8, 8, 8, 8}},
        {"::2", Octets{0, 0, 0, 2}},
        {"::0.0.1.0", Octets{0, 0, 1, 0}},
        {"::", std::nullopt},                       // unspecified, not 0.0.0.0
        {"::1", std::nullopt},                      // loopback, not 0.0.0.1
        {"64:ff9b::8.8.8.8", Octets{8, 8, 8, 8}},
        {"64:ff9b::", Octets{0, 0, 0, 0}},
        {"64:ff9b:1::8.8.8.8", std::nullopt},       // only the /96 carries an address
        {"::ffff:0:1.2.3.4", std::nullopt},
        {"::1:ffff:1.2.3.4", std::nullopt},
        {"2001:0:4136:e378:8000:63bf:f5ff:fffe", std::nullopt},  // Teredo is not unwrapped
        {"fe80::1", std::nullopt},
        {"1.2.3.4", std::nullopt},                  // only IPv6 addresses carry one
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        const auto address = IPAddress::parse(c.text);
        ASSERT_TRUE(address);
        const auto embedded = address->embeddedV4();
        ASSERT_EQ(embedded.has_value(), c.embedded.has_value());
        if (embedded) {
            EXPECT_EQ(Octets(embedded->bytes().begin(), embedded->bytes().end()), *c.embedded);
        }
    }
}

TEST(IPAddressIsPublic, IPv4RangesAtTheirEdges) {
    struct Case {
        std::string text;
        bool isPublic;
    };
    const Case cases[] = {
        {"0.0.0.0", false},         {"0.255.255.255", false},   {"1.0.0.0", true},
        {"9.255.255.255", true},    {"10.0.0.0", false},        {"10.255.255.255", false},
        {"11.0.0.0", true},         {"100.63.255.255", true},   {"100.64.0.0", false},
        {"100.127.255.255", false}, {"100.128.0.0", true},      {"126.255.255.255", true},
        {"127.0.0.1", false},       {"127.255.255.255", false}, {"128.0.0.0", true},
        {"169.253.255.255", true},  {"169.254.0.1", false},     {"169.254.169.254", false},
        {"169.255.0.0", true},      {"172.15.255.255", true},   {"172.16.0.0", false},
        {"172.31.255.255", false},  {"172.32.0.0", true},       {"192.0.0.1", false},
        {"192.0.1.1", true},        {"192.0.2.1", false},       {"192.0.3.1", true},
        {"192.88.99.1", true},      {"192.167.255.255", true},  {"192.168.1.1", false},
        {"192.169.0.0", true},      {"198.17.255.255", true},   {"198.18.0.0", false},
        {"198.19.255.255", false},  {"198.20.0.0", true},       {"198.51.100.7", false},
        {"198.51.101.7", true},     {"203.0.112.1", true},      {"203.0.113.1", false},
        {"203.0.114.1", true},      {"223.255.255.255", true},  {"224.0.0.1", false},
        {"239.255.255.250", false}, {"240.0.0.1", false},       {"255.255.255.255", false},
        {"8.8.8.8", true},          {"0177.0.0.1", true},  // read as 177.0.0.1
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        const auto address = IPAddress::parse(c.text);
        ASSERT_TRUE(address);
        EXPECT_EQ(address->isPublic(), c.isPublic);
    }
}

TEST(IPAddressIsPublic, IPv6RangesAndEmbeddedAddresses) {
    struct Case {
        std::string text;
        bool isPublic;
    };
    const Case cases[] = {
        {"::", false},
        {"::1", false},
        {"::2", false},                     // IPv4-compatible, whatever it carries
        {"::8.8.8.8", false},
        {"::ffff:127.0.0.1", false},
        {"::ffff:7f00:1", false},
        {"::ffff:10.0.0.1", false},
        {"::ffff:100.64.0.1", false},
        {"::ffff:8.8.8.8", true},
        {"::ffff:0:1.2.3.4", true},         // not a prefix the policy knows
        {"2002:0a00:0001::", false},        // 6to4 of 10.0.0.1
        {"2002:c0a8:0101::1", false},       // 6to4 of 192.168.1.1
        {"2002:808:808::1", true},
        {"64:ff9b::8.8.8.8", false},        // NAT64 reaches the v4 internet through a local gateway
        {"64:ff9b:1::8.8.8.8", false},      // the whole 64:ff9b::/32
        {"64:ff9a::1", true},
        {"fe80::1", false},
        {"febf:ffff::1", false},
        {"fec0::1", true},                  // site-local was withdrawn; only fe80::/10 is link-local
        {"fe00::1", true},
        {"fc00::1", false},
        {"fd00::1", false},
        {"fdff:ffff::1", false},
        {"fbff::1", true},
        {"ff02::1", false},
        {"ff0e::1", false},
        {"2001:db8::1", true},              // documentation counts as public
        {"2001::1", true},                  // Teredo counts as public
        {"2001:0:4136:e378:8000:63bf:f5ff:fffe", true},  // even with a private client inside
        {"100::1", true},
        {"2606:4700:4700::1111", true},
        {"0:0:0:0:0:1:0:0", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        const auto address = IPAddress::parse(c.text);
        ASSERT_TRUE(address);
        EXPECT_EQ(address->isPublic(), c.isPublic);
    }
}

}  // namespace
}  // namespace velk
