#include "preview/MetaText.h"

#include "core/Graphemes.h"
#include "core/WhiteSpace.h"
#include "preview/PageRegex.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

namespace velk::LinkPreview {

namespace {

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    result.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
        result.append(text, start, at - start);
        result.append(to);
        start = at + from.size();
    }
    result.append(text, start);
    return result;
}

// `text` with every match of `pattern` replaced by what `replacement(match)` gives; a match for
// which it gives nothing stays as it is.
template <class Replacement>
icu::UnicodeString replaceMatches(PagePattern pattern, const icu::UnicodeString& text, Replacement replacement) {
    icu::UnicodeString result;
    int32_t copied = 0;
    PatternScan(pattern, text).forEach(0, text.length(), [&](const icu::RegexMatcher& match) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t start = match.start(status);
        const int32_t end = match.end(status);
        if (U_FAILURE(status)) return false;
        if (std::optional<icu::UnicodeString> replaced = replacement(match)) {
            result.append(text, copied, start - copied);
            result.append(*replaced);
            copied = end;
        }
        return true;
    });
    result.append(text, copied, text.length() - copied);
    return result;
}

// The scalar value the digits of a numeric reference name, read as an unsigned 32-bit number in
// base 16 or 10; absent when a digit does not belong to the base, the number overflows, or it
// is a surrogate or beyond U+10FFFF.
std::optional<UChar32> referencedScalar(const icu::UnicodeString& digits, bool hex) {
    std::uint64_t value = 0;
    for (int32_t i = 0; i < digits.length(); ++i) {
        const char16_t c = digits[i];
        int digit = -1;
        if (c >= u'0' && c <= u'9') digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
        if (digit < 0) return std::nullopt;
        value = value * (hex ? 16 : 10) + unsigned(digit);
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
    return static_cast<UChar32>(value);
}

}  // namespace

std::string decodeEntities(std::string_view text) {
    if (text.find('&') == std::string_view::npos) return std::string(text);
    // "&amp;" goes first, so "&amp;lt;" ends as "<": pages escape their metadata once more
    // often than they should, and the card is plain text.
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 7> named{{
        {"&amp;", "&"},
        {"&lt;", "<"},
        {"&gt;", ">"},
        {"&quot;", "\""},
        {"&#39;", "'"},
        {"&apos;", "'"},
        {"&nbsp;", " "},
    }};
    std::string result(text);
    for (const auto& [from, to] : named) result = replaceAll(result, from, to);
    if (result.find("&#") == std::string::npos) return result;

    const icu::UnicodeString source = utf16(result);
    return utf8(replaceMatches(PagePattern::numericReference, source,
                               [&](const icu::RegexMatcher& match) -> std::optional<icu::UnicodeString> {
                                   UErrorCode status = U_ZERO_ERROR;
                                   const bool hex = match.start(1, status) < match.end(1, status);
                                   const icu::UnicodeString digits = match.group(2, status);
                                   if (U_FAILURE(status)) return std::nullopt;
                                   const auto scalar = referencedScalar(digits, hex);
                                   if (!scalar) return std::nullopt;
                                   return icu::UnicodeString(*scalar);
                               }));
}

std::string clean(std::string_view text, std::size_t max) {
    // Tags go before references are decoded, so an escaped tag stays visible as text.
    const icu::UnicodeString withoutTags =
        replaceMatches(PagePattern::anyTag, utf16(text), [](const icu::RegexMatcher&) {
            return std::optional<icu::UnicodeString>(icu::UnicodeString());
        });
    const std::string decoded = decodeEntities(utf8(withoutTags));
    const std::string spaced =
        utf8(replaceMatches(PagePattern::whiteSpaceRun, utf16(decoded), [](const icu::RegexMatcher&) {
            return std::optional<icu::UnicodeString>(icu::UnicodeString(u' '));
        }));
    const std::string_view trimmed = WhiteSpace::trimmedWithLineBreaks(spaced);

    if (max == 0) return {};
    const std::vector<std::size_t> boundaries = Graphemes::boundaries(trimmed);
    if (boundaries.size() - 1 <= max) return std::string(trimmed);
    return std::string(trimmed.substr(0, boundaries[max - 1])) + "\u2026";
}

}  // namespace velk::LinkPreview
