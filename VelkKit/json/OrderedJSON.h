#pragma once

// The reader and writer of JSONValue.
//
// The reader is deliberately lax where velk's files have always been lax: raw control characters
// are taken inside strings, a number is any run of digits, signs, dots and exponent letters kept
// as text, and a duplicate key keeps its first position with the last value. It is strict where
// safety needs it: the input must be UTF-8, and arrays and objects nest at most maxDepth deep.
// Nothing recurses per nesting level, so hostile input cannot exhaust the stack.
//
// The writer keeps member order and number text. Package files are written pretty (tab
// indentation, one final line feed); bridge and share bodies compactly.
//
// Stateless; safe from any thread.

#include "core/Expected.h"
#include "json/JSONError.h"
#include "json/JSONValue.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace velk {

enum class Pretty { no, yes };
// Numbers as read (the default), or each spelled as JSON's grammar asks (NumberText::jsonSpelling),
// for text a browser's JSON.parse reads: it refuses the lax spellings velk's reader keeps.
enum class Numbers { asRead, asJSON };

namespace OrderedJSON {

// Arrays and objects may nest this deep; the bracket that opens one level more is refused.
inline constexpr std::size_t maxDepth = 512;

// Reads one JSON value; any kind of value is accepted at the top. Text that is not valid UTF-8
// fails with notUTF8 before any reading.
[[nodiscard]] Expected<JSONValue, JSONError> parse(std::string_view text);
[[nodiscard]] Expected<JSONValue, JSONError> parse(std::span<const std::byte> bytes);

// The text of a value: compact with no final newline, or pretty with exactly one final newline.
[[nodiscard]] std::string write(const JSONValue& value, Pretty pretty, Numbers numbers = Numbers::asRead);

// Appends one value to `into`; `depth` is the indentation level of the line the value starts on.
void encode(const JSONValue& value, std::string& into, std::size_t depth, Pretty pretty, Numbers numbers = Numbers::asRead);

// Appends `text` as a quoted, escaped JSON string.
void encodeString(std::string_view text, std::string& into);

}  // namespace OrderedJSON
}  // namespace velk
