#pragma once

// One numeric internet address, as velk reads it from a link's host or from the system
// resolver's answer, and the verdict on whether a link preview may contact it. The only way to
// make one is to parse text: the reading is deliberately narrow (four plain decimal parts for
// IPv4, colon-hex groups with at most one "::" and an optional dotted tail for IPv6), and every
// other spelling is left to the resolver. An immutable value; safe from any thread.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace velk {

class IPAddress {
public:
    // The address `text` spells after trimming white space (line breaks are not trimmed), read
    // as IPv4 first and then as IPv6; absent when it is neither. Leading zeros of an IPv4 part
    // are read in base 10: "0177.0.0.1" is 177.0.0.1.
    [[nodiscard]] static std::optional<IPAddress> parse(std::string_view text);

    // The octets in network order: 4 for IPv4, 16 for IPv6.
    [[nodiscard]] std::span<const std::uint8_t> bytes() const noexcept { return {m_octets.data(), m_size}; }
    [[nodiscard]] bool isV4() const noexcept { return m_size == 4; }

    // The IPv4 address an IPv6 address carries (6to4, IPv4-mapped, IPv4-compatible or NAT64);
    // absent for IPv4 addresses and for every other IPv6 address.
    [[nodiscard]] std::optional<IPAddress> embeddedV4() const noexcept;

    // True when a link preview may contact this address: not this machine, not a private,
    // link-local, shared or reserved network, not multicast, not a documentation range of
    // IPv4, and not an IPv6 address whose embedded IPv4 address is any of those.
    [[nodiscard]] bool isPublic() const noexcept;

    bool operator==(const IPAddress& other) const noexcept {
        return m_size == other.m_size && m_octets == other.m_octets;
    }

private:
    IPAddress(const std::uint8_t* octets, std::size_t size) noexcept;

    std::array<std::uint8_t, 16> m_octets{};
    std::size_t m_size = 0;
};

}  // namespace velk
