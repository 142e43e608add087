#include "json/JSONValue.h"

#include "core/CanonicalText.h"
#include "core/Utf8.h"
#include "json/JSONStorage.h"
#include "json/NodeEquality.h"

#include <cstring>

namespace velk {

using namespace JSONStorage;

namespace {

// Wraps a storage fresh from Storage::make: the value takes over its one reference.
JSONValue adopt(Storage* storage, const Node* node) {
    JSONValue value(storage, node);
    storage->release();
    return value;
}

JSONValue scalar(Tag tag, std::string_view text, std::uint8_t flags) {
    Storage* storage = Storage::make();
    auto node = storage->allocateArray<Node>(1);
    *node = Node::make(tag, text.size(), storage->copyText(text), flags);
    return adopt(storage, node);
}

Node keyNode(Storage& storage, std::string_view key) {
    return Node::make(Tag::string, key.size(), storage.copyText(key), Utf8::isASCII(key) ? isASCIIFlag : 0);
}

bool sameKey(const Node& key, std::string_view probe, bool probeIsASCII) {
    if (key.isASCII() && probeIsASCII) return key.text() == probe;
    return CanonicalText::equal(key.text(), probe, key.isASCII(), probeIsASCII);
}

std::optional<std::size_t> findMember(const Node& object, std::string_view key) {
    const Member* members = object.members();
    const bool keyIsASCII = Utf8::isASCII(key);
    if (const KeyIndex* index = object.index()) {
        return findInIndex(index->slots(), index->capacity, CanonicalText::hash(key, keyIsASCII),
                           [&](std::size_t position) { return sameKey(members[position].key, key, keyIsASCII); });
    }
    for (std::size_t position = 0; position < object.size(); ++position) {
        if (sameKey(members[position].key, key, keyIsASCII)) return position;
    }
    return std::nullopt;
}

}  // namespace

JSONValue::JSONValue() noexcept : m_owner(nullptr), m_node(&nullNode) {}

JSONValue::JSONValue(const Owner* owner, const Node* node) noexcept : m_owner(owner), m_node(node) {
    if (m_owner) m_owner->retain();
}

JSONValue::JSONValue(const JSONValue& other) noexcept : JSONValue(other.m_owner, other.m_node) {}

JSONValue::JSONValue(JSONValue&& other) noexcept : m_owner(other.m_owner), m_node(other.m_node) {
    other.m_owner = nullptr;
    other.m_node = &nullNode;
}

JSONValue& JSONValue::operator=(const JSONValue& other) noexcept {
    if (this != &other) {
        if (other.m_owner) other.m_owner->retain();
        if (m_owner) m_owner->release();
        m_owner = other.m_owner;
        m_node = other.m_node;
    }
    return *this;
}

JSONValue& JSONValue::operator=(JSONValue&& other) noexcept {
    if (this != &other) {
        if (m_owner) m_owner->release();
        m_owner = other.m_owner;
        m_node = other.m_node;
        other.m_owner = nullptr;
        other.m_node = &nullNode;
    }
    return *this;
}

JSONValue::~JSONValue() {
    if (m_owner) m_owner->release();
}

JSONValue JSONValue::boolean(bool value) noexcept { return JSONValue(nullptr, value ? &trueNode : &falseNode); }

JSONValue JSONValue::number(std::string_view text) { return scalar(Tag::number, text, isASCIIFlag); }

JSONValue JSONValue::number(std::int64_t value) { return number(std::to_string(value)); }

JSONValue JSONValue::string(std::string_view text) {
    return scalar(Tag::string, text, Utf8::isASCII(text) ? isASCIIFlag : 0);
}

JSONValue JSONValue::array(const std::vector<JSONValue>& elements) {
    Storage* storage = Storage::make();
    auto nodes = storage->allocateArray<Node>(elements.size() + 1);
    for (std::size_t i = 0; i < elements.size(); ++i) {
        nodes[i + 1] = *elements[i].m_node;
        storage->keepAlive(elements[i].m_owner);
    }
    nodes[0] = Node::make(Tag::array, elements.size(), nodes + 1);
    return adopt(storage, nodes);
}

JSONValue JSONValue::object(const std::vector<JSONMember>& members) {
    Storage* storage = Storage::make();
    auto node = storage->allocateArray<Node>(1);
    Member* copies = allocateMembers(*storage, members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        copies[i] = {keyNode(*storage, members[i].key), *members[i].value.m_node};
        storage->keepAlive(members[i].value.m_owner);
    }
    if (!members.empty()) setIndex(copies, buildIndex(*storage, copies, members.size()));
    *node = Node::make(Tag::object, members.size(), copies);
    return adopt(storage, node);
}

JSONValue::Kind JSONValue::kind() const noexcept {
    switch (m_node->tag()) {
    case Tag::boolFalse:
    case Tag::boolTrue: return Kind::boolean;
    case Tag::number: return Kind::number;
    case Tag::string: return Kind::string;
    case Tag::array: return Kind::array;
    case Tag::object: return Kind::object;
    case Tag::null: break;
    }
    return Kind::null;
}

std::optional<bool> JSONValue::boolValue() const noexcept {
    if (m_node->tag() == Tag::boolTrue) return true;
    if (m_node->tag() == Tag::boolFalse) return false;
    return std::nullopt;
}

std::optional<std::string_view> JSONValue::numberText() const noexcept {
    if (m_node->tag() != Tag::number) return std::nullopt;
    return m_node->text();
}

std::optional<std::string_view> JSONValue::stringValue() const noexcept {
    if (m_node->tag() != Tag::string) return std::nullopt;
    return m_node->text();
}

std::optional<JSONArray> JSONValue::arrayValue() const noexcept {
    if (m_node->tag() != Tag::array) return std::nullopt;
    return JSONArray(*this);
}

std::optional<JSONObject> JSONValue::objectValue() const noexcept {
    if (m_node->tag() != Tag::object) return std::nullopt;
    return JSONObject(*this);
}

JSONArray JSONValue::elements() const noexcept {
    static const Node emptyArray = Node::make(Tag::array);
    return JSONArray(m_node->tag() == Tag::array ? *this : JSONValue(nullptr, &emptyArray));
}

JSONObject JSONValue::members() const noexcept {
    static const Node emptyObject = Node::make(Tag::object);
    return JSONObject(m_node->tag() == Tag::object ? *this : JSONValue(nullptr, &emptyObject));
}

std::optional<JSONValue> JSONValue::operator[](std::string_view key) const {
    if (m_node->tag() != Tag::object) return std::nullopt;
    const auto position = findMember(*m_node, key);
    if (!position) return std::nullopt;
    return JSONValue(m_owner, &m_node->members()[*position].value);
}

JSONValue JSONValue::setting(std::string_view key, const JSONValue& value) const {
    if (m_node->tag() != Tag::object) return *this;
    const auto replaced = findMember(*m_node, key);
    const std::size_t oldCount = m_node->size();
    const std::size_t count = replaced ? oldCount : oldCount + 1;

    Storage* storage = Storage::make();
    storage->keepAlive(m_owner);
    storage->keepAlive(value.m_owner);
    auto node = storage->allocateArray<Node>(1);
    Member* members = allocateMembers(*storage, count);
    if (oldCount > 0) std::memcpy(members, m_node->members(), sizeof(Member) * oldCount);
    members[replaced.value_or(oldCount)] = {keyNode(*storage, key), *value.m_node};
    // A replaced key is canonically equal to the old one, so the old index stays true.
    setIndex(members, replaced && m_node->index() ? m_node->index() : buildIndex(*storage, members, count));
    *node = Node::make(Tag::object, count, members);
    return adopt(storage, node);
}

JSONValue JSONValue::without(std::string_view key) const {
    if (m_node->tag() != Tag::object || !findMember(*m_node, key)) return *this;
    const bool keyIsASCII = Utf8::isASCII(key);
    Storage* storage = Storage::make();
    storage->keepAlive(m_owner);
    auto node = storage->allocateArray<Node>(1);
    Member* members = allocateMembers(*storage, m_node->size());
    std::size_t count = 0;
    for (std::size_t i = 0; i < m_node->size(); ++i) {
        const Member& member = m_node->members()[i];
        if (!sameKey(member.key, key, keyIsASCII)) members[count++] = member;
    }
    if (count > 0) setIndex(members, buildIndex(*storage, members, count));
    *node = Node::make(Tag::object, count, members);
    return adopt(storage, node);
}

bool operator==(const JSONValue& a, const JSONValue& b) { return nodesEqual(*a.m_node, *b.m_node); }

std::size_t JSONArray::size() const noexcept { return m_array.node()->size(); }

JSONValue JSONArray::operator[](std::size_t index) const noexcept {
    return JSONValue(m_array.owner(), &m_array.node()->elements()[index]);
}

std::vector<JSONValue> JSONArray::elements() const {
    std::vector<JSONValue> result;
    result.reserve(size());
    for (JSONValue element : *this) result.push_back(std::move(element));
    return result;
}

std::size_t JSONObject::size() const noexcept { return m_object.node()->size(); }

std::string_view JSONObject::key(std::size_t index) const noexcept {
    return m_object.node()->members()[index].key.text();
}

JSONValue JSONObject::value(std::size_t index) const noexcept {
    return JSONValue(m_object.owner(), &m_object.node()->members()[index].value);
}

std::optional<std::size_t> JSONObject::find(std::string_view key) const { return findMember(*m_object.node(), key); }

}  // namespace velk
