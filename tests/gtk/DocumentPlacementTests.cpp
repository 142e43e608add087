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

using namespace testing_support;
namespace fs = std::filesystem;
using Error = FileSystemError;

// Renames between different top folders of the test fail as they do across file systems.
class CrossDeviceFileSystem final : public FileSystem {
public:
    explicit CrossDeviceFileSystem(FileSystem& inner) : m(inner) {}
    Expected<std::vector<DirectoryEntry>, Error> list(const std::string& d) override { return m.list(d); }
    Expected<std::string, Error> read(const std::string& f) override { return m.read(f); }
    Expected<void, Error> writeAtomically(const std::string& f, std::string_view b) override { return m.writeAtomically(f, b); }
    Expected<bool, Error> replaceIfHolding(const std::string& f, std::string_view b, std::string_view e) override {
        return m.replaceIfHolding(f, b, e);
    }
    Expected<void, Error> makeDirectory(const std::string& d) override { return m.makeDirectory(d); }
    Expected<void, Error> rename(const std::string& from, const std::string& to, Replace replace) override {
        if (PackagePlacement::parentFolder(from) != PackagePlacement::parentFolder(to))
            return Unexpected(Error::fromErrno(EXDEV, from));
        return m.rename(from, to, replace);
    }
    Expected<void, Error> removeFile(const std::string& f) override { return m.removeFile(f); }
    Expected<void, Error> removeDirectory(const std::string& d) override { return m.removeDirectory(d); }
    Expected<void, Error> syncDirectory(const std::string& d) override { return m.syncDirectory(d); }

private:
    FileSystem& m;
};

bool holdsCard(const std::string& package, const std::string& text) {
    return contentOf(package + "/map.canvas").contains(text);
}

// A saved map Trip.velk in maps/, a place to put others in elsewhere/, a draft in drafts/.
struct PlacementRig {
    TempFolder root{"placement"};
    PosixFileSystem disk;
    FaultyFileSystem faulty{disk};
    ManualMainQueue queue;
    RecordingDocumentWindow window;
    std::string maps = root / "maps", elsewhere = root / "elsewhere", package = maps + "/Trip.velk";

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

TEST(VelkDocumentRename, MovesThePackageWithEverythingUnlessTheNameIsTheSameTakenOrTheMoveFails) {
    PlacementRig rig;
    fs::create_directories(rig.maps + "/Plan.velk");
    auto document = rig.open(rig.faulty);
    EXPECT_TRUE(document->editorRename(" Trip.velk ").has_value());
    EXPECT_FALSE(document->editorRename("Plan").has_value());
    EXPECT_FALSE(document->editorRename("\n").has_value());
    rig.expectWholeAt(*document, rig.package, rig.maps + "/Plan.velk/map.canvas");
    rig.faulty.failPath(rig.package);
    EXPECT_TRUE(document->editorRename("Elsewhere").has_value());
    rig.faulty.heal();
    ASSERT_EQ(rig.window.alerts.size(), 1u);
    EXPECT_TRUE(rig.window.alerts[0].starts_with("The map could not be renamed: ")) << rig.window.alerts[0];
    rig.expectWholeAt(*document, rig.package, rig.maps + "/Elsewhere.velk");

    ASSERT_TRUE(document->editorSave(bodyWithCard("pending")).has_value());
    ASSERT_TRUE(document->editorRename("a/b:c").has_value());
    rig.expectWholeAt(*document, rig.maps + "/a-b-c.velk", rig.package);
    EXPECT_EQ(document->editorDocumentName(), "a-b-c");
    EXPECT_TRUE(holdsCard(document->folder(), "pending"));
    EXPECT_GE(rig.window.changes, 1);
}

TEST(VelkDocumentSaveAs, WritesTheWholeMapAndGoesOnThereOrOnFailureLeavesEverythingAsItWas) {
    PlacementRig rig;
    auto document = rig.open(rig.faulty);
    ASSERT_TRUE(document->editorSave(bodyWithCard("unsaved")).has_value());
    const std::string taken = rig.elsewhere + "/Taken.velk", copy = rig.elsewhere + "/Copy.velk";
    fs::create_directories(taken);
    put(taken + "/theirs.txt", "theirs");
    EXPECT_EQ(document->saveAs(taken).error(), PackageError(PackageError::AlreadyExists{taken}));
    EXPECT_EQ(contentOf(taken + "/theirs.txt"), "theirs");
    rig.faulty.dieAtCall(3);
    EXPECT_FALSE(document->saveAs(rig.elsewhere + "/Broken.velk").has_value());
    rig.faulty.heal();
    rig.expectWholeAt(*document, rig.package, rig.elsewhere + "/Broken.velk");
    EXPECT_TRUE(document->hasUnsavedChanges());

    ASSERT_TRUE(document->saveAs(copy).has_value());
    rig.expectWholeAt(*document, copy, copy + "/nothing");
    EXPECT_FALSE(document->hasUnsavedChanges());
    EXPECT_TRUE(holdsCard(copy, "unsaved"));
    EXPECT_FALSE(holdsCard(rig.package, "unsaved"));
    ASSERT_TRUE(document->editorSave(bodyWithCard("later")).has_value());
    ASSERT_TRUE(document->save().has_value());
    EXPECT_TRUE(holdsCard(copy, "later"));
    EXPECT_FALSE(holdsCard(rig.package, "later"));
}

// Across file systems what is on disk is copied first and the original removed after, files velk
// never read included; a failed copy, or a file that cannot be read and so not copied, keeps it.
TEST(VelkDocumentMove, MovesThePackageWithinOrAcrossFileSystemsAndFailsWithoutTouchingIt) {
    for (const bool across : {false, true}) {
        SCOPED_TRACE(across ? "across file systems" : "within one");
        PlacementRig rig;
        CrossDeviceFileSystem crossDevice(rig.disk);
        FaultyFileSystem faulty(across ? static_cast<FileSystem&>(crossDevice) : rig.disk);
        const std::string locked = rig.package + "/locked.txt";
        put(locked, "locked");
        faulty.failPath(locked);
        auto document = rig.open(faulty);
        faulty.heal();
        put(rig.package + "/later.txt", "another program's");
        const std::string taken = rig.elsewhere + "/Taken.velk", moved = rig.elsewhere + "/Trip.velk";
        fs::create_directories(taken);
        EXPECT_EQ(document->moveTo(taken).error(), PackageError(PackageError::AlreadyExists{taken}));
        faulty.failPath(moved);
        EXPECT_FALSE(document->moveTo(moved).has_value());
        rig.expectWholeAt(*document, rig.package, moved);
        faulty.heal();
        if (across) {
            faulty.failPath(locked);
            EXPECT_FALSE(document->moveTo(moved).has_value());
            rig.expectWholeAt(*document, rig.package, moved);
            faulty.heal();
            fs::create_symlink(locked, rig.package + "/link");  // not copied: it would stay behind
            EXPECT_FALSE(document->moveTo(moved).has_value());
            rig.expectWholeAt(*document, rig.package, moved);
            fs::remove(rig.package + "/link");
        }
        ASSERT_TRUE(document->editorSave(bodyWithCard("travelling")).has_value());
        // Clearing the old place may stop half way (a folder velk may not change): nothing
        // named as the map stays there.
        faulty.after = [&](const std::string& call, const std::string&) {
            if (call == "remove") faulty.dieAtCall(faulty.calls());
        };
        ASSERT_TRUE(document->moveTo(moved).has_value());
        faulty.after = nullptr;
        faulty.heal();
        rig.expectWholeAt(*document, moved, rig.package);
        EXPECT_TRUE(holdsCard(moved, "travelling"));
        // What another program put in the package just before the move goes with it, and the
        // next save keeps it.
        put(moved + "/latest.txt", "theirs too");
        ASSERT_TRUE(document->moveTo(rig.package).has_value());
        ASSERT_TRUE(document->editorSave(bodyWithCard("back")).has_value());
        ASSERT_TRUE(document->save().has_value());
        for (const auto& [file, text] : {std::pair{"/locked.txt", "locked"}, {"/later.txt", "another program's"},
                                         {"/latest.txt", "theirs too"}})
            EXPECT_EQ(contentOf(rig.package + file), text) << file;
    }
}

// A renamed draft once kept its package's old name, and came back under it after a crash.
TEST(VelkDocumentDraft, ADuplicateHoldsTheWholeMapARenameNamesADraftsPackageASaveAsMakesItASavedMap) {
    PlacementRig rig;
    auto original = rig.open(rig.disk);
    ASSERT_TRUE(original->editorSave(bodyWithCard("shared")).has_value());
    auto document = rig.draft(original->core().tree());
    const std::string folder = document->folder(), saved = rig.elsewhere + "/Ideas.velk";
    EXPECT_TRUE(document->isDraft() && document->wasEdited());
    EXPECT_TRUE(holdsCard(folder, "shared"));
    ASSERT_TRUE(document->editorRename("Plan.velk").has_value());
    EXPECT_TRUE(document->isDraft());
    EXPECT_EQ(document->folder(), PackagePlacement::parentFolder(folder) + "/Plan.velk");
    EXPECT_TRUE(holdsCard(document->folder(), "shared"));
    EXPECT_EQ(document->proposedPackageName(), "Plan.velk");
    ASSERT_TRUE(document->editorSave(bodyWithCard("only the copy")).has_value());
    ASSERT_TRUE(document->saveAs(saved).has_value());
    EXPECT_FALSE(document->isDraft());
    EXPECT_EQ(document->displayName(), "Ideas");
    EXPECT_TRUE(holdsCard(saved, "only the copy"));
    EXPECT_FALSE(fs::exists(rig.root / "drafts/velk-1"));
    EXPECT_TRUE(fs::exists(rig.root / "drafts"));
    ASSERT_TRUE(original->save().has_value());
    EXPECT_TRUE(holdsCard(rig.package, "shared"));
    // Saved into the folder that was made for the draft, the map stays there.
    fs::create_directories(rig.root / "drafts/velk-1");
    const std::string inside = rig.root / "drafts/velk-1/Kept.velk";
    ASSERT_TRUE(rig.draft()->saveAs(inside).has_value());
    EXPECT_TRUE(fs::exists(inside + "/map.canvas"));
    // A conflict copy kept beside a draft was once removed with the draft.
    PlacementRig again;
    auto kept = again.draft();
    const std::string copy = PackagePlacement::parentFolder(kept->folder()) + "/Untitled (velk conflict).velk";
    fs::create_directories(copy);
    kept->discardDraft();
    EXPECT_FALSE(fs::exists(kept->folder()));
    EXPECT_TRUE(fs::exists(copy));
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
    ASSERT_TRUE(first && second && *first != *second);
    const std::string blank = *first + "/Untitled.velk", used = *second + "/Plan.velk";
    (void)VelkDocument::createDraft(blank, "Untitled", rig.disk, rig.queue).value();
    fs::create_directories(blank + "/QuickLook");
    put(blank + "/QuickLook/Thumbnail.png", "a picture of nothing");  // taken while it was open
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
    ASSERT_TRUE(document->editorSave(bodyWithCard("two")).has_value());
    EXPECT_EQ(rig.window.changes, afterFirst);
    rig.queue.advanceBy(VelkDocument::autosaveDelay);
    EXPECT_EQ(rig.window.changes, afterFirst + 1);
    EXPECT_TRUE(document->editorSaveAs().has_value());
    document->editorGoHome();
    document->showIn(nullptr, {});
    EXPECT_TRUE(document->editorSaveAs().has_value());
    EXPECT_EQ(std::pair(rig.window.saveAsRuns, rig.window.startWindows), std::pair(1, 1));
}

}  // namespace
}  // namespace velk
