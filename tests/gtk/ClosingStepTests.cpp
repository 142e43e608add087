#include "app/ClosingStep.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

TEST(ClosingStep, OnlyADraftWithContentHoldsTheWindow) {
    struct Case {
        bool draft;
        bool edited;
        bool unsaved;
        ClosingStep step;
    };
    const Case cases[] = {
        {false, false, false, ClosingStep::writeThenClose},
        {false, true, true, ClosingStep::writeThenClose},
        {true, false, false, ClosingStep::discardThenClose},
        {true, true, false, ClosingStep::askWhereToSave},
        {true, true, true, ClosingStep::askWhereToSave},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "draft=" << c.draft << " edited=" << c.edited << " unsaved=" << c.unsaved);
        EXPECT_EQ(closingStep(DocumentStatus{"Trip", "/maps/Trip.velk", c.draft, c.edited, c.unsaved}), c.step);
    }
}

}  // namespace
}  // namespace velk
