#include "preview/PagePatterns.h"

#include "preview/PageMetadata.h"
#include "preview/PageRegex.h"

#include <unicode/parseerr.h>
#include <unicode/stringpiece.h>

#include <array>

namespace velk::LinkPreview {

// How each scan stays linear, and why it finds exactly the matches a naive find() loop with the
// pattern as written would find:
//
// - metaTag, anyTag, endOfHead: every match ends with ">", so the region ends after the last
//   ">" of the part. Without that, each of thousands of "<meta " openings with no ">" after it
//   would run [^>]* to the end of the text: quadratic.
// - attribute: a start inside a run of name characters can only match when the start of that
//   run does (the name is greedy and whatever follows the run is the same), and the run's start
//   was always tried first, so such starts are skipped with a look-behind. Otherwise a tag of
//   one long word is tried from each of its letters to its end: quadratic.
// - titleElement: once one "<title" opening finds no closing tag after it, no later opening can
//   (its ">" is no earlier, so the closings after it are a subset). So the scan finds the next
//   opening, matches the whole pattern anchored there, and stops at the first failure instead
//   of retrying from every later opening. The region ends after the last ">" for the openings.
// - whiteSpaceRun and numericReference: each start's work is bounded by the run of white space
//   or digits that follows it, and those runs do not overlap.

namespace {

constexpr std::array<std::string_view, 7> patternTexts{
    R"re(</head\s*>)re",
    R"re((?is)<meta\s+[^>]*>)re",
    R"re(([a-zA-Z:_-]+)\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s"'>]+)))re",
    R"re((?is)<title[^>]*>(.*?)</title\s*>)re",
    R"re(<[^>]*>)re",
    R"re(\s+)re",
    R"re(&#(x?)([0-9a-fA-F]+);)re",
};
constexpr std::string_view notAfterNameCharacter = R"re((?<![a-zA-Z:_-]))re";
constexpr std::string_view titleOpening = R"re((?is)<title[^>]*>)re";

std::unique_ptr<icu::RegexPattern> compile(std::string_view text, uint32_t flags) {
    UParseError where;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexPattern> pattern(icu::RegexPattern::compile(utf16(text), flags, where, status));
    if (U_FAILURE(status)) pattern.reset();
    return pattern;
}

struct Compiled {
    std::array<std::unique_ptr<icu::RegexPattern>, patternTexts.size()> patterns;
    std::unique_ptr<icu::RegexPattern> titleOpening;
};

// Compiled once per process on first use; compiled patterns are immutable and ICU lets any
// number of threads make matchers from them at once.
const Compiled& compiled() {
    static const Compiled instance = [] {
        Compiled made;
        for (std::size_t i = 0; i < patternTexts.size(); ++i) {
            const auto pattern = static_cast<PagePattern>(i);
            std::string text(patternTexts[i]);
            if (pattern == PagePattern::attribute) text = std::string(notAfterNameCharacter) + text;
            made.patterns[i] = compile(text, pattern == PagePattern::endOfHead ? UREGEX_CASE_INSENSITIVE : 0);
        }
        made.titleOpening = compile(titleOpening, 0);
        return made;
    }();
    return instance;
}

std::unique_ptr<icu::RegexMatcher> matcher(const icu::RegexPattern* pattern, const icu::UnicodeString& text) {
    if (pattern == nullptr) return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> made(pattern->matcher(text, status));
    if (U_FAILURE(status)) made.reset();
    return made;
}

bool endsWithGreaterThan(PagePattern pattern) {
    return pattern == PagePattern::metaTag || pattern == PagePattern::anyTag || pattern == PagePattern::endOfHead;
}

// The page as scanned: its first maxHTMLBytes bytes, as UTF-16.
icu::UnicodeString pageText(std::string_view html) { return utf16(html.substr(0, maxHTMLBytes)); }

int32_t headEnd(const icu::UnicodeString& page) {
    int32_t end = page.length();
    PatternScan(PagePattern::endOfHead, page).forEach(0, page.length(), [&](const icu::RegexMatcher& match) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t at = match.start(status);
        if (U_SUCCESS(status)) end = at;
        return false;
    });
    return end;
}

std::vector<Attribute> attributesIn(PatternScan& scan, const icu::UnicodeString& text, int32_t start, int32_t limit) {
    std::vector<Attribute> found;
    scan.forEach(start, limit, [&](const icu::RegexMatcher& match) {
        UErrorCode status = U_ZERO_ERROR;
        Attribute attribute;
        attribute.name = utf8(text, match.start(1, status), match.end(1, status));
        for (char& c : attribute.name) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');  // names are ASCII
        }
        for (int group = 2; group <= 4; ++group) {
            const int32_t valueStart = match.start(group, status);
            if (U_SUCCESS(status) && valueStart >= 0) {
                attribute.value = utf8(text, valueStart, match.end(group, status));
                break;
            }
        }
        if (U_SUCCESS(status)) found.push_back(std::move(attribute));
        return true;
    });
    return found;
}

}  // namespace

icu::UnicodeString utf16(std::string_view text) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string utf8(const icu::UnicodeString& text, int32_t start, int32_t limit) {
    std::string result;
    text.tempSubStringBetween(start, limit).toUTF8String(result);
    return result;
}

PatternScan::PatternScan(PagePattern pattern, const icu::UnicodeString& text)
    : m_pattern(pattern),
      m_text(text),
      m_matcher(matcher(compiled().patterns[static_cast<std::size_t>(pattern)].get(), text)) {
    if (pattern == PagePattern::titleElement) m_opening = matcher(compiled().titleOpening.get(), text);
}

PatternScan::~PatternScan() = default;

void PatternScan::forEach(int32_t start, int32_t limit, const std::function<bool(const icu::RegexMatcher&)>& found) {
    if (!m_matcher || start >= limit) return;
    if (m_pattern == PagePattern::titleElement) {
        forEachTitle(start, limit, found);
        return;
    }
    if (endsWithGreaterThan(m_pattern)) {
        const int32_t last = m_text.lastIndexOf(u'>', start, limit - start);
        if (last < 0) return;
        limit = last + 1;
    }
    UErrorCode status = U_ZERO_ERROR;
    m_matcher->region(start, limit, status);
    while (U_SUCCESS(status) && m_matcher->find(status) && U_SUCCESS(status)) {
        if (!found(*m_matcher)) return;
    }
}

void PatternScan::forEachTitle(int32_t start, int32_t limit,
                               const std::function<bool(const icu::RegexMatcher&)>& found) {
    if (!m_opening) return;
    const int32_t last = m_text.lastIndexOf(u'>', start, limit - start);
    while (start <= last) {
        UErrorCode status = U_ZERO_ERROR;
        m_opening->region(start, last + 1, status);
        if (U_FAILURE(status) || !m_opening->find(status) || U_FAILURE(status)) return;
        m_matcher->region(m_opening->start(status), limit, status);
        if (U_FAILURE(status) || !m_matcher->lookingAt(status) || U_FAILURE(status)) return;
        if (!found(*m_matcher)) return;
        start = m_matcher->end(status);
        if (U_FAILURE(status)) return;
    }
}

std::string_view patternText(PagePattern pattern) { return patternTexts[static_cast<std::size_t>(pattern)]; }

std::vector<std::string> matches(PagePattern pattern, std::string_view text, int group) {
    const icu::UnicodeString source = utf16(text);
    std::vector<std::string> found;
    PatternScan(pattern, source).forEach(0, source.length(), [&](const icu::RegexMatcher& match) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t start = match.start(group, status);
        const int32_t end = match.end(group, status);
        if (U_SUCCESS(status) && start >= 0) found.push_back(utf8(source, start, end));
        return true;
    });
    return found;
}

std::string headSection(std::string_view html) {
    const icu::UnicodeString page = pageText(html);
    return utf8(page, 0, headEnd(page));
}

std::vector<Attribute> attributes(std::string_view tag) {
    const icu::UnicodeString text = utf16(tag);
    PatternScan scan(PagePattern::attribute, text);
    return attributesIn(scan, text, 0, text.length());
}

HeadTags headTags(std::string_view html) {
    const icu::UnicodeString page = pageText(html);
    const int32_t end = headEnd(page);
    HeadTags tags;
    PatternScan attributeScan(PagePattern::attribute, page);
    PatternScan(PagePattern::metaTag, page).forEach(0, end, [&](const icu::RegexMatcher& match) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t tagStart = match.start(status);
        const int32_t tagEnd = match.end(status);
        if (U_SUCCESS(status)) tags.metaTags.push_back(attributesIn(attributeScan, page, tagStart, tagEnd));
        return true;
    });
    PatternScan(PagePattern::titleElement, page).forEach(0, end, [&](const icu::RegexMatcher& match) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t textStart = match.start(1, status);
        const int32_t textEnd = match.end(1, status);
        if (U_SUCCESS(status) && textStart >= 0) tags.title = utf8(page, textStart, textEnd);
        return false;
    });
    return tags;
}

}  // namespace velk::LinkPreview
