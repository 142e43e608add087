// The package store over a disk in memory and over the real one, conflict copies beside a
// package, and telling velk's own writes from outside changes.

#include "package/ConflictCopy.h"
#include "package/FaultyFileSystem.h"
#include "package/OutsideChange.h"
#include "package/PackageStore.h"
#include "package/PackageTestSupport.h"
#include "platform/FileSystemPrinting.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace velk {
namespace {

using namespace testing_support;
using Paths = std::vector<std::string>;
using Reason = SkippedNode::Reason;

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

struct Disk {
    MemoryFileSystem memory;
    FaultyFileSystem faulty{memory};
    PackageStore store{faulty, package};

    Disk() { seed(memory, package, sample()); }
    DocumentTree read() {
        auto contents = store.read();
        EXPECT_TRUE(contents && contents->unreadable.empty());
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

    // The editor cannot know the unreadable exist; a save must not put its own files in their place.
    disk.faulty.heal();
    DocumentTree tree = contents->tree;
    tree.write("new", "map/B.canvas");
    tree.write("new", "locked/new.canvas");
    EXPECT_EQ(disk.store.save(tree)->skipped, (std::vector<SkippedNode>{{"locked/new.canvas", Reason::unreadableOnDisk},
                                                                       {"map/B.canvas", Reason::unreadableOnDisk}}));
    EXPECT_EQ(disk.memory.file(package + "/map/B.canvas"), *sample().data("map/B.canvas"));
    EXPECT_EQ(disk.memory.describe(package + "/locked"), Paths{"old.canvas"});

    disk.memory.addFile("/maps/file.velk", "");
    EXPECT_EQ(PackageStore(disk.memory, "/maps/Missing.velk/").read().error(),
              PackageError(PackageError::CannotOpen{FileSystemError(FileSystemError::NotFound{}, "/maps/Missing.velk")}));
    EXPECT_EQ(PackageStore(disk.memory, "/maps/file.velk").read().error().description(),
              "The map couldn\u2019t be opened. \u201C/maps/file.velk\u201D isn\u2019t a folder.");
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

    for (const char* path : {"map.canvas", "map/A.canvas", "map/A/Deep.canvas", "map/B.canvas", "velk-media/cat.png"})
        tree.write(std::string("new ") + path, path);
    tree.write("new", "map/C/New.canvas");
    tree.remove("notes.txt");
    auto report = disk.store.save(tree);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->written, (Paths{"velk-media/cat.png", "map/A/Deep.canvas", "map/C/New.canvas", "map/A.canvas", "map/B.canvas", "map.canvas"}));
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
    EXPECT_TRUE(holds(memory, "/maps/New.velk", sample()));
    DocumentTree tree = sample();
    tree.write("changed", "map/B.canvas");
    EXPECT_EQ(created.save(tree)->written, Paths{"map/B.canvas"});
    for (const std::string taken : {"/maps/New.velk", "/maps/Taken.velk"})
        EXPECT_EQ(PackageStore(memory, taken).create(DocumentTree()).error(), PackageError(PackageError::AlreadyExists{taken}));
    EXPECT_EQ(PackageError(PackageError::AlreadyExists{"/maps/New.velk"}).description(), "\u201CNew.velk\u201D already exists. Choose a different name.");
    EXPECT_TRUE(holds(memory, "/maps/New.velk", tree));
    EXPECT_EQ(memory.file("/maps/Taken.velk"), "");
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

    DocumentTree tree = contents->tree;
    tree.write("replaced", "alias.canvas");
    ASSERT_TRUE(store.save(tree));
    EXPECT_EQ(contentOf(at + "/map.canvas"), "root");  // the link itself gave way
    // A folder of the tree where the package has a link to a folder elsewhere: nothing is written there.
    tree.write("escape", "outside/secret.canvas");
    EXPECT_EQ(store.save(tree).error(), notSaved(FileSystemError::NotADirectory{}, at + "/outside"));
    EXPECT_EQ(contentOf(folder / "elsewhere/secret.canvas"), "not part of the map");
    EXPECT_TRUE(fs::is_symlink(at + "/map/outside") && fs::is_fifo(at + "/map/pipe"));
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

}  // namespace
}  // namespace velk
