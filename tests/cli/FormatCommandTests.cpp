// Runs the real velk-cli binary, as a user would.

#include "cli/CLIRun.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace velk {
namespace {

using testing_support::CLIRun;
using testing_support::runCLI;

TEST(VelkCLIFormat, PrettyByDefaultCompactOnRequestOrderAndNumbersKept) {
    const std::string input = "{\"z\":1.50, \"a\":[ 1e2, {\"b\":\"\\u00e9\"} ]}";
    const CLIRun pretty = runCLI("fmt", input);
    EXPECT_EQ(pretty.status, 0);
    EXPECT_EQ(pretty.out, "{\n\t\"z\": 1.50,\n\t\"a\": [\n\t\t1e2,\n\t\t{\n\t\t\t\"b\": \"\xC3\xA9\"\n\t\t}\n\t]\n}\n");
    const CLIRun compact = runCLI("fmt --compact -", input);
    EXPECT_EQ(compact.status, 0);
    EXPECT_EQ(compact.out, "{\"z\":1.50,\"a\":[1e2,{\"b\":\"\xC3\xA9\"}]}");

    const std::string file = testing::TempDir() + "velk_cli_file_" + std::to_string(getpid()) + ".json";
    std::ofstream(file) << "[true]";
    EXPECT_EQ(runCLI("fmt --compact " + file, "").out, "[true]");
}

TEST(VelkCLIFormat, ReadFailuresPrintTheErrorAndExitOne) {
    const CLIRun bad = runCLI("fmt", "{\"a\":1,}");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, "unexpected(\"}\", at: 7)\n");
    const CLIRun notText = runCLI("fmt", "[\"\xC3\"]");
    EXPECT_EQ(notText.status, 1);
    EXPECT_EQ(notText.err, "notUTF8\n");
    EXPECT_EQ(runCLI("fmt /no/such/file.json", "").status, 1);
    EXPECT_EQ(runCLI("frobnicate", "").status, 2);
}

TEST(VelkCLIFormat, HelpListsCommands) {
    const CLIRun help = runCLI("--help", "");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("fmt [--compact] [FILE|-]"), std::string::npos);
}

}  // namespace
}  // namespace velk
