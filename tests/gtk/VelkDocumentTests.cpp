// A document shown in a window: when it writes what the page sends, what it refuses, and when
// it pictures the map for the package's thumbnail.

#include "DocumentRigs.h"
#include "platform/ManualMainQueue.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using namespace std::chrono_literals;
using namespace testing_support;
using Rig = ShownDocumentRig<ManualMainQueue>;

const std::string thumbnail = "QuickLook/Thumbnail.png";

TEST(VelkDocumentAutosave, WritesOneSecondAfterTheLastChangeAtOnceOnCloseAndNeverOnceTheDocumentIsGone) {
    Rig rig;
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("first")).has_value());
    rig.queue.advanceBy(700ms);
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("second")).has_value());
    rig.queue.advanceBy(999ms);
    EXPECT_FALSE(rig.onDisk().contains("first"));
    EXPECT_TRUE(rig.document->hasUnsavedChanges());
    rig.queue.advanceBy(1ms);
    EXPECT_TRUE(rig.onDisk().contains("second")) << rig.onDisk();
    EXPECT_FALSE(rig.document->hasUnsavedChanges());
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("closing")).has_value());
    ASSERT_TRUE(rig.document->close().has_value());
    EXPECT_TRUE(rig.onDisk().contains("closing")) << rig.onDisk();
    EXPECT_EQ(rig.queue.pending(), 0u);

    Rig dropped;
    ASSERT_TRUE(dropped.document->editorSave(bodyWithCard("dropped")).has_value());
    dropped.document.reset();
    dropped.queue.advanceBy(2s);
    EXPECT_FALSE(dropped.onDisk().contains("dropped"));
    EXPECT_FALSE(VelkDocument::createEmpty(dropped.package, dropped.fileSystem, dropped.queue).has_value());
}

// A root canvas cut short (a crash, a sync tool halfway) cannot be shown; a page that saves anyway
// saves a map it never saw, and must not write it over the user's file.
TEST(VelkDocumentUnreadableMap, RefusesSavesUntilTheMapReadsAgain) {
    Rig rig;
    const std::string cutShort = "{\"nodes\":[{\"id\":\"a\",\"type\":\"text\",\"text\":\"Everything I plan";
    put(rig.package + "/map.canvas", cutShort);
    ASSERT_TRUE(rig.document->revertToSaved().has_value());
    ASSERT_FALSE(rig.document->editorLoad().has_value());
    auto save = rig.document->editorSave(bodyWithCard("over it"));
    ASSERT_FALSE(save.has_value());
    EXPECT_EQ(save.error().description(), "no root canvas map.canvas");
    EXPECT_FALSE(rig.document->hasUnsavedChanges());
    ASSERT_TRUE(rig.document->close().has_value());
    EXPECT_EQ(rig.onDisk(), cutShort);

    // Mended outside velk: once the page has the map again, its saves are taken.
    put(rig.package + "/map.canvas", "{\"nodes\":[]}");
    ASSERT_TRUE(rig.document->revertToSaved().has_value());
    ASSERT_TRUE(rig.document->editorLoad().has_value());
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("mended")).has_value());
    ASSERT_TRUE(rig.document->save().has_value());
    EXPECT_TRUE(rig.onDisk().contains("mended"));
}

// A package without a thumbnail is pictured 1.5 s after the first load and written at once; one
// with a thumbnail is pictured only 2 s after the last of a burst of saves, written with the next.
TEST(VelkDocumentThumbnail, IsPicturedAfterTheFirstLoadOrTwoSecondsAfterTheLastSave) {
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

    ASSERT_TRUE(rig.document->revertToSaved().has_value());
    ASSERT_TRUE(rig.document->editorLoad().has_value());
    for (int save = 0; save < 10; ++save) {
        ASSERT_TRUE(rig.document->editorSave(bodyWithCard("save " + std::to_string(save))).has_value());
        rig.queue.advanceBy(100ms);
    }
    rig.queue.advanceBy(1899ms);  // the last save was 100 ms before
    EXPECT_EQ(rig.view.snapshots.size(), 1u);
    rig.queue.advanceBy(1ms);
    ASSERT_EQ(rig.view.snapshots.size(), 2u);
    rig.queue.advanceBy(10s);
    EXPECT_EQ(rig.view.snapshots.size(), 2u);
    rig.view.snapshots[1](std::string("picture"));
    EXPECT_FALSE(rig.document->hasUnsavedChanges());
    rig.queue.advanceBy(VelkDocument::autosaveDelay);
    EXPECT_EQ(rig.onDisk(thumbnail), "picture");
}

TEST(VelkDocumentThumbnail, OnlyAViewLargerThan160PointsBothWaysIsPictured) {
    const std::pair<WebView::Size, bool> cases[] = {
        {{160, 800}, false}, {{800, 160}, false}, {{0, 0}, false}, {{161, 161}, true}};
    for (const auto& [size, pictured] : cases) {
        Rig rig;
        rig.view.shownSize = size;
        ASSERT_TRUE(rig.document->editorLoad().has_value());
        rig.queue.advanceBy(2s);
        ASSERT_EQ(rig.view.snapshots.size(), pictured ? 1u : 0u) << size.width << "x" << size.height;
        if (pictured) { EXPECT_EQ(rig.view.snapshotAreas[0], (WebView::SnapshotArea{0, 52, 161, 57, 480})); }
    }
}

TEST(VelkDocumentThumbnail, NoEditorAMissingPictureOrAClosedDocumentChangesNothing) {
    Rig rig;
    rig.document->showIn(&rig.window, {});
    ASSERT_TRUE(rig.document->editorLoad().has_value());
    rig.queue.advanceBy(2s);
    EXPECT_TRUE(rig.view.snapshots.empty());
    rig.document->showIn(&rig.window, rig.host);
    for (std::size_t capture = 0; capture < 2; ++capture) {
        ASSERT_TRUE(rig.document->editorLoad().has_value());
        rig.queue.advanceBy(1500ms);
        ASSERT_EQ(rig.view.snapshots.size(), capture + 1);
        if (capture == 0) rig.view.snapshots[0](std::nullopt);
    }
    EXPECT_FALSE(rig.document->core().previewData());
    rig.document->showIn(nullptr, {});
    rig.document.reset();
    rig.view.snapshots[1](std::string("too late"));
    EXPECT_FALSE(std::filesystem::exists(rig.package + "/QuickLook"));
}

}  // namespace
}  // namespace velk
