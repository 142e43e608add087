#pragma once

// The shared, immutable storage behind JSONValue. Internal to velk's JSON code.
//
// A value is a 16-byte Node: a tag, a size and one pointer. Strings and numbers point at their
// UTF-8 bytes, arrays at a run of Nodes, objects at a run of Members (key Node, value Node)
// preceded by an optional key index. Everything a Node points at lives in a Storage: a bump
// arena that also keeps alive the other storages its nodes point into. A parsed document is one
// Storage holding a copy of its text (strings without escapes point straight into it), so
// reading allocates a handful of chunks, not one block per value, and destroying a document of
// any depth frees chunks without walking it.
//
// Storages are reference counted with atomic counts and never change once built, so they cross
// threads freely. Releasing the last reference defers nested releases to a work list, so a chain
// of a million storages is freed without deep recursion.

#include "core/CanonicalText.h"

#include <atomic>
#include <cstring>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace velk::JSONStorage {

enum class Tag : std::uint8_t { null, boolFalse, boolTrue, number, string, array, object };

// Node flags.
inline constexpr std::uint8_t isASCIIFlag = 1;  // a string or key whose bytes are all ASCII

struct Member;
struct KeyIndex;

struct Node {
    std::uint64_t header;  // tag in bits 0-7, flags in bits 8-15, size in bits 16-63
    const void* pointer;

    static constexpr Node make(Tag tag, std::size_t size = 0, const void* pointer = nullptr,
                               std::uint8_t flags = 0) noexcept {
        return Node{static_cast<std::uint64_t>(tag) | std::uint64_t(flags) << 8 | std::uint64_t(size) << 16,
                    pointer};
    }

    Tag tag() const noexcept { return static_cast<Tag>(header & 0xFF); }
    std::uint8_t flags() const noexcept { return static_cast<std::uint8_t>(header >> 8); }
    bool isASCII() const noexcept { return flags() & isASCIIFlag; }
    std::size_t size() const noexcept { return static_cast<std::size_t>(header >> 16); }
    std::string_view text() const noexcept { return {static_cast<const char*>(pointer), size()}; }
    const Node* elements() const noexcept { return static_cast<const Node*>(pointer); }
    const Member* members() const noexcept { return static_cast<const Member*>(pointer); }
    // The key index of an object, stored just before its members; null for small objects.
    const KeyIndex* index() const noexcept;
};

struct Member {
    Node key;
    Node value;
};

// Size of the slot that precedes an object's members and holds its index pointer.
inline constexpr std::size_t indexSlotBytes = sizeof(void*);

inline const KeyIndex* Node::index() const noexcept {
    if (size() == 0) return nullptr;
    const KeyIndex* index;
    std::memcpy(&index, static_cast<const std::byte*>(pointer) - indexSlotBytes, sizeof index);
    return index;
}

// Whether two string nodes hold canonically equivalent text; ASCII text compares as bytes.
inline bool sameText(const Node& a, const Node& b) {
    if (a.isASCII() && b.isASCII()) {
        // Keys of one object are short and often of one length ("type", "text"): their ends tell
        // most of them apart without a call to memcmp.
        const std::string_view x = a.text(), y = b.text();
        return x.size() == y.size() &&
               (x.empty() || (x.front() == y.front() && x.back() == y.back() && std::memcmp(x.data(), y.data(), x.size()) == 0));
    }
    return CanonicalText::equal(a.text(), b.text(), a.isASCII(), b.isASCII());
}

inline constexpr Node nullNode = Node::make(Tag::null);
inline constexpr Node falseNode = Node::make(Tag::boolFalse);
inline constexpr Node trueNode = Node::make(Tag::boolTrue);

class Owner {
public:
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;

    void retain() const noexcept { m_references.fetch_add(1, std::memory_order_relaxed); }
    void release() const noexcept;

protected:
    Owner() noexcept = default;
    virtual ~Owner() = default;

private:
    mutable std::atomic<std::size_t> m_references{1};
};

// A bump arena that owns the bytes its nodes point at and keeps other owners alive.
class Storage final : public Owner {
public:
    // A new storage with one reference, owned by the caller.
    static Storage* make() { return new Storage(); }

    // Requires: align is a power of two no larger than 16.
    void* allocate(std::size_t bytes, std::size_t align = alignof(std::max_align_t));
    template <class T>
    T* allocateArray(std::size_t count) {
        return static_cast<T*>(allocate(sizeof(T) * count, alignof(T)));
    }
    const char* copyText(std::string_view text);
    // Makes the next chunk at least this large, so a reader can keep its input in one piece.
    void reserve(std::size_t bytes);
    // Keeps `owner` alive as long as this storage.
    void keepAlive(const Owner* owner);

private:
    Storage() = default;
    ~Storage() override;

    std::byte* m_cursor = m_inline;
    std::byte* m_limit = m_inline + sizeof m_inline;
    std::size_t m_nextChunkSize = 1024;
    std::vector<std::unique_ptr<std::byte[]>> m_chunks;
    std::vector<const Owner*> m_kept;
    alignas(16) std::byte m_inline[64];
};

// The hash index of a large object: open addressing over (hash, position + 1) slots.
struct IndexSlot {
    std::uint32_t hash;
    std::uint32_t positionPlusOne;  // 0: empty
};

struct KeyIndex {
    std::size_t capacity;  // a power of two
    const IndexSlot* slots() const noexcept { return reinterpret_cast<const IndexSlot*>(this + 1); }
};

// Objects with at least this many members get an index; smaller ones are scanned.
inline constexpr std::size_t indexThreshold = 16;

// The slot count for `count` members: a power of two at least twice as large.
std::size_t indexCapacity(std::size_t count) noexcept;

// The slot a hash starts probing at, and the part of the hash a slot keeps. The slot is chosen
// from the kept part, so a table grows without hashing its keys again.
inline std::uint32_t shortHash(std::uint64_t hash) noexcept { return static_cast<std::uint32_t>(hash >> 32); }

// The position of the member whose key `isSameKey` recognises among those recorded under
// `hash`; when there is none, `position` is recorded and absent returned. One probe sequence
// does both.
template <class IsSameKey>
std::optional<std::size_t> findOrInsertInIndex(IndexSlot* slots, std::size_t capacity, std::uint64_t hash,
                                               std::size_t position, IsSameKey&& isSameKey) {
    const std::uint32_t tag = shortHash(hash);
    for (std::size_t i = tag & (capacity - 1);; i = (i + 1) & (capacity - 1)) {
        if (slots[i].positionPlusOne == 0) {
            slots[i] = {tag, static_cast<std::uint32_t>(position + 1)};
            return std::nullopt;
        }
        if (slots[i].hash == tag && isSameKey(slots[i].positionPlusOne - 1)) return slots[i].positionPlusOne - 1;
    }
}

template <class IsSameKey>
std::optional<std::size_t> findInIndex(const IndexSlot* slots, std::size_t capacity, std::uint64_t hash,
                                       IsSameKey&& isSameKey) {
    const std::uint32_t tag = shortHash(hash);
    for (std::size_t i = tag & (capacity - 1);; i = (i + 1) & (capacity - 1)) {
        if (slots[i].positionPlusOne == 0) return std::nullopt;
        if (slots[i].hash == tag && isSameKey(slots[i].positionPlusOne - 1)) return slots[i].positionPlusOne - 1;
    }
}

// Copies every filled slot of one table into another, larger one.
void reinsertSlots(const IndexSlot* from, std::size_t fromCapacity, IndexSlot* to, std::size_t toCapacity) noexcept;

// Builds the index of `count` members in `storage`, or returns null below the threshold.
const KeyIndex* buildIndex(Storage& storage, const Member* members, std::size_t count);

// Allocates room for an object's index slot (set to null) and `count` members.
Member* allocateMembers(Storage& storage, std::size_t count);
// Requires: `members` came from allocateMembers with a count above zero.
void setIndex(Member* members, const KeyIndex* index) noexcept;

}  // namespace velk::JSONStorage
