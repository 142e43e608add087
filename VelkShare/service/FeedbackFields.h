#pragma once

// What the share service takes in a feedback: the rules the service enforces and the feedback
// form applies to the values velk's link carries, so the form never passes on one the service
// would refuse. Pure; safe from any thread.

#include <cstddef>
#include <string_view>

namespace velk::share::FeedbackFields {

inline constexpr std::size_t clientLimit = 32;
inline constexpr std::size_t versionLimit = 64;

// A tester identifier as velk makes them: 8 to 64 of a-z, 0-9 and "-".
[[nodiscard]] bool isTesterID(std::string_view text);

// Valid UTF-8 without control characters; tab, line feed and carriage return pass when
// `lineBreaks` says so.
[[nodiscard]] bool isPlainText(std::string_view text, bool lineBreaks);

// A client's name or version: plain text of at most `limit` bytes, without spaces, so that
// `velk-share feedback list` shows it as one field and no value can pass for another.
[[nodiscard]] bool isLabel(std::string_view text, std::size_t limit);

}  // namespace velk::share::FeedbackFields
