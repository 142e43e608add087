// The JSON reader: one pass over UTF-8 bytes with an explicit stack of open arrays and objects.
//
// Positions are tracked as byte offsets while reading and turned into Unicode scalar positions
// only when a failure is reported, which gives the same numbers as indexing an array of scalars
// without building one.

#include "core/CanonicalText.h"
#include "core/Utf8.h"
#include "json/JSONStorage.h"
#include "json/OrderedJSON.h"

#include <cstring>

namespace velk::OrderedJSON {

namespace {

using namespace JSONStorage;

struct Failure {
    enum class Kind { unexpected, invalidNumber, invalidEscape, unexpectedEnd, tooDeep, notUTF8 } kind;
    std::size_t offset = 0;
};

constexpr std::uint64_t repeated(unsigned char byte) { return 0x0101010101010101ull * byte; }

// True when some byte of `word` is zero.
constexpr bool hasZeroByte(std::uint64_t word) {
    return ((word - repeated(0x01)) & ~word & repeated(0x80)) != 0;
}

bool isWhitespace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }

bool isNumberCharacter(char c) {
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class Reader {
public:
    Reader(std::string_view text, Storage& storage)
        : m_begin(text.data()), m_cursor(text.data()), m_end(text.data() + text.size()), m_storage(storage) {}

    Expected<Node, Failure> read();

private:
    struct Frame {
        bool isObject;
        std::size_t start;        // where this container's values begin on m_values
        std::size_t replacing;    // for objects: the slot of a duplicate key's value, or none
    };
    static constexpr std::size_t none = SIZE_MAX;

    Unexpected<Failure> fail(Failure::Kind kind) const { return fail(kind, m_cursor); }
    Unexpected<Failure> fail(Failure::Kind kind, const char* at) const {
        return Unexpected<Failure>(Failure{kind, static_cast<std::size_t>(at - m_begin)});
    }

    void skipWhitespace() {
        while (m_cursor < m_end && isWhitespace(*m_cursor)) ++m_cursor;
    }

    Expected<Node, Failure> readScalar();
    Expected<Node, Failure> readString();
    Expected<Node, Failure> readEscapedString(const char* start, bool isASCII);
    Expected<char32_t, Failure> readEscape();
    Expected<char32_t, Failure> readHexQuad();
    Expected<Node, Failure> readLiteral(std::string_view literal, Node node);
    Expected<Node, Failure> readNumber();

    // Opens an array or object at the cursor; false when it would nest too deep.
    bool open(bool isObject);
    Expected<void, Failure> readKey();
    std::size_t findKey(const Frame& frame, const Node& key);
    void deliver(const Node& value);
    Node closeArray();
    Node closeObject();

    const char* m_begin;
    const char* m_cursor;
    const char* m_end;
    Storage& m_storage;
    std::vector<Node> m_values;                    // finished values of the open containers
    std::vector<Frame> m_frames;
    std::vector<std::vector<IndexSlot>> m_tables;  // key index of the large object open at each depth
    std::string m_unescaped;
};

Expected<Node, Failure> Reader::read() {
    skipWhitespace();
    for (;;) {
        // Read one value at the cursor; containers are opened here and finished below.
        if (m_cursor == m_end) return fail(Failure::Kind::unexpectedEnd);
        Node value;
        const char c = *m_cursor;
        if (c == '[' || c == '{') {
            const bool isObject = c == '{';
            if (!open(isObject)) return fail(Failure::Kind::tooDeep);
            skipWhitespace();
            if (m_cursor < m_end && *m_cursor == (isObject ? '}' : ']')) {
                ++m_cursor;
                m_frames.pop_back();
                value = Node::make(isObject ? Tag::object : Tag::array);
            } else if (isObject) {
                if (auto key = readKey(); !key) return Unexpected<Failure>(key.error());
                continue;
            } else {
                skipWhitespace();
                continue;
            }
        } else {
            auto scalar = readScalar();
            if (!scalar) return scalar;
            value = *scalar;
        }

        // Hand the finished value to its container, and finish every container that ends here.
        for (;;) {
            if (m_frames.empty()) {
                skipWhitespace();
                if (m_cursor != m_end) return fail(Failure::Kind::unexpected);
                return value;
            }
            deliver(value);
            skipWhitespace();
            if (m_cursor == m_end) return fail(Failure::Kind::unexpectedEnd);
            const char next = *m_cursor;
            const bool isObject = m_frames.back().isObject;
            if (next == ',') {
                ++m_cursor;
                skipWhitespace();
                if (isObject) {
                    if (auto key = readKey(); !key) return Unexpected<Failure>(key.error());
                }
                break;
            }
            if (next == (isObject ? '}' : ']')) {
                ++m_cursor;
                value = isObject ? closeObject() : closeArray();
                continue;
            }
            return fail(Failure::Kind::unexpected);
        }
    }
}

Expected<Node, Failure> Reader::readScalar() {
    switch (*m_cursor) {
    case '"': return readString();
    case 't': return readLiteral("true", trueNode);
    case 'f': return readLiteral("false", falseNode);
    case 'n': return readLiteral("null", nullNode);
    default: return readNumber();
    }
}

Expected<Node, Failure> Reader::readLiteral(std::string_view literal, Node node) {
    for (char expected : literal) {
        if (m_cursor == m_end) return fail(Failure::Kind::unexpectedEnd);
        if (*m_cursor != expected) return fail(Failure::Kind::unexpected);
        ++m_cursor;
    }
    return node;
}

Expected<Node, Failure> Reader::readNumber() {
    const char* start = m_cursor;
    if (*m_cursor == '-') ++m_cursor;
    while (m_cursor < m_end && isNumberCharacter(*m_cursor)) ++m_cursor;
    if (m_cursor == start) return fail(Failure::Kind::invalidNumber);
    return Node::make(Tag::number, static_cast<std::size_t>(m_cursor - start), start, isASCIIFlag);
}

Expected<Node, Failure> Reader::readString() {
    if (m_cursor == m_end) return fail(Failure::Kind::unexpectedEnd);
    if (*m_cursor != '"') return fail(Failure::Kind::unexpected);
    const char* start = ++m_cursor;
    std::uint64_t seen = 0;  // OR of all bytes: its high bits say whether any byte was non-ASCII
    for (;;) {
        // Eight bytes at a time while none of them is a quote or a backslash.
        while (m_end - m_cursor >= 8) {
            std::uint64_t word;
            std::memcpy(&word, m_cursor, 8);
            if (hasZeroByte(word ^ repeated('"')) || hasZeroByte(word ^ repeated('\\'))) break;
            seen |= word;
            m_cursor += 8;
        }
        if (m_cursor == m_end) return fail(Failure::Kind::unexpectedEnd);
        const char c = *m_cursor;
        if (c == '"') {
            const bool isASCII = !(seen & repeated(0x80));
            if (!isASCII && !Utf8::isValid(std::string_view(start, m_cursor))) return fail(Failure::Kind::notUTF8);
            ++m_cursor;
            return Node::make(Tag::string, static_cast<std::size_t>(m_cursor - 1 - start), start,
                              isASCII ? isASCIIFlag : 0);
        }
        if (c == '\\') return readEscapedString(start, !(seen & repeated(0x80)));
        seen |= static_cast<unsigned char>(c);
        ++m_cursor;
    }
}

// The rest of a string from its first backslash: the text is unescaped into the storage.
Expected<Node, Failure> Reader::readEscapedString(const char* start, bool isASCII) {
    m_unescaped.assign(start, m_cursor);
    for (;;) {
        const char* run = m_cursor;
        while (m_cursor < m_end && *m_cursor != '"' && *m_cursor != '\\') {
            isASCII = isASCII && !(*m_cursor & 0x80);
            ++m_cursor;
        }
        m_unescaped.append(run, m_cursor);
        if (m_cursor == m_end) return fail(Failure::Kind::unexpectedEnd);
        if (*m_cursor == '"') break;
        ++m_cursor;  // the backslash
        auto scalar = readEscape();
        if (!scalar) return Unexpected<Failure>(scalar.error());
        isASCII = isASCII && *scalar < 0x80;
        Utf8::append(*scalar, m_unescaped);
    }
    // Escapes always give whole characters, so the text is valid exactly when its raw runs are.
    if (!isASCII && !Utf8::isValid(m_unescaped)) return fail(Failure::Kind::notUTF8);
    ++m_cursor;
    return Node::make(Tag::string, m_unescaped.size(), m_storage.copyText(m_unescaped), isASCII ? isASCIIFlag : 0);
}

Expected<char32_t, Failure> Reader::readEscape() {
    if (m_cursor == m_end) return fail(Failure::Kind::unexpectedEnd);
    const char letter = *m_cursor++;
    switch (letter) {
    case '"':
    case '\\':
    case '/': return static_cast<char32_t>(letter);
    case 'b': return U'\b';
    case 'f': return U'\f';
    case 'n': return U'\n';
    case 'r': return U'\r';
    case 't': return U'\t';
    case 'u': break;
    default: return fail(Failure::Kind::invalidEscape, m_cursor - 1);
    }
    auto unit = readHexQuad();
    if (!unit) return unit;
    constexpr char32_t replacement = 0xFFFD;
    if (*unit >= 0xDC00 && *unit <= 0xDFFF) return replacement;
    if (*unit < 0xD800 || *unit > 0xDBFF) return *unit;
    // A high surrogate: it makes one scalar only together with an escaped low surrogate.
    if (m_end - m_cursor < 2 || m_cursor[0] != '\\' || m_cursor[1] != 'u') return replacement;
    const char* secondEscape = m_cursor;
    m_cursor += 2;
    auto low = readHexQuad();
    if (!low) return low;
    if (*low < 0xDC00 || *low > 0xDFFF) {
        m_cursor = secondEscape;  // read it again on its own
        return replacement;
    }
    return 0x10000 + (*unit - 0xD800) * 0x400 + (*low - 0xDC00);
}

Expected<char32_t, Failure> Reader::readHexQuad() {
    char32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = m_cursor < m_end ? hexValue(*m_cursor) : -1;
        if (digit < 0) return fail(Failure::Kind::invalidEscape);
        value = value * 16 + static_cast<char32_t>(digit);
        ++m_cursor;
    }
    return value;
}

bool Reader::open(bool isObject) {
    if (m_frames.size() >= maxDepth) return false;
    ++m_cursor;
    m_frames.push_back({isObject, m_values.size(), none});
    return true;
}

Expected<void, Failure> Reader::readKey() {
    auto key = readString();
    if (!key) return Unexpected<Failure>(key.error());
    Frame& frame = m_frames.back();
    frame.replacing = findKey(frame, *key);
    if (frame.replacing == none) m_values.push_back(*key);
    skipWhitespace();
    if (m_cursor == m_end) return fail(Failure::Kind::unexpectedEnd);
    if (*m_cursor != ':') return fail(Failure::Kind::unexpected);
    ++m_cursor;
    skipWhitespace();
    return {};
}

// The slot on m_values of the value of an earlier member with an equal key, or none. Small
// objects are scanned; a large one keeps an index of its keys while it is read.
std::size_t Reader::findKey(const Frame& frame, const Node& key) {
    const std::size_t count = (m_values.size() - frame.start) / 2;
    const Node* keys = m_values.data() + frame.start;
    auto sameAs = [&](std::size_t member) { return sameText(keys[2 * member], key); };
    auto valueSlot = [&](std::size_t member) { return frame.start + 2 * member + 1; };
    if (count + 1 < indexThreshold) {
        for (std::size_t member = 0; member < count; ++member) {
            if (sameAs(member)) return valueSlot(member);
        }
        return none;
    }

    const std::size_t depth = m_frames.size() - 1;
    if (m_tables.size() <= depth) m_tables.resize(depth + 1);
    std::vector<IndexSlot>& table = m_tables[depth];
    auto hashOf = [](const Node& k) { return CanonicalText::hash(k.text(), k.isASCII()); };
    if (count + 1 == indexThreshold) {
        // The object just became large: index the keys read so far.
        table.assign(indexCapacity(count + 1), IndexSlot{0, 0});
        for (std::size_t member = 0; member < count; ++member) {
            (void)findOrInsertInIndex(table.data(), table.size(), hashOf(keys[2 * member]), member,
                                      [](std::size_t) { return false; });
        }
    } else if (table.size() < indexCapacity(count + 1)) {
        std::vector<IndexSlot> larger(indexCapacity(count + 1), IndexSlot{0, 0});
        reinsertSlots(table.data(), table.size(), larger.data(), larger.size());
        table.swap(larger);
    }
    const auto found = findOrInsertInIndex(table.data(), table.size(), hashOf(key), count, sameAs);
    return found ? valueSlot(*found) : none;
}

void Reader::deliver(const Node& value) {
    Frame& frame = m_frames.back();
    if (frame.isObject && frame.replacing != none) {
        m_values[frame.replacing] = value;
        frame.replacing = none;
    } else {
        m_values.push_back(value);
    }
}

Node Reader::closeArray() {
    const std::size_t start = m_frames.back().start;
    const std::size_t count = m_values.size() - start;
    Node* elements = m_storage.allocateArray<Node>(count);
    std::memcpy(elements, m_values.data() + start, count * sizeof(Node));
    m_values.resize(start);
    m_frames.pop_back();
    return Node::make(Tag::array, count, elements);
}

Node Reader::closeObject() {
    const std::size_t start = m_frames.back().start;
    const std::size_t count = (m_values.size() - start) / 2;
    Member* members = allocateMembers(m_storage, count);
    static_assert(sizeof(Member) == 2 * sizeof(Node));
    std::memcpy(static_cast<void*>(members), m_values.data() + start, count * sizeof(Member));
    if (count >= indexThreshold) {
        const std::vector<IndexSlot>& table = m_tables[m_frames.size() - 1];
        auto index = static_cast<KeyIndex*>(
            m_storage.allocate(sizeof(KeyIndex) + table.size() * sizeof(IndexSlot), alignof(KeyIndex)));
        index->capacity = table.size();
        std::memcpy(static_cast<void*>(index + 1), table.data(), table.size() * sizeof(IndexSlot));
        setIndex(members, index);
    }
    m_values.resize(start);
    m_frames.pop_back();
    return Node::make(Tag::object, count, members);
}

JSONError toError(const Failure& failure, std::string_view text) {
    const std::size_t at = Utf8::scalarCount(text, failure.offset);
    switch (failure.kind) {
    case Failure::Kind::unexpected: {
        const auto scalar = Utf8::decode(text, failure.offset);
        return JSONError::unexpected(std::string(text.substr(failure.offset, scalar.length)), at);
    }
    case Failure::Kind::invalidNumber: return JSONError::invalidNumber(at);
    case Failure::Kind::invalidEscape: return JSONError::invalidEscape(at);
    case Failure::Kind::unexpectedEnd: return JSONError::unexpectedEnd();
    case Failure::Kind::tooDeep: return JSONError::tooDeep(at);
    case Failure::Kind::notUTF8: return JSONError::notUTF8();
    }
    return JSONError::unexpectedEnd();
}

}  // namespace

Expected<JSONValue, JSONError> parse(std::string_view text) {
    // Text that is not UTF-8 is refused as such, whatever else is wrong with it. Checking only on
    // failure is enough: a non-ASCII byte outside a string always stops the reader, and strings
    // with non-ASCII bytes are checked as they are read.
    Storage* storage = Storage::make();
    storage->reserve(text.size());
    const std::string_view copy(storage->copyText(text), text.size());
    auto node = Reader(copy, *storage).read();
    if (!node) {
        storage->release();
        if (!Utf8::isValid(text)) return Unexpected<JSONError>(JSONError::notUTF8());
        return Unexpected<JSONError>(toError(node.error(), text));
    }
    Node* top = storage->allocateArray<Node>(1);
    *top = *node;
    JSONValue value(storage, top);
    storage->release();
    return value;
}

Expected<JSONValue, JSONError> parse(std::span<const std::byte> bytes) {
    return parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace velk::OrderedJSON
