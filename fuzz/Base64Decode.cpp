// Strict Base64 takes each byte string in exactly one spelling: whatever decodes must encode back
// to the very same text, and the size known before decoding must be the size decoded.

#include "core/Base64.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto bytes = velk::Base64::decode(text);
    if (!bytes) return 0;
    if (velk::Base64::encode(*bytes) != text || velk::Base64::decodedSize(text) != bytes->size()) {
        std::fprintf(stderr, "Base64 property broken for %.*s\n", int(text.size()), text.data());
        std::abort();
    }
    return 0;
}
