#include "start/NewMapLocation.h"
#include "start/RecentMaps.h"

#include <gtest/gtest.h>

#include <set>

namespace velk {
namespace {

using namespace std::chrono_literals;

const TimePoint noon = TimePoint(std::chrono::sys_days(std::chrono::year(2024) / 5 / 6)) + 12h;

// A disk that knows which packages exist and records every question.
struct Probes {
    std::set<std::string> existing;
    std::vector<std::string> existsAsked, modifiedAsked;
    RecentMaps::Exists exists() {
        return [this](std::string_view path) {
            existsAsked.emplace_back(path);
            return existing.contains(std::string(path));
        };
    }
    RecentMaps::Modified modified() {
        return [this](std::string_view path) -> std::optional<TimePoint> {
            modifiedAsked.emplace_back(path);
            if (path.find("undated") != std::string_view::npos) return std::nullopt;
            return noon;
        };
    }
};

TEST(RecentMaps, RowsNameTheMapAndAbbreviateHome) {
    Probes disk;
    disk.existing = {"/home/ann/Documents/velk/Trip.velk", "/home/ann/Plan.velk", "/home/anna/Other.velk",
                     "/srv/maps/undated.v2.velk", "/Root.velk"};
    const auto rows = RecentMaps::rows({"/home/ann/Documents/velk/Trip.velk", "/home/ann/Plan.velk", "/home/anna/Other.velk",
                                        "/srv/maps/undated.v2.velk", "/Root.velk"},
                                       "/home/ann", disk.exists(), disk.modified());
    EXPECT_EQ(rows, (std::vector<RecentMap>{
                        {"/home/ann/Documents/velk/Trip.velk", "Trip", "~/Documents/velk", noon},
                        {"/home/ann/Plan.velk", "Plan", "~", noon},
                        {"/home/anna/Other.velk", "Other", "/home/anna", noon},  // the prefix test includes the slash
                        {"/srv/maps/undated.v2.velk", "undated.v2", "/srv/maps", std::nullopt},
                        {"/Root.velk", "Root", "/", noon},
                    }));
}

TEST(RecentMaps, TwoSpellingsOfOnePackageGiveTheFirstOnce) {
    Probes disk;
    disk.existing = {"/a/b/../b/Map.velk", "/a/b/Map.velk"};
    const auto rows = RecentMaps::rows({"/a/b/../b/Map.velk", "/a/b/Map.velk", "/a/./b//Map.velk/"}, "/home/ann",
                                       disk.exists(), disk.modified());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].path, "/a/b/../b/Map.velk");
    EXPECT_EQ(rows[0].id(), "/a/b/Map.velk");
    EXPECT_EQ(disk.existsAsked, std::vector<std::string>{"/a/b/../b/Map.velk"});
}

TEST(RecentMaps, VanishedMapsTakeNoPlaceAndTheListStopsAtTen) {
    Probes disk;
    std::vector<std::string> paths{"/gone.velk", "/gone/../gone.velk"};
    for (int i = 1; i <= 12; ++i) {
        paths.push_back("/maps/M" + std::to_string(i) + ".velk");
        disk.existing.insert(paths.back());
    }
    const auto rows = RecentMaps::rows(paths, "/home/ann", disk.exists(), disk.modified());
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows.front().name, "M1");
    EXPECT_EQ(rows.back().name, "M10");
    // The vanished package is asked about once, and the eleventh and twelfth maps never.
    EXPECT_EQ(disk.existsAsked.size(), 11u);
    EXPECT_EQ(disk.existsAsked.front(), "/gone.velk");
    EXPECT_EQ(disk.existsAsked.back(), "/maps/M10.velk");
    EXPECT_EQ(disk.modifiedAsked.size(), 10u);
}

TEST(RecentMaps, StandardizedResolvesDotsWithoutTheDisk) {
    const std::pair<std::string, std::string> cases[] = {
        {"/a/b/../b/Map.velk", "/a/b/Map.velk"}, {"/a/./b//c/", "/a/b/c"}, {"/../x", "/x"},
        {"/", "/"},                              {"a/../../b", "../b"},    {"", "."},
    };
    for (const auto& [path, expected] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(RecentMaps::standardized(path), expected);
    }
}

TEST(NewMapLocation, NextTriesNumberedNamesUntilOneIsFree) {
    struct Case {
        std::string name, folder;
        std::set<std::string> existing;
        std::string expected;
    };
    const Case cases[] = {
        {"Plan", "/maps", {}, "/maps/Plan.velk"},
        {"Plan", "/maps/", {"/maps/Plan.velk", "/maps/Plan 2.velk"}, "/maps/Plan 3.velk"},
        {"Plan", "/maps", {"/maps/Plan.velk", "/maps/Plan 3.velk"}, "/maps/Plan 2.velk"},
        {"Untitled map", "/maps", {"/maps/Untitled map.velk"}, "/maps/Untitled map 2.velk"},
        {"a/b", "/maps", {}, "/maps/a-b.velk"},
        {"10:30 standup/notes", "/maps", {}, "/maps/10-30 standup-notes.velk"},
        {" Spaced ", "/maps", {}, "/maps/ Spaced .velk"},  // nothing is trimmed
        {"Plan", "/maps", {"/maps/plan.velk"}, "/maps/Plan.velk"},  // the probe decides about letter case
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " in " + c.folder);
        std::vector<std::string> asked;
        const auto exists = [&](std::string_view path) {
            asked.emplace_back(path);
            return c.existing.contains(std::string(path));
        };
        EXPECT_EQ(NewMapLocation::next(c.name, c.folder, exists), c.expected);
        EXPECT_EQ(asked.back(), c.expected);
    }
}

}  // namespace
}  // namespace velk
