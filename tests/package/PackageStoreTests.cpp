// The package store over a disk in memory and over the real one, conflict copies beside a
// package, and telling velk's own writes from outside changes. Then saves and creations
// interrupted at every step, by a failing call or by a crash that loses whatever was not yet
// durable, and a real saving process killed with SIGKILL at random moments: none may leave a file
// torn, a canvas ahead of what it links, or a package that cannot be read.

#include "package/ConflictCopy.h"
#include "package/FaultyFileSystem.h"
#include "package/OutsideChange.h"
#include "package/PackageStore.h"
#include "package/PackageTestSupport.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"
#include "platform/TemporaryName.h"

#include <gtest/gtest.h>

#include <set>

#include <chrono>
#include <functional>
#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace velk {
namespace {

using namespace testing_support;
using Paths = std::vector<std::string>;
using Reason = SkippedNode::Reason;
using Crash = MemoryFileSystem::Crash;
using Content = std::optional<std::string>;

const std::string package = "/maps/Ideas.velk";
const FileSystemError::Failed io{EIO};

DocumentTree sample() {
    return treeOf({{"map.canvas", R"({"nodes":[{"id":"a","type":"file","file":"map/A.canvas"}],"edges":[]})"},
                   {"map/A.canvas", R"({"nodes":[{"id":"d","type":"file","file":"map/A/Deep.canvas"}],"edges":[]})"},
                   {"map/A/Deep.canvas", R"({"nodes":[],"edges":[]})"}, {"map/B.canvas", R"({"nodes":[],"edges":[]})"},
                   {"velk-media/cat.png", "\x89PNG cat"}, {"notes.txt", "my own notes"}});
}

PackageError notSaved(FileSystemError::Case reason, const std::string& path) {
    return PackageError(PackageError::NotSaved{FileSystemError(reason, path)});
}

// A disk holding `tree` as the package, and a store for it.
struct Disk {
    MemoryFileSystem memory;
    FaultyFileSystem faulty{memory};
    PackageStore store{faulty, package};

    explicit Disk(const DocumentTree& tree = sample()) { seed(memory, package, tree); }
    // The store reads the package; the faults and their log start afresh.
    DocumentTree read() {
        auto contents = store.read();
        EXPECT_TRUE(contents && contents->unreadable.empty());
        faulty.heal();
        faulty.clearLog();
        return contents->tree;
    }
};

TEST(PackageStoreRead, TakesRegularFilesAndFoldersOnlyAndReportsWhatItCannotRead) {
    Disk disk;
    disk.memory.addFile(package + "/empty.txt", "");
    disk.memory.addDirectory(package + "/empty folder");
    disk.memory.addSpecial(package + "/link.canvas", EntryKind::symbolicLink);
    disk.memory.addSpecial(package + "/map/pipe", EntryKind::other);
    disk.memory.addFile(package + "/map/.A.canvas.velk-tmp-x1y2z3w4", "half a canvas");  // left by a crash
    disk.memory.addFile(package + "/locked/old.canvas", "old");
    disk.faulty.failPath(package + "/map/B.canvas");
    disk.faulty.failPath(package + "/locked");
    auto contents = disk.store.read();
    ASSERT_TRUE(contents);
    std::ranges::sort(contents->unreadable, {}, &UnreadableEntry::path);
    EXPECT_EQ(contents->unreadable, (std::vector<UnreadableEntry>{{"locked", FileSystemError(io, package + "/locked")},
                                                                  {"map/B.canvas", FileSystemError(io, package + "/map/B.canvas")}}));
    DocumentTree expected = sample();
    expected.remove("map/B.canvas");
    expected.write("", "empty.txt");
    expected.write("x", "empty folder/x");
    expected.remove("empty folder/x");
    EXPECT_EQ(contents->tree, expected);

    // The editor cannot know the unreadable exist; a save must not put its own files in their place,
    // nor, having left some out, remove any: a submap renamed onto such a name lives on only in
    // its old file.
    disk.faulty.heal();
    DocumentTree tree = contents->tree;
    tree.write("new", "map/B.canvas");
    tree.write("new", "locked/new.canvas");
    tree.remove("notes.txt");
    EXPECT_EQ(disk.store.save(tree)->skipped, (std::vector<SkippedNode>{{"locked/new.canvas", Reason::unreadableOnDisk},
                                                                       {"map/B.canvas", Reason::unreadableOnDisk}}));
    EXPECT_EQ(disk.memory.file(package + "/map/B.canvas"), *sample().data("map/B.canvas"));
    EXPECT_EQ(disk.memory.describe(package + "/locked"), Paths{"old.canvas"});
    EXPECT_EQ(disk.memory.file(package + "/notes.txt"), "my own notes");

    disk.memory.addFile("/maps/file.velk", "");
    EXPECT_EQ(PackageStore(disk.memory, "/maps/Missing.velk/").read().error(),
              PackageError(PackageError::CannotOpen{FileSystemError(FileSystemError::NotFound{}, "/maps/Missing.velk")}));
    EXPECT_EQ(PackageStore(disk.memory, "/maps/file.velk").read().error().description(),
              "The map couldn\u2019t be opened. \u201C/maps/file.velk\u201D isn\u2019t a folder.");
}

// Reading again only the files a monitor named finds what a whole read would, or leaves it to one.
TEST(PackageStoreRead, AgainAtTheTouchedFilesFindsWhatAWholeReadWouldOrLeavesItToOne) {
    const std::string folderLeftEmpty = "kept/";
    for (const Paths& touched : {Paths{"map/A.canvas"}, Paths{"map/New.canvas", "notes.txt"}, Paths{"map/B.canvas"}}) {
        Disk disk;
        disk.memory.addDirectory(package + "/" + folderLeftEmpty);
        (void)disk.read();
        disk.memory.addFile(package + "/map/A.canvas", "theirs");
        disk.memory.addFile(package + "/map/New.canvas", "new");
        disk.memory.addFile(package + "/notes.txt", "their notes");
        (void)disk.memory.removeFile(package + "/map/B.canvas");
        const auto again = disk.store.readAgainAt({touched.begin(), touched.end()});
        ASSERT_TRUE(again) << touched[0];
        for (const std::string& path : touched) EXPECT_EQ(text(again->data(path)), disk.memory.file(package + "/" + path).value_or("<absent>")) << path;
        EXPECT_EQ(text(again->data("velk-media/cat.png")), "\x89PNG cat");
        EXPECT_TRUE(again->at("kept").has_value()) << "an empty folder of the user's is part of the package";
        const auto next = disk.store.save(*again);  // compared with what was read again: nothing to do
        EXPECT_TRUE(next && next->written.empty() && next->removed.empty());
    }
    const std::pair<std::string, std::function<void(MemoryFileSystem&)>> wholeRead[] = {
        {"map/A.canvas", [](MemoryFileSystem& m) { (void)m.removeFile(package + "/map/A.canvas"), m.addDirectory(package + "/map/A.canvas"); }},
        {"map/Fresh/New.canvas", [](MemoryFileSystem& m) { m.addFile(package + "/map/Fresh/New.canvas", "new"); }},
        {"map", [](MemoryFileSystem&) {}},
    };
    for (const auto& [path, change] : wholeRead) {
        Disk disk;
        (void)disk.read();
        change(disk.memory);
        EXPECT_FALSE(disk.store.readAgainAt({path}).has_value()) << path;
    }
}

TEST(PackageStoreSave, WritesOnlyWhatChangedMediaThenCanvasesDeepestFirstAndRemovesLast) {
    Disk disk;
    DocumentTree tree = disk.read();
    // The same content held in storage of its own, as when a tree is rebuilt from copies.
    DocumentTree rebuilt;
    for (const std::string& path : describe(tree))
        if (!path.ends_with('/')) rebuilt.write(std::string(*tree.data(path)), path);
    EXPECT_TRUE(disk.store.save(rebuilt)->written.empty());
    rebuilt.write(std::string(*tree.data("velk-media/cat.png")).replace(0, 1, "X"), "velk-media/cat.png");  // same size
    EXPECT_EQ(disk.store.save(rebuilt)->written, Paths{"velk-media/cat.png"});
    disk.faulty.clearLog();

    for (const char* path : {"QuickLook/Thumbnail.png", "map.canvas", "map/A.canvas", "map/A/Deep.canvas", "map/B.canvas", "velk-media/cat.png"})
        tree.write(std::string("new ") + path, path);
    tree.write("new", "map/C/New.canvas");
    tree.remove("notes.txt");
    auto report = disk.store.save(tree);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->written, (Paths{"velk-media/cat.png", "map/A/Deep.canvas", "map/C/New.canvas", "map/A.canvas", "map/B.canvas",
                                      "map.canvas", "QuickLook/Thumbnail.png"}));
    std::size_t bytes = 0;
    for (const std::string& path : report->written) bytes += tree.data(path)->size();
    EXPECT_EQ(report->bytesWritten, bytes);
    EXPECT_EQ(report->removed, Paths{"notes.txt"});
    EXPECT_TRUE(holds(disk.memory, package, tree));

    // Removals come after every write, and the package folder is synced last. (That each group's
    // folders are synced before the next group is written, the crash tests show.)
    const auto& log = disk.faulty.log();
    const auto at = [&](const std::string& entry) { return std::ranges::find(log, entry); };
    EXPECT_GT(at("remove " + package + "/notes.txt"), at("write " + package + "/map.canvas"));
    EXPECT_EQ(log.back(), "sync " + package);
}

TEST(PackageStoreSave, LeavesAloneWhatItDidNotRead) {
    Disk disk;
    DocumentTree tree = disk.read();
    disk.memory.addFile(package + "/mine.canvas", "the user's");         // added after reading
    disk.memory.addFile(package + "/map/B/mine.txt", "the user's too");  // in a folder the store knows nothing of
    disk.memory.addFile(package + "/velk-media/mine.png", "and this");   // in a folder it knows
    auto report = disk.store.save(treeOf({{"map.canvas", *tree.data("map.canvas")}, {"map/B.canvas", *tree.data("map/B.canvas")}}));
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->written.empty());
    EXPECT_EQ(report->removed, (Paths{"map/A.canvas", "map/A/Deep.canvas", "notes.txt", "velk-media/cat.png"}));
    // Emptied folders go; the one holding the user's file stays.
    EXPECT_EQ(disk.memory.describe(package),
              (Paths{"map.canvas", "map/", "map/B.canvas", "map/B/", "map/B/mine.txt", "mine.canvas", "velk-media/", "velk-media/mine.png"}));
}

TEST(PackageStoreSave, RefusesNamesThatCouldLeaveThePackageOrLookLikeItsTemporaries) {
    using namespace std::literals;
    for (const std::string& name : {""s, "."s, ".."s, "a/b"s, "../../escape"s, "nul\0byte"s, "/"s}) {
        SCOPED_TRACE(name);
        MemoryFileSystem memory;
        memory.addDirectory(package);
        PackageStore store(memory, package);
        const DocumentTree inner = DocumentTree::directory({{"x.canvas", DocumentTree::file("x")}});
        auto report = store.save(DocumentTree::directory({{name, DocumentTree::file("bad")}, {"sub", DocumentTree::directory({{name, inner}})},
                                                          {"map.canvas", DocumentTree::file("good")}}));
        EXPECT_EQ(report->skipped, (std::vector<SkippedNode>{{name, Reason::unsafeName}, {"sub/" + name, Reason::unsafeName}}));
        EXPECT_EQ(memory.describe("/"), (Paths{"maps/", "maps/Ideas.velk/", "maps/Ideas.velk/map.canvas", "maps/Ideas.velk/sub/"}));
    }
    // A file named like velk's temporaries would vanish on the next read: it is not written either.
    Disk disk;
    EXPECT_EQ(disk.store.save(DocumentTree::directory({{".map.canvas.velk-tmp-abcd1234", DocumentTree::file("x")}}))->skipped,
              (std::vector<SkippedNode>{{".map.canvas.velk-tmp-abcd1234", Reason::temporaryName}}));
    EXPECT_EQ(disk.store.save(DocumentTree::file("x")).error().description(),
              "The map couldn\u2019t be saved because its content isn\u2019t a folder.");
}

TEST(PackageStoreSave, AFailedSaveKnowsWhatReachedTheDiskAndTheNextWritesTheRest) {
    Disk disk;
    DocumentTree tree = disk.read();
    EXPECT_EQ(disk.store.knownTree(), sample());
    for (const char* path : {"map.canvas", "map/A.canvas", "map/B.canvas", "velk-media/new.png"}) tree.write("new", path);
    tree.remove("notes.txt");
    disk.faulty.failPath(package + "/map/B.canvas");
    const auto error = disk.store.save(tree).error();
    EXPECT_EQ(error, notSaved(io, package + "/map/B.canvas"));
    EXPECT_EQ(error.description(), "The map couldn\u2019t be saved. \u201C/maps/Ideas.velk/map/B.canvas\u201D couldn\u2019t be used: Input/output error.");
    DocumentTree known = sample();  // its submap is not there yet, so the root is old
    known.write("new", "map/A.canvas");
    known.write("new", "velk-media/new.png");
    EXPECT_EQ(disk.store.knownTree(), known);
    EXPECT_TRUE(holds(disk.memory, package, known));
    disk.faulty.heal();
    EXPECT_EQ(disk.store.save(tree)->written, (Paths{"map/B.canvas", "map.canvas"}));
    EXPECT_TRUE(holds(disk.memory, package, tree));
    EXPECT_EQ(disk.store.knownTree(), tree);
}

// Another program's write that landed while velk wrote a large image was once replaced unseen.
TEST(PackageStoreSave, AFileAnotherProgramWroteMeanwhileIsNeverReplaced) {
    Disk disk;
    DocumentTree tree = disk.read();
    tree.write("velk's", "map/A.canvas");
    tree.write("\x89PNG new", "velk-media/new.png");
    disk.faulty.after = [&](const std::string& call, const std::string& path) {
        if (call == "write" && path.ends_with("new.png")) (void)disk.memory.writeAtomically(package + "/map/A.canvas", "theirs");
    };
    EXPECT_EQ(disk.store.save(tree).error(), PackageError(PackageError::ChangedOnDisk{"map/A.canvas"}));
    EXPECT_EQ(disk.memory.file(package + "/map/A.canvas"), "theirs");
    // Nor one that lands as velk replaces the file itself.
    Disk late;
    tree = late.read();
    tree.write("velk's", "map/A.canvas");
    late.faulty.before = [&](const std::string& call, const std::string& path) {
        if (call == "write" && path.ends_with("A.canvas")) (void)late.memory.writeAtomically(path, "theirs");
    };
    EXPECT_EQ(late.store.save(tree).error(), PackageError(PackageError::ChangedOnDisk{"map/A.canvas"}));
    EXPECT_EQ(late.memory.file(package + "/map/A.canvas"), "theirs");
    // Nor is one removed as left over.
    Disk removing;
    tree = removing.read();
    tree.remove("map/B.canvas");
    (void)removing.memory.writeAtomically(package + "/map/B.canvas", "theirs");
    EXPECT_EQ(removing.store.save(tree).error(), PackageError(PackageError::ChangedOnDisk{"map/B.canvas"}));
    EXPECT_EQ(removing.memory.file(package + "/map/B.canvas"), "theirs");
}

TEST(PackageStoreSave, FilesAndFoldersTradePlacesButTheUsersFilesStay) {
    Disk disk;
    DocumentTree tree = disk.read();
    tree.write("inside", "notes.txt/inside.txt");  // the file becomes a folder
    ASSERT_TRUE(disk.store.save(tree));
    EXPECT_TRUE(holds(disk.memory, package, tree));
    tree.write("a file again", "map/A");  // the folder holding Deep.canvas becomes a file
    EXPECT_EQ(disk.store.save(tree)->removed, Paths{"map/A/Deep.canvas"});
    EXPECT_TRUE(holds(disk.memory, package, tree));
    disk.memory.addFile(package + "/notes.txt/mine.txt", "keep");
    tree.write("file", "notes.txt");
    EXPECT_EQ(disk.store.save(tree).error(), notSaved(FileSystemError::DirectoryNotEmpty{}, package + "/notes.txt"));
    EXPECT_EQ(disk.memory.file(package + "/notes.txt/mine.txt"), "keep");
}

TEST(PackageStoreCreate, NeverReplacesAndKnowsWhatItCreated) {
    MemoryFileSystem memory;
    memory.addFile("/maps/Taken.velk", "");
    PackageStore created(memory, "/maps/New.velk");
    ASSERT_TRUE(created.create(sample()));
    DocumentTree tree = sample();
    tree.write("changed", "map/B.canvas");
    EXPECT_EQ(created.save(tree)->written, Paths{"map/B.canvas"});
    for (const std::string taken : {"/maps/New.velk", "/maps/Taken.velk"})
        EXPECT_EQ(PackageStore(memory, taken).create(DocumentTree()).error(), PackageError(PackageError::AlreadyExists{taken}));
    EXPECT_EQ(PackageError(PackageError::AlreadyExists{"/maps/New.velk"}).description(), "\u201CNew.velk\u201D already exists. Choose a different name.");
    EXPECT_TRUE(holds(memory, "/maps/New.velk", tree));
    EXPECT_EQ(memory.file("/maps/Taken.velk"), "");

    // A failure inside the hidden folder the package is made in names the package.
    FaultyFileSystem faulty(memory);
    faulty.after = [&](const std::string& call, const std::string&) {
        if (call == "mkdir") faulty.dieAtCall(faulty.calls());
    };
    const auto failed = PackageStore(faulty, "/maps/Made.velk").create(sample());
    ASSERT_FALSE(failed.has_value());
    const auto* notSaved = std::get_if<PackageError::NotSaved>(&failed.error().value());
    ASSERT_NE(notSaved, nullptr);
    EXPECT_TRUE(notSaved->cause.path().starts_with("/maps/Made.velk/")) << notSaved->cause.path();
    // And so does one making that folder (a read-only maps folder).
    FaultyFileSystem refusing(memory);
    refusing.failCall(1);  // the listing of the maps folder, then the hidden folder
    const auto refused = PackageStore(refusing, "/maps/Made.velk").create(sample());
    ASSERT_FALSE(refused.has_value());
    EXPECT_EQ(std::get<PackageError::NotSaved>(refused.error().value()).cause.path(), "/maps/Made.velk");
}

TEST(PackageStoreOnDisk, LeavesSymbolicLinksOutAndNeverWritesThroughThem) {
    namespace fs = std::filesystem;
    const TempFolder folder("store_links");
    const std::string at = folder / "Links.velk";
    fs::create_directories(at + "/map");
    fs::create_directories(folder / "elsewhere");
    put(at + "/map.canvas", "root");
    put(at + "/map/A.canvas", "a");
    put(folder / "elsewhere/secret.canvas", "not part of the map");
    fs::create_symlink(at + "/map.canvas", at + "/alias.canvas");
    fs::create_directory_symlink(folder / "elsewhere", at + "/outside");
    fs::create_directory_symlink(folder / "elsewhere", at + "/map/outside");
    ASSERT_EQ(::mkfifo((at + "/map/pipe").c_str(), 0600), 0);
    PosixFileSystem files;
    PackageStore store(files, at);
    auto contents = store.read();
    ASSERT_TRUE(contents && contents->unreadable.empty());
    EXPECT_EQ(describe(contents->tree), (Paths{"map.canvas", "map/", "map/A.canvas"}));

    // Nor over them, nor below them: they are the user's, and never the store's to replace.
    DocumentTree tree = contents->tree;
    tree.write("replaced", "alias.canvas");
    tree.write("escape", "outside/secret.canvas");
    ASSERT_TRUE(store.save(tree));
    EXPECT_EQ(std::set<std::string>(store.notRead().begin(), store.notRead().end()),
              (std::set<std::string>{"alias.canvas", "outside", "map/outside", "map/pipe"}));
    EXPECT_EQ(contentOf(at + "/map.canvas"), "root");
    EXPECT_EQ(contentOf(folder / "elsewhere/secret.canvas"), "not part of the map");
    EXPECT_TRUE(fs::is_symlink(at + "/alias.canvas") && fs::is_symlink(at + "/outside") && fs::is_symlink(at + "/map/outside") &&
                fs::is_fifo(at + "/map/pipe"));
}

TEST(ConflictCopy, NamedForWhenItWasMadeAndWrittenWholeBesideThePackageUnderAFreeName) {
    const auto at = [](int month, int day, int hour, int minute) {
        std::tm when{};
        when.tm_year = 126, when.tm_mon = month - 1, when.tm_mday = day, when.tm_hour = hour, when.tm_min = minute;
        return when;
    };
    EXPECT_EQ(ConflictCopy::packageName("Trip", at(12, 6, 22, 41), 1), "Trip (velk conflict 2026-12-06 22.41).velk");
    EXPECT_EQ(ConflictCopy::packageName("Trip", at(1, 2, 3, 4), 2), "Trip (velk conflict 2026-01-02 03.04 2).velk");

    MemoryFileSystem memory;
    memory.addFile("/maps/Trip.velk/map.canvas", "outside");
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto copyPath = [&](int attempt) { return "/maps/" + ConflictCopy::packageName("Trip", local, attempt); };
    const DocumentTree velks = treeOf({{"map.canvas", "{\"nodes\":[]}\n"}, {"velk-media/a.png", "png"}});

    FaultyFileSystem faulty(memory);
    faulty.failPath(copyPath(1));  // the final rename into place
    EXPECT_FALSE(ConflictCopy::write(faulty, "/maps/Trip.velk", velks, now));
    EXPECT_EQ(memory.describe("/maps"), (Paths{"Trip.velk/", "Trip.velk/map.canvas"}));  // no half copy

    EXPECT_EQ(ConflictCopy::write(memory, "/maps/Trip.velk/", velks, now), copyPath(1));
    memory.addFile(copyPath(2), "a file with that name");
    EXPECT_EQ(ConflictCopy::write(memory, "/maps/Trip.velk", velks, now), copyPath(3));
    EXPECT_TRUE(holds(memory, copyPath(1), velks) && holds(memory, copyPath(3), velks));
    EXPECT_EQ(memory.file(copyPath(2)), "a file with that name");
    EXPECT_EQ(memory.file("/maps/Trip.velk/map.canvas"), "outside");
}

TEST(OutsideChange, JudgesTheDiskAgainstWhatVelkWroteAndWhatItHolds) {
    using enum OutsideChange::Verdict;
    const auto a = treeOf({{"map.canvas", "A"}, {"note.txt", "n"}}), b = treeOf({{"map.canvas", "B"}, {"note.txt", "n"}});
    const auto c = treeOf({{"map.canvas", "C"}, {"note.txt", "n"}});
    const struct { const char* what; DocumentTree onDisk, written, held; bool unsaved; OutsideChange::Verdict verdict; } cases[] = {
        {"velk's own write, read back", treeOf({{"map.canvas", "A"}, {"note.txt", "n"}}), a, a, false, none},
        {"an edit not written yet", a, a, b, true, none},
        {"velk's pending version written by someone", b, a, b, true, none},
        {"a save cut short: one file new, one old", treeOf({{"map.canvas", "B"}, {"note.txt", "n"}, {"x.png", "X"}}),
         treeOf({{"map.canvas", "A"}, {"note.txt", "n"}, {"x.png", "X"}}), b, true, none},
        {"a changed file", c, a, a, false, take},
        {"an added file", treeOf({{"map.canvas", "A"}, {"note.txt", "n"}, {"more", "m"}}), a, a, false, take},
        {"a removed file", treeOf({{"map.canvas", "A"}}), a, a, false, take},
        {"an emptied file", treeOf({{"map.canvas", ""}, {"note.txt", "n"}}), a, a, false, take},
        {"velk's last write undone", a, b, b, false, take},
        {"a change while velk holds edits", c, a, b, true, conflict},
        {"a file velk did not edit, while it holds edits", treeOf({{"map.canvas", "A"}, {"note.txt", "x"}}), a, b, true, conflict},
    };
    for (const auto& row : cases) EXPECT_EQ(OutsideChange::judge(row.onDisk, row.written, row.held, row.unsaved), row.verdict) << row.what;
}

TEST(OutsideChange, TheQuickCheckOfNamedFilesAndTheFilesAboutToChange) {
    const auto written = treeOf({{"map.canvas", "A"}, {"map/Ideas.canvas", "I"}, {"same.png", "S"}});
    const auto held = treeOf({{"map.canvas", "B"}, {"map/Ideas.canvas", "I"}, {"map/New.canvas", "N"}, {"same.png", "S"}});
    // Only the named paths need to be on the disk tree; gone from disk while velk has it, or new
    // on disk while velk has none, is not velk's; a folder or the package root never settles.
    const struct { const char* path; DocumentTree onDisk; bool own; } cases[] = {
        {"map.canvas", treeOf({{"map.canvas", "B"}}), true}, {"map.canvas", treeOf({{"map.canvas", "A"}}), true},
        {"map.canvas", treeOf({{"map.canvas", "C"}}), false}, {"map.canvas", {}, false},
        {"extra.txt", treeOf({{"extra.txt", "x"}}), false}, {"never.txt", {}, true}, {"map", {}, false}, {"", written, false},
    };
    for (const auto& row : cases) EXPECT_EQ(OutsideChange::ownWritesAt({row.path}, row.onDisk, written, held), row.own) << row.path;
    EXPECT_EQ(OutsideChange::filesAboutToChange(treeOf({{"map.canvas", "A"}, {"map/Old.canvas", "O"}, {"same.png", "S"}}), held),
              (Paths{"map.canvas", "map/Ideas.canvas", "map/New.canvas", "map/Old.canvas"}));
    EXPECT_TRUE(OutsideChange::filesAboutToChange(held, held).empty());
}

// Every canvas changes, a submap and an image arrive in new folders, a file leaves.
const std::pair<DocumentTree, DocumentTree>& oldAndNew() {
    static const auto trees = [] {
        std::pair<DocumentTree, DocumentTree> made;
        for (const char* path : {"map.canvas", "map/A.canvas", "map/A/Deep.canvas", "map/B.canvas", "velk-media/cat.png", "gone.txt"})
            made.first.write(std::string("old ") + path, path);
        made.second = made.first;
        for (const char* path : {"map.canvas", "map/A.canvas", "map/A/Deep.canvas", "map/B.canvas", "map/C/Sub.canvas",
                                 "velk-media/cat.png", "new-media/dog.png"})
            made.second.write(std::string("new ") + path, path);
        made.second.remove("gone.txt");
        return made;
    }();
    return trees;
}
const DocumentTree& newTree() { return oldAndNew().second; }

Content content(const DocumentTree& tree, const std::string& path) {
    const SharedBytes bytes = tree.data(path);
    return bytes ? Content(*bytes) : std::nullopt;
}

// Each file holds its complete old or complete new content (absent counting as content for files
// that only one side has), and a canvas that shows its new content has its submaps (the canvases
// in the folder named after it) and the new media in their new state too.
void expectOldOrNewWithLinksInPlace(const MemoryFileSystem& disk) {
    const auto& [before, after] = oldAndNew();
    std::vector<std::string> files;
    for (const DocumentTree* tree : {&before, &after})
        for (const std::string& path : testing_support::describe(*tree))
            if (!path.ends_with('/') && std::ranges::find(files, path) == files.end()) files.push_back(path);
    const auto isNew = [&](const std::string& path) {
        return content(after, path) != content(before, path) && disk.file(package + "/" + path) == content(after, path);
    };
    for (const std::string& path : files) {
        const auto now = disk.file(package + "/" + path);
        EXPECT_TRUE(now == content(before, path) || now == content(after, path)) << path << ": " << now.value_or("<absent>");
        if (!path.ends_with(".canvas") || !isNew(path)) continue;
        const std::string submaps = path.substr(0, path.size() - std::string_view(".canvas").size()) + "/";
        for (const std::string& linked : files) {
            const bool media = !linked.ends_with(".canvas") && content(after, linked);
            const bool changed = (linked.starts_with(submaps) || media) && content(after, linked) != content(before, linked);
            EXPECT_TRUE(!changed || isNew(linked)) << path << " is new before " << linked;
        }
    }
}

// A disk holding the old package and a store that has read it.
struct Rig : Disk {
    Rig() : Disk(oldAndNew().first) { read(); }
};

std::size_t callsOfASave() {
    Rig rig;
    EXPECT_TRUE(rig.store.save(newTree()));
    return rig.faulty.calls();
}

TEST(PackageStoreFaults, AFailureAtAnyStepOfASaveLeavesEveryFileOldOrNew) {
    for (std::size_t failing = 0, calls = callsOfASave(); failing < calls; ++failing) {
        SCOPED_TRACE("call " + std::to_string(failing));
        Rig rig;
        rig.faulty.failCall(failing);
        EXPECT_FALSE(rig.store.save(newTree()));
        expectOldOrNewWithLinksInPlace(rig.memory);
        // The same store saves again and writes exactly what is missing.
        rig.faulty.heal();
        EXPECT_TRUE(rig.store.save(newTree()));
        EXPECT_TRUE(holds(rig.memory, package, newTree()));
    }
}

TEST(PackageStoreFaults, ACrashAtAnyStepOfASaveLeavesEveryFileOldOrNew) {
    const std::size_t calls = callsOfASave();
    std::mt19937 random(7);
    for (const Crash crash : {Crash::dropUnsynced, Crash::keepSomeUnsynced}) {
        for (std::size_t dying = 0; dying <= calls; ++dying) {
            for (int run = 0; run < (crash == Crash::dropUnsynced ? 1 : 16); ++run) {
                SCOPED_TRACE("crash " + std::to_string(int(crash)) + " at call " + std::to_string(dying) + ", run " + std::to_string(run));
                Rig rig;
                rig.faulty.dieAtCall(dying);
                EXPECT_EQ(rig.store.save(newTree()).has_value(), dying == calls);
                rig.memory.crash(crash, random);
                expectOldOrNewWithLinksInPlace(rig.memory);
                EXPECT_TRUE(dying < calls || holds(rig.memory, package, newTree()));  // a save that returned is durable
                PackageStore restarted(rig.memory, package);
                auto contents = restarted.read();
                ASSERT_TRUE(contents && contents->unreadable.empty());
                EXPECT_TRUE(restarted.save(newTree()));
                EXPECT_TRUE(holds(rig.memory, package, newTree()));
            }
        }
    }
}

TEST(PackageStoreFaults, ACreationThatFailsOrCrashesLeavesAWholePackageOrNone) {
    std::mt19937 random(11);
    const auto create = [](MemoryFileSystem& memory, auto interrupt) {
        memory.addDirectory("/maps");
        FaultyFileSystem faulty(memory);
        interrupt(faulty);
        const bool created = PackageStore(faulty, package).create(newTree()).has_value();
        return std::pair(created, faulty.calls());
    };
    const auto expectWholeOrNone = [](const MemoryFileSystem& memory, bool leftoversAllowed) {
        EXPECT_TRUE(!memory.exists(package) || holds(memory, package, newTree()));
        for (const std::string& path : memory.describe("/maps")) {
            const std::string top = path.substr(0, path.find('/'));
            EXPECT_TRUE(top == "Ideas.velk" || (leftoversAllowed && TemporaryName::isTemporary(top))) << path;
        }
    };
    MemoryFileSystem counting;
    const std::size_t calls = create(counting, [](FaultyFileSystem&) {}).second;
    for (std::size_t failing = 0; failing <= calls; ++failing) {
        SCOPED_TRACE("call " + std::to_string(failing));
        MemoryFileSystem memory;
        EXPECT_EQ(create(memory, [&](FaultyFileSystem& faulty) { faulty.failCall(failing); }).first, failing == calls);
        expectWholeOrNone(memory, false);  // a failure clears up after itself
        for (const Crash crash : {Crash::dropUnsynced, Crash::keepSomeUnsynced}) {
            MemoryFileSystem crashing;
            EXPECT_EQ(create(crashing, [&](FaultyFileSystem& faulty) { faulty.dieAtCall(failing); }).first, failing == calls);
            crashing.crash(crash, random);
            expectWholeOrNone(crashing, true);
            EXPECT_TRUE(failing < calls || holds(crashing, package, newTree()));
        }
    }
}

// The save loop program, started on a package; it writes its process id once it runs.
struct Writer {
    FILE* output;
    pid_t pid = -1;

    Writer(const std::string& at, int last)
        : output(::popen(("exec '" VELK_PACKAGE_SAVE_LOOP_PATH "' '" + at + "' " + std::to_string(last)).c_str(), "re")) {
        EXPECT_TRUE(output && std::fscanf(output, "%d", &pid) == 1);
    }
    int wait() { return output ? ::pclose(output) : -1; }
};

const std::vector<std::string> canvases{"map/A/Deep.canvas", "map/A.canvas", "map/B.canvas", "map/C.canvas", "map.canvas"};

// Checks the package after a kill and returns each canvas's save number, which must not be
// lower than in `before`, nor a canvas's higher than that of a submap it links.
std::map<std::string, int> expectIntact(const std::string& at, const std::map<std::string, int>& before) {
    std::map<std::string, int> saves;
    if (!std::filesystem::exists(at)) {
        EXPECT_TRUE(before.empty()) << "the package disappeared";  // killed before it was first made
        return saves;
    }
    PosixFileSystem fileSystem;
    auto contents = PackageStore(fileSystem, at).read();
    if (!contents) return ADD_FAILURE() << contents.error().description(), saves;
    EXPECT_TRUE(contents->unreadable.empty());
    EXPECT_EQ(testing_support::describe(contents->tree),
              (std::vector<std::string>{"map.canvas", "map/", "map/A.canvas", "map/A/", "map/A/Deep.canvas", "map/B.canvas",
                                        "map/C.canvas", "velk-media/", "velk-media/photo.png"}));
    for (const std::string& path : canvases) {
        const SharedBytes bytes = contents->tree.data(path);
        const auto save = bytes ? testing_support::NumberedCanvas::saveOf(*bytes) : std::nullopt;
        if (!save) ADD_FAILURE() << path << " is not a complete canvas";
        saves[path] = save.value_or(-1);
        EXPECT_GE(saves[path], before.contains(path) ? before.at(path) : -1) << path;
    }
    for (const auto& [canvas, submap] : std::initializer_list<std::pair<const char*, const char*>>{
             {"map.canvas", "map/A.canvas"}, {"map.canvas", "map/B.canvas"}, {"map.canvas", "map/C.canvas"}, {"map/A.canvas", "map/A/Deep.canvas"}})
        EXPECT_LE(saves[canvas], saves[submap]) << canvas << " links " << submap;
    return saves;
}

TEST(PackageStoreKill, ASaveKilledAtAnyMomentLeavesEveryCanvasOldOrNew) {
    const testing_support::TempFolder folder("kill");
    const std::string at = folder / "Kill.velk";
    // Kills are spread over the time a few saves take here, so that they land anywhere in one,
    // whether this disk syncs in microseconds or in milliseconds.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Writer(folder / "Timing.velk", 2).wait(), 0);
    const auto step = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started) / 3;
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int64_t> delay(0, 3 * step.count());

    std::map<std::string, int> saves;
    for (int kill = 0; kill < 16; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        Writer writer(at, 200);
        ASSERT_GT(writer.pid, 0);  // never kill(-1)
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(writer.pid, SIGKILL);
        const int status = writer.wait();
        EXPECT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << status;
        saves = expectIntact(at, saves);
    }
    EXPECT_FALSE(saves.empty()) << "every kill came before the package was made";

    // Left alone, the writer finishes: it was making progress all along, and the media it wrote
    // once was never written again.
    struct stat photo, after;
    const bool hadPhoto = ::stat((at + "/velk-media/photo.png").c_str(), &photo) == 0;
    int last = 2;
    for (const auto& [path, save] : saves) last = std::max(last, save + 2);
    const int status = Writer(at, last).wait();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    saves = expectIntact(at, saves);
    for (const std::string& path : canvases) EXPECT_EQ(saves[path], last) << path;
    ASSERT_EQ(::stat((at + "/velk-media/photo.png").c_str(), &after), 0);
    EXPECT_TRUE(!hadPhoto || after.st_ino == photo.st_ino) << "the photo was written again";
}

}  // namespace
}  // namespace velk
