// Whatever the reader accepts must survive the round trip in both layouts (package files are
// pretty, bridge bodies compact); the check is the one the unit tests use. Spelled for a browser,
// every number must be one JSON's grammar takes: spelling that text again changes nothing.

#include "FuzzCheck.h"
#include "json/JSONTestHelpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velk;
    const auto value = OrderedJSON::parse(fuzz::text(data, size));
    if (!value) return 0;
    fuzz::require(testing_support::roundTripProblem(*value).empty(), "round trip", fuzz::text(data, size));
    const std::string spelled = OrderedJSON::write(*value, Pretty::no, Numbers::asJSON);
    const auto again = OrderedJSON::parse(spelled);
    fuzz::require(again && OrderedJSON::write(*again, Pretty::no, Numbers::asJSON) == spelled, "JSON spelling", fuzz::text(data, size));
    return 0;
}
