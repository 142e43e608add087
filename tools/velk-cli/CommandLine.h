#pragma once

// The velk-cli command table. Each command is one function from its arguments (after the command
// name) and the process's standard streams to an exit status; main() only picks the command.
// Adding a command means adding one entry to commands().

#include <cstdio>
#include <span>
#include <string_view>
#include <vector>

namespace velk::cli {

struct Streams {
    std::FILE* in;
    std::FILE* out;
    std::FILE* err;
    // The running program's absolute path; its resources are found from it.
    std::string_view executable = {};
};

struct Command {
    std::string_view name;
    std::string_view usage;    // arguments, as shown by --help
    std::string_view summary;  // one line
    int (*run)(std::span<const std::string_view> arguments, const Streams& streams);
};

[[nodiscard]] const std::vector<Command>& commands();

// Runs velk-cli with its arguments (without the program name).
[[nodiscard]] int runCommandLine(std::span<const std::string_view> arguments, const Streams& streams);

// Reads a whole file, or standard input for "-"; false when it cannot be read.
[[nodiscard]] bool readInput(std::string_view path, std::FILE* standardInput, std::string& contents);

}  // namespace velk::cli
