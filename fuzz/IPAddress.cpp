// Reading an address must agree with the C library's strict reader wherever the two are meant
// to agree: every text inet_pton accepts reads as the same octets, and a text that only velk
// accepts has white space around it or a zero-led dotted part. Whatever parses must read back
// from the C library's own spelling of it, and the public test must not be fooled by wrapping
// an IPv4 address in a prefix that carries it.

#include "FuzzCheck.h"
#include "core/WhiteSpace.h"
#include "preview/AddressPolicy.h"
#include "preview/IPAddress.h"

#include <arpa/inet.h>

#include <algorithm>

namespace {

using velk::IPAddress;
using velk::fuzz::require;

bool sameOctets(const IPAddress& address, const void* octets, std::size_t size) {
    const auto bytes = address.bytes();
    return bytes.size() == size && std::equal(bytes.begin(), bytes.end(), static_cast<const std::uint8_t*>(octets));
}

// A dotted part such as "01": velk reads it in base 10, the C library refuses it.
bool hasZeroLedDottedPart(std::string_view text) {
    const std::size_t colon = text.rfind(':');
    std::string_view dotted = colon == text.npos ? text : text.substr(colon + 1);
    for (std::size_t dot = 0; dot != text.npos; dotted.remove_prefix(dot + 1)) {
        dot = dotted.find('.');
        if (const std::string_view part = dotted.substr(0, dot); part.size() > 1 && part.front() == '0') return true;
        if (dot == text.npos) break;
    }
    return false;
}

void checkAgainstCLibrary(std::string_view text, const std::optional<IPAddress>& address) {
    if (text.find('\0') != text.npos) return;
    const std::string terminated(text);
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, terminated.c_str(), &v4) == 1) {
        require(address && sameOctets(*address, &v4, 4), "inet_pton reads IPv4 that velk does not", text);
    } else if (inet_pton(AF_INET6, terminated.c_str(), &v6) == 1) {
        require(address && sameOctets(*address, &v6, 16), "inet_pton reads IPv6 that velk does not", text);
    } else if (address) {
        const std::string_view trimmed = velk::WhiteSpace::trimmed(text);
        require(trimmed != text || hasZeroLedDottedPart(trimmed), "velk reads an address the C library refuses", text);
    }
}

void checkRoundTripAndWrapping(std::string_view text, const IPAddress& address) {
    char spelled[INET6_ADDRSTRLEN] = {};
    require(inet_ntop(address.isV4() ? AF_INET : AF_INET6, address.bytes().data(), spelled, sizeof spelled), "inet_ntop failed", text);
    const auto again = IPAddress::parse(spelled);
    require(again && *again == address, "the C library's spelling does not read back", text);
    if (const auto inner = address.embeddedV4(); inner && !inner->isPublic())
        require(!address.isPublic(), "a private embedded address leaves the whole public", text);
    if (!address.isV4()) return;
    const std::string v4 = spelled;
    const auto b = address.bytes();
    char sixToFour[32];
    std::snprintf(sixToFour, sizeof sixToFour, "2002:%02x%02x:%02x%02x::", b[0], b[1], b[2], b[3]);
    require(IPAddress::parse("::ffff:" + v4)->isPublic() == address.isPublic(), "mapped form judged otherwise", text);
    require(IPAddress::parse(sixToFour)->isPublic() == address.isPublic(), "6to4 form judged otherwise", text);
    require(!IPAddress::parse("64:ff9b::" + v4)->isPublic(), "NAT64 form is public", text);
    require(!IPAddress::parse("::" + v4)->isPublic(), "IPv4-compatible form is public", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = velk::fuzz::text(data, size);
    const std::optional<IPAddress> address = IPAddress::parse(text);
    checkAgainstCLibrary(text, address);
    if (!address) return require(!velk::LinkPreview::addressAllowed(text), "text that is no address is allowed", text), 0;
    require(address->bytes().size() == 4 || address->bytes().size() == 16, "neither 4 nor 16 octets", text);
    if (velk::LinkPreview::addressAllowed(text)) require(address->isPublic(), "a private address is allowed", text);
    checkRoundTripAndWrapping(text, *address);
    return 0;
}
