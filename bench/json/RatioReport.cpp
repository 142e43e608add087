#include "RatioReport.h"

#include <cstdio>

namespace velk::bench {

namespace {

// The canvas on which velk's parse must clearly beat RapidJSON: the size of a large real canvas.
constexpr std::string_view parseTargetCanvas = "2MB";

}  // namespace

std::string benchmarkName(std::string_view task, std::string_view document, Peer peer) {
    std::string name(task);
    name += '/';
    name += document;
    name += '/';
    name += peerName(peer);
    return name;
}

void printRatios(const TimeCollector& times, const std::vector<std::string>& canvases, const Footprint& footprint) {
    // How many times faster velk is than `peer` at `task` on `document`.
    auto speedup = [&](std::string_view task, const std::string& document, Peer peer) -> std::optional<double> {
        const auto velk = times.seconds(benchmarkName(task, document, Peer::velk));
        const auto other = times.seconds(benchmarkName(task, document, peer));
        if (!velk || !other || *velk <= 0) return std::nullopt;
        return *other / *velk;
    };

    std::printf("\nvelk against its peers, this run (N.NNx: velk takes 1/N of the peer's time)\n");
    for (const std::string& canvas : canvases) {
        std::printf("\ncanvas %s\n", canvas.c_str());
        const bool parseTarget = canvas == parseTargetCanvas;
        for (Peer peer : {Peer::rapidjson, Peer::rapidjsonNumberText, Peer::nlohmannOrdered, Peer::simdjsonDom}) {
            std::optional<Target> target;
            if (peer == Peer::rapidjson && parseTarget) target = Target{1.2};
            if (peer == Peer::nlohmannOrdered) target = Target{8.0};
            printLine("parse vs " + std::string(peerName(peer)), speedup("parse", canvas, peer), target);
        }
        for (std::string_view task : {"write-compact", "write-pretty"}) {
            printLine(std::string(task) + " vs rapidjson", speedup(task, canvas, Peer::rapidjson), Target{1.0});
            printLine(std::string(task) + " vs nlohmann-ordered", speedup(task, canvas, Peer::nlohmannOrdered),
                      std::nullopt);
        }
    }

    std::printf("\nmemory\n");
    const double text = static_cast<double>(footprint.textBytes);
    printLine("velk document of " + footprint.document + " / its text", footprint.heldBytes / text,
              Target{4.0, true});
    printLine("peak while parsing it / its text", footprint.peakBytes / text, std::nullopt);

    // Reading 5 times the members should take about 5 times as long; far more means a step that
    // grows faster than the object, such as a key scan per member.
    std::printf("\nobject size (time for %.*s / time for %.*s, 5.00x is linear)\n",
                static_cast<int>(largeKeyedObject.size()), largeKeyedObject.data(),
                static_cast<int>(smallKeyedObject.size()), smallKeyedObject.data());
    for (Peer peer : {Peer::velk, Peer::rapidjson}) {
        const auto small = times.seconds(benchmarkName("parse", smallKeyedObject, peer));
        const auto large = times.seconds(benchmarkName("parse", largeKeyedObject, peer));
        std::optional<double> growth;
        if (small && large && *small > 0) growth = *large / *small;
        printLine("parse " + std::string(peerName(peer)), growth,
                  peer == Peer::velk ? std::optional<Target>(Target{6.0, true}) : std::nullopt);
    }
}

}  // namespace velk::bench
