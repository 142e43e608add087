#include "platform/PackageMonitor.h"

#include "DocumentRigs.h"
#include "platform/GLibMainQueue.h"
#include "platform/TempFolder.h"
#include "platform/TemporaryName.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velk {
namespace {

using namespace std::chrono_literals;
using testing_support::put;
using testing_support::spinMainContextFor;
using testing_support::spinMainContextUntil;
using testing_support::TempFolder;

struct MonitorRig {
    TempFolder folder{"monitor"};
    std::string package = folder / "Trip.velk";
    GLibMainQueue queue;
    int reports = 0;
    PackageMonitor::Touched touched;
    std::unique_ptr<PackageMonitor> monitor;

    MonitorRig() {
        std::filesystem::create_directories(package + "/map");
        put(package + "/map.canvas", "{}");
        monitor = std::make_unique<PackageMonitor>(package, queue, 50ms, [this](const PackageMonitor::Touched& what) {
            ++reports;
            touched = what;
        });
    }
};

TEST(PackageMonitor, VelksTemporaryFilesAreLeftOutButTheirRenameIntoPlaceIsNot) {
    MonitorRig rig;
    const std::string temporary = rig.package + "/" + TemporaryName::forSibling("map.canvas");
    put(temporary, "{\"nodes\":[]}");
    spinMainContextFor(300ms);
    EXPECT_EQ(rig.reports, 0);
    std::filesystem::rename(temporary, rig.package + "/map.canvas");
    ASSERT_TRUE(spinMainContextUntil([&] { return rig.reports == 1; }));
    EXPECT_FALSE(rig.touched.everything);
    EXPECT_EQ(rig.touched.paths, (std::set<std::string>{"map.canvas"}));
}

TEST(PackageMonitor, NamesTheFilesTouchedInsideAndAsksForEverythingWhenFoldersChange) {
    MonitorRig rig;
    put(rig.package + "/map/Ideas.canvas", "{}");
    put(rig.package + "/map.canvas", "{\"a\":1}");
    ASSERT_TRUE(spinMainContextUntil([&] { return rig.reports == 1; }));
    EXPECT_FALSE(rig.touched.everything);
    EXPECT_EQ(rig.touched.paths, (std::set<std::string>{"map.canvas", "map/Ideas.canvas"}));

    std::filesystem::rename(rig.package + "/map", rig.folder / "moved-away");
    ASSERT_TRUE(spinMainContextUntil([&] { return rig.reports == 2; }));
    EXPECT_TRUE(rig.touched.everything);
}

TEST(PackageMonitor, OtherPackagesInTheSameFolderAreNotWatched) {
    MonitorRig rig;
    std::filesystem::create_directories(rig.folder / "Other.velk");
    put(rig.folder / "Other.velk/map.canvas", "{}");
    spinMainContextFor(300ms);
    EXPECT_EQ(rig.reports, 0);
}

TEST(PackageMonitor, APackageReplacedAsAWholeIsReportedAndWatchedAgain) {
    MonitorRig rig;
    const std::string incoming = rig.folder / "incoming";
    std::filesystem::create_directories(incoming);
    put(incoming + "/map.canvas", "{\"new\":1}");
    std::filesystem::remove_all(rig.package);
    std::filesystem::rename(incoming, rig.package);
    ASSERT_TRUE(spinMainContextUntil([&] { return rig.reports >= 1; }));
    spinMainContextFor(200ms);
    const int before = rig.reports;
    put(rig.package + "/map.canvas", "{\"newer\":1}");
    ASSERT_TRUE(spinMainContextUntil([&] { return rig.reports > before; }));
}

TEST(PackageMonitor, NoReportAfterTheMonitorIsGone) {
    MonitorRig rig;
    put(rig.package + "/map.canvas", "{\"a\":1}");
    spinMainContextFor(20ms);
    rig.monitor.reset();
    spinMainContextFor(300ms);
    EXPECT_EQ(rig.reports, 0);
}

}  // namespace
}  // namespace velk
