#include "package/ConflictCopy.h"

#include "package/FaultyFileSystem.h"
#include "package/MemoryFileSystem.h"
#include "package/PackageTestSupport.h"

#include <gtest/gtest.h>

#include <ctime>

namespace velk {
namespace {

using testing_support::FaultyFileSystem;
using testing_support::MemoryFileSystem;

std::tm at(int year, int month, int day, int hour, int minute) {
    std::tm when{};
    when.tm_year = year - 1900;
    when.tm_mon = month - 1;
    when.tm_mday = day;
    when.tm_hour = hour;
    when.tm_min = minute;
    return when;
}

std::tm localTime(std::chrono::system_clock::time_point now) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

DocumentTree velksVersion() {
    DocumentTree tree;
    tree.write(std::string("{\"nodes\":[],\"edges\":[]}\n"), "map.canvas");
    tree.write(std::string("png"), "velk-media/a.png");
    return tree;
}

TEST(ConflictCopyName, SaysWhatItIsAndWhen) {
    EXPECT_EQ(ConflictCopy::packageName("Trip", at(2026, 12, 6, 22, 41), 1), "Trip (velk conflict 2026-12-06 22.41).velk");
    EXPECT_EQ(ConflictCopy::packageName("Trip", at(2026, 1, 2, 3, 4), 1), "Trip (velk conflict 2026-01-02 03.04).velk");
    EXPECT_EQ(ConflictCopy::packageName("Trip", at(2026, 12, 6, 22, 41), 3),
              "Trip (velk conflict 2026-12-06 22.41 3).velk");
}

struct CopyRig {
    MemoryFileSystem memory;
    std::chrono::system_clock::time_point now = std::chrono::system_clock::now();
    std::string package = "/maps/Trip.velk";

    CopyRig() {
        memory.addDirectory("/maps");
        memory.addDirectory(package);
        memory.addFile(package + "/map.canvas", "outside");
    }
    [[nodiscard]] std::string copyPath(int attempt) const {
        return "/maps/" + ConflictCopy::packageName("Trip", localTime(now), attempt);
    }
};

TEST(ConflictCopy, WritesTheWholeTreeBesideThePackageAndLeavesThePackageAlone) {
    CopyRig rig;
    auto copy = ConflictCopy::write(rig.memory, rig.package + "/", velksVersion(), rig.now);
    ASSERT_TRUE(copy.has_value()) << copy.error().description();
    EXPECT_EQ(*copy, rig.copyPath(1));
    EXPECT_EQ(rig.memory.file(*copy + "/map.canvas"), "{\"nodes\":[],\"edges\":[]}\n");
    EXPECT_EQ(rig.memory.file(*copy + "/velk-media/a.png"), "png");
    EXPECT_EQ(rig.memory.file(rig.package + "/map.canvas"), "outside");
}

TEST(ConflictCopy, NeverReplacesAnythingAndTakesTheNextFreeName) {
    CopyRig rig;
    rig.memory.addDirectory(rig.copyPath(1));
    rig.memory.addFile(rig.copyPath(1) + "/map.canvas", "earlier copy");
    rig.memory.addFile(rig.copyPath(2), "a file with that name");
    auto copy = ConflictCopy::write(rig.memory, rig.package, velksVersion(), rig.now);
    ASSERT_TRUE(copy.has_value()) << copy.error().description();
    EXPECT_EQ(*copy, rig.copyPath(3));
    EXPECT_EQ(rig.memory.file(rig.copyPath(1) + "/map.canvas"), "earlier copy");
    EXPECT_EQ(rig.memory.file(rig.copyPath(2)), "a file with that name");
}

TEST(ConflictCopy, AFailureIsReportedAndLeavesNoHalfCopy) {
    CopyRig rig;
    FaultyFileSystem faulty(rig.memory);
    faulty.failPath(rig.copyPath(1));  // the final rename into place
    auto copy = ConflictCopy::write(faulty, rig.package, velksVersion(), rig.now);
    ASSERT_FALSE(copy.has_value());
    EXPECT_EQ(rig.memory.describe("/maps"), (std::vector<std::string>{"Trip.velk/", "Trip.velk/map.canvas"}));
}

}  // namespace
}  // namespace velk
