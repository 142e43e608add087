#pragma once

// JSONValue is velk's one JSON value: canvases, sidecars, editor state, save bodies, bridge
// requests and replies all are one. Objects keep their members in order and numbers keep their
// exact text, so a document read and written back changes only its whitespace.
//
// A value is an immutable handle: copying it costs one atomic reference count, and values may be
// shared across threads without locks. Operations that "change" a value return a new one that
// shares every untouched child. Keys and strings compare under Unicode canonical equivalence.
//
// Views (JSONArray, JSONObject) and the string_views handed out stay valid as long as the value
// they came from, or any value that contains it, is alive.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

namespace JSONStorage {
struct Node;
class Owner;
}  // namespace JSONStorage

class JSONArray;
class JSONObject;
struct JSONMember;

class JSONValue {
public:
    enum class Kind { boolean, number, string, array, object, null };

    // null
    JSONValue() noexcept;
    JSONValue(const JSONValue& other) noexcept;
    JSONValue(JSONValue&& other) noexcept;
    JSONValue& operator=(const JSONValue& other) noexcept;
    JSONValue& operator=(JSONValue&& other) noexcept;
    ~JSONValue();

    static JSONValue null() noexcept { return JSONValue(); }
    static JSONValue boolean(bool value) noexcept;
    // Requires: `text` is a number's text; it is kept and written exactly as given.
    static JSONValue number(std::string_view text);
    // An integer in plain decimal, with a leading "-" when negative.
    static JSONValue number(std::int64_t value);
    static JSONValue string(std::string_view text);
    static JSONValue array(const std::vector<JSONValue>& elements);
    // Members are kept in the given order; the caller is responsible for distinct keys.
    static JSONValue object(const std::vector<JSONMember>& members);

    [[nodiscard]] Kind kind() const noexcept;
    [[nodiscard]] bool isNull() const noexcept { return kind() == Kind::null; }
    [[nodiscard]] bool isObject() const noexcept { return kind() == Kind::object; }

    [[nodiscard]] std::optional<bool> boolValue() const noexcept;
    // The text of a number, exactly as read or made.
    [[nodiscard]] std::optional<std::string_view> numberText() const noexcept;
    // The text of a string; absent for every other case (numbers are not turned into text).
    [[nodiscard]] std::optional<std::string_view> stringValue() const noexcept;
    [[nodiscard]] std::optional<JSONArray> arrayValue() const noexcept;
    [[nodiscard]] std::optional<JSONObject> objectValue() const noexcept;
    // The elements of an array and the members of an object, empty for every other case. Use
    // these in range-for loops: iterating over `*value.arrayValue()` would outlive the optional.
    [[nodiscard]] JSONArray elements() const noexcept;
    [[nodiscard]] JSONObject members() const noexcept;

    // For an object, the value of the first member whose key equals `key`; absent when there is
    // none or when this is not an object. Large objects carry an index, so this is not a scan.
    [[nodiscard]] std::optional<JSONValue> operator[](std::string_view key) const;

    // For an object, a new object in which the first member whose key equals `key` gets this key
    // and value at the same position, or, when none matches, the member appended at the end.
    // Any other value is returned unchanged.
    [[nodiscard]] JSONValue setting(std::string_view key, const JSONValue& value) const;

    // For an object, a new object without the members whose key equals `key` (the same value
    // when there is none). Any other value is returned unchanged.
    [[nodiscard]] JSONValue without(std::string_view key) const;

    // Cases differ: unequal. Numbers compare by text ("1" != "1.0"); strings and keys under
    // canonical equivalence; arrays and objects position by position, member order counting.
    friend bool operator==(const JSONValue& a, const JSONValue& b);

    // For velk's own JSON code: the shared node and the storage that keeps it alive.
    JSONValue(const JSONStorage::Owner* owner, const JSONStorage::Node* node) noexcept;
    [[nodiscard]] const JSONStorage::Node* node() const noexcept { return m_node; }
    [[nodiscard]] const JSONStorage::Owner* owner() const noexcept { return m_owner; }

private:
    const JSONStorage::Owner* m_owner;  // null for null and booleans, which need no storage
    const JSONStorage::Node* m_node;
};

// A member to build an object from.
struct JSONMember {
    std::string key;
    JSONValue value;
};

// A member as read from an object: the key is a view into the object's storage.
struct JSONMemberRef {
    std::string_view key;
    JSONValue value;
};

// The elements of an array value, in order.
class JSONArray {
public:
    explicit JSONArray(JSONValue array) noexcept : m_array(std::move(array)) {}

    [[nodiscard]] std::size_t size() const noexcept;
    [[nodiscard]] bool empty() const noexcept { return size() == 0; }
    // Requires: index < size().
    [[nodiscard]] JSONValue operator[](std::size_t index) const noexcept;

    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = JSONValue;
        using difference_type = std::ptrdiff_t;
        Iterator(const JSONArray* array, std::size_t index) noexcept : m_array(array), m_index(index) {}
        JSONValue operator*() const noexcept { return (*m_array)[m_index]; }
        Iterator& operator++() noexcept { ++m_index; return *this; }
        Iterator operator++(int) noexcept { auto copy = *this; ++m_index; return copy; }
        bool operator==(const Iterator& other) const noexcept { return m_index == other.m_index; }
    private:
        const JSONArray* m_array;
        std::size_t m_index;
    };
    [[nodiscard]] Iterator begin() const noexcept { return {this, 0}; }
    [[nodiscard]] Iterator end() const noexcept { return {this, size()}; }

    [[nodiscard]] std::vector<JSONValue> elements() const;

private:
    JSONValue m_array;
};

// The members of an object value, in order.
class JSONObject {
public:
    explicit JSONObject(JSONValue object) noexcept : m_object(std::move(object)) {}

    [[nodiscard]] std::size_t size() const noexcept;
    [[nodiscard]] bool empty() const noexcept { return size() == 0; }
    // Requires: index < size().
    [[nodiscard]] std::string_view key(std::size_t index) const noexcept;
    [[nodiscard]] JSONValue value(std::size_t index) const noexcept;
    [[nodiscard]] JSONMemberRef operator[](std::size_t index) const noexcept { return {key(index), value(index)}; }

    // The position of the first member whose key equals `key`.
    [[nodiscard]] std::optional<std::size_t> find(std::string_view key) const;

    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = JSONMemberRef;
        using difference_type = std::ptrdiff_t;
        Iterator(const JSONObject* object, std::size_t index) noexcept : m_object(object), m_index(index) {}
        JSONMemberRef operator*() const noexcept { return (*m_object)[m_index]; }
        Iterator& operator++() noexcept { ++m_index; return *this; }
        Iterator operator++(int) noexcept { auto copy = *this; ++m_index; return copy; }
        bool operator==(const Iterator& other) const noexcept { return m_index == other.m_index; }
    private:
        const JSONObject* m_object;
        std::size_t m_index;
    };
    [[nodiscard]] Iterator begin() const noexcept { return {this, 0}; }
    [[nodiscard]] Iterator end() const noexcept { return {this, size()}; }

private:
    JSONValue m_object;
};

}  // namespace velk
