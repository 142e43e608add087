#include "bridge/BridgeScript.h"

#include "core/Utf8.h"
#include "json/OrderedJSON.h"

#include <cstdio>

namespace velk::BridgeScript {

std::string quote(std::string_view text) {
    // The web view refuses to run a script that is not UTF-8 at all, so a reply holding such
    // bytes (a header or a folder name from elsewhere) would never reach the page.
    if (!Utf8::isValid(text)) return quote(Utf8::repaired(text));
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.push_back('"');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '\n': quoted.append("\\n"); continue;
        case '\r': quoted.append("\\r"); continue;
        case '"': quoted.append("\\\""); continue;
        case '\\': quoted.append("\\\\"); continue;
        case '<': quoted.append("\\u003c"); continue;
        default: break;
        }
        if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            quoted.append(escape);
        } else if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
                   (static_cast<unsigned char>(text[i + 2]) == 0xA8 || static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
            // U+2028 and U+2029 end a line inside a script string.
            quoted.append(static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029");
            i += 2;
        } else {
            quoted.push_back(static_cast<char>(c));
        }
    }
    quoted.push_back('"');
    return quoted;
}

std::string reply(std::int64_t id, const JSONValue& value) {
    // A number spelled as velk's reader allows but JSON.parse does not ("+1", "1.", from a
    // hand-edited canvas) would throw here, and the request would never be answered.
    return "window.__velkReply && window.__velkReply(" + std::to_string(id) + ", JSON.parse(" +
           quote(OrderedJSON::write(value, Pretty::no, Numbers::asJSON)) + "))";
}

std::string changed(std::int64_t revision, std::string_view origin) {
    const auto notice = JSONValue::object({{"rev", JSONValue::number(revision)}, {"origin", JSONValue::string(origin)}});
    return "window.__velkChanged && window.__velkChanged(JSON.parse(" + quote(OrderedJSON::write(notice, Pretty::no)) + "))";
}

std::string setName(std::string_view name) {
    return "window.__velkSetName && window.__velkSetName(" + quote(name) + ")";
}

}  // namespace velk::BridgeScript
