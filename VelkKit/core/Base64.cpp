#include "core/Base64.h"

#include <cstdint>

namespace velk::Base64 {

namespace {

int sextet(char c) noexcept {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::optional<std::string> decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t group = 0; group < text.size(); group += 4) {
        const bool last = group + 4 == text.size();
        // "xx==" and "xxx=" end the text; padding anywhere else, or "x===", is not Base64.
        std::size_t padding = 0;
        if (last && text[group + 3] == '=') padding = text[group + 2] == '=' ? 2 : 1;
        std::uint32_t bits = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            if (i >= 4 - padding) {
                bits <<= 6;
                continue;
            }
            const int value = sextet(text[group + i]);
            if (value < 0) return std::nullopt;
            bits = (bits << 6) | std::uint32_t(value);
        }
        bytes += char((bits >> 16) & 0xff);
        if (padding < 2) bytes += char((bits >> 8) & 0xff);
        if (padding < 1) bytes += char(bits & 0xff);
    }
    return bytes;
}

}  // namespace velk::Base64
