#pragma once

// The summary printed after the benchmarks: how velk's times compare with its peers' in this
// run. Absolute times on a shared machine change from run to run; ratios within one run hold.

#include "Peers.h"

#include "TimeCollector.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk::bench {

// Benchmarks are named task/document/peer, such as "parse/2MB/velk"; the report finds them so.
std::string benchmarkName(std::string_view task, std::string_view document, Peer peer);

// The documents for the object-size check: one object of 10,000 and one of 50,000 members.
inline constexpr std::string_view smallKeyedObject = "keyed-10k";
inline constexpr std::string_view largeKeyedObject = "keyed-50k";

// What one parsed velk document holds on the heap.
struct Footprint {
    std::string document;
    std::size_t textBytes;
    std::ptrdiff_t heldBytes;  // after parsing, with the document alive
    std::ptrdiff_t peakBytes;  // the most held while parsing
};

void printRatios(const TimeCollector& times, const std::vector<std::string>& canvases, const Footprint& footprint);

}  // namespace velk::bench
