#include "start/StartGrid.h"
#include "start/StartModel.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using namespace std::chrono_literals;
using StartGrid::Move;

const TimePoint now = TimePoint(std::chrono::sys_days(std::chrono::year(2024) / 5 / 6)) + 12h;

RecentMap recent(const std::string& name) { return {"/maps/" + name + ".velk", name, "/maps", std::nullopt}; }

TEST(StartGrid, CardsStartWithTheNewCard) {
    const auto empty = StartGrid::cards({});
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0], StartCard::newMap());
    EXPECT_EQ(empty[0].id(), "new");

    const auto two = StartGrid::cards({recent("A"), {"/maps/x/../B.velk", "B", "/maps/x/..", std::nullopt}});
    ASSERT_EQ(two.size(), 3u);
    EXPECT_EQ(two[1], StartCard::recent(recent("A")));
    EXPECT_EQ(two[1].id(), "/maps/A.velk");
    EXPECT_EQ(two[2].id(), "/maps/B.velk");
}

TEST(StartGrid, ColumnsForAWidth) {
    const std::pair<double, int> cases[] = {
        {820 - 48, 3}, {896 - 48, 4}, {0, 1}, {-300, 1}, {150, 1}, {200, 1}, {415, 1}, {416, 2}, {1e300, 1000000},
    };
    for (const auto& [width, columns] : cases) {
        SCOPED_TRACE(width);
        EXPECT_EQ(StartGrid::columns(width), columns);
    }
    EXPECT_EQ(StartGrid::columns(100, 0, 0), 1000000);
}

TEST(StartGrid, MovesStopAtTheEdges) {
    struct Case {
        Move direction;
        int from, count, columns, expected;
    };
    const Case cases[] = {
        {Move::right, 0, 1, 4, 0},  {Move::up, 2, 5, 3, 2},    {Move::down, 2, 5, 3, 2},  {Move::down, 1, 5, 3, 4},
        {Move::left, 9, 3, 2, 1},   {Move::left, 0, 5, 3, 0},  {Move::right, 4, 5, 3, 4}, {Move::up, 4, 5, 3, 1},
        {Move::down, 0, 5, 0, 1},   {Move::right, -4, 5, 3, 1}, {Move::up, 3, 0, 3, 0},   {Move::down, 0, 7, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "direction " << int(c.direction) << " from " << c.from << " count " << c.count
                                        << " columns " << c.columns);
        EXPECT_EQ(StartGrid::move(c.direction, c.from, c.count, c.columns), c.expected);
    }
}

TEST(StartGrid, EditedLabelSpeaksInTheLargestFittingUnit) {
    struct Case {
        std::chrono::seconds ago;
        std::string locale, label;
    };
    const Case cases[] = {
        {0s, "en_US", "Edited in 0 seconds"},
        {-3600s, "en_US", "Edited in 0 seconds"},  // a time in the future counts as now
        {45s, "en_US", "Edited 45 seconds ago"},
        {60s, "en_US", "Edited 1 minute ago"},
        {2h + 59min, "en_US", "Edited 2 hours ago"},
        {24h, "en_US", "Edited 1 day ago"},
        {24h * 13, "en_US", "Edited 1 week ago"},
        {24h * 45, "en_US", "Edited 1 month ago"},
        {24h * 800, "en_US", "Edited 2 years ago"},
        {2h, "de_DE", "Edited vor 2 Stunden"},
        {24h * 3, "fr", "Edited il y a 3 jours"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ago.count() << "s in " << c.locale);
        EXPECT_EQ(StartGrid::editedLabel(now - c.ago, now, c.locale), c.label);
    }
    EXPECT_EQ(StartGrid::editedLabel(std::nullopt, now, "en_US"), std::nullopt);
}

TEST(StartGrid, RecentsWithoutDropsEverySpellingOfTheMap) {
    const std::vector<std::string> list{"/a/M.velk", "/b/N.velk", "/a/x/../M.velk", "/a/M.velk/", "/a/MM.velk"};
    EXPECT_EQ(StartGrid::recents(list, "/a/./M.velk"), (std::vector<std::string>{"/b/N.velk", "/a/MM.velk"}));
    EXPECT_EQ(StartGrid::recents(list, "/c/M.velk"), list);
}

TEST(StartGrid, DisplayNameIsTheLastComponentWithoutExtension) {
    const std::pair<std::string, std::string> cases[] = {
        {"/maps/Trip.velk", "Trip"}, {"/maps/Trip.velk/", "Trip"}, {"/maps/v1.2 plan.velk", "v1.2 plan"},
        {"/maps/.velk", ".velk"},    {"Plain", "Plain"},           {"/maps/Noext", "Noext"},
    };
    for (const auto& [path, name] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(StartGrid::displayName(path), name);
    }
}

TEST(StartModel, ReloadKeepsTheFocusWhereACardStillIs) {
    std::vector<RecentMap> rows{recent("A"), recent("B"), recent("C"), recent("D"), recent("E")};
    StartModel model([&] { return rows; });
    int changes = 0;
    model.onChange([&] { ++changes; });
    EXPECT_EQ(model.cards(), StartGrid::cards({}));

    model.reload();
    ASSERT_EQ(model.cards().size(), 6u);
    for (int i = 0; i < 5; ++i) model.move(Move::right, 4);
    EXPECT_EQ(model.focus(), 5);
    EXPECT_TRUE(model.keyboardNavigating());

    rows = {recent("C")};  // four of five maps vanished
    model.reload();
    EXPECT_EQ(model.focus(), 1);
    EXPECT_EQ(model.cards(), StartGrid::cards({recent("C")}));
    EXPECT_TRUE(model.keyboardNavigating());  // nothing turns it off again
    EXPECT_EQ(changes, 7);
}

TEST(StartModel, ActivatingOpensTheSheetOrNamesTheMap) {
    StartModel model([] { return std::vector<RecentMap>{recent("A")}; });
    model.reload();
    EXPECT_FALSE(model.keyboardNavigating());
    EXPECT_EQ(model.activate(1), "/maps/A.velk");
    EXPECT_FALSE(model.showingNew());
    EXPECT_EQ(model.activate(0), std::nullopt);
    EXPECT_TRUE(model.showingNew());
    model.setShowingNew(false);
    EXPECT_EQ(model.activate(7), std::nullopt);
    EXPECT_FALSE(model.showingNew());
}

}  // namespace
}  // namespace velk
