#include "app/RecentMapList.h"

#include <gtest/gtest.h>

#include <set>

namespace velk {
namespace {

TEST(RecentPackages, OnlyExistingVelkPackagesNewestFirstEachOnce) {
    const std::set<std::string> folders{"/maps/Trip.velk", "/maps/Old.velk", "/maps/Plan.VELK", "/maps/notes"};
    const std::vector<RecentFile> files{
        {"/maps/Old.velk", 100},   {"/maps/Trip.velk/", 300}, {"/maps/Trip.velk", 200},
        {"/maps/Gone.velk", 400},  {"/maps/notes", 500},      {"", 600},
        {"/maps/Plan.VELK", 250},  {"/maps/.velk", 700},      {"/maps/report.pdf", 800},
    };
    auto isDirectory = [&](const std::string& path) { return folders.contains(path); };
    EXPECT_EQ(recentPackages(files, isDirectory, 10),
              (std::vector<std::string>{"/maps/Trip.velk", "/maps/Plan.VELK", "/maps/Old.velk"}));
    EXPECT_EQ(recentPackages(files, isDirectory, 1), (std::vector<std::string>{"/maps/Trip.velk"}));
}

}  // namespace
}  // namespace velk
