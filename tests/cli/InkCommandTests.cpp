// Runs the real velk-cli binary on ink records, as a user would.

#include "cli/CLIRun.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::CLIRun;

CLIRun runInk(std::string arguments, const std::string& record) {
    if (const auto at = arguments.find("RECORD"); at != std::string::npos) arguments.replace(at, 6, "INPUT");
    return testing_support::runCLI(arguments, record);
}

TEST(VelkCLIInk, WritesTheDrawingSizedToItsPaddedBounds) {
    const std::string record = R"({"role":"ink","source":{"strokes":[{"points":[[10,20],[30,40]],"palette":"rose"}]}})";
    const std::string expected =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"2 12 36 36\" width=\"36\" height=\"36\">\n"
        "\t<path d=\"M10 20 L30 40\" fill=\"none\" stroke=\"#b91c1c\" stroke-width=\"4\" stroke-linecap=\"round\" "
        "stroke-linejoin=\"round\"/>\n"
        "</svg>\n";
    for (const char* arguments : {"ink RECORD", "ink -"}) {
        SCOPED_TRACE(arguments);
        const CLIRun run = runInk(arguments, record);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, expected);
        EXPECT_EQ(run.err, "");
    }
}

TEST(VelkCLIInk, RecordsWithoutADrawingOrUnreadableFail) {
    struct Case {
        const char* record;
        const char* err;
    };
    const std::vector<Case> cases{
        {R"({"role":"ink"})", "velk-cli: the ink record has no drawing\n"},
        {R"({"source":"strokes"})", "velk-cli: the ink record has no drawing\n"},
        {R"({"source":{}})", "velk-cli: the ink record has no drawing\n"},
        {R"({"source":{"strokes":[{"points":[]}]}})", "velk-cli: the ink record has no drawing\n"},
        {R"([])", "velk-cli: the ink record has no drawing\n"},
        {R"({"source":1,})", "unexpected(\"}\", at: 12)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        const CLIRun run = runInk("ink RECORD", c.record);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
    }
    EXPECT_EQ(runInk("ink /no/such/record.json", "").status, 1);
}

TEST(VelkCLIInk, TakesExactlyOneRecord) {
    for (const char* arguments : {"ink", "ink RECORD RECORD", "ink --svg"}) {
        SCOPED_TRACE(arguments);
        const CLIRun run = runInk(arguments, "{}");
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "usage: velk-cli ink RECORD.json|-\n");
    }
    EXPECT_NE(runInk("--help", "").out.find("ink RECORD.json|-"), std::string::npos);
}

}  // namespace
}  // namespace velk
