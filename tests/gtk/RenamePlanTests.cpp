#include "document/RenamePlan.h"

#include <gtest/gtest.h>

#include <set>

namespace velk {
namespace {

const std::set<std::string> taken{"/maps/Trip.velk", "/maps/Taken.velk"};

Expected<RenamePlan, RenameError> rename(std::string_view typed, std::optional<std::string_view> current) {
    return planRename(typed, current, [](const std::string& path) { return taken.contains(path); });
}

TEST(RenamePlan, SavedMapsMoveToThePackageOfTheTypedName) {
    struct Case {
        std::string typed;
        RenamePlan plan;
    };
    const Case cases[] = {
        {"a/b:c", {"a-b-c", "/maps/a-b-c.velk"}},
        {"Plan.velk", {"Plan", "/maps/Plan.velk"}},
        {"  Plan  ", {"Plan", "/maps/Plan.velk"}},
        {"Plan.canvas.velk", {"Plan", "/maps/Plan.velk"}},
        {"../Up", {"..-Up", "/maps/..-Up.velk"}},
        {"Trip", {"Trip", std::nullopt}},
        {"Trip.velk", {"Trip", std::nullopt}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        auto plan = rename(c.typed, "/maps/Trip.velk");
        ASSERT_TRUE(plan.has_value()) << plan.error().message;
        EXPECT_EQ(*plan, c.plan);
    }
}

TEST(RenamePlan, RefusesEmptyNamesAndTakenPlaces) {
    struct Case {
        std::string typed;
        std::string message;
    };
    const Case cases[] = {
        {"", "a map needs a name"},
        {" \t ", "a map needs a name"},
        {"Taken", "a map called \u201cTaken\u201d already exists there"},
        {"Taken.velk", "a map called \u201cTaken\u201d already exists there"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        auto plan = rename(c.typed, "/maps/Trip.velk/");
        ASSERT_FALSE(plan.has_value());
        EXPECT_EQ(plan.error(), RenameError{c.message});
    }
}

TEST(RenamePlan, ADraftOnlyChangesItsName) {
    auto plan = rename("Taken: the sequel", std::nullopt);
    ASSERT_TRUE(plan.has_value());
    EXPECT_EQ(*plan, (RenamePlan{"Taken- the sequel", std::nullopt}));
    EXPECT_EQ(rename("   ", std::nullopt).error(), RenameError{"a map needs a name"});
}

}  // namespace
}  // namespace velk
