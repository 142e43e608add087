// Text reaches the page inside script strings. What would end the string, the script or the line
// is escaped; and text that is not UTF-8 (a header from some web server, a folder name from
// another system) is repaired, since the web view refuses a script that is not UTF-8 as a whole.

#include "bridge/BridgeReply.h"
#include "bridge/BridgeScript.h"
#include "core/Utf8.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

TEST(BridgeScript, QuoteEscapesWhatWouldBreakAScriptString) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"", R"("")"}, {"plain é 😀", R"("plain é 😀")"}, {"\t<\xE2\x80\xA8\xE2\x80\xA9", R"("\u0009\u003c\u2028\u2029")"},
        {"\n\r\"\\", R"("\n\r\"\\")"}, {"\b\x1f", R"("\u0008\u001f")"}, {std::string_view("\0", 1), R"("\u0000")"},
        {"</script>", R"("\u003c/script>")"},
        {"\xE2\x80\xA7 \xE2\x80\xAA \xE2\x81\xA8", "\"\xE2\x80\xA7 \xE2\x80\xAA \xE2\x81\xA8\""},  // neighbours of U+2028/9 stay
    };
    for (const auto& [text, quoted] : cases) EXPECT_EQ(BridgeScript::quote(text), quoted) << quoted;
}

TEST(ScriptTextRepair, EachIllFormedSequenceBecomesOneReplacementCharacter) {
    const std::string r = "\xEF\xBF\xBD";
    const std::tuple<std::string_view, std::string_view, std::string> cases[] = {
        {"bytes FF FE", "text/\xFF\xFE", "\"text/" + r + r + "\""}, {"lone continuation", "a\x80z", "\"a" + r + "z\""},
        {"cut short at the end", "\xE2\x82", "\"" + r + "\""}, {"cut short before ASCII", "\xE2\x82<", "\"" + r + "\\u003c\""},
        {"overlong", "\xC0\xAF", "\"" + r + r + "\""}, {"surrogate", "\xED\xA0\x80", "\"" + r + r + r + "\""},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "\"" + r + r + r + r + "\""},
        {"well-formed neighbours kept", "\xC3\xA9\xFF\xE2\x82\xAC", "\"\xC3\xA9" + r + "\xE2\x82\xAC\""},
    };
    for (const auto& [name, text, quoted] : cases) EXPECT_EQ(BridgeScript::quote(text), quoted) << name;
}

TEST(ScriptTextRepair, EveryScriptIsUTF8) {
    const std::string_view bad = "not a web page: text/\xFF\xFE";
    const std::pair<std::string_view, std::string> scripts[] = {
        {"reply", BridgeScript::reply(3, BridgeReply::error(std::string(bad)).value())},
        {"name", BridgeScript::setName("Caf\xE9")},
        {"change notice", BridgeScript::changed(2, bad)},
    };
    for (const auto& [name, script] : scripts) {
        EXPECT_TRUE(Utf8::isValid(script)) << name << ": " << script;
        EXPECT_TRUE(script.contains("\xEF\xBF\xBD")) << name << ": " << script;
    }
}

}  // namespace
}  // namespace velk
