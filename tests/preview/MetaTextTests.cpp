#include "preview/MetaText.h"

#include <gtest/gtest.h>

#include <string>

namespace velk::LinkPreview {
namespace {

TEST(MetaTextDecodeEntities, NamedInOrderThenNumeric) {
    const std::pair<std::string, std::string> cases[] = {
        {"Tom &amp; Jerry", "Tom & Jerry"}, {"&lt;b&gt;", "<b>"}, {"&quot;&#39;&apos;", "\"''"}, {"a&nbsp;b", "a b"},
        {"&amp;lt;", "<"},  // "&amp;" goes first
        {"&amp;amp;", "&amp;"}, {"&amp;#65;", "A"},  // but each reference is replaced once
        {"&#x41;&#66;", "AB"}, {"&#0000065;&#x0041;&#x00000000041;", "AAA"}, {"caf&#233;", "caf\xC3\xA9"},
        {"&#128512;&#x1F600;", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80"}, {"&#x10FFFF;", "\xF4\x8F\xBF\xBF"}, {"&#0;", std::string(1, '\0')},
        {"&#X41;", "&#X41;"},  // only a lower-case x means hexadecimal
        {"&#xD800;", "&#xD800;"}, {"&#57343;", "&#57343;"},  // surrogates are no characters
        {"&#x110000;", "&#x110000;"}, {"&#4294967295;", "&#4294967295;"}, {"&#4294967296;", "&#4294967296;"},  // past 32 bits
        {"&#xFFFFFFFFF;", "&#xFFFFFFFFF;"}, {"&#1f;", "&#1f;"}, {"&#65", "&#65"}, {"&#x;", "&#x;"}, {"&#;", "&#;"},
        {"&hellip;&mdash;&copy;", "&hellip;&mdash;&copy;"}, {"&AMP;", "&AMP;"}, {"&#65;&#1f;&#66;", "A&#1f;B"},
        {"\xC3\xA9&amp;\xE2\x80\xA6", "\xC3\xA9&\xE2\x80\xA6"},
    };
    for (const auto& [text, decoded] : cases) EXPECT_EQ(decodeEntities(text), decoded) << testing::PrintToString(text);
}

TEST(MetaTextClean, TagsThenReferencesThenWhiteSpace) {
    const std::pair<std::string, std::string> cases[] = {
        {"  Hello\n  &amp;  World  ", "Hello & World"}, {"<b>Bold</b> text", "Bold text"},
        {"&lt;b&gt;kept&lt;/b&gt;", "<b>kept</b>"},  // an escaped tag is text
        {"a<br>b", "ab"}, {"a <br/> b", "a b"}, {"x<y z='1'>w", "xw"}, {"unclosed <tag", "unclosed <tag"},
        {"a > b < c", "a > b < c"}, {"<<a>>", ">"}, {"line1\r\nline2\tend", "line1 line2 end"}, {"&nbsp;x&nbsp;", "x"},
        {"\xC2\xA0 x \xE2\x80\x83\xE2\x80\xA8", "x"},  // no-break space, em space, line separator
        {"a\xE3\x80\x80\xE3\x80\x80" "b", "a b"}, {"   ", ""},
    };
    for (const auto& [text, cleaned] : cases) EXPECT_EQ(clean(text, 500), cleaned) << testing::PrintToString(text);
}

TEST(MetaTextClean, CutsLongTextToMaxCharactersWithAnEllipsis) {
    const std::string ellipsis = "\xE2\x80\xA6";
    const auto repeat = [](const std::string& piece, int times) {
        std::string result;
        while (times-- > 0) result += piece;
        return result;
    };
    const std::string accented = "e\xCC\x81", flag = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";  // one character each
    const std::tuple<std::string, std::size_t, std::string> cases[] = {
        {std::string(200, 'a'), 200, std::string(200, 'a')}, {std::string(201, 'a'), 200, std::string(199, 'a') + ellipsis},
        {"  " + std::string(200, 'a') + " \n", 200, std::string(200, 'a')},    // counted after trimming
        {"<i>" + std::string(100, 'a') + "</i>", 100, std::string(100, 'a')},  // and without tags
        {repeat("&amp;", 100), 100, repeat("&", 100)},                        // and decoded
        {repeat(accented, 250), 200, repeat(accented, 199) + ellipsis}, {repeat(flag, 101), 100, repeat(flag, 99) + ellipsis},
        {"Hello world", 7, "Hello " + ellipsis}, {"ab", 1, ellipsis}, {"a", 1, "a"}, {"ab", 0, ""},
    };
    for (const auto& [text, max, cleaned] : cases) EXPECT_EQ(clean(text, max), cleaned) << text.substr(0, 40) << " max " << max;
}

}  // namespace
}  // namespace velk::LinkPreview
