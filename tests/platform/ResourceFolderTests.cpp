#include "platform/ResourceFolder.h"

#include <gtest/gtest.h>

#include <set>

namespace velk {
namespace {

TEST(ResourceFolder, InstalledShareFolderFirstThenTheNearestBuildResources) {
    struct Case {
        std::string executable;
        std::set<std::string> folders;
        std::optional<std::string> found;
    };
    const Case cases[] = {
        {"/usr/bin/velk-cli", {"/usr/share/velk", "/usr/bin/Resources"}, "/usr/share/velk"},
        {"/opt/velk/bin/velk", {"/opt/velk/share/velk"}, "/opt/velk/share/velk"},
        {"/src/build/tools/velk-cli/velk-cli", {"/src/build/Resources", "/src/Resources"}, "/src/build/Resources"},
        {"/src/build/velk", {"/src/build/Resources"}, "/src/build/Resources"},
        {"/velk", {"/Resources"}, "/Resources"},
        {"/usr/bin/velk-cli", {}, std::nullopt},
        {"velk-cli", {"Resources"}, std::nullopt},  // only an absolute path says where the program is
        {"", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.executable);
        const auto isDirectory = [&](std::string_view path) { return c.folders.contains(std::string(path)); };
        EXPECT_EQ(ResourceFolder::find(c.executable, isDirectory), c.found);
    }
    EXPECT_EQ(ResourceFolder::templates("/usr/share/velk"), "/usr/share/velk/Templates");
}

}  // namespace
}  // namespace velk
