#include "DocumentRigs.h"

#include "package/ConflictCopy.h"
#include "platform/GLibMainQueue.h"
#include "platform/ManualMainQueue.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velk {
namespace {

using namespace std::chrono_literals;
using testing_support::contentOf;
using testing_support::ManualMainQueue;
using testing_support::put;
using testing_support::spinMainContextFor;
using testing_support::spinMainContextUntil;
using Rig = testing_support::ShownDocumentRig<ManualMainQueue>;

// The packages beside the open one whose names say they are velk's conflict copies of it.
std::vector<std::string> conflictCopies(const Rig& rig) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(rig.folder.path())) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("Trip (velk conflict ") && name.ends_with(").velk")) found.push_back(entry.path().string());
    }
    return found;
}

TEST(VelkDocumentOutsideChange, AnotherProgramsVersionIsTakenAndThePageToldWhenNothingIsUnsaved) {
    Rig rig;
    const auto revision = rig.document->core().revision();
    put(rig.package + "/map.canvas", Rig::canvasWithCard("theirs"));
    rig.document->rereadAfterOutsideChange();
    EXPECT_EQ(rig.held(), Rig::canvasWithCard("theirs"));
    EXPECT_EQ(rig.document->core().revision(), revision + 1);
    ASSERT_EQ(rig.changedScripts().size(), 1u);
    EXPECT_NE(rig.changedScripts()[0].find(std::to_string(revision + 1)), std::string::npos) << rig.changedScripts()[0];
    EXPECT_GE(rig.window.changes, 1);
    EXPECT_TRUE(rig.window.alerts.empty());
    EXPECT_FALSE(rig.document->hasUnsavedChanges());
}

TEST(VelkDocumentOutsideChange, VelksOwnWritesAndPendingEditsAreNoChange) {
    Rig rig;
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("mine")).has_value());
    rig.document->rereadAfterOutsideChange();  // pending, not written yet
    ASSERT_TRUE(rig.document->save().has_value());
    const auto revision = rig.document->core().revision();
    rig.document->rereadAfterOutsideChange();  // written
    EXPECT_EQ(rig.document->core().revision(), revision);
    EXPECT_TRUE(rig.changedScripts().empty());
    EXPECT_TRUE(rig.window.alerts.empty());
    EXPECT_NE(rig.held().find("mine"), std::string::npos);
}

TEST(VelkDocumentOutsideChange, AConflictKeepsVelksVersionBesideAndTakesTheOther) {
    Rig rig;
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("mine")).has_value());
    put(rig.package + "/map.canvas", Rig::canvasWithCard("theirs"));
    rig.document->rereadAfterOutsideChange();

    const auto copies = conflictCopies(rig);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_NE(contentOf(copies[0] + "/map.canvas").find("mine"), std::string::npos);
    EXPECT_EQ(rig.onDisk(), Rig::canvasWithCard("theirs"));
    EXPECT_EQ(rig.held(), Rig::canvasWithCard("theirs"));
    ASSERT_EQ(rig.window.alerts.size(), 1u);
    const std::string copyName = std::filesystem::path(copies[0]).stem().string();
    EXPECT_NE(rig.window.alerts[0].find("“" + copyName + "”"), std::string::npos) << rig.window.alerts[0];
    EXPECT_EQ(rig.changedScripts().size(), 1u);

    // The autosave that was waiting for velk's edit must not write it over the other version.
    rig.queue.advanceBy(5s);
    EXPECT_EQ(rig.onDisk(), Rig::canvasWithCard("theirs"));
    EXPECT_FALSE(rig.document->hasUnsavedChanges());
}

TEST(VelkDocumentOutsideChange, WithoutRoomForAConflictCopyVelksVersionStaysOpenAndTheUserIsToldOnce) {
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
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("mine")).has_value());
    put(rig.package + "/map.canvas", Rig::canvasWithCard("theirs"));
    rig.document->rereadAfterOutsideChange();
    EXPECT_NE(rig.held().find("mine"), std::string::npos);
    ASSERT_EQ(rig.window.alerts.size(), 1u);
    EXPECT_NE(rig.window.alerts[0].find("could not keep your changes"), std::string::npos) << rig.window.alerts[0];
    // As the alert said: velk's version is saved, without asking again.
    rig.queue.advanceBy(VelkDocument::autosaveDelay);
    EXPECT_NE(rig.onDisk().find("mine"), std::string::npos);
    EXPECT_EQ(rig.window.alerts.size(), 1u);
}

TEST(VelkDocumentOutsideChange, AnAutosaveDueBeforeTheChangeIsReportedDoesNotWriteOverIt) {
    Rig rig;
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("mine")).has_value());
    put(rig.package + "/map.canvas", Rig::canvasWithCard("theirs"));
    // No report from the monitor yet: the autosave comes first.
    rig.queue.advanceBy(VelkDocument::autosaveDelay);
    EXPECT_EQ(rig.onDisk(), Rig::canvasWithCard("theirs"));
    EXPECT_EQ(rig.held(), Rig::canvasWithCard("theirs"));
    ASSERT_EQ(conflictCopies(rig).size(), 1u);
    EXPECT_NE(contentOf(conflictCopies(rig)[0] + "/map.canvas").find("mine"), std::string::npos);
    EXPECT_EQ(rig.window.alerts.size(), 1u);
}

TEST(VelkDocumentOutsideChange, AChangeToAFileVelkIsNotWritingIsKeptAndTakenAfterTheSave) {
    Rig rig;
    put(rig.package + "/note.txt", "a note");
    ASSERT_TRUE(rig.document->revertToSaved().has_value());
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("mine")).has_value());
    put(rig.package + "/note.txt", "their note");
    rig.queue.advanceBy(VelkDocument::autosaveDelay);
    EXPECT_NE(rig.onDisk().find("mine"), std::string::npos);
    EXPECT_EQ(rig.onDisk("note.txt"), "their note");
    rig.document->rereadAfterOutsideChange();
    EXPECT_EQ(rig.held("note.txt"), "their note");
    EXPECT_NE(rig.held().find("mine"), std::string::npos);
    EXPECT_TRUE(conflictCopies(rig).empty());
}

TEST(VelkDocumentOutsideChange, ADeletedPackageStaysOpenIsToldOnceAndIsNotRecreated) {
    Rig rig;
    const std::string kept = rig.folder / "kept";
    std::filesystem::rename(rig.package, kept);
    rig.document->rereadAfterOutsideChange();
    rig.document->rereadAfterOutsideChange();
    ASSERT_EQ(rig.window.alerts.size(), 1u);
    EXPECT_NE(rig.window.alerts[0].find("moved or deleted"), std::string::npos);

    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("while gone")).has_value());
    rig.queue.advanceBy(2s);
    EXPECT_FALSE(std::filesystem::exists(rig.package));
    EXPECT_TRUE(rig.document->lastSaveError().has_value());
    EXPECT_NE(rig.held().find("while gone"), std::string::npos);

    // Back where it was: what could not be written is written now, and nothing more is said.
    std::filesystem::rename(kept, rig.package);
    rig.document->rereadAfterOutsideChange();
    rig.queue.advanceBy(2s);
    EXPECT_NE(rig.onDisk().find("while gone"), std::string::npos);
    EXPECT_EQ(rig.window.alerts.size(), 1u);
    EXPECT_FALSE(rig.document->hasUnsavedChanges());
}

TEST(VelkDocumentRevert, RereadsTellsThePageAndDropsThePendingAutosave) {
    Rig rig;
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("dropped")).has_value());
    put(rig.package + "/map.canvas", Rig::canvasWithCard("on disk"));
    ASSERT_TRUE(rig.document->revertToSaved().has_value());
    EXPECT_EQ(rig.held(), Rig::canvasWithCard("on disk"));
    EXPECT_EQ(rig.changedScripts().size(), 1u);
    EXPECT_GE(rig.window.changes, 1);
    rig.queue.advanceBy(5s);
    EXPECT_EQ(rig.onDisk(), Rig::canvasWithCard("on disk"));
    EXPECT_FALSE(rig.document->hasUnsavedChanges());

    // The next edit shows as unsaved again.
    const int changes = rig.window.changes;
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("again")).has_value());
    EXPECT_GT(rig.window.changes, changes);
}

// With the real file monitor and main loop.
struct WatchedRig : testing_support::ShownDocumentRig<GLibMainQueue> {
    WatchedRig() : ShownDocumentRig(watchedOptions()) {}
    static DocumentOptions watchedOptions() {
        DocumentOptions options;
        options.outsideChangeSettle = 50ms;
        return options;
    }
};

TEST(VelkDocumentWatching, ABurstOfWritesByAnotherProgramIsNoticedOnce) {
    WatchedRig rig;
    for (int write = 0; write < 5; ++write) {
        put(rig.package + "/map.canvas", WatchedRig::canvasWithCard("write " + std::to_string(write)));
        spinMainContextFor(10ms);
    }
    ASSERT_TRUE(spinMainContextUntil([&] { return !rig.changedScripts().empty(); }));
    spinMainContextFor(300ms);
    EXPECT_EQ(rig.changedScripts().size(), 1u);
    EXPECT_EQ(rig.held(), WatchedRig::canvasWithCard("write 4"));
}

TEST(VelkDocumentWatching, VelksOwnSaveIsNotAnOutsideChange) {
    WatchedRig rig;
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("mine")).has_value());
    ASSERT_TRUE(rig.document->save().has_value());
    spinMainContextFor(400ms);
    EXPECT_TRUE(rig.window.alerts.empty());
    EXPECT_TRUE(rig.changedScripts().empty());
}

TEST(VelkDocumentWatching, AnOutsideWriteRightAfterVelksOwnSaveIsNoticed) {
    WatchedRig rig;
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("mine")).has_value());
    ASSERT_TRUE(rig.document->save().has_value());
    put(rig.package + "/map.canvas", WatchedRig::canvasWithCard("theirs"));
    ASSERT_TRUE(spinMainContextUntil([&] { return rig.held() == WatchedRig::canvasWithCard("theirs"); }));
    EXPECT_EQ(rig.changedScripts().size(), 1u);
    EXPECT_TRUE(rig.window.alerts.empty());
}

TEST(VelkDocumentWatching, AFileInAFolderMadeAfterOpeningIsNoticed) {
    WatchedRig rig;
    std::filesystem::create_directories(rig.package + "/later/deeper");
    spinMainContextFor(300ms);  // an empty folder is no change of the map
    EXPECT_TRUE(rig.changedScripts().empty());
    put(rig.package + "/later/deeper/note.txt", "from outside");
    ASSERT_TRUE(spinMainContextUntil([&] { return rig.held("later/deeper/note.txt") == "from outside"; }));
}

}  // namespace
}  // namespace velk
