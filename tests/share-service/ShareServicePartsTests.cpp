// The service's small parts: member spans, form fields, secrets and the command line.

#include "CommandLine.h"
#include "json/OrderedJSON.h"
#include "service/FormFields.h"
#include "service/JSONMembers.h"
#include "service/Secrets.h"
#include "share/SharedLink.h"

#include <gtest/gtest.h>

#include <set>

namespace velk::share {
namespace {

TEST(JSONMembers, EachValueIsItsTextAsWritten) {
    const auto read = JSONMembers::read(" {\"a\" : [1, \"]\\\"}\", {\"b\":{}}] ,\"s\\u0074\":\t-1.50e3 , \"a\":\"x\"}\n");
    ASSERT_TRUE(read);
    std::vector<std::pair<std::string, std::string>> members;
    for (const auto& [key, value] : read->members) members.emplace_back(key, value);
    EXPECT_EQ(members, (std::vector<std::pair<std::string, std::string>>{
                           {"a", R"([1, "]\"}", {"b":{}}])"}, {"st", "-1.50e3"}, {"a", R"("x")"}}));
    for (const char* refused : {"[]", "{\"a\":1", "{\"a\":1}x", "\"s\""}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(JSONMembers::read(refused));
    }
}

TEST(FormFields, DecodesPlusAndPercentAndRefusesBrokenEscapes) {
    using Fields = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(FormFields::decode("a=1+2&&b=%41%c3%a9&c&=v&a=2").value(), (Fields{{"a", "1 2"}, {"b", "Aé"}, {"c", ""}, {"", "v"}, {"a", "2"}}));
    EXPECT_EQ(FormFields::first(FormFields::decode("a=1&a=2").value(), "a"), "1");
    for (const char* refused : {"a=%", "a=%4", "a=%g0", "%zz=1"}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(FormFields::decode(refused));
    }
}

TEST(Secrets, IdsAndTokensAreFreshAndOfTheirForm) {
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string id = Secrets::id(12), token = Secrets::token();
        EXPECT_TRUE(SharedLink::isShareID(id)) << id;
        EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
        EXPECT_EQ(token.size(), 64u);
        EXPECT_TRUE(seen.insert(id).second && seen.insert(token).second);
    }
    EXPECT_TRUE(SharedLink::isHandoffID(Secrets::id(16)));
    const std::string digest = Secrets::digest("abc");
    EXPECT_EQ(digest.substr(0, 4), "\xba\x78\x16\xbf") << "SHA-256 of abc";
    EXPECT_EQ(digest.size(), 32u);
    EXPECT_TRUE(Secrets::sameDigest(digest, Secrets::digest("abc")));
    EXPECT_FALSE(Secrets::sameDigest(digest, Secrets::digest("abd")));
    EXPECT_FALSE(Secrets::sameDigest(digest, digest.substr(0, 31)));
}

TEST(VelkShareCommandLine, ReadsEachCommandAndExplainsMistakes) {
    const std::map<std::string, std::string> environment{{"HOME", "/home/op"}};
    const auto serve = parseCommandLine({"--listen", "[::1]:9000", "--base", "https://share.example.org/velk", "--trust-proxy"}, environment).value();
    const auto& command = std::get<ServeCommand>(serve.command);
    EXPECT_EQ(command.listenAddress, "::1");
    EXPECT_EQ(command.port, 9000);
    EXPECT_TRUE(command.trustProxy);
    EXPECT_EQ(command.service.base, "https://share.example.org/velk/");
    EXPECT_EQ(serve.database, "sqlite:/home/op/.local/share/velk-share/shares.sqlite");

    const auto defaults = parseCommandLine({}, {{"XDG_DATA_HOME", "/data"}}).value();
    EXPECT_EQ(std::get<ServeCommand>(defaults.command).service.base, "http://127.0.0.1:8080/");
    EXPECT_EQ(defaults.database, "sqlite:/data/velk-share/shares.sqlite");
    const auto remove = parseCommandLine({"remove", "abcdefgh2345", "--reason", "Spam.", "--db", "postgresql://db/velk"}, environment).value();
    EXPECT_EQ(std::get<RemoveCommand>(remove.command).reason, "Spam.");
    EXPECT_EQ(remove.database, "postgresql://db/velk");
    EXPECT_TRUE(std::holds_alternative<FeedbackListCommand>(parseCommandLine({"feedback", "list"}, environment).value().command));

    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } rows[] = {
        {{"--listen", "8080"}, "--listen takes ADDRESS:PORT, such as 127.0.0.1:8080, not \"8080\""},
        {{"--listen", "127.0.0.1:70000"}, "--listen takes ADDRESS:PORT, such as 127.0.0.1:8080, not \"127.0.0.1:70000\""},
        {{"--base", "ftp://x/"}, "--base takes an http or https URL without a query, not \"ftp://x/\""},
        {{"--base", "https://x/?a"}, "--base takes an http or https URL without a query, not \"https://x/?a\""},
        {{"--db"}, "--db needs a value"},
        {{"remove", "abcdefgh2345"}, "remove needs --reason TEXT: the share's page shows it to everyone"},
        {{"remove", "abcdefgh2345", "--reason", " \n"}, "remove needs --reason TEXT: the share's page shows it to everyone"},
        {{"remove", "abc", "--reason", "x"}, "\"abc\" is not a share id"},
        {{"feedback"}, "unknown command \"feedback\""},
        {{"--port", "1"}, "unknown option --port"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.error);
        EXPECT_EQ(parseCommandLine(row.arguments, environment).error(), row.error);
    }
}

}  // namespace
}  // namespace velk::share
