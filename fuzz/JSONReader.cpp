// Whatever the reader accepts must survive the round trip in both layouts (package files are
// pretty, bridge bodies compact); the check is the one the unit tests use.

#include "FuzzCheck.h"
#include "json/JSONTestHelpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto value = velk::OrderedJSON::parse(velk::fuzz::text(data, size));
    if (value) velk::fuzz::require(velk::testing_support::roundTripProblem(*value).empty(), "round trip", velk::fuzz::text(data, size));
    return 0;
}
