#include "app/EditedMark.h"

#include "platform/ManualMainQueue.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using namespace std::chrono_literals;
using testing_support::ManualMainQueue;

struct MarkRig {
    ManualMainQueue queue;
    int calls = 0;
    EditedMark mark{queue, [this] { ++calls; }};
    DocumentStatus status{"Trip", "/maps/Trip.velk", false, false, false};

    void set(bool unsaved) {
        status.unsavedChanges = unsaved;
        status.edited = status.edited || unsaved;
        mark.update(status);
    }
};

TEST(EditedMark, ChangesWrittenInTimeNeverMarkTheWindow) {
    MarkRig rig;
    rig.set(true);
    rig.queue.advanceBy(1000ms);
    rig.set(false);
    rig.queue.advanceBy(EditedMark::grace);
    EXPECT_FALSE(rig.mark.shown());
    EXPECT_EQ(rig.calls, 0);
    EXPECT_EQ(rig.queue.pending(), 0u);
}

TEST(EditedMark, ChangesLeftUnwrittenMarkItUntilWritten) {
    MarkRig rig;
    rig.set(true);
    rig.queue.advanceBy(EditedMark::grace - 1ms);
    rig.set(true);  // a later change does not restart the grace period
    EXPECT_FALSE(rig.mark.shown());
    rig.queue.advanceBy(1ms);
    EXPECT_TRUE(rig.mark.shown());
    EXPECT_EQ(rig.calls, 1);
    rig.set(false);
    EXPECT_FALSE(rig.mark.shown());
}

TEST(EditedMark, ADraftHoldingAnythingIsMarkedAtOnce) {
    MarkRig rig;
    rig.status.draft = true;
    rig.set(false);
    EXPECT_FALSE(rig.mark.shown());
    rig.set(true);
    rig.set(false);
    EXPECT_TRUE(rig.mark.shown());
}

TEST(EditedMark, TheTitleCarriesTheMark) {
    const DocumentStatus status{"Trip", "/maps/Trip.velk", false, true, true};
    EXPECT_EQ(editorWindowTitle(status, false), "Trip");
    EXPECT_EQ(editorWindowTitle(status, true), "Trip \u2014 Edited");
}

}  // namespace
}  // namespace velk
