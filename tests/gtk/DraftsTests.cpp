#include "document/Drafts.h"
#include "document/VelkDocument.h"

#include "DocumentRigs.h"
#include "platform/ManualMainQueue.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velk {
namespace {

using testing_support::ManualMainQueue;
using testing_support::put;
using testing_support::TempFolder;
namespace fs = std::filesystem;

TEST(Drafts, EachDraftGetsAFolderOfItsOwn) {
    TempFolder folder("drafts_home");
    const std::string root = folder / "Unsaved Maps";
    auto first = Drafts::makeHome(root);
    auto second = Drafts::makeHome(root);
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_TRUE(fs::is_directory(*first));
    EXPECT_TRUE(fs::is_empty(*second));
    EXPECT_EQ(fs::path(*first).parent_path(), fs::path(root));
}

TEST(Drafts, LeftoversAreThePackagesInDraftFoldersOnly) {
    TempFolder folder("drafts_left");
    const std::string root = folder.path();
    fs::create_directories(root + "/velk-b/Plan.velk");
    fs::create_directories(root + "/velk-a/Untitled.velk");
    fs::create_directories(root + "/velk-c");                     // made, never filled
    fs::create_directories(root + "/velk-d/notes");               // not a package
    fs::create_directories(root + "/other/Trip.velk");            // not a draft folder
    put(root + "/velk-e", "a file, not a folder");
    PosixFileSystem disk;
    EXPECT_EQ(Drafts::leftovers(disk, root),
              (std::vector<std::string>{root + "/velk-a/Untitled.velk", root + "/velk-b/Plan.velk"}));
    EXPECT_TRUE(Drafts::leftovers(disk, folder / "missing").empty());
}

TEST(Drafts, AReopenedDraftAsksBeforeItIsLostUnlessItIsBlank) {
    TempFolder folder("drafts_reopen");
    PosixFileSystem disk;
    ManualMainQueue queue;
    const std::string blank = folder / "velk-a/Untitled.velk";
    const std::string used = folder / "velk-b/Untitled.velk";
    fs::create_directories(folder / "velk-a");
    fs::create_directories(folder / "velk-b");
    (void)VelkDocument::createDraft(blank, "Untitled", disk, queue).value();
    auto writing = VelkDocument::createDraft(used, "Untitled", disk, queue).value();
    ASSERT_TRUE(writing->editorSave(testing_support::saveBodyWithCard("kept")).has_value());
    ASSERT_TRUE(writing->save().has_value());
    writing.reset();

    auto reopenedBlank = VelkDocument::reopenDraft(blank, "Untitled", disk, queue).value();
    EXPECT_TRUE(reopenedBlank->isDraft());
    EXPECT_TRUE(reopenedBlank->isBlank());
    EXPECT_FALSE(reopenedBlank->wasEdited());

    auto reopenedUsed = VelkDocument::reopenDraft(used, "Untitled", disk, queue).value();
    EXPECT_TRUE(reopenedUsed->isDraft());
    EXPECT_FALSE(reopenedUsed->isBlank());
    EXPECT_TRUE(reopenedUsed->wasEdited());
    reopenedUsed->discardDraft();
    EXPECT_FALSE(fs::exists(folder / "velk-b"));
    EXPECT_TRUE(fs::exists(blank));
}

}  // namespace
}  // namespace velk
