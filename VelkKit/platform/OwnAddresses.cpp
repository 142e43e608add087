#include "platform/OwnAddresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <cstring>
#include <string>

namespace velk::OwnAddresses {

namespace {

// The address as 16 octets: IPv4 in its IPv4-mapped IPv6 form, so both spellings compare equal.
struct Octets {
    unsigned char bytes[16] = {};
    bool operator==(const Octets& other) const { return std::memcmp(bytes, other.bytes, sizeof bytes) == 0; }
};

Octets mapped(const in_addr& v4) {
    Octets octets;
    octets.bytes[10] = octets.bytes[11] = 0xff;
    std::memcpy(octets.bytes + 12, &v4, 4);
    return octets;
}

bool parse(std::string_view text, Octets& octets) {
    const std::string owned(text);
    in_addr v4;
    if (inet_pton(AF_INET, owned.c_str(), &v4) == 1) {
        octets = mapped(v4);
        return true;
    }
    return inet_pton(AF_INET6, owned.c_str(), octets.bytes) == 1;
}

}  // namespace

bool holds(std::string_view address) {
    Octets wanted;
    if (!parse(address, wanted)) return false;
    ifaddrs* interfaces = nullptr;
    // Without the list any address may be this machine's: better no preview than one from here.
    if (getifaddrs(&interfaces) != 0) return true;
    bool found = false;
    for (const ifaddrs* entry = interfaces; entry && !found; entry = entry->ifa_next) {
        const sockaddr* held = entry->ifa_addr;
        if (!held) continue;
        if (held->sa_family == AF_INET) {
            sockaddr_in v4;
            std::memcpy(&v4, held, sizeof v4);
            found = mapped(v4.sin_addr) == wanted;
        } else if (held->sa_family == AF_INET6) {
            sockaddr_in6 v6;
            std::memcpy(&v6, held, sizeof v6);
            Octets octets;
            std::memcpy(octets.bytes, &v6.sin6_addr, 16);
            found = octets == wanted;
        }
    }
    freeifaddrs(interfaces);
    return found;
}

}  // namespace velk::OwnAddresses
