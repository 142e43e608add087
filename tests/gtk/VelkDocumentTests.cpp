// A document shown in a window: when it writes what the page sends, what it refuses, its
// thumbnail, and another program changing the open package.

#include "DocumentRigs.h"

#include "package/ConflictCopy.h"
#include "platform/GLibMainQueue.h"
#include "platform/ManualMainQueue.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

// A media folder that is a link: the disk would never take the image, so the page is told at once
// rather than left with a card whose image is lost on the next save.
TEST(VelkDocumentMedia, AnImageTheDiskWouldNotTakeIsRefused) {
    Rig rig;
    std::filesystem::create_directory_symlink(rig.folder.path(), rig.package + "/velk-media");
    ASSERT_TRUE(rig.document->revertToSaved().has_value());
    const auto stored = rig.document->editorStoreMedia("abc", "image/png");
    ASSERT_FALSE(stored.has_value());
    EXPECT_EQ(stored.error().description(), "this map's velk-media is not a folder velk can write in");
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

// A disk too full for a new thumbnail still takes the edits saved with it; the picture waits.
TEST(VelkDocumentThumbnail, ASaveThatCannotWriteTheThumbnailStillWritesTheEdits) {
    for (const std::string& failing : {thumbnail, std::string("QuickLook")}) {
        Rig rig;
        rig.disk.failPath(rig.package + "/" + failing);
        ASSERT_TRUE(rig.document->editorLoad().has_value());
        rig.queue.advanceBy(1500ms);
        ASSERT_EQ(rig.view.snapshots.size(), 1u);
        ASSERT_TRUE(rig.document->editorSave(bodyWithCard("kept")).has_value());
        rig.view.snapshots[0](std::string("\x89PNG-bytes"));
        EXPECT_TRUE(rig.onDisk().contains("kept")) << failing;
        EXPECT_FALSE(rig.document->hasUnsavedChanges()) << failing;
        EXPECT_FALSE(std::filesystem::exists(rig.package + "/" + thumbnail)) << failing;
    }
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

const std::string theirs = canvasWithCard("theirs");

// The packages beside the open one whose names say they are velk's conflict copies of it.
std::vector<std::string> conflictCopies(const Rig& rig) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(rig.folder.path())) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("Trip (velk conflict ") && name.ends_with(").velk")) found.push_back(entry.path().string());
    }
    return found;
}

// Another program's version being taken and the page told is the revert test's and the real
// monitor's below.
TEST(VelkDocumentOutsideChange, VelksOwnWritesPendingOrDoneAreNoChange) {
    Rig rig;
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("mine")).has_value());
    rig.document->rereadAfterOutsideChange();  // pending, not written yet
    ASSERT_TRUE(rig.document->save().has_value());
    const auto revision = rig.document->core().revision();
    rig.document->rereadAfterOutsideChange();  // written
    EXPECT_EQ(rig.document->core().revision(), revision);
    EXPECT_TRUE(rig.changedScripts().empty());
    EXPECT_TRUE(rig.held().contains("mine"));
}

TEST(VelkDocumentRevert, RereadsTellsThePageDropsThePendingAutosaveAndTheNextEditShowsAsUnsaved) {
    Rig rig;
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("dropped")).has_value());
    put(rig.package + "/map.canvas", theirs);
    ASSERT_TRUE(rig.document->revertToSaved().has_value());
    EXPECT_EQ(rig.held(), theirs);
    EXPECT_EQ(rig.changedScripts().size(), 1u);
    rig.queue.advanceBy(5s);
    EXPECT_EQ(rig.onDisk(), theirs);
    EXPECT_FALSE(rig.document->hasUnsavedChanges());
    // What the page sends before it loads the reverted map was once saved, undoing the revert;
    // so was what it said it made while that map travelled to it, and an image pasted meanwhile.
    ASSERT_TRUE(rig.document->editorStoreMedia("\x89PNG pasted", "image/png").has_value());
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("thrown away")).has_value());
    ASSERT_TRUE(rig.document->editorLoad().has_value());
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("typed as it came").setting("madeBeforeReload", JSONValue::boolean(true))));
    EXPECT_EQ(rig.held(), theirs);
    EXPECT_FALSE(rig.document->hasUnsavedChanges());
    const int changes = rig.window.changes;
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("again")).has_value());
    EXPECT_GT(rig.window.changes, changes);
    EXPECT_TRUE(rig.document->hasUnsavedChanges());
}

// Whether the monitor tells velk first or the autosave comes due first (the files about to be
// replaced no longer hold what velk wrote), velk's edit goes to a copy and is never written over.
TEST(VelkDocumentOutsideChange, AConflictKeepsVelksVersionBesideAndTakesTheOther) {
    for (const bool autosaveFirst : {false, true}) {
        SCOPED_TRACE(autosaveFirst ? "the autosave first" : "the report first");
        Rig rig;
        ASSERT_TRUE(rig.document->editorSave(bodyWithCard("mine")).has_value());
        put(rig.package + "/map.canvas", theirs);
        if (autosaveFirst) rig.queue.advanceBy(VelkDocument::autosaveDelay);
        else rig.document->rereadAfterOutsideChange();

        const auto copies = conflictCopies(rig);
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_TRUE(contentOf(copies[0] + "/map.canvas").contains("mine"));
        EXPECT_EQ(rig.held(), theirs);
        ASSERT_EQ(rig.window.alerts.size(), 1u);
        const std::string copyName = std::filesystem::path(copies[0]).stem().string();
        EXPECT_TRUE(rig.window.alerts[0].contains("“" + copyName + "”")) << rig.window.alerts[0];
        rig.queue.advanceBy(5s);
        EXPECT_EQ(rig.onDisk(), theirs);
        EXPECT_FALSE(rig.document->hasUnsavedChanges());
    }
}

// The page saves what it holds before it loads the other program's version. That save was once
// taken into the map, and written over the other program's version without a word.
TEST(VelkDocumentOutsideChange, WhatThePageSavesBeforeItLoadsTheOtherVersionGoesToTheConflictCopy) {
    for (const bool unsavedAtTheChange : {false, true}) {
        SCOPED_TRACE(unsavedAtTheChange ? "velk held unsaved edits" : "velk had saved");
        Rig rig;
        ASSERT_TRUE(rig.document->editorLoad().has_value());
        ASSERT_TRUE(rig.document->editorSave(bodyWithCard("mine")).has_value());
        if (!unsavedAtTheChange) {
            ASSERT_TRUE(rig.document->save().has_value());
        }
        put(rig.package + "/map.canvas", theirs);
        rig.document->rereadAfterOutsideChange();
        const auto image = rig.document->editorStoreMedia("\x89PNG pasted just before", "image/png");
        ASSERT_TRUE(image.has_value());
        ASSERT_TRUE(rig.document->editorSave(bodyWithCard("typed just before")).has_value());
        rig.queue.advanceBy(5s);
        EXPECT_EQ(rig.onDisk(), theirs);
        const auto copies = conflictCopies(rig);
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_TRUE(contentOf(copies[0] + "/map.canvas").contains("typed just before"));
        EXPECT_EQ(contentOf(copies[0] + "/" + *image), "\x89PNG pasted just before");
        EXPECT_EQ(rig.window.alerts.size(), 1u);
        // Sent the map, the page may still save what it made before that arrived: it says so,
        // and it goes to the copy too, where it once went over the other program's version.
        ASSERT_TRUE(rig.document->editorLoad().has_value());
        const JSONValue madeBefore = bodyWithCard("typed as it came").setting("madeBeforeReload", JSONValue::boolean(true));
        ASSERT_TRUE(rig.document->editorSave(madeBefore).has_value());
        EXPECT_EQ(rig.held(), theirs);
        EXPECT_TRUE(contentOf(copies[0] + "/map.canvas").contains("typed as it came"));
        // Once the page has the map, its edits are the map's.
        ASSERT_TRUE(rig.document->editorSave(bodyWithCard("after")).has_value());
        EXPECT_TRUE(rig.held().contains("after"));
    }
}

// A file replaced by one velk cannot read (here a pipe; for another user, a file without read
// permission) was written over unchecked.
TEST(VelkDocumentOutsideChange, AFileReplacedByOneVelkCannotReadIsAChange) {
    Rig rig;
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("mine")).has_value());
    std::filesystem::remove(rig.package + "/map.canvas");
    ASSERT_EQ(::mkfifo((rig.package + "/map.canvas").c_str(), 0644), 0);
    (void)rig.document->save();
    EXPECT_TRUE(std::filesystem::is_fifo(rig.package + "/map.canvas"));
    ASSERT_EQ(conflictCopies(rig).size(), 1u);
    EXPECT_TRUE(contentOf(conflictCopies(rig)[0] + "/map.canvas").contains("mine"));
}

TEST(VelkDocumentOutsideChange, WithoutRoomForAConflictCopyVelksVersionStaysAndIsSavedAfterOneAlert) {
    Rig rig;
    // Every name a copy could take, this minute and the next, is taken.
    const auto now = std::chrono::system_clock::now();
    for (auto when : {now, now + std::chrono::minutes(1)}) {
        const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
        std::tm local{};
        localtime_r(&seconds, &local);
        for (int attempt = 1; attempt <= 100; ++attempt)
            std::filesystem::create_directory(rig.folder / ConflictCopy::packageName("Trip", local, attempt));
    }
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("mine")).has_value());
    put(rig.package + "/map.canvas", theirs);
    rig.document->rereadAfterOutsideChange();
    EXPECT_TRUE(rig.held().contains("mine"));
    ASSERT_EQ(rig.window.alerts.size(), 1u);
    EXPECT_TRUE(rig.window.alerts[0].contains("could not keep your changes")) << rig.window.alerts[0];
    // As the alert said: velk's version is saved, without asking again.
    rig.queue.advanceBy(VelkDocument::autosaveDelay);
    EXPECT_TRUE(rig.onDisk().contains("mine"));
    EXPECT_EQ(rig.window.alerts.size(), 1u);
}

TEST(VelkDocumentOutsideChange, AChangeToAFileVelkIsNotWritingIsKeptAndTakenAfterTheSave) {
    Rig rig;
    put(rig.package + "/note.txt", "a note");
    ASSERT_TRUE(rig.document->revertToSaved().has_value());
    ASSERT_TRUE(rig.document->editorLoad().has_value());
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("mine")).has_value());
    put(rig.package + "/note.txt", "their note");
    rig.queue.advanceBy(VelkDocument::autosaveDelay);
    EXPECT_TRUE(rig.onDisk().contains("mine"));
    EXPECT_EQ(rig.onDisk("note.txt"), "their note");
    rig.document->rereadAfterOutsideChange();
    EXPECT_EQ(rig.held("note.txt"), "their note");
    EXPECT_TRUE(rig.held().contains("mine"));
    EXPECT_TRUE(conflictCopies(rig).empty());
}

// Only its permissions changed: the package is there, and the user must not look for it elsewhere.
TEST(VelkDocumentOutsideChange, APackageVelkMayNoLongerReadIsNotCalledGone) {
    Rig rig;
    rig.disk.failPath(rig.package);
    rig.document->rereadAfterOutsideChange();
    ASSERT_EQ(rig.window.alerts.size(), 1u);
    EXPECT_TRUE(rig.window.alerts[0].starts_with("velk can no longer read \u201cTrip\u201d")) << rig.window.alerts[0];
}

TEST(VelkDocumentOutsideChange, ADeletedPackageStaysOpenIsToldOnceAndIsNotRecreated) {
    Rig rig;
    const std::string kept = rig.folder / "kept";
    std::filesystem::rename(rig.package, kept);
    rig.document->rereadAfterOutsideChange();
    rig.document->rereadAfterOutsideChange();
    ASSERT_EQ(rig.window.alerts.size(), 1u);
    EXPECT_TRUE(rig.window.alerts[0].contains("moved or deleted"));

    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("while gone")).has_value());
    rig.queue.advanceBy(2s);
    EXPECT_FALSE(std::filesystem::exists(rig.package));
    EXPECT_TRUE(rig.document->lastSaveError().has_value());
    EXPECT_TRUE(rig.held().contains("while gone"));

    // Back where it was: what could not be written is written now, and nothing more is said.
    std::filesystem::rename(kept, rig.package);
    rig.document->rereadAfterOutsideChange();
    rig.queue.advanceBy(2s);
    EXPECT_TRUE(rig.onDisk().contains("while gone"));
    EXPECT_EQ(rig.window.alerts.size(), 1u);
    EXPECT_FALSE(rig.document->hasUnsavedChanges());
}

// With the real file monitor and main loop: velk's own save is no change, a burst of writes
// right after it is noticed once, and so is a file in a folder made after opening.
TEST(VelkDocumentWatching, OnlyWhatAnotherProgramWritesIsNoticedOnceABurst) {
    DocumentOptions options;
    options.outsideChangeSettle = 50ms;
    ShownDocumentRig<GLibMainQueue> rig(options);
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("mine")).has_value());
    ASSERT_TRUE(rig.document->save().has_value());
    spinMainContextFor(400ms);
    EXPECT_TRUE(rig.changedScripts().empty());

    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("mine again")).has_value());
    ASSERT_TRUE(rig.document->save().has_value());
    for (int write = 0; write < 5; ++write) {
        put(rig.package + "/map.canvas", canvasWithCard("write " + std::to_string(write)));
        spinMainContextFor(10ms);
    }
    ASSERT_TRUE(spinMainContextUntil([&] { return rig.held() == canvasWithCard("write 4"); }));
    spinMainContextFor(300ms);
    EXPECT_EQ(rig.changedScripts().size(), 1u);
    EXPECT_TRUE(rig.window.alerts.empty());

    std::filesystem::create_directories(rig.package + "/later/deeper");
    spinMainContextFor(300ms);  // an empty folder is no change of the map
    EXPECT_EQ(rig.changedScripts().size(), 1u);
    put(rig.package + "/later/deeper/note.txt", "from outside");
    ASSERT_TRUE(spinMainContextUntil([&] { return rig.held("later/deeper/note.txt") == "from outside"; }));
}

}  // namespace
}  // namespace velk
