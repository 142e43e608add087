// velk_bench_preview: how the time to read a page's metadata grows with what the head holds.
// The head is always a full 512 KiB; twice the meta tags must cost at most 2.5 times as much,
// and hostile heads (half-open tags, one endless name) must cost twice as much for twice the
// bytes, not four times. Run by hand; bench/README.md says how.

#include "Pages.h"

#include "preview/PageMetadata.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace velk;
using namespace velk::bench;

namespace {

// One CPU time per iteration for each benchmark: the median of its repetitions, or its only run.
class TimeCollector final : public benchmark::ConsoleReporter {
public:
    TimeCollector() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Color : OO_None) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || !(single || median) || run.iterations == 0) continue;
            m_seconds[run.run_name.function_name] = run.cpu_accumulated_time / static_cast<double>(run.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::optional<double> seconds(const std::string& name) const {
        const auto found = m_seconds.find(name);
        return found == m_seconds.end() ? std::nullopt : std::optional(found->second);
    }

private:
    std::map<std::string, double> m_seconds;
};

struct NamedPage {
    std::string name;
    std::string html;
};

void registerParse(const NamedPage& page) {
    auto html = std::make_shared<const std::string>(page.html);
    benchmark::RegisterBenchmark(("parseMeta/" + page.name).c_str(), [html](benchmark::State& state) {
        for (auto _ : state) benchmark::DoNotOptimize(LinkPreview::parseMeta(*html));
        state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(html->size()));
    })->Unit(benchmark::kMillisecond);
}

struct Comparison {
    std::string label, smaller, larger;
};

void printRatios(const TimeCollector& times, const std::vector<Comparison>& comparisons) {
    std::printf("\ntime for twice as much, this run (linear is about 2x or less; target <= 2.5x)\n");
    for (const Comparison& c : comparisons) {
        const auto small = times.seconds("parseMeta/" + c.smaller);
        const auto large = times.seconds("parseMeta/" + c.larger);
        std::printf("  %-40s", c.label.c_str());
        if (!small || !large || *small <= 0) {
            std::printf("not measured\n");
            continue;
        }
        const double ratio = *large / *small;
        std::printf("%6.2fx   %8.2f ms -> %8.2f ms   %s\n", ratio, *small * 1e3, *large * 1e3,
                    ratio <= 2.5 ? "ok" : "MISSED");
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments{argv[0]};
    char repetitions[] = "--benchmark_repetitions=5";
    char aggregatesOnly[] = "--benchmark_display_aggregates_only=true";
    arguments.insert(arguments.end(), {repetitions, aggregatesOnly});
    arguments.insert(arguments.end(), argv + 1, argv + argc);
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;

    constexpr std::size_t full = LinkPreview::maxHTMLBytes;
    constexpr std::size_t half = full / 2;
    std::vector<NamedPage> pages;
    std::vector<Comparison> comparisons;
    for (const std::size_t tags : {1000u, 2000u, 4000u}) {
        pages.push_back({"meta-tags-" + std::to_string(tags), pageWithMetaTags(tags, full)});
    }
    comparisons.push_back({"2000 vs 1000 meta tags in 512 KiB", "meta-tags-1000", "meta-tags-2000"});
    comparisons.push_back({"4000 vs 2000 meta tags in 512 KiB", "meta-tags-2000", "meta-tags-4000"});

    struct Hostile {
        std::string name, prefix, piece, suffix;
    };
    const Hostile hostile[] = {
        {"tiny-meta-tags", "", "<meta a=1>", ""},
        {"meta-without-end", "", "<meta ", ""},
        {"title-without-close", "", "<title", "</title>"},
        {"one-long-attribute-name", "<meta ", "a", ">"},
        {"unclosed-quotes", "<meta content=\"", "a=\"", ">"},
        {"long-description", "<meta name=description content=\"", "&lt;b&gt;x &amp; &#x41; <i \n", "\">"},
    };
    for (const Hostile& h : hostile) {
        pages.push_back({h.name + "-256KiB", repeated(h.prefix, h.piece, h.suffix, half)});
        pages.push_back({h.name + "-512KiB", repeated(h.prefix, h.piece, h.suffix, full)});
        comparisons.push_back({h.name + " 512 vs 256 KiB", h.name + "-256KiB", h.name + "-512KiB"});
    }

    // A page that does not read as intended would make the timings meaningless.
    const LinkPreview::Meta tagged = LinkPreview::parseMeta(pages.front().html);
    if (!tagged.title.starts_with("Tag ") || tagged.imageURL.empty() || tagged.description.empty()) {
        std::fprintf(stderr, "the meta-tag page does not read as made\n");
        return 1;
    }
    if (LinkPreview::parseMeta(pages.back().html).description.empty()) {
        std::fprintf(stderr, "the long description was not read\n");
        return 1;
    }

    for (const NamedPage& page : pages) registerParse(page);
    TimeCollector times;
    benchmark::RunSpecifiedBenchmarks(&times);
    benchmark::Shutdown();
    printRatios(times, comparisons);
    return 0;
}
