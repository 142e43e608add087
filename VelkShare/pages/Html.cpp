#include "pages/Html.h"

#include "core/Utf8.h"

namespace velk::share::Html {

std::string escape(std::string_view text) {
    const std::string valid = Utf8::isValid(text) ? std::string(text) : Utf8::repaired(text);
    std::string out;
    out.reserve(valid.size() + valid.size() / 8);
    for (const char c : valid) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string scriptJSON(std::string_view json) {
    std::string out;
    out.reserve(json.size() + 64);
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '<') out += "\\u003c";
        else if (c == '>') out += "\\u003e";
        else if (c == '&') out += "\\u0026";
        // U+2028 and U+2029 are E2 80 A8 and E2 80 A9 in UTF-8.
        else if (c == '\xE2' && i + 2 < json.size() && json[i + 1] == '\x80' && (json[i + 2] == '\xA8' || json[i + 2] == '\xA9')) {
            out += json[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else out += c;
    }
    return out;
}

}  // namespace velk::share::Html
