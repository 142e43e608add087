#include "package/ConflictCopy.h"

#include "package/MapNaming.h"
#include "package/PackageStore.h"

#include <cstdio>
#include <optional>
#include <variant>

namespace velk::ConflictCopy {

namespace {

// Enough for a burst of conflicts within one minute; past that something else is wrong.
constexpr int attempts = 100;

std::string twoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

}  // namespace

std::string packageName(std::string_view displayName, const std::tm& when, int attempt) {
    std::string name(displayName);
    name += " (velk conflict " + std::to_string(when.tm_year + 1900) + "-" + twoDigits(when.tm_mon + 1) + "-" +
            twoDigits(when.tm_mday) + " " + twoDigits(when.tm_hour) + "." + twoDigits(when.tm_min);
    if (attempt > 1) name += " " + std::to_string(attempt);
    return name + ").velk";
}

Expected<std::string, PackageError> write(FileSystem& fileSystem, std::string_view packageFolder,
                                          const DocumentTree& tree, std::chrono::system_clock::time_point now) {
    std::string folder(packageFolder);
    while (folder.size() > 1 && folder.ends_with('/')) folder.pop_back();
    const std::size_t slash = folder.rfind('/');
    const std::string parent = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    const std::string display = MapNaming::displayName(slash == std::string::npos ? folder : folder.substr(slash + 1));

    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);

    std::optional<PackageError> lastError;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        std::string copy = parent + packageName(display, local, attempt);
        PackageStore store(fileSystem, copy);
        auto created = store.create(tree);
        if (created) return copy;
        lastError = created.error();
        if (!std::holds_alternative<PackageError::AlreadyExists>(created.error().value())) break;
    }
    return Unexpected<PackageError>(*lastError);
}

}  // namespace velk::ConflictCopy
