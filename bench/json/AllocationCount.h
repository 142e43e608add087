#pragma once

// Counts the heap bytes that pass through operator new while a count is open. The bench binary
// replaces the global operator new and delete for this. velk's JSON storage allocates with
// new[], so a count sees all of what a parsed document holds; libraries that call malloc
// themselves (RapidJSON's default allocator) are not seen.

#include <cstddef>

namespace velk::bench {

class AllocationCount {
public:
    // Starts counting from zero. One count at a time, on one thread.
    AllocationCount();
    ~AllocationCount();
    AllocationCount(const AllocationCount&) = delete;
    AllocationCount& operator=(const AllocationCount&) = delete;

    // Bytes allocated since the count started and not freed yet (negative when older blocks were
    // freed meanwhile). Sizes are the allocator's usable sizes, so rounding counts too.
    [[nodiscard]] std::ptrdiff_t live() const;
    // The largest live() seen since the count started.
    [[nodiscard]] std::ptrdiff_t peak() const;
};

}  // namespace velk::bench
