#include "core/Utf8.h"

#include <unicode/unistr.h>

#include <cstring>

namespace velk::Utf8 {

namespace {

constexpr std::uint64_t highBits = 0x8080808080808080ull;

std::uint64_t load8(const unsigned char* p) noexcept {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

bool isContinuation(unsigned char byte) noexcept { return (byte & 0xC0) == 0x80; }

}  // namespace

bool isASCII(std::string_view bytes) noexcept {
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto end = p + bytes.size();
    for (; end - p >= 8; p += 8) {
        if (load8(p) & highBits) return false;
    }
    for (; p < end; ++p) {
        if (*p & 0x80) return false;
    }
    return true;
}

bool isValid(std::string_view bytes) noexcept {
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto end = p + bytes.size();
    while (p < end) {
        if (end - p >= 8 && !(load8(p) & highBits)) {
            p += 8;
            continue;
        }
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        std::size_t length;
        unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;        // overlong
            if (lead == 0xED) high = 0x9F;       // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;        // overlong
            if (lead == 0xF4) high = 0x8F;       // above U+10FFFF
        } else {
            return false;
        }
        if (static_cast<std::size_t>(end - p) < length) return false;
        if (p[1] < low || p[1] > high) return false;
        for (std::size_t i = 2; i < length; ++i) {
            if (!isContinuation(p[i])) return false;
        }
        p += length;
    }
    return true;
}

std::string repaired(std::string_view bytes) {
    if (isValid(bytes)) return std::string(bytes);
    // ICU's reading of UTF-8 substitutes exactly as Unicode recommends.
    std::string text;
    icu::UnicodeString::fromUTF8(icu::StringPiece(bytes.data(), static_cast<int32_t>(bytes.size()))).toUTF8String(text);
    return text;
}

std::size_t scalarCount(std::string_view text, std::size_t byteOffset) noexcept {
    std::size_t count = 0;
    for (std::size_t i = 0; i < byteOffset && i < text.size(); ++i) {
        if (!isContinuation(static_cast<unsigned char>(text[i]))) ++count;
    }
    return count;
}

DecodedScalar decode(std::string_view text, std::size_t byteOffset) noexcept {
    auto p = reinterpret_cast<const unsigned char*>(text.data()) + byteOffset;
    const unsigned char lead = p[0];
    if (lead < 0x80) return {lead, 1};
    if (lead < 0xE0) return {char32_t(lead & 0x1F) << 6 | (p[1] & 0x3F), 2};
    if (lead < 0xF0) return {char32_t(lead & 0x0F) << 12 | char32_t(p[1] & 0x3F) << 6 | (p[2] & 0x3F), 3};
    return {char32_t(lead & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 | char32_t(p[2] & 0x3F) << 6 |
                (p[3] & 0x3F),
            4};
}

void append(char32_t scalar, std::string& into) {
    if (scalar < 0x80) {
        into.push_back(static_cast<char>(scalar));
    } else if (scalar < 0x800) {
        into.push_back(static_cast<char>(0xC0 | (scalar >> 6)));
        into.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
    } else if (scalar < 0x10000) {
        into.push_back(static_cast<char>(0xE0 | (scalar >> 12)));
        into.push_back(static_cast<char>(0x80 | ((scalar >> 6) & 0x3F)));
        into.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
    } else {
        into.push_back(static_cast<char>(0xF0 | (scalar >> 18)));
        into.push_back(static_cast<char>(0x80 | ((scalar >> 12) & 0x3F)));
        into.push_back(static_cast<char>(0x80 | ((scalar >> 6) & 0x3F)));
        into.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
    }
}

}  // namespace velk::Utf8
