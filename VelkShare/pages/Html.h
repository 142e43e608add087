#pragma once

// Writing text into the service's pages. Everything that comes from a map, a form or a query
// goes through one of these two functions before it meets any HTML.
//
// Pure; safe from any thread.

#include <string>
#include <string_view>

namespace velk::share::Html {

// `text` as HTML character data or a quoted attribute value: & < > " ' become references.
// Bytes that are not UTF-8 become U+FFFD, so no browser reads them as the start of something.
[[nodiscard]] std::string escape(std::string_view text);

// A JSON text made safe inside <script type="application/json">: "<", ">" and "&" become
// \u escapes (so no "</script" or "<!--" can end or bend the element), and so do U+2028 and
// U+2029. The result parses to the same value.
[[nodiscard]] std::string scriptJSON(std::string_view json);

}  // namespace velk::share::Html
