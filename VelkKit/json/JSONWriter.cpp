// The JSON writer: walks a value with an explicit stack and appends to one string.

#include "core/NumberText.h"
#include "json/JSONStorage.h"
#include "json/OrderedJSON.h"

#include <cstring>

namespace velk::OrderedJSON {

namespace {

using namespace JSONStorage;

constexpr std::uint64_t repeated(unsigned char byte) { return 0x0101010101010101ull * byte; }

// True when some byte of `word` needs an escape: a quote, a backslash or a control character.
constexpr bool needsEscape(std::uint64_t word) {
    auto hasZeroByte = [](std::uint64_t w) { return ((w - repeated(0x01)) & ~w & repeated(0x80)) != 0; };
    const bool hasControl = ((word - repeated(0x20)) & ~word & repeated(0x80)) != 0;
    return hasControl || hasZeroByte(word ^ repeated('"')) || hasZeroByte(word ^ repeated('\\'));
}

void appendEscape(unsigned char c, std::string& into) {
    switch (c) {
    case '"': into.append("\\\""); return;
    case '\\': into.append("\\\\"); return;
    case '\n': into.append("\\n"); return;
    case '\r': into.append("\\r"); return;
    case '\t': into.append("\\t"); return;
    default: {
        static constexpr char hex[] = "0123456789abcdef";
        const char escape[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xF]};
        into.append(escape, sizeof escape);
    }
    }
}

class Writer {
public:
    Writer(std::string& into, bool pretty, Numbers numbers) : m_into(into), m_pretty(pretty), m_numbers(numbers) {}

    void write(const Node& top, std::size_t depth);

private:
    struct Open {
        const Node* container;
        std::size_t next;  // index of the next element or member to write
    };

    void writeScalar(const Node& node);
    void newline(std::size_t depth) {
        m_into.push_back('\n');
        m_into.append(depth, '\t');
    }

    std::string& m_into;
    bool m_pretty;
    Numbers m_numbers;
    std::vector<Open> m_open;
};

void Writer::writeScalar(const Node& node) {
    switch (node.tag()) {
    case Tag::null: m_into.append("null"); break;
    case Tag::boolFalse: m_into.append("false"); break;
    case Tag::boolTrue: m_into.append("true"); break;
    case Tag::number:
        if (m_numbers == Numbers::asJSON) m_into.append(NumberText::jsonSpelling(node.text()));
        else m_into.append(node.text());
        break;
    case Tag::string: encodeString(node.text(), m_into); break;
    case Tag::array:
    case Tag::object: break;
    }
}

void Writer::write(const Node& top, std::size_t baseDepth) {
    const Node* value = &top;
    for (;;) {
        // Write the value; a non-empty container is opened and continued below.
        const Tag tag = value->tag();
        if ((tag == Tag::array || tag == Tag::object) && value->size() > 0) {
            m_into.push_back(tag == Tag::array ? '[' : '{');
            m_open.push_back({value, 0});
        } else if (tag == Tag::array) {
            m_into.append("[]");
        } else if (tag == Tag::object) {
            m_into.append("{}");
        } else {
            writeScalar(*value);
        }

        // Find the next value to write, closing every container that is complete.
        value = nullptr;
        while (!value && !m_open.empty()) {
            Open& open = m_open.back();
            const std::size_t depth = baseDepth + m_open.size();
            const bool isObject = open.container->tag() == Tag::object;
            if (open.next == open.container->size()) {
                if (m_pretty) newline(depth - 1);
                m_into.push_back(isObject ? '}' : ']');
                m_open.pop_back();
                continue;
            }
            if (open.next > 0) m_into.push_back(',');
            if (m_pretty) newline(depth);
            if (isObject) {
                const Member& member = open.container->members()[open.next];
                encodeString(member.key.text(), m_into);
                m_into.append(m_pretty ? ": " : ":");
                value = &member.value;
            } else {
                value = &open.container->elements()[open.next];
            }
            ++open.next;
        }
        if (!value) return;
    }
}

}  // namespace

void encodeString(std::string_view text, std::string& into) {
    into.push_back('"');
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* run = p;
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if (needsEscape(word)) break;
            p += 8;
        }
        while (p < end) {
            const auto c = static_cast<unsigned char>(*p);
            if (c < 0x20 || c == '"' || c == '\\') break;
            ++p;
        }
        into.append(run, p);
        if (p < end) appendEscape(static_cast<unsigned char>(*p++), into);
    }
    into.push_back('"');
}

void encode(const JSONValue& value, std::string& into, std::size_t depth, Pretty pretty, Numbers numbers) {
    Writer(into, pretty == Pretty::yes, numbers).write(*value.node(), depth);
}

std::string write(const JSONValue& value, Pretty pretty, Numbers numbers) {
    std::string text;
    encode(value, text, 0, pretty, numbers);
    if (pretty == Pretty::yes) text.push_back('\n');
    return text;
}

}  // namespace velk::OrderedJSON
