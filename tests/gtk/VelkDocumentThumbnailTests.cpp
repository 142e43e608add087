#include "DocumentRigs.h"

#include "platform/ManualMainQueue.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velk {
namespace {

using namespace std::chrono_literals;
using testing_support::ManualMainQueue;
using Rig = testing_support::ShownDocumentRig<ManualMainQueue>;

const std::string thumbnail = "QuickLook/Thumbnail.png";

TEST(VelkDocumentThumbnail, APackageWithoutOneGetsItOneAndAHalfSecondsAfterTheFirstLoadWrittenAtOnce) {
    Rig rig;
    ASSERT_TRUE(rig.document->editorLoad().has_value());
    rig.queue.advanceBy(1499ms);
    EXPECT_TRUE(rig.view.snapshots.empty());
    rig.queue.advanceBy(1ms);
    ASSERT_EQ(rig.view.snapshots.size(), 1u);
    // The editor's bars, 52 points at top and bottom, are left out; the picture is 480 wide.
    EXPECT_EQ(rig.view.snapshotAreas[0], (WebView::SnapshotArea{0, 52, 1200, 696, 480}));

    rig.view.snapshots[0](std::string("\x89PNG-bytes"));
    EXPECT_EQ(rig.onDisk(thumbnail), "\x89PNG-bytes");
    EXPECT_EQ(rig.queue.pending(), 0u) << "written at once, no autosave left waiting";
    EXPECT_TRUE(rig.traced("preview: 10 bytes"));
}

TEST(VelkDocumentThumbnail, APackageThatHasOneGetsNoCaptureOnLoad) {
    Rig rig;
    std::filesystem::create_directories(rig.package + "/QuickLook");
    testing_support::put(rig.package + "/" + thumbnail, "old picture");
    ASSERT_TRUE(rig.document->revertToSaved().has_value());
    ASSERT_TRUE(rig.document->editorLoad().has_value());
    rig.queue.advanceBy(10s);
    EXPECT_TRUE(rig.view.snapshots.empty());
}

TEST(VelkDocumentThumbnail, TenSavesWithinASecondEndInOneCaptureTwoSecondsAfterTheLast) {
    Rig rig;
    for (int save = 0; save < 10; ++save) {
        ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("save " + std::to_string(save))).has_value());
        rig.queue.advanceBy(100ms);
    }
    // The last save was 100 ms ago.
    rig.queue.advanceBy(1899ms);
    EXPECT_TRUE(rig.view.snapshots.empty());
    rig.queue.advanceBy(1ms);
    ASSERT_EQ(rig.view.snapshots.size(), 1u);
    rig.queue.advanceBy(10s);
    EXPECT_EQ(rig.view.snapshots.size(), 1u);

    // A thumbnail after a save is no edit: it goes to disk with the next write, which it asks for.
    rig.view.snapshots[0](std::string("picture"));
    EXPECT_FALSE(rig.document->hasUnsavedChanges());
    rig.queue.advanceBy(VelkDocument::autosaveDelay);
    EXPECT_EQ(rig.onDisk(thumbnail), "picture");
}

TEST(VelkDocumentThumbnail, OnlyAViewLargerThan160PointsBothWaysIsPictured) {
    struct Case {
        WebView::Size size;
        bool pictured;
    };
    for (const Case& shown : {Case{{160, 800}, false}, Case{{800, 160}, false}, Case{{0, 0}, false},
                              Case{{161, 161}, true}}) {
        Rig rig;
        rig.view.shownSize = shown.size;
        ASSERT_TRUE(rig.document->editorLoad().has_value());
        rig.queue.advanceBy(2s);
        EXPECT_EQ(rig.view.snapshots.size(), shown.pictured ? 1u : 0u) << shown.size.width << "x" << shown.size.height;
        if (shown.pictured) {
            EXPECT_EQ(rig.view.snapshotAreas[0], (WebView::SnapshotArea{0, 52, 161, 57, 480}));
        }
    }
}

TEST(VelkDocumentThumbnail, NoEditorAMissingPictureOrAClosedDocumentChangesNothing) {
    Rig rig;
    rig.document->showIn(&rig.window, {});
    ASSERT_TRUE(rig.document->editorLoad().has_value());
    rig.queue.advanceBy(2s);
    EXPECT_TRUE(rig.view.snapshots.empty());

    rig.document->showIn(&rig.window, rig.host);
    ASSERT_TRUE(rig.document->editorLoad().has_value());
    rig.queue.advanceBy(1500ms);
    ASSERT_EQ(rig.view.snapshots.size(), 1u);
    rig.view.snapshots[0](std::nullopt);
    EXPECT_FALSE(rig.document->core().previewData());
    EXPECT_FALSE(std::filesystem::exists(rig.package + "/QuickLook"));

    ASSERT_TRUE(rig.document->editorLoad().has_value());
    rig.queue.advanceBy(1500ms);
    ASSERT_EQ(rig.view.snapshots.size(), 2u);
    rig.document->showIn(nullptr, {});
    rig.document.reset();
    rig.view.snapshots[1](std::string("too late"));
    EXPECT_FALSE(std::filesystem::exists(rig.package + "/QuickLook"));
}

}  // namespace
}  // namespace velk
