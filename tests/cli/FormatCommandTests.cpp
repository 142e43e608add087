// Runs the real velk-cli binary, as a user would.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace velk {
namespace {

struct CLIRun {
    int status;
    std::string out, err;
};

CLIRun runCLI(const std::string& arguments, const std::string& input) {
    // ctest runs tests in parallel processes: every run gets files of its own.
    static int runs = 0;
    const std::string dir = testing::TempDir() + "velk_cli_" + std::to_string(getpid()) + "_" + std::to_string(++runs);
    const std::string inFile = dir + "_in", errFile = dir + "_err";
    std::ofstream(inFile, std::ios::binary) << input;
    const std::string command = std::string(VELK_CLI_PATH) + " " + arguments + " <" + inFile + " 2>" + errFile;
    CLIRun run{};
    std::FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 4096> buffer;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) run.out.append(buffer.data(), n);
    run.status = WEXITSTATUS(pclose(pipe));
    std::ifstream err(errFile, std::ios::binary);
    run.err.assign(std::istreambuf_iterator<char>(err), {});
    return run;
}

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
