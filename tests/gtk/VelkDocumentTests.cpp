#include "document/VelkDocument.h"

#include "DocumentRigs.h"
#include "platform/ManualMainQueue.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace velk {
namespace {

using namespace std::chrono_literals;
using testing_support::contentOf;
using testing_support::ManualMainQueue;
using testing_support::put;
using testing_support::TempFolder;

// A document on a package of its own, shown in a recording window.
using DocumentRig = testing_support::ShownDocumentRig<ManualMainQueue>;

TEST(VelkDocumentAutosave, WritesAboutOneSecondAfterAnAcceptedChange) {
    DocumentRig rig;
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("first")).has_value());
    EXPECT_TRUE(rig.document->hasUnsavedChanges());
    rig.queue.advanceBy(900ms);
    EXPECT_EQ(rig.onDisk().find("first"), std::string::npos);
    rig.queue.advanceBy(100ms);
    EXPECT_NE(rig.onDisk().find("first"), std::string::npos) << rig.onDisk();
    EXPECT_FALSE(rig.document->hasUnsavedChanges());
}

TEST(VelkDocumentAutosave, EachChangeRestartsTheDelay) {
    DocumentRig rig;
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("first")).has_value());
    rig.queue.advanceBy(700ms);
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("second")).has_value());
    rig.queue.advanceBy(700ms);
    EXPECT_EQ(rig.onDisk().find("second"), std::string::npos);
    EXPECT_EQ(rig.queue.pending(), 2u);  // one autosave, one thumbnail capture
    rig.queue.advanceBy(300ms);
    EXPECT_NE(rig.onDisk().find("second"), std::string::npos) << rig.onDisk();
}

TEST(VelkDocumentAutosave, CloseWritesAPendingChangeAtOnce) {
    DocumentRig rig;
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("closing")).has_value());
    ASSERT_TRUE(rig.document->close().has_value());
    EXPECT_NE(rig.onDisk().find("closing"), std::string::npos) << rig.onDisk();
    EXPECT_EQ(rig.queue.pending(), 0u);
}

TEST(VelkDocumentAutosave, AnAutosaveAfterTheDocumentIsGoneDoesNothing) {
    DocumentRig rig;
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("dropped")).has_value());
    rig.document.reset();
    rig.queue.advanceBy(2s);
    EXPECT_EQ(rig.onDisk().find("dropped"), std::string::npos);
}

TEST(VelkDocument, TheEditorLoadIsRecorded) {
    DocumentRig rig;
    EXPECT_FALSE(rig.document->wasLoadedByEditor());
    ASSERT_TRUE(rig.document->editorLoad().has_value());
    EXPECT_TRUE(rig.document->wasLoadedByEditor());
}

TEST(VelkDocument, NameIsThePackageFolderWithoutItsExtension) {
    DocumentRig rig;
    EXPECT_EQ(rig.document->editorDocumentName(), "Trip");
}

TEST(VelkDocument, CreateEmptyWritesANewPackageAndRefusesAnExistingOne) {
    TempFolder folder("document_new");
    PosixFileSystem fileSystem;
    ManualMainQueue queue;
    auto made = VelkDocument::createEmpty(folder / "New.velk", fileSystem, queue);
    ASSERT_TRUE(made.has_value());
    EXPECT_TRUE(std::filesystem::exists(folder / "New.velk/map.canvas"));
    EXPECT_FALSE(VelkDocument::createEmpty(folder / "New.velk", fileSystem, queue).has_value());
}

// A root canvas cut short (a crash, a sync tool halfway) cannot be shown; a page that saves anyway
// saves a map it never saw, and must not write it over the user's file.
TEST(VelkDocumentUnreadableMap, RefusesSavesUntilTheMapReadsAgain) {
    DocumentRig rig;
    const std::string cutShort = "{\"nodes\":[{\"id\":\"a\",\"type\":\"text\",\"text\":\"Everything I plan";
    put(rig.package + "/map.canvas", cutShort);
    ASSERT_TRUE(rig.document->revertToSaved().has_value());

    auto load = rig.document->editorLoad();
    ASSERT_FALSE(load.has_value());
    auto save = rig.document->editorSave(rig.bodyWithCard("over it"));
    ASSERT_FALSE(save.has_value());
    EXPECT_EQ(save.error().description(), "no root canvas map.canvas");
    EXPECT_FALSE(rig.document->hasUnsavedChanges());
    ASSERT_TRUE(rig.document->close().has_value());
    EXPECT_EQ(rig.onDisk(), cutShort);

    // Mended outside velk: once the page has the map again, its saves are taken.
    put(rig.package + "/map.canvas", "{\"nodes\":[]}");
    ASSERT_TRUE(rig.document->revertToSaved().has_value());
    ASSERT_TRUE(rig.document->editorLoad().has_value());
    ASSERT_TRUE(rig.document->editorSave(rig.bodyWithCard("mended")).has_value());
    ASSERT_TRUE(rig.document->save().has_value());
    EXPECT_NE(rig.onDisk().find("mended"), std::string::npos);
}

}  // namespace
}  // namespace velk
