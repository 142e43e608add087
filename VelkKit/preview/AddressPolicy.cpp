#include "preview/AddressPolicy.h"

#include "core/WhiteSpace.h"
#include "preview/IPAddress.h"
#include "preview/ParsedURI.h"

#include <netdb.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <array>
#include <memory>

namespace velk::LinkPreview {

namespace {

constexpr std::string_view onlyWebLinks = "only http(s) links get a preview";

Unexpected<Failure> refused(std::string_view reason) {
    return Unexpected<Failure>(Failure::blocked(std::string(reason)));
}

bool equalIgnoringASCIICase(std::string_view text, std::string_view lowercase) {
    if (text.size() != lowercase.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != lowercase[i]) return false;
    }
    return true;
}

// The address the C library, curl and browsers read from a dotted quad whose parts have
// leading zeros: to them such a part is octal, so "0177.0.0.1" is 127.0.0.1. Absent when no
// part has a leading zero, or when that reading is no address at all (an "8" or "9" after the
// zero, a part over 255), in which case the C library and curl take the text for a name.
std::optional<IPAddress> octalReading(std::string_view text) {
    text = WhiteSpace::trimmed(text);
    std::string decimal;
    bool anyOctal = false;
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? text.find('.', start) : text.size();
        if (dot == std::string_view::npos) return std::nullopt;
        const std::string_view digits = text.substr(start, dot - start);
        const bool octal = digits.size() > 1 && digits.front() == '0';
        anyOctal = anyOctal || octal;
        unsigned value = 0;
        for (char c : digits) {
            if (c < '0' || c > (octal ? '7' : '9')) return std::nullopt;
            value = value * (octal ? 8 : 10) + unsigned(c - '0');
            if (value > 255) return std::nullopt;
        }
        decimal += std::to_string(value) + (part < 3 ? "." : "");
        start = dot + 1;
    }
    if (!anyOctal) return std::nullopt;
    return IPAddress::parse(decimal);
}

// Public under our own reading and, for a zero-led dotted quad, under the octal one as well:
// the policy must not approve an address that the software connecting to it reads otherwise.
bool allowed(const IPAddress& address, std::string_view text) {
    if (!address.isPublic()) return false;
    if (!address.isV4()) return true;
    const auto other = octalReading(text);
    return !other || other->isPublic();
}

}  // namespace

Expected<std::string, Failure> target(std::string_view link) {
    const std::string_view text = WhiteSpace::trimmedWithLineBreaks(link);
    ParsedURI uri(text);
    if (!uri.ok()) return refused(onlyWebLinks);
    const std::string_view scheme = rangeText(uri.parts().scheme);
    if (!equalIgnoringASCIICase(scheme, "http") && !equalIgnoringASCIICase(scheme, "https")) {
        return refused(onlyWebLinks);
    }
    if (!uri.hasHost() || rangeText(uri.parts().hostText).empty()) {
        return refused("the link has no host");
    }
    uri.parts().userInfo = UriTextRangeA{nullptr, nullptr};
    auto rebuilt = uri.text();
    if (!rebuilt) return refused("unparseable url");
    return std::move(*rebuilt);
}

std::optional<Failure> check(std::string_view host, const Resolver& resolve) {
    std::string_view bare = host;
    if (bare.size() >= 2 && bare.front() == '[' && bare.back() == ']') bare = bare.substr(1, bare.size() - 2);
    if (const auto address = IPAddress::parse(bare)) {
        if (allowed(*address, bare)) return std::nullopt;
        return Failure::blocked(std::string(bare) + " is not a public address");
    }

    const std::vector<std::string> addresses = resolve(host);
    if (addresses.empty()) return Failure::unreachable(std::string(host) + " does not resolve");
    for (const std::string& text : addresses) {
        if (!addressAllowed(text)) {
            return Failure::blocked(std::string(host) + " resolves to " + text + ", which is not a public address");
        }
    }
    return std::nullopt;
}

std::vector<std::string> systemResolve(std::string_view host) {
    // The C library reads a name up to its first NUL; a name with one inside would be checked
    // as one host and fetched as another, so it resolves to nothing.
    if (host.empty() || host.find('\0') != std::string_view::npos) return {};
    const std::string name(host);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return {};
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, &freeaddrinfo);

    std::vector<std::string> addresses;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        std::array<char, 1025> text{};  // NI_MAXHOST, the longest host text the system writes
        if (getnameinfo(entry->ai_addr, entry->ai_addrlen, text.data(), text.size(), nullptr, 0, NI_NUMERICHOST) != 0) {
            continue;
        }
        addresses.emplace_back(withoutZone(text.data()));
    }
    return addresses;
}

bool addressAllowed(std::string_view text) {
    const auto address = IPAddress::parse(text);
    return address && allowed(*address, text);
}

std::string_view withoutZone(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('%', start), text.size());
        if (end > start) return text.substr(start, end - start);
        start = end + 1;
    }
    return text;
}

}  // namespace velk::LinkPreview
