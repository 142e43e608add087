#pragma once

// Map packages made in code for the package benchmarks: deterministic, no files.

#include "package/DocumentTree.h"

#include <cstddef>

namespace velk::bench {

// A root canvas linking `submaps` submaps of `cardsPerSubmap` cards each, every canvas with a
// sidecar holding one record per card; `inkEvery` > 0 makes every so many cards an ink card
// whose record carries a small drawing.
[[nodiscard]] DocumentTree makePackage(std::size_t submaps, std::size_t cardsPerSubmap, std::size_t inkEvery);

// A root canvas opening a chain of `depth` submaps, each opening the next from its own folder.
[[nodiscard]] DocumentTree makeChain(std::size_t depth);

}  // namespace velk::bench
