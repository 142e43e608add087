#include "core/TextCase.h"

#include "core/Graphemes.h"
#include "core/Utf8.h"

#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/stringpiece.h>

#include <cstdint>

namespace velk::TextCase {

namespace {

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringASCIICase(std::string_view text, std::string_view lowercase) {
    if (text.size() != lowercase.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (asciiLower(text[i]) != lowercase[i]) return false;
    }
    return true;
}

}  // namespace

std::string lowercased(std::string_view text) {
    std::string result;
    if (Utf8::isASCII(text)) {
        result.reserve(text.size());
        for (char c : text) result.push_back(asciiLower(c));
        return result;
    }
    icu::StringByteSink<std::string> sink(&result, static_cast<int32_t>(text.size()));
    UErrorCode status = U_ZERO_ERROR;
    icu::CaseMap::utf8ToLower("", 0, icu::StringPiece(text.data(), static_cast<int32_t>(text.size())), sink,
                              nullptr, status);
    if (U_FAILURE(status)) {
        // Only an allocation failure gets here; ASCII letters at least still compare alike.
        result.clear();
        for (char c : text) result.push_back(asciiLower(c));
    }
    return result;
}

std::optional<std::string_view> withoutCaselessSuffix(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return std::nullopt;
    const std::size_t start = text.size() - suffix.size();
    const std::string_view tail = text.substr(start);
    if (Utf8::isASCII(tail)) {
        // An ASCII tail is one character per byte, so it matches exactly when its bytes do. Only
        // a non-ASCII character just before it could pull its first byte into a cluster of its
        // own (a prepended mark), and only ICU can tell.
        if (!equalIgnoringASCIICase(tail, suffix)) return std::nullopt;
        if (start == 0 || static_cast<unsigned char>(text[start - 1]) < 0x80) return text.substr(0, start);
    }
    // A non-ASCII tail can still lowercase to the suffix (the Kelvin sign is a "k"), so compare
    // whole characters, however many bytes they take.
    const auto clusterStart = Graphemes::startOfLast(text, suffix.size());
    if (!clusterStart || lowercased(text.substr(*clusterStart)) != suffix) return std::nullopt;
    return text.substr(0, *clusterStart);
}

}  // namespace velk::TextCase
