// Text that is not UTF-8 (a header from some web server, a folder name from another system) still
// reaches the page: the web view refuses a script that is not UTF-8 as a whole.

#include "bridge/BridgeReply.h"
#include "bridge/BridgeScript.h"
#include "core/Utf8.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

constexpr std::string_view fffd = "\xEF\xBF\xBD";

TEST(ScriptTextRepair, EachIllFormedSequenceBecomesOneReplacementCharacter) {
    struct Case {
        std::string_view name, text;
        std::string quoted;
    };
    const std::string r(fffd);
    const Case cases[] = {
        {"bytes FF FE", "text/\xFF\xFE", "\"text/" + r + r + "\""},
        {"lone continuation", "a\x80z", "\"a" + r + "z\""},
        {"cut short at the end", "\xE2\x82", "\"" + r + "\""},
        {"cut short before ASCII", "\xE2\x82<", "\"" + r + "\\u003c\""},
        {"overlong", "\xC0\xAF", "\"" + r + r + "\""},
        {"surrogate", "\xED\xA0\x80", "\"" + r + r + r + "\""},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "\"" + r + r + r + r + "\""},
        {"well-formed neighbours kept", "\xC3\xA9\xFF\xE2\x82\xAC", "\"\xC3\xA9" + r + "\xE2\x82\xAC\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BridgeScript::quote(c.text), c.quoted);
    }
}

TEST(ScriptTextRepair, EveryScriptIsUTF8) {
    const std::string_view bad = "not a web page: text/\xFF\xFE";
    const std::pair<std::string_view, std::string> scripts[] = {
        {"reply", BridgeScript::reply(3, BridgeReply::error(std::string(bad)).value())},
        {"name", BridgeScript::setName("Caf\xE9")},
        {"change notice", BridgeScript::changed(2, bad)},
    };
    for (const auto& [name, script] : scripts) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(Utf8::isValid(script)) << script;
        EXPECT_TRUE(script.contains(fffd)) << script;
    }
}

}  // namespace
}  // namespace velk
