#include "json/JSONStorage.h"

#include "core/CanonicalText.h"

#include <algorithm>
#include <bit>

namespace velk::JSONStorage {

void Owner::release() const noexcept {
    if (m_references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    // Destroying one storage releases the ones it keeps. Instead of recursing into them, the
    // outermost release collects them here and frees them one after another.
    thread_local std::vector<const Owner*>* pending = nullptr;
    if (pending) {
        pending->push_back(this);
        return;
    }
    std::vector<const Owner*> work{this};
    pending = &work;
    while (!work.empty()) {
        const Owner* owner = work.back();
        work.pop_back();
        delete owner;
    }
    pending = nullptr;
}

Storage::~Storage() {
    for (const Owner* owner : m_kept) owner->release();
}

void* Storage::allocate(std::size_t bytes, std::size_t align) {
    auto aligned = [&](std::byte* p) {
        return reinterpret_cast<std::byte*>((reinterpret_cast<std::uintptr_t>(p) + align - 1) & ~(align - 1));
    };
    std::byte* start = aligned(m_cursor);
    if (start > m_limit || static_cast<std::size_t>(m_limit - start) < bytes) {
        const std::size_t chunkSize = std::max(bytes + align, m_nextChunkSize);
        m_chunks.push_back(std::make_unique_for_overwrite<std::byte[]>(chunkSize));
        m_cursor = m_chunks.back().get();
        m_limit = m_cursor + chunkSize;
        m_nextChunkSize = std::min<std::size_t>(m_nextChunkSize * 2, 64 * 1024);
        start = aligned(m_cursor);
    }
    m_cursor = start + bytes;
    return start;
}

const char* Storage::copyText(std::string_view text) {
    if (text.empty()) return "";
    auto bytes = static_cast<char*>(allocate(text.size(), 1));
    std::memcpy(bytes, text.data(), text.size());
    return bytes;
}

void Storage::reserve(std::size_t bytes) {
    if (static_cast<std::size_t>(m_limit - m_cursor) < bytes) m_nextChunkSize = std::max(m_nextChunkSize, bytes + 16);
}

void Storage::keepAlive(const Owner* owner) {
    if (!owner || owner == this) return;
    // Children usually come from one document; skipping repeats keeps the list short.
    if (!m_kept.empty() && m_kept.back() == owner) return;
    owner->retain();
    m_kept.push_back(owner);
}

void reinsertSlots(const IndexSlot* from, std::size_t fromCapacity, IndexSlot* to, std::size_t toCapacity) noexcept {
    for (std::size_t i = 0; i < fromCapacity; ++i) {
        if (from[i].positionPlusOne == 0) continue;
        std::size_t j = from[i].hash & (toCapacity - 1);
        while (to[j].positionPlusOne != 0) j = (j + 1) & (toCapacity - 1);
        to[j] = from[i];
    }
}

std::size_t indexCapacity(std::size_t count) noexcept { return std::bit_ceil(std::max<std::size_t>(count * 2, 32)); }

Member* allocateMembers(Storage& storage, std::size_t count) {
    auto bytes = static_cast<std::byte*>(storage.allocate(indexSlotBytes + sizeof(Member) * count, alignof(Member)));
    const KeyIndex* none = nullptr;
    std::memcpy(bytes, &none, sizeof none);
    return reinterpret_cast<Member*>(bytes + indexSlotBytes);
}

void setIndex(Member* members, const KeyIndex* index) noexcept {
    std::memcpy(reinterpret_cast<std::byte*>(members) - indexSlotBytes, &index, sizeof index);
}

const KeyIndex* buildIndex(Storage& storage, const Member* members, std::size_t count) {
    if (count < indexThreshold || count >= UINT32_MAX) return nullptr;
    const std::size_t capacity = indexCapacity(count);
    auto index = static_cast<KeyIndex*>(storage.allocate(sizeof(KeyIndex) + capacity * sizeof(IndexSlot), alignof(KeyIndex)));
    index->capacity = capacity;
    auto slots = reinterpret_cast<IndexSlot*>(index + 1);
    std::fill_n(slots, capacity, IndexSlot{0, 0});
    for (std::size_t position = 0; position < count; ++position) {
        const Node& key = members[position].key;
        // A repeated key (possible in objects built by code) keeps its first position.
        (void)findOrInsertInIndex(slots, capacity, CanonicalText::hash(key.text(), key.isASCII()), position,
                                  [&](std::size_t other) { return sameText(members[other].key, key); });
    }
    return index;
}

}  // namespace velk::JSONStorage
