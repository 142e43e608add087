// Runs the real velk-cli preview. It uses the real resolver and network, so only links that the
// policy refuses before any lookup or connection are given to it here.

#include "cli/CLIRun.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::CLIRun;
using testing_support::runCLI;

TEST(VelkCLIPreview, PrintsWhyALinkGetsNoPreview) {
    struct Case {
        const char* arguments;
        const char* err;
    };
    const std::vector<Case> cases{
        {"preview ftp://files.example/a", "blocked by link-preview policy: only http(s) links get a preview\n"},
        {"preview 'javascript:alert(1)'", "blocked by link-preview policy: only http(s) links get a preview\n"},
        {"preview http:///nohost --image-out /nonexistent/dir/x.png", "blocked by link-preview policy: the link has no host\n"},
        {"preview http://127.0.0.1:9/", "blocked by link-preview policy: 127.0.0.1 is not a public address\n"},
        {"preview 'http://[::ffff:10.0.0.1]/'", "blocked by link-preview policy: ::ffff:10.0.0.1 is not a public address\n"},
        {"preview http://0177.0.0.1/", "blocked by link-preview policy: 0177.0.0.1 is not a public address\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const CLIRun run = runCLI(c.arguments, "");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
    }
}

TEST(VelkCLIPreview, TakesOneURLAndAnOptionalImageFile) {
    for (const char* arguments : {"preview", "preview http://a.example/ http://b.example/", "preview --image-out",
                                  "preview http://a.example/ --image-out", "preview --image-out x.png",
                                  "preview http://a.example/ --image-out x.png --image-out y.png", "preview --verbose http://a.example/"}) {
        SCOPED_TRACE(arguments);
        const CLIRun run = runCLI(arguments, "");
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "usage: velk-cli preview URL [--image-out FILE]\n");
    }
    EXPECT_NE(runCLI("--help", "").out.find("preview URL [--image-out FILE]"), std::string::npos);
}

}  // namespace
}  // namespace velk
