#pragma once

// Internal to VelkKit's preview files: the compiled page patterns and the linear scans over
// them, on UTF-16 text as ICU's regular expressions prefer. Not for use outside VelkKit/preview.

#include "preview/PagePatterns.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace velk::LinkPreview {

// `text` as UTF-16, ill-formed UTF-8 read as U+FFFD (one for each maximal ill-formed part).
[[nodiscard]] icu::UnicodeString utf16(std::string_view text);
// The UTF-8 text of text[start, limit).
[[nodiscard]] std::string utf8(const icu::UnicodeString& text, int32_t start, int32_t limit);
[[nodiscard]] inline std::string utf8(const icu::UnicodeString& text) { return utf8(text, 0, text.length()); }

// Every match of one pattern over part of one text, in order, found in time linear in the
// length of that part. The text must outlive the scanner; one scanner may be run over many
// parts of its text in turn.
class PatternScan {
public:
    PatternScan(PagePattern pattern, const icu::UnicodeString& text);
    ~PatternScan();
    PatternScan(const PatternScan&) = delete;
    PatternScan& operator=(const PatternScan&) = delete;

    // Calls found(matcher) for every match within text[start, limit), in order; the matcher's
    // start(), end() and group positions are those of the match. Stops early when found
    // returns false.
    void forEach(int32_t start, int32_t limit, const std::function<bool(const icu::RegexMatcher&)>& found);

private:
    void forEachTitle(int32_t start, int32_t limit, const std::function<bool(const icu::RegexMatcher&)>& found);

    PagePattern m_pattern;
    const icu::UnicodeString& m_text;
    std::unique_ptr<icu::RegexMatcher> m_matcher;
    std::unique_ptr<icu::RegexMatcher> m_opening;  // title elements only
};

}  // namespace velk::LinkPreview
