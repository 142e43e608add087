// velk_bench_preview: how the time to read a page's metadata grows with what the head holds.
// The head is always a full 512 KiB; twice the meta tags must cost at most 2.5 times as much,
// and hostile heads (half-open tags, one endless name) must cost twice as much for twice the
// bytes, not four times. Run by hand; bench/README.md says how.

#include "Pages.h"
#include "TimeCollector.h"

#include "preview/PageMetadata.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace velk;
using namespace velk::bench;

namespace {

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
    std::printf("\ntime for twice as much, this run (linear is about 2x or less)\n");
    for (const Comparison& c : comparisons) {
        printLine(c.label, times.ratio("parseMeta/" + c.larger, "parseMeta/" + c.smaller), Target{2.5, true});
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!velk::bench::initialize(argc, argv)) return 1;

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
