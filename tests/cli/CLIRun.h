#pragma once

// Runs a real program of the build, velk-cli or a probe, as a user would, and captures what it says.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace velk::testing_support {

struct CLIRun {
    int status;
    std::string out, err;
};

// Runs `program` with `arguments`, `input` on standard input; "INPUT" in the arguments becomes
// the path of a file holding `input`. `environment` goes before the command as it is (such as
// "env -u NAME NAME=value").
inline CLIRun runProgram(const std::string& program, std::string arguments, const std::string& input, const std::string& environment) {
    // ctest runs tests in parallel processes: every run gets files of its own.
    static int runs = 0;
    const std::string base = testing::TempDir() + "velk_run_" + std::to_string(getpid()) + "_" + std::to_string(++runs);
    const std::string inputFile = base + "_in", errFile = base + "_err";
    std::ofstream(inputFile, std::ios::binary) << input;
    if (const auto at = arguments.find("INPUT"); at != std::string::npos) arguments.replace(at, 5, inputFile);
    const std::string command = environment + " " + program + " " + arguments + " <" + inputFile + " 2>" + errFile;
    CLIRun run{};
    std::FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 4096> buffer;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) run.out.append(buffer.data(), n);
    run.status = WEXITSTATUS(pclose(pipe));
    std::ifstream err(errFile, std::ios::binary);
    run.err.assign(std::istreambuf_iterator<char>(err), {});
    std::remove(inputFile.c_str());
    std::remove(errFile.c_str());
    return run;
}

inline CLIRun runCLI(std::string arguments, const std::string& input, const std::string& environment = "") {
    return runProgram(VELK_CLI_PATH, std::move(arguments), input, environment);
}

// A path as one shell word.
inline std::string quoted(const std::string& path) { return "'" + path + "'"; }

}  // namespace velk::testing_support
