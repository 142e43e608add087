#include "shell/Beta.h"

#include "core/Graphemes.h"
#include "share/ShareBase.h"
#include "share/ShareServiceContract.h"

namespace velk::Beta {
namespace {

constexpr std::string_view idAlphabet = "0123456789abcdefghijklmnopqrstuvwxyz";

bool isUnreserved(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

// Percent-encodes everything a URL query may not hold as it is, and the characters in
// `delimiters`, which would otherwise end a value or start a new item.
std::string queryEncoded(std::string_view text, std::string_view delimiters) {
    constexpr std::string_view queryAllowed = "!$&'()*+,;=:@/?";
    constexpr std::string_view hex = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (const char c : text) {
        if (isUnreserved(c) || (queryAllowed.find(c) != std::string_view::npos && delimiters.find(c) == std::string_view::npos)) {
            encoded += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 0x0F];
        }
    }
    return encoded;
}

// "+" is a space to many form decoders, so it is encoded in items too.
constexpr std::string_view itemDelimiters = "&=+";
// The message is free text from the user; it is kept from looking like more of the URL as well.
constexpr std::string_view messageDelimiters = "&=+?";

}  // namespace

std::string feedbackPage(std::string_view base) { return servicePage(base, ShareServiceContract::feedbackPagePath); }

bool isValidTesterId(std::string_view text) noexcept {
    if (text.size() < 8 || text.size() > 64) return false;
    for (const char c : text)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
    return true;
}

std::string mint(const RandomSource& random) {
    std::string id = "t-";
    for (int i = 0; i < 12; ++i) id += idAlphabet[random() % idAlphabet.size()];
    return id;
}

std::string testerId(Defaults& defaults, const RandomSource& random) {
    if (auto stored = defaults.string(testerKey); stored && isValidTesterId(*stored)) return *stored;
    std::string made = mint(random);
    defaults.setString(testerKey, made);
    return made;
}

std::string feedbackURL(std::string_view base, std::string_view client, std::string_view version,
                        std::string_view tester, std::optional<std::string_view> message) {
    std::string url = feedbackPage(base);
    url += "?tester=" + queryEncoded(tester, itemDelimiters);
    url += "&client=" + queryEncoded(client, itemDelimiters);
    url += "&version=" + queryEncoded(version, itemDelimiters);
    if (message && !message->empty()) {
        std::string_view kept = *message;
        // Characters are what the user sees, so a cut never splits an accent from its letter.
        if (const auto boundaries = Graphemes::boundaries(kept); boundaries.size() > messageLimit + 1)
            kept = kept.substr(0, boundaries[messageLimit]);
        url += "&message=" + queryEncoded(kept, messageDelimiters);
    }
    return url;
}

std::string feedbackURL(Defaults& defaults, const RandomSource& random, std::string_view version,
                        std::optional<std::string_view> message) {
    return feedbackURL(defaultShareBase(), client, version, testerId(defaults, random), message);
}

}  // namespace velk::Beta
