// velk-cli: velk's package logic on the command line, without a window.

#include "CommandLine.h"

#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    return velk::cli::runCommandLine(arguments, {stdin, stdout, stderr});
}
