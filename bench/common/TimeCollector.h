#pragma once

// What every velk benchmark program shares: a reporter that keeps one time per benchmark for the
// ratios printed at the end, and the line that prints a ratio against its target. Absolute times
// on a shared machine change from run to run; ratios within one run hold.

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk::bench {

// The console output as usual, and one time per iteration for each benchmark kept aside: the
// median of its repetitions, or its only run. The median shrugs off a repetition that a neighbour
// on a shared machine disturbed; CPU time of the benchmark thread is kept rather than wall time,
// since other processes stretch the latter most.
class TimeCollector final : public benchmark::ConsoleReporter {
public:
    // In colour on a terminal only, so that a run saved to a file reads cleanly.
    TimeCollector();
    void ReportRuns(const std::vector<Run>& runs) override;
    [[nodiscard]] std::optional<double> seconds(const std::string& name) const;
    // seconds(numerator) / seconds(denominator), when both ran.
    [[nodiscard]] std::optional<double> ratio(const std::string& numerator, const std::string& denominator) const;

private:
    std::map<std::string, double> m_seconds;
};

struct Target {
    double ratio;
    bool atMost = false;  // a ratio that must stay below, not reach
};

// "  what      1.23x   target >= 1.0x   ok"
void printLine(std::string_view what, std::optional<double> ratio, std::optional<Target> target);

// Initializes Google Benchmark with velk's defaults: one measurement on a shared machine is easily
// disturbed, so each benchmark is repeated and only the statistics of its repetitions are shown.
// Flags given on the command line come later and win. False on an unknown flag.
[[nodiscard]] bool initialize(int argc, char** argv);

}  // namespace velk::bench
