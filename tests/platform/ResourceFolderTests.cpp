#include "platform/ResourceFolder.h"

#include <gtest/gtest.h>

#include <set>

namespace velk {
namespace {

TEST(ResourceFolder, InstalledShareFolderFirstThenTheNearestBuildResources) {
    const std::tuple<std::string, std::set<std::string>, std::optional<std::string>> cases[] = {
        {"/usr/bin/velk-cli", {"/usr/share/velk", "/usr/bin/Resources"}, "/usr/share/velk"},
        {"/opt/velk/bin/velk", {"/opt/velk/share/velk"}, "/opt/velk/share/velk"},
        {"/src/build/tools/velk-cli/velk-cli", {"/src/build/Resources", "/src/Resources"}, "/src/build/Resources"},
        {"/velk", {"/Resources"}, "/Resources"}, {"/usr/bin/velk-cli", {}, std::nullopt},
        {"velk-cli", {"Resources"}, std::nullopt},  // only an absolute path says where the program is
        {"", {}, std::nullopt},
    };
    for (const auto& [executable, folders, found] : cases) {
        EXPECT_EQ(ResourceFolder::find(executable, [&](std::string_view path) { return folders.contains(std::string(path)); }), found) << executable;
    }
    EXPECT_EQ(ResourceFolder::templates("/usr/share/velk"), "/usr/share/velk/Templates");
}

}  // namespace
}  // namespace velk
