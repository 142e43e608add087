// velk-cli open-share: share documents turned into packages on disk, run as a user would.

#include "cli/CLIRun.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace velk {
namespace {

using testing_support::CLIRun;
using testing_support::quoted;
using testing_support::withoutMapsFolder;
using testing_support::runCLI;
using testing_support::TempFolder;
namespace fs = std::filesystem;

std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

const std::string shared =
    R"({"name":" Q3: plans/ideas ","state":{"maps":[{"path":"/","canvas":{"nodes":[{"id":"a","type":"text","text":"Go"}],"edges":[]}}]},)"
    R"("media":{"velk-media/dot.gif":"R0lGODlhAQABAAAAACw=","../escape.gif":"R0lGODlhAQABAAAAACw=","velk-media/sub/x.gif":"R0lG"}})";

TEST(OpenShareCommand, WritesANewPackageNamedAfterTheMap) {
    TempFolder folder("cli_open_share");
    const std::string in = "open-share INPUT --folder " + quoted(folder.path());
    for (const std::string expected : {"Q3- plans-ideas.velk", "Q3- plans-ideas 2.velk"}) {
        SCOPED_TRACE(expected);
        const CLIRun run = runCLI(in, shared);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, folder / expected + "\n");
    }
    const std::string package = folder / "Q3- plans-ideas.velk";
    EXPECT_EQ(contents(package + "/velk-media/dot.gif"), std::string("GIF89a\x01\0\x01\0\0\0\0,", 14));
    EXPECT_FALSE(fs::exists(package + "/velk-media/sub"));
    EXPECT_FALSE(fs::exists(folder / "escape.gif"));
    EXPECT_FALSE(fs::exists(package + "/escape.gif"));
    const CLIRun state = runCLI("state --compact " + quoted(package), "");
    EXPECT_EQ(state.out, R"({"maps":[{"path":"/","canvas":{"nodes":[{"id":"a","type":"text","text":"Go"}],"edges":[]},"sidecar":{}}]})");

    // Standard input works too, and a document without a name gives the default one.
    const CLIRun piped = runCLI("open-share - --folder " + quoted(folder.path()), R"({"state":{"maps":[]}})");
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, folder / "Shared map.velk" + "\n");
}

TEST(OpenShareCommand, FailuresSayWhyAndWriteNothing) {
    TempFolder folder("cli_open_share_fail");
    const std::string to = " --folder " + quoted(folder.path());
    const std::string usage = "usage: velk-cli open-share FILE.json|- [--folder DIR]\n";
    struct Case {
        std::string arguments, input;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {"open-share INPUT" + to, "<html>Not found</html>", 1, "It is not a map this version of velk can read.\n"},
        {"open-share INPUT" + to, R"({"state":{"maps":{}}})", 1, "It is not a map this version of velk can read.\n"},
        {"open-share INPUT" + to, "[]", 1, "It is not a map this version of velk can read.\n"},
        {"open-share " + quoted(folder / "none.json") + to, "", 1, "velk-cli: cannot read " + folder / "none.json" + "\n"},
        {"open-share INPUT --folder " + quoted(folder / "missing"), R"({"state":{"maps":[]}})", 1,
         "velk-cli: The map couldn\u2019t be saved. \u201c" + folder / "missing" + "\u201d doesn\u2019t exist.\n"},
        {"open-share INPUT", R"({"state":{"maps":[]}})", 1,
         "velk-cli: no folder for new maps has been chosen yet; pass --folder DIR or set VELK_MAPS_FOLDER\n"},
        {"open-share" + to, "{}", 2, usage},
        {"open-share INPUT INPUT" + to, "{}", 2, usage},
        {"open-share INPUT --folder", "{}", 2, usage},
        {"open-share --compact INPUT" + to, "{}", 2, usage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments + " < " + c.input);
        const CLIRun run = runCLI(c.arguments, c.input, withoutMapsFolder(folder.path()));
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

}  // namespace
}  // namespace velk
