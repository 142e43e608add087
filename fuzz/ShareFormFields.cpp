// Form and query text from anyone: decoding must not crash, and the fields it gives, encoded
// again, must decode to the same fields.

#include "FuzzCheck.h"
#include "service/FormFields.h"

namespace {

std::string encoded(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        out += '%';
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velk::share;
    const auto fields = FormFields::decode(velk::fuzz::text(data, size));
    if (!fields) return 0;
    std::string again;
    for (const auto& [name, value] : *fields) again += (again.empty() ? "" : "&") + encoded(name) + "=" + encoded(value);
    velk::fuzz::require(FormFields::decode(again) == fields, "fields change when encoded again", velk::fuzz::text(data, size));
    return 0;
}
