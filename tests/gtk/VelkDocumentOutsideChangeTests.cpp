// Another program changing an open package: velk takes the other version, keeps its own beside
// it when both changed, and never writes over what it has not read.

#include "DocumentRigs.h"

#include "package/ConflictCopy.h"
#include "platform/GLibMainQueue.h"
#include "platform/ManualMainQueue.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using namespace std::chrono_literals;
using namespace testing_support;
using Rig = ShownDocumentRig<ManualMainQueue>;

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

TEST(VelkDocumentOutsideChange, VelksOwnWritesAreNoChangeAnotherProgramsVersionIsTakenAndThePageTold) {
    Rig rig;
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("mine")).has_value());
    rig.document->rereadAfterOutsideChange();  // pending, not written yet
    ASSERT_TRUE(rig.document->save().has_value());
    const auto revision = rig.document->core().revision();
    rig.document->rereadAfterOutsideChange();  // written
    EXPECT_EQ(rig.document->core().revision(), revision);
    EXPECT_TRUE(rig.changedScripts().empty());
    EXPECT_TRUE(rig.held().contains("mine"));

    put(rig.package + "/map.canvas", theirs);
    rig.document->rereadAfterOutsideChange();
    EXPECT_EQ(rig.held(), theirs);
    ASSERT_EQ(rig.changedScripts().size(), 1u);
    EXPECT_TRUE(rig.changedScripts()[0].contains(std::to_string(revision + 1))) << rig.changedScripts()[0];
    EXPECT_TRUE(rig.window.alerts.empty());
    EXPECT_FALSE(rig.document->hasUnsavedChanges());
}

// Revert rereads and tells the page, the autosave it drops never writes the edit back, and the
// next edit shows as unsaved again.
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
    const int changes = rig.window.changes;
    ASSERT_TRUE(rig.document->editorSave(bodyWithCard("again")).has_value());
    EXPECT_GT(rig.window.changes, changes);
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
