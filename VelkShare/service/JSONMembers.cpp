#include "service/JSONMembers.h"

#include "json/OrderedJSON.h"

namespace velk::share::JSONMembers {
namespace {

bool isWhitespace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }

void skipWhitespace(std::string_view text, std::size_t& at) {
    while (at < text.size() && isWhitespace(text[at])) ++at;
}

// Past the string that starts at `at` (on its opening quote); false when it never ends.
bool skipString(std::string_view text, std::size_t& at) {
    for (++at; at < text.size(); ++at) {
        if (text[at] == '\\') ++at;
        else if (text[at] == '"') { ++at; return true; }
    }
    return false;
}

// Past one value. Nesting is counted, not recursed into: the reader has already judged the text,
// so only where each value ends matters here.
bool skipValue(std::string_view text, std::size_t& at) {
    if (at >= text.size()) return false;
    if (text[at] == '"') return skipString(text, at);
    if (text[at] != '[' && text[at] != '{') {
        while (at < text.size() && !isWhitespace(text[at]) && text[at] != ',' && text[at] != '}' && text[at] != ']') ++at;
        return true;
    }
    std::size_t depth = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '"') {
            if (!skipString(text, at)) return false;
            continue;
        }
        ++at;
        if (c == '[' || c == '{') ++depth;
        else if ((c == ']' || c == '}') && --depth == 0) return true;
    }
    return false;
}

}  // namespace

std::optional<Read> read(std::string_view text) {
    const auto whole = OrderedJSON::parse(text);
    if (!whole || !whole->isObject()) return std::nullopt;
    Read read{*whole, {}};
    std::vector<Member>& members = read.members;
    std::size_t at = 0;
    skipWhitespace(text, at);
    ++at;  // the "{"
    skipWhitespace(text, at);
    if (at < text.size() && text[at] == '}') return read;
    while (at < text.size()) {
        skipWhitespace(text, at);
        const std::size_t keyStart = at;
        if (!skipString(text, at)) return std::nullopt;
        const auto key = OrderedJSON::parse(text.substr(keyStart, at - keyStart));
        if (!key || !key->stringValue()) return std::nullopt;
        skipWhitespace(text, at);
        ++at;  // the ":"
        skipWhitespace(text, at);
        const std::size_t valueStart = at;
        if (!skipValue(text, at)) return std::nullopt;
        members.push_back({std::string(*key->stringValue()), text.substr(valueStart, at - valueStart)});
        skipWhitespace(text, at);
        if (at >= text.size()) return std::nullopt;
        if (text[at++] == '}') return read;
    }
    return std::nullopt;
}

}  // namespace velk::share::JSONMembers
