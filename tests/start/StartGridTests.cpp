#include "start/NewMapLocation.h"
#include "start/RecentMaps.h"
#include "start/StartGrid.h"
#include "start/StartModel.h"

#include <gtest/gtest.h>

#include <set>

namespace velk {
namespace {

using namespace std::chrono_literals;
using StartGrid::Move;

const TimePoint now = TimePoint(std::chrono::sys_days(std::chrono::year(2024) / 5 / 6)) + 12h;

RecentMap recent(const std::string& name) { return {"/maps/" + name + ".velk", name, "/maps", std::nullopt}; }

// A disk that knows which packages exist and records every question.
struct Probes {
    std::set<std::string> existing;
    std::vector<std::string> existsAsked, modifiedAsked;
    std::vector<RecentMap> rows(const std::vector<std::string>& paths) {
        return RecentMaps::rows(
            paths, "/home/ann",
            [this](std::string_view path) { return existsAsked.emplace_back(path), existing.contains(std::string(path)); },
            [this](std::string_view path) -> std::optional<TimePoint> {
                modifiedAsked.emplace_back(path);
                return path.find("undated") == std::string_view::npos ? std::optional(now) : std::nullopt;
            });
    }
};

TEST(RecentMaps, RowsNameTheMapAndAbbreviateHome) {
    Probes disk;
    const std::vector<std::string> paths{"/home/ann/Documents/velk/Trip.velk", "/home/ann/Plan.velk", "/home/anna/Other.velk",
                                         "/srv/maps/undated.v2.velk", "/Root.velk"};
    disk.existing = {paths.begin(), paths.end()};
    EXPECT_EQ(disk.rows(paths), (std::vector<RecentMap>{
                                    {paths[0], "Trip", "~/Documents/velk", now}, {paths[1], "Plan", "~", now},
                                    {paths[2], "Other", "/home/anna", now},  // the prefix test includes the slash
                                    {paths[3], "undated.v2", "/srv/maps", std::nullopt}, {paths[4], "Root", "/", now}}));
}

TEST(RecentMaps, OneRowPerPackageNoneForVanishedOnesAndAtMostTen) {
    Probes spellings;
    spellings.existing = {"/a/b/../b/Map.velk", "/a/b/Map.velk"};
    const auto rows = spellings.rows({"/a/b/../b/Map.velk", "/a/b/Map.velk", "/a/./b//Map.velk/"});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].path, "/a/b/../b/Map.velk");
    EXPECT_EQ(rows[0].id(), "/a/b/Map.velk");
    EXPECT_EQ(spellings.existsAsked, std::vector<std::string>{"/a/b/../b/Map.velk"});
    const std::pair<std::string, std::string> keys[] = {{"/../x", "/x"}, {"/", "/"}, {"a/../../b", "../b"}, {"", "."}};
    for (const auto& [path, key] : keys) EXPECT_EQ(RecentMaps::standardized(path), key) << path;

    Probes disk;
    std::vector<std::string> paths{"/gone.velk", "/gone/../gone.velk"};
    for (int i = 1; i <= 12; ++i) disk.existing.insert(paths.emplace_back("/maps/M" + std::to_string(i) + ".velk"));
    const auto ten = disk.rows(paths);
    ASSERT_EQ(ten.size(), 10u);
    EXPECT_EQ(ten.back().name, "M10");
    // The vanished package is asked about once, and the eleventh and twelfth maps never.
    EXPECT_EQ(disk.existsAsked.size(), 11u);
    EXPECT_EQ(disk.modifiedAsked.size(), 10u);
}

TEST(NewMapLocation, NextTriesNumberedNamesUntilOneIsFree) {
    const std::tuple<std::string, std::string, std::set<std::string>, std::string> cases[] = {
        {"Plan", "/maps", {}, "/maps/Plan.velk"},
        {"Plan", "/maps/", {"/maps/Plan.velk", "/maps/Plan 2.velk"}, "/maps/Plan 3.velk"},
        {"Plan", "/maps", {"/maps/Plan.velk", "/maps/Plan 3.velk"}, "/maps/Plan 2.velk"},
        {"a/b", "/maps", {}, "/maps/a-b.velk"},
        {"10:30 standup/notes", "/maps", {}, "/maps/10-30 standup-notes.velk"},
        {" Spaced ", "/maps", {}, "/maps/ Spaced .velk"},           // nothing is trimmed
        {"Plan", "/maps", {"/maps/plan.velk"}, "/maps/Plan.velk"},  // the probe decides about letter case
    };
    for (const auto& [name, folder, existing, expected] : cases) {
        SCOPED_TRACE(name + " in " + folder);
        std::string last;
        EXPECT_EQ(NewMapLocation::next(name, folder, [&](std::string_view path) {
            return last = path, existing.contains(last);
        }), expected);
        EXPECT_EQ(last, expected);
    }
}

TEST(StartGrid, CardsColumnsAndNames) {
    const auto cards = StartGrid::cards({recent("A"), {"/maps/x/../B.velk", "B", "/maps/x/..", std::nullopt}});
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(cards[0].id(), "new");
    EXPECT_EQ(cards[1], StartCard::recent(recent("A")));
    EXPECT_EQ(cards[2].id(), "/maps/B.velk");
    const std::pair<double, int> widths[] = {{820 - 48, 3}, {896 - 48, 4}, {0, 1}, {-300, 1}, {150, 1}, {415, 1}, {416, 2}, {1e300, 1000000}};
    for (const auto& [width, columns] : widths) EXPECT_EQ(StartGrid::columns(width), columns) << width;
    EXPECT_EQ(StartGrid::columns(100, 0, 0), 1000000);
    const std::pair<std::string, std::string> names[] = {
        {"/maps/Trip.velk/", "Trip"}, {"/maps/v1.2 plan.velk", "v1.2 plan"}, {"/maps/.velk", ".velk"}, {"Plain", "Plain"}};
    for (const auto& [path, name] : names) EXPECT_EQ(StartGrid::displayName(path), name) << path;
    const std::vector<std::string> list{"/a/M.velk", "/b/N.velk", "/a/x/../M.velk", "/a/M.velk/", "/a/MM.velk"};
    EXPECT_EQ(StartGrid::recents(list, "/a/./M.velk"), (std::vector<std::string>{"/b/N.velk", "/a/MM.velk"}));
    EXPECT_EQ(StartGrid::recents(list, "/c/M.velk"), list);
}

TEST(StartGrid, MovesStopAtTheEdges) {
    const std::tuple<Move, int, int, int, int> cases[] = {
        {Move::right, 0, 1, 4, 0}, {Move::up, 2, 5, 3, 2},    {Move::down, 2, 5, 3, 2},  {Move::down, 1, 5, 3, 4},
        {Move::left, 9, 3, 2, 1},  {Move::left, 0, 5, 3, 0},  {Move::right, 4, 5, 3, 4}, {Move::up, 4, 5, 3, 1},
        {Move::down, 0, 5, 0, 1},  {Move::right, -4, 5, 3, 1}, {Move::up, 3, 0, 3, 0},   {Move::down, 0, 7, 3, 3},
    };
    for (const auto& [direction, from, count, columns, expected] : cases)
        EXPECT_EQ(StartGrid::move(direction, from, count, columns), expected)
            << int(direction) << " from " << from << " of " << count << " in " << columns;
}

TEST(StartGrid, EditedLabelSpeaksInTheLargestFittingUnit) {
    const std::tuple<std::chrono::seconds, std::string, std::string> cases[] = {
        {0s, "en_US", "Edited in 0 seconds"}, {-3600s, "en_US", "Edited in 0 seconds"},  // the future counts as now
        {45s, "en_US", "Edited 45 seconds ago"}, {60s, "en_US", "Edited 1 minute ago"}, {2h + 59min, "en_US", "Edited 2 hours ago"},
        {24h * 13, "en_US", "Edited 1 week ago"}, {24h * 45, "en_US", "Edited 1 month ago"}, {24h * 800, "en_US", "Edited 2 years ago"},
        {2h, "de_DE", "Edited vor 2 Stunden"}, {24h * 3, "fr", "Edited il y a 3 jours"},
    };
    for (const auto& [ago, locale, label] : cases) EXPECT_EQ(StartGrid::editedLabel(now - ago, now, locale), label) << label;
    EXPECT_EQ(StartGrid::editedLabel(std::nullopt, now, "en_US"), std::nullopt);
}

TEST(StartModel, ReloadKeepsTheFocusWhereACardStillIsAndTheKeyboardKeepsTheRing) {
    std::vector<RecentMap> rows{recent("A"), recent("B"), recent("C"), recent("D"), recent("E")};
    StartModel model([&] { return rows; });
    int changes = 0;
    model.onChange([&] { ++changes; });
    model.reload();
    for (int i = 0; i < 5; ++i) model.move(Move::right, 4);
    EXPECT_EQ(model.focus(), 5);
    rows = {recent("C")};  // four of five maps vanished
    model.reload();
    EXPECT_EQ(model.focus(), 1);
    EXPECT_TRUE(model.keyboardNavigating());  // nothing turns it off again
    EXPECT_EQ(changes, 7);
    model.focusOn(1);
    EXPECT_EQ(changes, 7) << "nothing changed, nothing announced";
    model.focusOn(9);
    EXPECT_EQ(model.focus(), 1);
}

TEST(StartModel, ActivatingOpensTheSheetOrNamesTheMapAndTabRingsTheCard) {
    StartModel model([] { return std::vector<RecentMap>{recent("A")}; });
    model.reload();
    EXPECT_EQ(model.activate(1), "/maps/A.velk");
    EXPECT_FALSE(model.showingNew());
    EXPECT_EQ(model.activate(0), std::nullopt);
    EXPECT_TRUE(model.showingNew());
    model.setShowingNew(false);
    EXPECT_EQ(model.activate(7), std::nullopt);
    EXPECT_FALSE(model.showingNew());
    EXPECT_FALSE(model.keyboardNavigating());
    model.focusOn(1);
    EXPECT_EQ(model.focus(), 1);
    EXPECT_TRUE(model.keyboardNavigating());
}

}  // namespace
}  // namespace velk
