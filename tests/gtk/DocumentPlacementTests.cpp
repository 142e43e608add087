#include "document/PackagePlacement.h"
#include "document/VelkDocument.h"

#include "DocumentRigs.h"
#include "package/FaultyFileSystem.h"
#include "platform/ManualMainQueue.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace velk {
namespace {

using testing_support::contentOf;
using testing_support::FaultyFileSystem;
using testing_support::ManualMainQueue;
using testing_support::put;
using testing_support::RecordingDocumentWindow;
using testing_support::TempFolder;
namespace fs = std::filesystem;

// Renames between different top folders of the test fail as they do across file systems.
class CrossDeviceFileSystem final : public FileSystem {
public:
    explicit CrossDeviceFileSystem(FileSystem& inner) : m_inner(inner) {}
    Expected<std::vector<DirectoryEntry>, FileSystemError> list(const std::string& d) override { return m_inner.list(d); }
    Expected<std::string, FileSystemError> read(const std::string& f) override { return m_inner.read(f); }
    Expected<void, FileSystemError> writeAtomically(const std::string& f, std::string_view b) override {
        return m_inner.writeAtomically(f, b);
    }
    Expected<void, FileSystemError> makeDirectory(const std::string& d) override { return m_inner.makeDirectory(d); }
    Expected<void, FileSystemError> rename(const std::string& from, const std::string& to, Replace replace) override {
        if (PackagePlacement::parentFolder(from) != PackagePlacement::parentFolder(to))
            return Unexpected(FileSystemError::fromErrno(EXDEV, from));
        return m_inner.rename(from, to, replace);
    }
    Expected<void, FileSystemError> removeFile(const std::string& f) override { return m_inner.removeFile(f); }
    Expected<void, FileSystemError> removeDirectory(const std::string& d) override { return m_inner.removeDirectory(d); }
    Expected<void, FileSystemError> syncDirectory(const std::string& d) override { return m_inner.syncDirectory(d); }

private:
    FileSystem& m_inner;
};

JSONValue bodyWithCard(const std::string& text) { return testing_support::saveBodyWithCard(text); }

bool holdsCard(const std::string& package, const std::string& text) {
    return contentOf(package + "/map.canvas").find(text) != std::string::npos;
}

// A saved map Trip.velk in maps/, a place to put others in elsewhere/, a draft in drafts/.
struct PlacementRig {
    TempFolder root{"placement"};
    PosixFileSystem disk;
    FaultyFileSystem faulty{disk};
    ManualMainQueue queue;
    RecordingDocumentWindow window;
    std::string maps = root / "maps";
    std::string elsewhere = root / "elsewhere";
    std::string package = maps + "/Trip.velk";

    PlacementRig() {
        fs::create_directories(package);
        fs::create_directories(elsewhere);
        fs::create_directories(root / "drafts/velk-1");
        put(package + "/map.canvas", "{\"nodes\":[],\"edges\":[]}\n");
        put(package + "/notes.txt", "mine");
    }

    std::shared_ptr<VelkDocument> open(FileSystem& fileSystem) {
        auto document = VelkDocument::open(package, fileSystem, queue).value();
        document->showIn(&window, {});
        return document;
    }
    std::shared_ptr<VelkDocument> draft(std::optional<DocumentTree> contents = std::nullopt) {
        auto document =
            VelkDocument::createDraft(root / "drafts/velk-1/Untitled.velk", "Untitled", disk, queue, contents).value();
        document->showIn(&window, {});
        return document;
    }
};

TEST(VelkDocumentRename, MovesThePackageBesideItselfKeepingEverythingInIt) {
    PlacementRig rig;
    auto document = rig.open(rig.disk);
    ASSERT_TRUE(document->editorSave(bodyWithCard("pending")).has_value());
    ASSERT_TRUE(document->editorRename("a/b:c").has_value());
    const std::string moved = rig.maps + "/a-b-c.velk";
    EXPECT_EQ(document->folder(), moved);
    EXPECT_EQ(document->editorDocumentName(), "a-b-c");
    EXPECT_FALSE(fs::exists(rig.package));
    EXPECT_TRUE(holdsCard(moved, "pending"));
    EXPECT_EQ(contentOf(moved + "/notes.txt"), "mine");
    EXPECT_GE(rig.window.changes, 1);
    EXPECT_TRUE(rig.window.alerts.empty());
}

TEST(VelkDocumentRename, TheSameNameOrATakenOneLeavesThePackageAlone) {
    PlacementRig rig;
    fs::create_directories(rig.maps + "/Plan.velk");
    auto document = rig.open(rig.disk);
    EXPECT_TRUE(document->editorRename(" Trip.velk ").has_value());
    EXPECT_EQ(document->editorRename("Plan").error(),
              EditorDocumentError(RenameError{"a map called \u201cPlan\u201d already exists there"}));
    EXPECT_EQ(document->editorRename("\n").error(), EditorDocumentError(RenameError{"a map needs a name"}));
    EXPECT_EQ(document->folder(), rig.package);
    EXPECT_TRUE(fs::exists(rig.package + "/map.canvas"));
}

TEST(VelkDocumentRename, AMoveThatFailsIsToldThroughTheWindowAndKeepsThePackage) {
    PlacementRig rig;
    auto document = rig.open(rig.faulty);
    rig.faulty.failPath(rig.package);
    EXPECT_TRUE(document->editorRename("Elsewhere").has_value());
    rig.faulty.heal();
    ASSERT_EQ(rig.window.alerts.size(), 1u);
    EXPECT_TRUE(rig.window.alerts[0].starts_with("The map could not be renamed: ")) << rig.window.alerts[0];
    EXPECT_EQ(document->folder(), rig.package);
    EXPECT_TRUE(fs::exists(rig.package + "/map.canvas"));
    EXPECT_FALSE(fs::exists(rig.maps + "/Elsewhere.velk"));
}

TEST(VelkDocumentRename, ADraftChangesOnlyItsNameAndASaveProposesIt) {
    PlacementRig rig;
    auto document = rig.draft();
    const std::string folder = document->folder();
    ASSERT_TRUE(document->editorRename("Plan.velk").has_value());
    EXPECT_EQ(document->folder(), folder);
    EXPECT_EQ(document->displayName(), "Plan");
    EXPECT_EQ(document->proposedPackageName(), "Plan.velk");
    EXPECT_TRUE(fs::exists(folder + "/map.canvas"));
}

TEST(VelkDocumentSaveAs, WritesTheWholeMapAndGoesOnThereLeavingTheOriginal) {
    PlacementRig rig;
    auto document = rig.open(rig.disk);
    ASSERT_TRUE(document->editorSave(bodyWithCard("unsaved")).has_value());
    const std::string copy = rig.elsewhere + "/Copy.velk";
    ASSERT_TRUE(document->saveAs(copy).has_value());
    EXPECT_EQ(document->folder(), copy);
    EXPECT_FALSE(document->hasUnsavedChanges());
    EXPECT_TRUE(holdsCard(copy, "unsaved"));
    EXPECT_EQ(contentOf(copy + "/notes.txt"), "mine");
    EXPECT_FALSE(holdsCard(rig.package, "unsaved"));

    // Later edits go to the new package only.
    ASSERT_TRUE(document->editorSave(bodyWithCard("later")).has_value());
    ASSERT_TRUE(document->save().has_value());
    EXPECT_TRUE(holdsCard(copy, "later"));
    EXPECT_FALSE(holdsCard(rig.package, "later"));
    EXPECT_EQ(rig.queue.pending(), 1u);  // the thumbnail capture after the save
}

TEST(VelkDocumentSaveAs, FailureLeavesDocumentAndBothPlacesAsTheyWere) {
    PlacementRig rig;
    auto document = rig.open(rig.faulty);
    ASSERT_TRUE(document->editorSave(bodyWithCard("kept")).has_value());
    const std::string taken = rig.elsewhere + "/Taken.velk";
    fs::create_directories(taken);
    put(taken + "/theirs.txt", "theirs");
    EXPECT_EQ(document->saveAs(taken).error(), PackageError(PackageError::AlreadyExists{taken}));
    EXPECT_EQ(contentOf(taken + "/theirs.txt"), "theirs");

    rig.faulty.dieAtCall(3);
    EXPECT_FALSE(document->saveAs(rig.elsewhere + "/Broken.velk").has_value());
    rig.faulty.heal();
    EXPECT_FALSE(fs::exists(rig.elsewhere + "/Broken.velk"));
    EXPECT_EQ(document->folder(), rig.package);
    EXPECT_TRUE(document->hasUnsavedChanges());
    ASSERT_TRUE(document->save().has_value());
    EXPECT_TRUE(holdsCard(rig.package, "kept"));
}

TEST(VelkDocumentSaveAs, ADraftBecomesASavedMapAndItsTemporaryFolderGoes) {
    PlacementRig rig;
    auto document = rig.draft();
    ASSERT_TRUE(document->editorSave(bodyWithCard("draft")).has_value());
    EXPECT_TRUE(document->wasEdited());
    const std::string saved = rig.elsewhere + "/Ideas.velk";
    ASSERT_TRUE(document->saveAs(saved).has_value());
    EXPECT_FALSE(document->isDraft());
    EXPECT_EQ(document->displayName(), "Ideas");
    EXPECT_TRUE(holdsCard(saved, "draft"));
    EXPECT_FALSE(fs::exists(rig.root / "drafts/velk-1"));
    EXPECT_TRUE(fs::exists(rig.root / "drafts"));
}

TEST(VelkDocumentMove, MovesThePackageAndFailsWithoutTouchingIt) {
    PlacementRig rig;
    auto document = rig.open(rig.disk);
    const std::string taken = rig.elsewhere + "/Trip.velk";
    fs::create_directories(taken);
    EXPECT_EQ(document->moveTo(taken).error(), PackageError(PackageError::AlreadyExists{taken}));
    EXPECT_TRUE(fs::exists(rig.package + "/notes.txt"));
    EXPECT_EQ(document->folder(), rig.package);

    const std::string moved = rig.elsewhere + "/Moved.velk";
    ASSERT_TRUE(document->moveTo(moved).has_value());
    EXPECT_FALSE(fs::exists(rig.package));
    EXPECT_EQ(contentOf(moved + "/notes.txt"), "mine");
    ASSERT_TRUE(document->editorSave(bodyWithCard("after the move")).has_value());
    ASSERT_TRUE(document->save().has_value());
    EXPECT_TRUE(holdsCard(moved, "after the move"));
}

TEST(VelkDocumentMove, AcrossFileSystemsCopiesFirstThenRemovesTheOriginal) {
    PlacementRig rig;
    CrossDeviceFileSystem crossDevice(rig.disk);
    auto document = rig.open(crossDevice);
    ASSERT_TRUE(document->editorSave(bodyWithCard("travelling")).has_value());
    const std::string moved = rig.elsewhere + "/Trip.velk";
    ASSERT_TRUE(document->moveTo(moved).has_value());
    EXPECT_TRUE(holdsCard(moved, "travelling"));
    EXPECT_EQ(contentOf(moved + "/notes.txt"), "mine");
    EXPECT_FALSE(fs::exists(rig.package));
    EXPECT_EQ(document->folder(), moved);
}

TEST(VelkDocumentMove, AFailingCopyAcrossFileSystemsKeepsTheOriginal) {
    PlacementRig rig;
    CrossDeviceFileSystem crossDevice(rig.disk);
    FaultyFileSystem faulty(crossDevice);
    auto document = rig.open(faulty);
    faulty.failPath(rig.elsewhere + "/Trip.velk");
    EXPECT_FALSE(document->moveTo(rig.elsewhere + "/Trip.velk").has_value());
    EXPECT_EQ(contentOf(rig.package + "/notes.txt"), "mine");
    EXPECT_EQ(document->folder(), rig.package);
}

TEST(VelkDocumentDuplicate, IsADraftWithTheWholeMapAndLeavesTheOriginalAlone) {
    PlacementRig rig;
    auto original = rig.open(rig.disk);
    ASSERT_TRUE(original->editorSave(bodyWithCard("shared")).has_value());
    auto copy = rig.draft(original->core().tree());
    EXPECT_TRUE(copy->isDraft());
    EXPECT_TRUE(copy->wasEdited());
    EXPECT_TRUE(holdsCard(copy->folder(), "shared"));
    ASSERT_TRUE(copy->editorSave(bodyWithCard("only the copy")).has_value());
    ASSERT_TRUE(copy->save().has_value());
    ASSERT_TRUE(original->save().has_value());
    EXPECT_TRUE(holdsCard(rig.package, "shared"));
}

TEST(VelkDocumentDraft, DiscardingRemovesItsFolderButNeverASavedMap) {
    PlacementRig rig;
    auto saved = rig.open(rig.disk);
    saved->discardDraft();
    EXPECT_TRUE(fs::exists(rig.package + "/notes.txt"));

    auto draft = rig.draft();
    EXPECT_FALSE(draft->wasEdited());
    ASSERT_TRUE(draft->editorSave(bodyWithCard("thrown away")).has_value());
    draft->discardDraft();
    EXPECT_FALSE(fs::exists(rig.root / "drafts/velk-1"));
    EXPECT_EQ(rig.queue.pending(), 0u);
    // Nothing brings the thrown-away draft back.
    EXPECT_TRUE(draft->close().has_value());
    EXPECT_FALSE(fs::exists(rig.root / "drafts/velk-1"));
}

TEST(VelkDocumentStatus, TheWindowHearsOfChangesOnlyWhenWhatItShowsChanges) {
    PlacementRig rig;
    auto document = rig.open(rig.disk);
    ASSERT_TRUE(document->editorSave(bodyWithCard("one")).has_value());
    const int afterFirst = rig.window.changes;
    EXPECT_GE(afterFirst, 1);
    ASSERT_TRUE(document->editorSave(bodyWithCard("two")).has_value());
    EXPECT_EQ(rig.window.changes, afterFirst);
    rig.queue.advanceBy(VelkDocument::autosaveDelay);
    EXPECT_EQ(rig.window.changes, afterFirst + 1);
    EXPECT_FALSE(document->status().unsavedChanges);
}

TEST(VelkDocumentPageRequests, SaveAsAndHomeGoToTheWindow) {
    PlacementRig rig;
    auto document = rig.open(rig.disk);
    EXPECT_TRUE(document->editorSaveAs().has_value());
    document->editorGoHome();
    EXPECT_EQ(rig.window.saveAsRuns, 1);
    EXPECT_EQ(rig.window.startWindows, 1);
    document->showIn(nullptr, {});
    EXPECT_TRUE(document->editorSaveAs().has_value());
    EXPECT_EQ(rig.window.saveAsRuns, 1);
}

}  // namespace
}  // namespace velk
