#include "preview/IPAddress.h"

#include "core/WhiteSpace.h"

#include <algorithm>
#include <string>
#include <vector>

namespace velk {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// `text` cut at every `separator`, empty pieces kept.
std::vector<std::string_view> split(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> pieces;
    for (std::size_t start = 0;;) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
}

// Four decimal parts of any length, each at most 255. Zeros in front do not make a part
// octal: the reading has one base only.
std::optional<std::array<std::uint8_t, 4>> parseV4(std::string_view text) {
    const auto pieces = split(text, ".");
    if (pieces.size() != 4) return std::nullopt;
    std::array<std::uint8_t, 4> octets{};
    for (std::size_t i = 0; i < 4; ++i) {
        if (pieces[i].empty()) return std::nullopt;
        unsigned value = 0;
        for (char c : pieces[i]) {
            if (!isDigit(c)) return std::nullopt;
            value = value * 10 + unsigned(c - '0');
            if (value > 255) return std::nullopt;
        }
        octets[i] = static_cast<std::uint8_t>(value);
    }
    return octets;
}

// The 16-bit groups of one side of "::"; absent when a group is empty, too long or not hex.
std::optional<std::vector<std::uint16_t>> groups(std::string_view piece) {
    std::vector<std::uint16_t> result;
    if (piece.empty()) return result;
    for (std::string_view group : split(piece, ":")) {
        if (group.empty() || group.size() > 4) return std::nullopt;
        unsigned value = 0;
        for (char c : group) {
            const int digit = hexValue(c);
            if (digit < 0) return std::nullopt;
            value = value * 16 + unsigned(digit);
        }
        result.push_back(static_cast<std::uint16_t>(value));
    }
    return result;
}

std::optional<std::array<std::uint8_t, 16>> parseV6(std::string_view text) {
    const std::size_t lastColon = text.rfind(':');
    if (lastColon == std::string_view::npos) return std::nullopt;

    // A dotted tail stands for the last two groups; they are read as zeros here and the four
    // octets put in at the end.
    std::string rewritten;
    std::optional<std::array<std::uint8_t, 4>> tail;
    if (text.substr(lastColon + 1).find('.') != std::string_view::npos) {
        tail = parseV4(text.substr(lastColon + 1));
        if (!tail) return std::nullopt;
        rewritten = std::string(text.substr(0, lastColon + 1)) + "0:0";
        text = rewritten;
    }

    const auto pieces = split(text, "::");
    if (pieces.size() > 2) return std::nullopt;
    std::vector<std::uint16_t> all;
    if (pieces.size() == 1) {
        auto only = groups(pieces[0]);
        if (!only || only->size() != 8) return std::nullopt;
        all = std::move(*only);
    } else {
        const auto head = groups(pieces[0]);
        const auto rest = groups(pieces[1]);
        if (!head || !rest || head->size() + rest->size() >= 8) return std::nullopt;
        all = *head;
        all.resize(8 - rest->size(), 0);
        all.insert(all.end(), rest->begin(), rest->end());
    }

    std::array<std::uint8_t, 16> octets{};
    for (std::size_t i = 0; i < 8; ++i) {
        octets[2 * i] = static_cast<std::uint8_t>(all[i] >> 8);
        octets[2 * i + 1] = static_cast<std::uint8_t>(all[i] & 0xFF);
    }
    if (tail) std::copy(tail->begin(), tail->end(), octets.begin() + 12);
    return octets;
}

bool allZero(std::span<const std::uint8_t> octets) {
    for (std::uint8_t octet : octets) {
        if (octet != 0) return false;
    }
    return true;
}

bool isPublicV4(std::span<const std::uint8_t> o) {
    const unsigned a = o[0], b = o[1], c = o[2];
    if (a == 0 || a == 10 || a == 127) return false;           // "this" network, private, loopback
    if (a == 100 && (b & 0xC0) == 0x40) return false;          // carrier-grade NAT, 100.64.0.0/10
    if (a == 169 && b == 254) return false;                    // link-local
    if (a == 172 && (b & 0xF0) == 0x10) return false;          // private, 172.16.0.0/12
    if (a == 192 && b == 168) return false;                    // private
    if (a == 192 && b == 0 && (c == 0 || c == 2)) return false;  // protocol assignments, TEST-NET-1
    if (a == 198 && (b == 18 || b == 19)) return false;        // benchmarking
    if (a == 198 && b == 51 && c == 100) return false;         // TEST-NET-2
    if (a == 203 && b == 0 && c == 113) return false;          // TEST-NET-3
    return a < 224;                                            // multicast, reserved, broadcast
}

bool isPublicV6(std::span<const std::uint8_t> o) {
    if (allZero(o)) return false;                       // unspecified
    if ((o[0] & 0xFE) == 0xFC) return false;            // unique local, fc00::/7
    if (o[0] == 0xFF) return false;                     // multicast
    if (o[0] == 0xFE && (o[1] & 0xC0) == 0x80) return false;  // link-local, fe80::/10
    if (o[0] != 0) return true;
    if (allZero(o.subspan(1, 14)) && o[15] == 1) return false;        // loopback
    if (o[1] == 0x64 && o[2] == 0xFF && o[3] == 0x9B) return false;   // NAT64, 64:ff9b::/32
    if (allZero(o.subspan(1, 11))) return false;                      // ::/96, IPv4-compatible
    return true;
}

}  // namespace

IPAddress::IPAddress(const std::uint8_t* octets, std::size_t size) noexcept : m_size(size) {
    std::copy(octets, octets + size, m_octets.begin());
}

std::optional<IPAddress> IPAddress::parse(std::string_view text) {
    text = WhiteSpace::trimmed(text);
    if (const auto v4 = parseV4(text)) return IPAddress(v4->data(), v4->size());
    if (const auto v6 = parseV6(text)) return IPAddress(v6->data(), v6->size());
    return std::nullopt;
}

std::optional<IPAddress> IPAddress::embeddedV4() const noexcept {
    if (m_size != 16) return std::nullopt;
    const std::span<const std::uint8_t> o = bytes();
    if (o[0] == 0x20 && o[1] == 0x02) return IPAddress(o.data() + 2, 4);  // 6to4, 2002::/16
    if (allZero(o.first(10)) && o[10] == 0xFF && o[11] == 0xFF) return IPAddress(o.data() + 12, 4);  // mapped
    if (allZero(o.first(12))) {
        // IPv4-compatible, except for :: and ::1, which are addresses of their own.
        const bool unspecifiedOrLoopback = allZero(o.subspan(12, 3)) && o[15] <= 1;
        if (unspecifiedOrLoopback) return std::nullopt;
        return IPAddress(o.data() + 12, 4);
    }
    if (o[0] == 0x00 && o[1] == 0x64 && o[2] == 0xFF && o[3] == 0x9B && allZero(o.subspan(4, 8))) {
        return IPAddress(o.data() + 12, 4);  // NAT64, 64:ff9b::/96
    }
    return std::nullopt;
}

bool IPAddress::isPublic() const noexcept {
    // An embedded address that may not be contacted taints the whole address; a public one
    // does not clear it, the rules for the whole address still apply.
    if (const auto v4 = embeddedV4(); v4 && !v4->isPublic()) return false;
    if (m_size == 4) return isPublicV4(bytes());
    if (m_size == 16) return isPublicV6(bytes());
    return false;
}

}  // namespace velk
