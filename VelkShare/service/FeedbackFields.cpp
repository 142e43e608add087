#include "service/FeedbackFields.h"

#include "core/Utf8.h"

#include <algorithm>

namespace velk::share::FeedbackFields {

bool isTesterID(std::string_view text) {
    return text.size() >= 8 && text.size() <= 64 &&
           std::ranges::all_of(text, [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; });
}

// Feedback ends up in the operator's terminal (velk-share feedback list), where a control
// character, C0 or C1 (U+0080 to U+009F, which terminals obey in UTF-8 too), could move the
// cursor, retitle the window or set the clipboard.
bool isPlainText(std::string_view text, bool lineBreaks) {
    if (!Utf8::isValid(text)) return false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (lineBreaks && (byte == '\n' || byte == '\r' || byte == '\t')) continue;
        if (byte < 0x20 || byte == 0x7F) return false;
        if (byte == 0xC2 && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) < 0xA0) return false;
    }
    return true;
}

bool isLabel(std::string_view text, std::size_t limit) {
    return text.size() <= limit && text.find(' ') == std::string_view::npos && isPlainText(text, false);
}

}  // namespace velk::share::FeedbackFields
