// Whatever a page holds, its metadata must be valid UTF-8 within the length caps, trimmed, and
// unaffected by anything after the end of the head. On short inputs the linear scans must find
// exactly what a plain find() loop with each pattern as written finds.

#include "preview/PageMetadata.h"
#include "preview/PagePatterns.h"
#include "preview/PatternReference.h"

#include "core/Graphemes.h"
#include "core/Utf8.h"
#include "core/WhiteSpace.h"


#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace velk::LinkPreview;

[[noreturn]] void violated(const char* what, std::string_view detail) {
    std::fprintf(stderr, "page metadata property broken: %s\n%.*s\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

void require(bool holds, const char* what, std::string_view detail) {
    if (!holds) violated(what, detail);
}

void checkField(std::string_view value, std::size_t maxCharacters, const char* name) {
    require(velk::Utf8::isValid(value), name, value);
    require(velk::WhiteSpace::trimmedWithLineBreaks(value) == value, name, value);
    if (maxCharacters > 0) require(velk::Graphemes::boundaries(value).size() - 1 <= maxCharacters, name, value);
}

constexpr PagePattern allPatterns[] = {
    PagePattern::endOfHead, PagePattern::metaTag,       PagePattern::attribute,        PagePattern::titleElement,
    PagePattern::anyTag,    PagePattern::whiteSpaceRun, PagePattern::numericReference,
};
constexpr int groupCount(PagePattern pattern) {
    switch (pattern) {
        case PagePattern::attribute: return 4;
        case PagePattern::titleElement: return 1;
        case PagePattern::numericReference: return 2;
        default: return 0;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view html(reinterpret_cast<const char*>(data), size);
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
    if (size <= 512) {
        const std::string text(html);
        for (const PagePattern pattern : allPatterns) {
            for (int group = 0; group <= groupCount(pattern); ++group) {
                const auto reference = velk::testing_support::referenceMatches(pattern, text, group);
                if (!reference) violated("a pattern does not compile", patternText(pattern));
                if (matches(pattern, text, group) != *reference) {
                    violated("a linear scan differs from the pattern as written", patternText(pattern));
                }
            }
        }
    }
    return 0;
}
