// Strict Base64 takes each byte string in exactly one spelling: whatever decodes must encode back
// to the very same text, and the size known before decoding must be the size decoded.

#include "FuzzCheck.h"
#include "core/Base64.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = velk::fuzz::text(data, size);
    const auto bytes = velk::Base64::decode(text);
    if (bytes)
        velk::fuzz::require(velk::Base64::encode(*bytes) == text && velk::Base64::decodedSize(text) == bytes->size(), "one spelling", text);
    return 0;
}
