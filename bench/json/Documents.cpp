#include "Documents.h"

#include "json/OrderedJSON.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace velk::bench {

namespace {

// splitmix64: unlike the standard distributions, it gives the same numbers with every library.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t bound) { return static_cast<std::size_t>(next() % bound); }
    long between(long low, long high) { return low + static_cast<long>(below(static_cast<std::size_t>(high - low + 1))); }
    bool oneIn(std::size_t n) { return below(n) == 0; }
    template <class T, std::size_t N>
    const T& pick(const std::array<T, N>& choices) { return choices[below(N)]; }

private:
    std::uint64_t m_state;
};

// Words as they stand inside JSON string literals, escapes included.
constexpr std::array<std::string_view, 40> words = {
    "the", "plan", "notes", "meeting", "draft", "idea", "canvas", "link", "review", "todo",
    "and", "of", "a", "with", "for", "next", "week", "research", "summary", "open",
    "café", "naïve", "Größe", "déjà", "日本語", "привет", "🙂", "—", "½", "Ω",
    "\\\"quoted\\\"", "C:\\\\notes\\\\inbox", "line\\nbreak", "tab\\there", "\\u00e9t\\u00e9",
    "\\ud83d\\ude00", "# Heading\\n\\n-", "**bold**", "[[link]]", "\\/path",
};
constexpr std::array<std::string_view, 4> nodeTypes = {"text", "text", "file", "group"};
constexpr std::array<std::string_view, 4> sides = {"top", "right", "bottom", "left"};
constexpr std::array<std::string_view, 5> tags = {"idea", "todo", "done", "later", "ref"};

constexpr std::size_t maxMetadataMembers = 10'000;

void appendText(Random& random, std::size_t minWords, std::size_t maxWords, std::string& out) {
    const std::size_t count = minWords + random.below(maxWords - minWords + 1);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) out += ' ';
        out += random.pick(words);
    }
}

// Mostly whole numbers, as on a real canvas, with the odd half step from a snapped drag.
void appendCoordinate(Random& random, long low, long high, std::string& out) {
    out += std::to_string(random.between(low, high));
    if (random.oneIn(8)) out += ".5";
}

std::string hexId(Random& random) {
    char id[17];
    std::snprintf(id, sizeof id, "%016llx", static_cast<unsigned long long>(random.next()));
    return id;
}

std::string compactCanvas(std::size_t nodeCount) {
    Random random(0x76656C6B);
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < nodeCount; ++i) ids.push_back(hexId(random));

    std::string out = "{\"nodes\":[";
    for (std::size_t i = 0; i < nodeCount; ++i) {
        if (i > 0) out += ',';
        out += "{\"id\":\"" + ids[i] + "\",\"type\":\"";
        out += random.pick(nodeTypes);
        out += "\",\"text\":\"";
        appendText(random, 3, 25, out);
        out += "\",\"x\":";
        appendCoordinate(random, -20000, 20000, out);
        out += ",\"y\":";
        appendCoordinate(random, -20000, 20000, out);
        out += ",\"width\":";
        appendCoordinate(random, 160, 600, out);
        out += ",\"height\":";
        appendCoordinate(random, 60, 400, out);
        out += ",\"color\":\"" + std::to_string(random.between(1, 6)) + "\"}";
    }
    out += "],\"edges\":[";
    for (std::size_t i = 0; i < nodeCount; ++i) {
        if (i > 0) out += ',';
        out += "{\"id\":\"" + hexId(random) + "\",\"fromNode\":\"" + ids[random.below(nodeCount)];
        out += "\",\"fromSide\":\"";
        out += random.pick(sides);
        out += "\",\"toNode\":\"" + ids[random.below(nodeCount)] + "\",\"toSide\":\"";
        out += random.pick(sides);
        out += '"';
        if (random.oneIn(3)) {
            out += ",\"label\":\"";
            appendText(random, 1, 4, out);
            out += '"';
        }
        out += '}';
    }
    out += "],\"metadata\":{";
    for (std::size_t i = 0; i < std::min(nodeCount, maxMetadataMembers); ++i) {
        if (i > 0) out += ',';
        out += '"' + ids[i] + "\":{\"created\":" + std::to_string(1'700'000'000'000 + random.below(10'000'000'000));
        out += ",\"tags\":[\"";
        out += random.pick(tags);
        out += "\"],\"pinned\":";
        out += random.oneIn(4) ? "true" : "false";
        out += '}';
    }
    out += "}}";
    return out;
}

std::string velkPretty(const std::string& compact) {
    auto value = OrderedJSON::parse(compact);
    if (!value) throw std::runtime_error("velk refused a generated canvas: " + value.error().description());
    return OrderedJSON::write(*value, Pretty::yes);
}

}  // namespace

Canvas makeCanvas(std::size_t approximateBytes) {
    // About 500 bytes per node with its edge and metadata; two corrections land within a few
    // percent of the size asked for.
    std::size_t nodeCount = std::max<std::size_t>(approximateBytes / 500, 1);
    Canvas canvas;
    for (int round = 0; round < 3; ++round) {
        canvas.generated = compactCanvas(nodeCount);
        canvas.text = velkPretty(canvas.generated);
        nodeCount = std::max<std::size_t>(nodeCount * approximateBytes / canvas.text.size(), 1);
    }
    return canvas;
}

std::string keyedObjectText(std::size_t count) {
    std::string out = "{";
    char member[48];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(member, sizeof member, "%s\n\t\"n%06zu\": %zu", i > 0 ? "," : "", i, i % 1000);
        out += member;
    }
    out += "\n}\n";
    return out;
}

}  // namespace velk::bench
