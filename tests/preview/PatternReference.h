#pragma once

// The matches a plain ICU find() loop gives with a page pattern exactly as written: what the
// linear scans must reproduce. Quadratic on hostile input, so only for tests and small fuzz
// inputs. Shared by the pattern tests and the page metadata fuzz target.

#include "preview/PagePatterns.h"

#include <unicode/regex.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk::testing_support {

// Absent when the pattern does not compile.
inline std::optional<std::vector<std::string>> referenceMatches(LinkPreview::PagePattern pattern, std::string_view text,
                                                                int group) {
    UParseError where;
    UErrorCode status = U_ZERO_ERROR;
    const std::string_view source = LinkPreview::patternText(pattern);
    std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(
        icu::UnicodeString::fromUTF8(icu::StringPiece(source.data(), static_cast<int32_t>(source.size()))),
        pattern == LinkPreview::PagePattern::endOfHead ? UREGEX_CASE_INSENSITIVE : 0, where, status));
    if (U_FAILURE(status)) return std::nullopt;
    const icu::UnicodeString input =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(input, status));
    std::vector<std::string> found;
    while (matcher->find(status) && U_SUCCESS(status)) {
        const int32_t start = matcher->start(group, status);
        if (U_FAILURE(status) || start < 0) continue;
        std::string piece;
        input.tempSubStringBetween(start, matcher->end(group, status)).toUTF8String(piece);
        found.push_back(piece);
    }
    return found;
}

}  // namespace velk::testing_support
