#pragma once

// The texts the bench reads and writes. They are made in code from a fixed seed, so every run on
// every machine measures the same bytes, and no file has to ship with the bench.

#include <cstddef>
#include <string>

namespace velk::bench {

// A canvas with "nodes", "edges", and a "metadata" object with one small member per node id, at
// most 10,000 of them. Node text mixes ASCII with accented letters, CJK and emoji, and carries
// escaped line feeds, tabs, quotes, backslashes and \u escapes.
struct Canvas {
    std::string generated;  // compact, exactly as generated
    std::string text;       // the same read and written by velk, laid out as its files are
};

// A canvas whose text is about `approximateBytes` long.
Canvas makeCanvas(std::size_t approximateBytes);

// One object of `count` members keyed "n000000", "n000001", ... with small number values.
std::string keyedObjectText(std::size_t count);

}  // namespace velk::bench
