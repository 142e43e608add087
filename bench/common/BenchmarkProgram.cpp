#include "BenchmarkProgram.h"

namespace velk::bench {

int runBenchmarkProgram(int argc, char** argv, const std::function<void()>& registerAll,
                        const std::function<void(const TimeCollector&)>& printSummary) {
    if (!initialize(argc, argv)) return 1;
    registerAll();
    TimeCollector times;
    benchmark::RunSpecifiedBenchmarks(&times);
    printSummary(times);
    benchmark::Shutdown();
    return 0;
}

}  // namespace velk::bench
