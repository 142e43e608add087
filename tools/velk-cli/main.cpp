// velk-cli: velk's package logic on the command line, without a window.

#include "CommandLine.h"

#include <string>
#include <string_view>
#include <vector>

#include <cstdlib>
#include <pwd.h>
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

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

// The one place velk-cli reads its environment.
velk::cli::Environment environment() {
    velk::cli::Environment result;
    result.mapsFolder = variable("VELK_MAPS_FOLDER");
    result.userFolders.environmentHome = variable("HOME");
    result.userFolders.dataHome = variable("XDG_DATA_HOME");
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) result.userFolders.databaseHome = entry->pw_dir;
    result.configHome = variable("XDG_CONFIG_HOME");
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const std::string executable = executablePath();
    const velk::cli::Environment surroundings = environment();
    return velk::cli::runCommandLine(arguments, {stdin, stdout, stderr, executable, &surroundings});
}
