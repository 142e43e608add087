#include "app/OpenTarget.h"

#include <gtest/gtest.h>

#include <set>

namespace velk {
namespace {

TEST(OpenTarget, PackagesByTheirFolderOrTheirMapCanvasNothingElse) {
    const std::set<std::string> existing{"/maps/Trip.velk/map.canvas", "/notes/plain/map.canvas"};
    auto exists = [&](const std::string& path) { return existing.contains(path); };
    struct Case {
        std::string path;
        std::optional<std::string> folder;
    };
    const Case cases[] = {
        {"/maps/Trip.velk", "/maps/Trip.velk"},
        {"/maps/Trip.velk/", "/maps/Trip.velk"},
        {"/maps/Trip.velk/map.canvas", "/maps/Trip.velk"},
        {"/maps/New.VELK", "/maps/New.VELK"},
        {"/notes/plain/map.canvas", "/notes/plain"},
        {"/notes/plain", "/notes/plain"},
        {"/home/someone", std::nullopt},
        {"/home/someone/", std::nullopt},
        {"/maps/.velk", std::nullopt},
        {"/maps/report.pdf", std::nullopt},
        {"/", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(packageToOpen(c.path, exists), c.folder);
    }
}

}  // namespace
}  // namespace velk
