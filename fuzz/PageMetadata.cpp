// Whatever a page holds, its metadata must be valid UTF-8 within the length caps, trimmed, and
// unaffected by anything after the end of the head. On short inputs the linear scans must find
// exactly what a plain find() loop with each pattern as written finds.

#include "FuzzCheck.h"
#include "core/Graphemes.h"
#include "core/Utf8.h"
#include "core/WhiteSpace.h"
#include "preview/PageMetadata.h"
#include "preview/PagePatterns.h"
#include "preview/PatternReference.h"

namespace {

using namespace velk::LinkPreview;
using velk::fuzz::require;

void checkField(std::string_view value, std::size_t maxCharacters, const char* name) {
    require(velk::Utf8::isValid(value) && velk::WhiteSpace::trimmedWithLineBreaks(value) == value, name, value);
    require(maxCharacters == 0 || velk::Graphemes::boundaries(value).size() - 1 <= maxCharacters, name, value);
}

// Each pattern with the number of its groups.
constexpr std::pair<PagePattern, int> allPatterns[] = {
    {PagePattern::endOfHead, 0}, {PagePattern::metaTag, 0},       {PagePattern::attribute, 4},        {PagePattern::titleElement, 1},
    {PagePattern::anyTag, 0},    {PagePattern::whiteSpaceRun, 0}, {PagePattern::numericReference, 2},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view html = velk::fuzz::text(data, size);
    const Meta meta = parseMeta(html);
    checkField(meta.title, maxTitleCharacters, "title");
    checkField(meta.description, maxDescriptionCharacters, "description");
    checkField(meta.siteName, maxSiteNameCharacters, "site name");
    checkField(meta.imageURL, 0, "image URL");
    if (html.size() + 64 <= maxHTMLBytes) {
        const std::string longer = std::string(html) + "</head><title>after</title><meta name=description content=x>";
        require(parseMeta(longer) == meta, "text after the head changed the metadata", html);
    }
    // The naive loops are quadratic; keep them to inputs where that costs little.
    if (size > 512) return 0;
    const std::string text(html);
    for (const auto& [pattern, groups] : allPatterns) {
        for (int group = 0; group <= groups; ++group) {
            const auto reference = velk::testing_support::referenceMatches(pattern, text, group);
            require(reference.has_value(), "a pattern does not compile", patternText(pattern));
            require(matches(pattern, text, group) == *reference, "a linear scan differs from the pattern as written", patternText(pattern));
        }
    }
    return 0;
}
