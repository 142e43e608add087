#include "core/Base64.h"

#include <array>
#include <cstdint>

namespace velk::Base64 {
namespace {

constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t invalid = 0xFF;

constexpr std::array<std::uint8_t, 256> sextets = [] {
    std::array<std::uint8_t, 256> table{};
    table.fill(invalid);
    for (std::size_t i = 0; i < alphabet.size(); ++i) table[static_cast<unsigned char>(alphabet[i])] = std::uint8_t(i);
    return table;
}();

std::size_t padding(std::string_view text) noexcept {
    if (text.ends_with("==")) return 2;
    return text.ends_with('=') ? 1 : 0;
}

}  // namespace

std::optional<std::size_t> decodedSize(std::string_view text) noexcept {
    if (text.size() % 4 != 0) return std::nullopt;
    return text.size() / 4 * 3 - padding(text);
}

std::optional<std::string> decode(std::string_view text) {
    const auto size = decodedSize(text);
    if (!size) return std::nullopt;
    const std::size_t padded = padding(text);
    const std::string_view body = text.substr(0, text.size() - padded);

    std::string bytes;
    bytes.reserve(*size);
    std::uint32_t bits = 0;
    int held = 0;
    for (const char c : body) {
        const std::uint8_t sextet = sextets[static_cast<unsigned char>(c)];
        if (sextet == invalid) return std::nullopt;  // "=" inside the text lands here too
        bits = (bits << 6) | sextet;
        held += 6;
        if (held >= 8) {
            held -= 8;
            bytes += static_cast<char>((bits >> held) & 0xFF);
        }
    }
    // Left-over bits must be zero, or two spellings would give the same bytes.
    if ((bits & ((1u << held) - 1)) != 0) return std::nullopt;
    return bytes;
}

std::string encode(std::string_view bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = std::uint32_t(static_cast<unsigned char>(bytes[i])) << 16 |
                                    std::uint32_t(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                                    std::uint32_t(static_cast<unsigned char>(bytes[i + 2]));
        for (int shift = 18; shift >= 0; shift -= 6) text += alphabet[(group >> shift) & 0x3F];
    }
    if (const std::size_t rest = bytes.size() - i; rest > 0) {
        std::uint32_t group = std::uint32_t(static_cast<unsigned char>(bytes[i])) << 16;
        if (rest == 2) group |= std::uint32_t(static_cast<unsigned char>(bytes[i + 1])) << 8;
        text += alphabet[(group >> 18) & 0x3F];
        text += alphabet[(group >> 12) & 0x3F];
        text += rest == 2 ? alphabet[(group >> 6) & 0x3F] : '=';
        text += '=';
    }
    return text;
}

}  // namespace velk::Base64
