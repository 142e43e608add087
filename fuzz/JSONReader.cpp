// Whatever the reader accepts, the writer must write in a form the reader takes back unchanged:
// reading the written text gives an equal value, and writing that value again gives the very
// same bytes. Both layouts are checked, since package files are pretty and bridge bodies compact.

#include "json/OrderedJSON.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void violated(const char* what, const std::string& written) {
    std::fprintf(stderr, "round trip broken: %s\nwritten: %s\n", what, written.c_str());
    std::abort();
}

void checkRoundTrip(const velk::JSONValue& value, velk::Pretty pretty) {
    const std::string first = velk::OrderedJSON::write(value, pretty);
    const auto again = velk::OrderedJSON::parse(first);
    if (!again) violated("written text does not read back", first);
    if (!(*again == value)) violated("value read back differs", first);
    const std::string second = velk::OrderedJSON::write(*again, pretty);
    if (second != first) violated("second write differs from the first", first + "\nsecond: " + second);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto value = velk::OrderedJSON::parse(text);
    if (!value) return 0;
    checkRoundTrip(*value, velk::Pretty::no);
    checkRoundTrip(*value, velk::Pretty::yes);
    return 0;
}
