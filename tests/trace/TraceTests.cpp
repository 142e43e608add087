#include "trace/Trace.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace velk {
namespace {

struct ProbeRun {
    std::string out, err;
};

// Runs the probe with VELK_TRACE set to `value` (or unset), capturing both streams.
ProbeRun runProbe(const char* value) {
    const std::string errFile = testing::TempDir() + "velk_trace_probe_err_" + std::to_string(getpid());
    std::string command = value ? "VELK_TRACE='" + std::string(value) + "' " : "env -u VELK_TRACE ";
    command += std::string(VELK_TRACE_PROBE_PATH) + " 2>" + errFile;
    ProbeRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 256> buffer;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) run.out.append(buffer.data(), n);
    pclose(pipe);
    std::FILE* err = std::fopen(errFile.c_str(), "rb");
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), err)) > 0;) run.err.append(buffer.data(), n);
    std::fclose(err);
    return run;
}

TEST(Trace, OnlyTheExactSettingOneWritesLines) {
    const ProbeRun on = runProbe("1");
    EXPECT_EQ(on.out, "built");
    EXPECT_EQ(on.err, "velk: didFinishLaunching\nvelk: two\nlines\n");

    for (const char* value : {"true", "0", "", "01", "1 ", "yes"}) {
        SCOPED_TRACE(value);
        const ProbeRun off = runProbe(value);
        EXPECT_EQ(off.out, "not built");
        EXPECT_EQ(off.err, "");  // the later change of the environment is not noticed either
    }
    const ProbeRun unset = runProbe(nullptr);
    EXPECT_EQ(unset.out, "not built");
    EXPECT_EQ(unset.err, "");
}

TEST(Trace, SettingIsTheExactTextOne) {
    EXPECT_TRUE(traceSettingEnabled("1"));
    EXPECT_FALSE(traceSettingEnabled(nullptr));
    EXPECT_FALSE(traceSettingEnabled("1\n"));
}

}  // namespace
}  // namespace velk
