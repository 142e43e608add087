#include "AllocationCount.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Off while benchmarks run, so timed code pays one predictable branch per allocation.
std::atomic<bool> counting{false};
std::atomic<std::ptrdiff_t> liveBytes{0};
std::atomic<std::ptrdiff_t> peakBytes{0};

void* allocate(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (!block) throw std::bad_alloc();
    if (counting.load(std::memory_order_relaxed)) {
        const auto usable = static_cast<std::ptrdiff_t>(malloc_usable_size(block));
        const auto now = liveBytes.fetch_add(usable, std::memory_order_relaxed) + usable;
        if (now > peakBytes.load(std::memory_order_relaxed)) peakBytes.store(now, std::memory_order_relaxed);
    }
    return block;
}

void deallocate(void* block) noexcept {
    if (block && counting.load(std::memory_order_relaxed)) {
        liveBytes.fetch_sub(static_cast<std::ptrdiff_t>(malloc_usable_size(block)), std::memory_order_relaxed);
    }
    std::free(block);
}

}  // namespace

// The library's nothrow and array forms call these; aligned forms bypass them on both sides.
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { deallocate(block); }
void operator delete[](void* block) noexcept { deallocate(block); }
void operator delete(void* block, std::size_t) noexcept { deallocate(block); }
void operator delete[](void* block, std::size_t) noexcept { deallocate(block); }

namespace velk::bench {

AllocationCount::AllocationCount() {
    liveBytes = 0;
    peakBytes = 0;
    counting = true;
}

AllocationCount::~AllocationCount() { counting = false; }

std::ptrdiff_t AllocationCount::live() const { return liveBytes.load(); }

std::ptrdiff_t AllocationCount::peak() const { return peakBytes.load(); }

}  // namespace velk::bench
