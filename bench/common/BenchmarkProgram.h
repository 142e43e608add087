#pragma once

// The whole of a benchmark program's main(): velk's defaults and the command line, the program's
// benchmarks, and its summary printed from the times of the same run.

#include "TimeCollector.h"

#include <functional>

namespace velk::bench {

// Returns main()'s exit code: 1 on an unknown flag.
int runBenchmarkProgram(int argc, char** argv, const std::function<void()>& registerAll,
                        const std::function<void(const TimeCollector&)>& printSummary);

}  // namespace velk::bench
