#include "shell/Brand.h"

#include <cstdint>

namespace velk::Brand {

RGB rgb(std::string_view hex) noexcept {
    if (hex.starts_with('#')) hex.remove_prefix(1);
    if (hex.empty() || hex.size() > 8) return {0, 0, 0};
    std::uint32_t value = 0;
    for (const char digit : hex) {
        std::uint32_t nibble = 0;
        if (digit >= '0' && digit <= '9') nibble = static_cast<std::uint32_t>(digit - '0');
        else if (digit >= 'a' && digit <= 'f') nibble = static_cast<std::uint32_t>(digit - 'a' + 10);
        else if (digit >= 'A' && digit <= 'F') nibble = static_cast<std::uint32_t>(digit - 'A' + 10);
        else return {0, 0, 0};
        value = value << 4 | nibble;
    }
    const auto channel = [value](int shift) { return static_cast<double>(value >> shift & 0xFF) / 255.0; };
    return {channel(16), channel(8), channel(0)};
}

}  // namespace velk::Brand
