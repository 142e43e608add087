// velk-cli: velk's package logic on the command line, without a window.

#include "CommandLine.h"

#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace {

// This program's own path, from which its resources are found; empty when the kernel will not say.
std::string executablePath() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || std::size_t(length) >= path.size()) return {};
    path.resize(std::size_t(length));
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const std::string executable = executablePath();
    return velk::cli::runCommandLine(arguments, {stdin, stdout, stderr, executable});
}
