// Where a document's package lives: renames, Save As, moves (within and across file systems),
// duplicates and drafts, each leaving the package whole at one place when something fails.

#include "DocumentRigs.h"
#include "document/Drafts.h"
#include "document/PackagePlacement.h"
#include "package/FaultyFileSystem.h"
#include "platform/ManualMainQueue.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace velk {
namespace {

using testing_support::contentOf;
using testing_support::FaultyFileSystem;
using testing_support::put;
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
    return contentOf(package + "/map.canvas").contains(text);
}

// A saved map Trip.velk in maps/, a place to put others in elsewhere/, a draft in drafts/.
struct PlacementRig {
    testing_support::TempFolder root{"placement"};
    PosixFileSystem disk;
    FaultyFileSystem faulty{disk};
    testing_support::ManualMainQueue queue;
    testing_support::RecordingDocumentWindow window;
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
    // The package is whole at `where`, the document there, and nothing is left at `gone`.
    void expectWholeAt(const VelkDocument& document, const std::string& where, const std::string& gone) const {
        EXPECT_EQ(document.folder(), where);
        EXPECT_EQ(contentOf(where + "/notes.txt"), "mine");
        EXPECT_FALSE(fs::exists(gone)) << gone;
    }
};

TEST(VelkDocumentRename, MovesThePackageBesideItselfWithEverythingUnlessTheNameIsTheSameOrTaken) {
    PlacementRig rig;
    fs::create_directories(rig.maps + "/Plan.velk");
    auto document = rig.open(rig.disk);
    EXPECT_TRUE(document->editorRename(" Trip.velk ").has_value());
    EXPECT_FALSE(document->editorRename("Plan").has_value());
    EXPECT_FALSE(document->editorRename("\n").has_value());
    rig.expectWholeAt(*document, rig.package, rig.maps + "/Plan.velk/map.canvas");

    ASSERT_TRUE(document->editorSave(bodyWithCard("pending")).has_value());
    ASSERT_TRUE(document->editorRename("a/b:c").has_value());
    rig.expectWholeAt(*document, rig.maps + "/a-b-c.velk", rig.package);
    EXPECT_EQ(document->editorDocumentName(), "a-b-c");
    EXPECT_TRUE(holdsCard(document->folder(), "pending"));
    EXPECT_GE(rig.window.changes, 1);
    EXPECT_TRUE(rig.window.alerts.empty());
}

TEST(VelkDocumentRename, AMoveThatFailsIsToldThroughTheWindowAndKeepsThePackage) {
    PlacementRig rig;
    auto document = rig.open(rig.faulty);
    rig.faulty.failPath(rig.package);
    EXPECT_TRUE(document->editorRename("Elsewhere").has_value());
    rig.faulty.heal();
    ASSERT_EQ(rig.window.alerts.size(), 1u);
    EXPECT_TRUE(rig.window.alerts[0].starts_with("The map could not be renamed: ")) << rig.window.alerts[0];
    rig.expectWholeAt(*document, rig.package, rig.maps + "/Elsewhere.velk");
}

TEST(VelkDocumentSaveAs, WritesTheWholeMapAndGoesOnThereLeavingTheOriginal) {
    PlacementRig rig;
    auto document = rig.open(rig.disk);
    ASSERT_TRUE(document->editorSave(bodyWithCard("unsaved")).has_value());
    const std::string copy = rig.elsewhere + "/Copy.velk";
    ASSERT_TRUE(document->saveAs(copy).has_value());
    rig.expectWholeAt(*document, copy, copy + "/nothing");
    EXPECT_FALSE(document->hasUnsavedChanges());
    EXPECT_TRUE(holdsCard(copy, "unsaved"));
    EXPECT_FALSE(holdsCard(rig.package, "unsaved"));
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
    rig.expectWholeAt(*document, rig.package, rig.elsewhere + "/Broken.velk");
    EXPECT_TRUE(document->hasUnsavedChanges());
    ASSERT_TRUE(document->save().has_value());
    EXPECT_TRUE(holdsCard(rig.package, "kept"));
}

TEST(VelkDocumentMove, MovesThePackageAndFailsWithoutTouchingIt) {
    PlacementRig rig;
    auto document = rig.open(rig.disk);
    const std::string taken = rig.elsewhere + "/Trip.velk";
    fs::create_directories(taken);
    EXPECT_EQ(document->moveTo(taken).error(), PackageError(PackageError::AlreadyExists{taken}));
    rig.expectWholeAt(*document, rig.package, taken + "/notes.txt");
    const std::string moved = rig.elsewhere + "/Moved.velk";
    ASSERT_TRUE(document->moveTo(moved).has_value());
    rig.expectWholeAt(*document, moved, rig.package);
    ASSERT_TRUE(document->editorSave(bodyWithCard("after the move")).has_value());
    ASSERT_TRUE(document->save().has_value());
    EXPECT_TRUE(holdsCard(moved, "after the move"));
}

TEST(VelkDocumentMove, AcrossFileSystemsCopiesFirstThenRemovesTheOriginalWhichAFailedCopyKeeps) {
    PlacementRig rig;
    CrossDeviceFileSystem crossDevice(rig.disk);
    FaultyFileSystem faulty(crossDevice);
    auto document = rig.open(faulty);
    const std::string moved = rig.elsewhere + "/Trip.velk";
    faulty.failPath(moved);
    EXPECT_FALSE(document->moveTo(moved).has_value());
    rig.expectWholeAt(*document, rig.package, moved);
    faulty.heal();
    ASSERT_TRUE(document->editorSave(bodyWithCard("travelling")).has_value());
    ASSERT_TRUE(document->moveTo(moved).has_value());
    rig.expectWholeAt(*document, moved, rig.package);
    EXPECT_TRUE(holdsCard(moved, "travelling"));
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

TEST(VelkDocumentDraft, ARenameOnlyNamesItASaveAsMakesItASavedMapAndItsFolderGoes) {
    PlacementRig rig;
    auto document = rig.draft();
    const std::string folder = document->folder();
    EXPECT_FALSE(document->wasEdited());
    ASSERT_TRUE(document->editorRename("Plan.velk").has_value());
    EXPECT_EQ(document->folder(), folder);
    EXPECT_EQ(document->proposedPackageName(), "Plan.velk");
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

// A discarded draft is never written again, not even by the save when velk quits.
TEST(VelkDocumentDraft, DiscardingRemovesItsFolderButNeverASavedMap) {
    PlacementRig rig;
    rig.open(rig.disk)->discardDraft();
    EXPECT_TRUE(fs::exists(rig.package + "/notes.txt"));
    auto draft = rig.draft();
    ASSERT_TRUE(draft->editorSave(bodyWithCard("thrown away")).has_value());
    draft->discardDraft();
    EXPECT_FALSE(fs::exists(rig.root / "drafts/velk-1"));
    EXPECT_EQ(rig.queue.pending(), 0u);
    EXPECT_TRUE(draft->close().has_value());
    EXPECT_FALSE(fs::exists(rig.root / "drafts/velk-1"));
}

TEST(VelkDocumentDraft, LeftoversOpenAgainAskingBeforeTheyAreLostUnlessBlank) {
    PlacementRig rig;
    const std::string home = rig.root / "drafts";
    const auto first = Drafts::makeHome(home), second = Drafts::makeHome(home);
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_TRUE(fs::is_empty(*second));
    EXPECT_EQ(fs::path(*first).parent_path(), fs::path(home));

    const std::string blank = *first + "/Untitled.velk", used = *second + "/Plan.velk";
    (void)VelkDocument::createDraft(blank, "Untitled", rig.disk, rig.queue).value();
    {
        auto writing = VelkDocument::createDraft(used, "Plan", rig.disk, rig.queue).value();
        ASSERT_TRUE(writing->editorSave(bodyWithCard("kept")).has_value());
        ASSERT_TRUE(writing->save().has_value());
    }
    fs::create_directories(home + "/velk-d/notes");  // not a package
    fs::create_directories(rig.root / "other/Trip.velk");  // not in a draft folder
    put(home + "/velk-e", "a file, not a folder");
    auto leftovers = Drafts::leftovers(rig.disk, home);
    std::ranges::sort(leftovers);
    EXPECT_EQ(leftovers, (std::vector<std::string>{std::min(blank, used), std::max(blank, used)}));
    EXPECT_TRUE(Drafts::leftovers(rig.disk, rig.root / "missing").empty());

    for (const auto& [path, isBlank] : {std::pair{blank, true}, std::pair{used, false}}) {
        auto reopened = VelkDocument::reopenDraft(path, "Untitled", rig.disk, rig.queue).value();
        EXPECT_TRUE(reopened->isDraft());
        EXPECT_EQ(reopened->isBlank(), isBlank) << path;
        EXPECT_EQ(reopened->wasEdited(), !isBlank) << path;
        if (!isBlank) reopened->discardDraft();
    }
    EXPECT_FALSE(fs::exists(*second));
    EXPECT_TRUE(fs::exists(blank));
}

TEST(VelkDocumentStatus, TheWindowHearsOfChangesOnlyWhenWhatItShowsChangesAndOfPageRequests) {
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

    EXPECT_TRUE(document->editorSaveAs().has_value());
    document->editorGoHome();
    document->showIn(nullptr, {});
    EXPECT_TRUE(document->editorSaveAs().has_value());
    EXPECT_EQ(std::pair(rig.window.saveAsRuns, rig.window.startWindows), std::pair(1, 1));
}

}  // namespace
}  // namespace velk
