#include "core/CanonicalText.h"

#include "core/Utf8.h"

#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/stringpiece.h>

#include <cstring>

namespace velk::CanonicalText {

namespace {

const icu::Normalizer2* nfc() {
    static const icu::Normalizer2* const instance = [] {
        UErrorCode status = U_ZERO_ERROR;
        return icu::Normalizer2::getNFCInstance(status);
    }();
    return instance;
}

}  // namespace

bool isNFC(std::string_view text) {
    if (Utf8::isASCII(text)) return true;
    UErrorCode status = U_ZERO_ERROR;
    const bool normalized = nfc()->isNormalizedUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())), status);
    return U_SUCCESS(status) && normalized;
}

std::string toNFC(std::string_view text) {
    if (isNFC(text)) return std::string(text);
    std::string result;
    icu::StringByteSink<std::string> sink(&result, static_cast<int32_t>(text.size()));
    UErrorCode status = U_ZERO_ERROR;
    nfc()->normalizeUTF8(0, icu::StringPiece(text.data(), static_cast<int32_t>(text.size())), sink, nullptr, status);
    if (U_FAILURE(status)) return std::string(text);
    return result;
}

bool equal(std::string_view a, std::string_view b, bool aIsASCII, bool bIsASCII) {
    if (a == b) return true;
    aIsASCII = aIsASCII || Utf8::isASCII(a);
    bIsASCII = bIsASCII || Utf8::isASCII(b);
    if (aIsASCII && bIsASCII) return false;
    // Two different texts that are both already normalized cannot be equivalent.
    const bool aNFC = aIsASCII || isNFC(a);
    const bool bNFC = bIsASCII || isNFC(b);
    if (aNFC && bNFC) return false;
    return (aNFC ? std::string(a) : toNFC(a)) == (bNFC ? std::string(b) : toNFC(b));
}

std::uint64_t hashBytes(std::string_view bytes) noexcept {
    // A multiply-rotate hash over 8-byte words: keys are short, so speed matters more than
    // resistance to chosen collisions (the index degrades to probing, never to a wrong answer).
    constexpr std::uint64_t k = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = bytes.size() * k;
    const char* p = bytes.data();
    std::size_t n = bytes.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        h = (h ^ word) * k;
        h ^= h >> 29;
    }
    if (n > 0) {
        // The tail in at most two fixed-size loads, which may overlap: a copy of a variable
        // length would be done byte by byte and then stall the load that follows it.
        std::uint64_t word;
        if (n >= 4) {
            std::uint32_t low, high;
            std::memcpy(&low, p, 4);
            std::memcpy(&high, p + n - 4, 4);
            word = std::uint64_t(high) << 32 | low;
        } else {
            const auto byte = [&](std::size_t i) { return std::uint64_t(static_cast<unsigned char>(p[i])); };
            word = byte(0) | byte(n / 2) << 8 | byte(n - 1) << 16;
        }
        h = (h ^ word) * k;
    }
    h ^= h >> 32;
    h *= k;
    return h ^ (h >> 29);
}

std::uint64_t hash(std::string_view text, bool isASCII) {
    if (isASCII || isNFC(text)) return hashBytes(text);
    return hashBytes(toNFC(text));
}

}  // namespace velk::CanonicalText
