#include "cli/CLIRun.h"
#include "trace/Trace.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

// The probe with VELK_TRACE set to `value` (or unset): whether its first message was built, and
// what it traced.
testing_support::CLIRun runProbe(const char* value) {
    return testing_support::runProgram(VELK_TRACE_PROBE_PATH, "", "", value ? "VELK_TRACE='" + std::string(value) + "'" : "env -u VELK_TRACE");
}

TEST(Trace, OnlyTheExactSettingOneWritesLines) {
    const auto on = runProbe("1");
    EXPECT_EQ(on.out, "built");
    EXPECT_EQ(on.err, "velk: didFinishLaunching\nvelk: two\nlines\n");
    for (const char* value : {"true", "0", "", "01", "1 ", "1\n", "yes", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(value ? value : "unset");
        const auto off = runProbe(value);
        EXPECT_EQ(off.out, "not built");
        EXPECT_EQ(off.err, "");  // the later change of the environment is not noticed either
    }
}

}  // namespace
}  // namespace velk
