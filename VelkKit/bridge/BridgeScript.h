#pragma once

// The lines of script velk evaluates in the editor page's main frame to answer it. Each first
// checks that the page defined the function it calls, so a page that is not ready yet makes it
// a no-op. Results are ignored.

#include "json/JSONValue.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velk::BridgeScript {

// A script string literal holding `text`. Unlike JSON escaping it also escapes "<" (so the text
// can never close a script element), tab, and the line terminators U+2028 and U+2029. Bytes that
// are not UTF-8 become U+FFFD (Utf8::repaired), so every script built here is UTF-8 and runs.
[[nodiscard]] std::string quote(std::string_view text);

// Completes the page's request `id`; `value` is a BridgeReply's value().
[[nodiscard]] std::string reply(std::int64_t id, const JSONValue& value);

// Tells the page its document changed to `revision`; `origin` says who changed it.
[[nodiscard]] std::string changed(std::int64_t revision, std::string_view origin);

// Shows the document's name in the page.
[[nodiscard]] std::string setName(std::string_view name);

}  // namespace velk::BridgeScript
