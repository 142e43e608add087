#include "app/RecentMapList.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

// The desktop's list holds anybody's files; the rows are made from velk's packages, newest first.
TEST(RecentPackages, VelkPackagesNewestFirstAsTheListNamesThem) {
    const std::vector<RecentFile> files{
        {"/maps/Old.velk", 100}, {"/maps/Trip.velk/", 300}, {"/maps/Trip.velk", 200}, {"/maps/notes", 500},
        {"", 600},               {"/maps/Plan.VELK", 250},  {"/maps/.velk", 700},     {"/maps/report.pdf", 800},
    };
    EXPECT_EQ(recentPackages(files), (std::vector<std::string>{"/maps/Trip.velk", "/maps/Plan.VELK", "/maps/Trip.velk",
                                                               "/maps/Old.velk"}));
}

}  // namespace
}  // namespace velk
