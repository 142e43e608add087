#include "TimeCollector.h"

#include <cstdio>
#include <unistd.h>

namespace velk::bench {

TimeCollector::TimeCollector() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Color : OO_None) {}

void TimeCollector::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.error_occurred || !(single || median) || run.iterations == 0) continue;
        m_seconds[run.run_name.function_name] = run.cpu_accumulated_time / static_cast<double>(run.iterations);
    }
    ConsoleReporter::ReportRuns(runs);
}

std::optional<double> TimeCollector::seconds(const std::string& name) const {
    const auto found = m_seconds.find(name);
    if (found == m_seconds.end()) return std::nullopt;
    return found->second;
}

std::optional<double> TimeCollector::ratio(const std::string& numerator, const std::string& denominator) const {
    const auto top = seconds(numerator), bottom = seconds(denominator);
    if (!top || !bottom || *bottom <= 0) return std::nullopt;
    return *top / *bottom;
}

bool initialize(int argc, char** argv) {
    std::vector<char*> arguments{argv[0]};
    static char repetitions[] = "--benchmark_repetitions=5";
    static char aggregatesOnly[] = "--benchmark_display_aggregates_only=true";
    arguments.insert(arguments.end(), {repetitions, aggregatesOnly});
    arguments.insert(arguments.end(), argv + 1, argv + argc);
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    return !benchmark::ReportUnrecognizedArguments(count, arguments.data());
}

void printLine(std::string_view what, std::optional<double> ratio, std::optional<Target> target) {
    std::printf("  %-44.*s", static_cast<int>(what.size()), what.data());
    if (!ratio) {
        std::printf("not measured\n");
        return;
    }
    std::printf("%7.2fx", *ratio);
    if (target) {
        const bool met = target->atMost ? *ratio <= target->ratio : *ratio >= target->ratio;
        std::printf("   target %s %.1fx   %s", target->atMost ? "<=" : ">=", target->ratio, met ? "ok" : "MISSED");
    }
    std::printf("\n");
}

}  // namespace velk::bench
