// velk-cli templates and new, run from the build tree where they find the copied templates.

#include "cli/CLIRun.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velk {
namespace {

using testing_support::CLIRun;
using testing_support::quoted;
using testing_support::withoutMapsFolder;
using testing_support::runCLI;
using testing_support::TempFolder;
namespace fs = std::filesystem;

TEST(TemplatesCommand, ListsIdTitleAndBlurb) {
    const CLIRun run = runCLI("templates", "");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "scratch\tBlank map\tAn empty canvas: start from scratch.\n"
              "wardley\tWardley map\tChart what your users need against how evolved each part of it is.\n"
              "estuarine\tEstuarine map\tSort the constraints you face by the energy and time it takes to change them.\n"
              "multiverse\tMultiverse map\tBranch alternative futures from today and trace what would lead to each.\n");
    EXPECT_EQ(runCLI("templates extra", "").err, "usage: velk-cli templates\n");
}

TEST(NewCommand, NumbersMapsThatWouldCollide) {
    TempFolder folder("cli_new");
    const std::string in = " --folder " + quoted(folder.path());
    struct Case {
        std::string arguments, printed;
    };
    const Case cases[] = {
        {"new" + in, folder / "Untitled map.velk"},
        {"new" + in, folder / "Untitled map 2.velk"},
        {"new --template wardley" + in, folder / "Wardley map.velk"},
        {"new --template wardley" + in, folder / "Wardley map 2.velk"},
        {"new --template multiverse" + in + " 'Q3: paths/options'", folder / "Q3- paths-options.velk"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const CLIRun run = runCLI(c.arguments, "");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.printed + "\n");
        EXPECT_TRUE(fs::is_regular_file(c.printed + "/map.canvas"));
    }
    EXPECT_TRUE(fs::is_regular_file(folder / "Q3- paths-options.velk/map/Bold move/First experiments.canvas"));
    // VELK_MAPS_FOLDER names the folder when --folder does not.
    const CLIRun byVariable = runCLI("new Later", "", "VELK_MAPS_FOLDER=" + quoted(folder.path()));
    EXPECT_EQ(byVariable.out, folder / "Later.velk" + "\n");
    const CLIRun state = runCLI("state --compact " + quoted(folder / "Untitled map.velk"), "");
    EXPECT_EQ(state.out, R"({"maps":[{"path":"/","canvas":{"nodes":[],"edges":[]},"sidecar":{}}]})");
}

TEST(NewCommand, FailuresSayWhy) {
    TempFolder folder("cli_new_fail");
    struct Case {
        std::string arguments;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {"new --template Scratch --folder " + quoted(folder.path()), 1, "There is no template called Scratch.\n"},
        {"new --folder " + quoted(folder / "missing"), 1,
         "velk-cli: The map couldn\u2019t be saved. \u201c" + folder / "missing" + "\u201d doesn\u2019t exist.\n"},
        {"new --folder", 2, "usage: velk-cli new [--template ID] [--folder DIR] [NAME]\n"},
        {"new --folder /tmp A B", 2, "usage: velk-cli new [--template ID] [--folder DIR] [NAME]\n"},
        // No folder named, none set and none remembered: say how to give one.
        {"new", 1, "velk-cli: no folder for new maps has been chosen yet; pass --folder DIR or set VELK_MAPS_FOLDER\n"},
    };
    const std::string noFolder = withoutMapsFolder(folder.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const CLIRun run = runCLI(c.arguments, "", noFolder);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

}  // namespace
}  // namespace velk
