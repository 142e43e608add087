#include "package/PackageStore.h"

#include "package/FaultyFileSystem.h"
#include "package/MemoryFileSystem.h"
#include "package/PackageTestSupport.h"
#include "platform/FileSystemPrinting.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::describe;
using testing_support::FaultyFileSystem;
using testing_support::holds;
using testing_support::MemoryFileSystem;
using testing_support::seed;
using Paths = std::vector<std::string>;

const std::string package = "/maps/Ideas.velk";

DocumentTree sample() {
    DocumentTree tree;
    tree.write(R"({"nodes":[{"id":"a","type":"file","file":"map/A.canvas"}],"edges":[]})", "map.canvas");
    tree.write(R"({"nodes":[{"id":"d","type":"file","file":"map/A/Deep.canvas"}],"edges":[]})", "map/A.canvas");
    tree.write(R"({"nodes":[],"edges":[]})", "map/A/Deep.canvas");
    tree.write(R"({"nodes":[],"edges":[]})", "map/B.canvas");
    tree.write("\x89PNG cat", "velk-media/cat.png");
    tree.write("my own notes", "notes.txt");
    return tree;
}

struct Disk {
    MemoryFileSystem memory;
    FaultyFileSystem faulty{memory};
    PackageStore store{faulty, package};

    explicit Disk(const DocumentTree& tree = sample()) { seed(memory, package, tree); }
    DocumentTree read() {
        auto contents = store.read();
        EXPECT_TRUE(contents) << contents.error().description();
        EXPECT_TRUE(contents->unreadable.empty());
        faulty.clearLog();
        return contents->tree;
    }
};

TEST(PackageStoreRead, TakesRegularFilesAndFoldersOnly) {
    Disk disk;
    disk.memory.addFile(package + "/empty.txt", "");
    disk.memory.addDirectory(package + "/empty folder");
    disk.memory.addSpecial(package + "/link.canvas", EntryKind::symbolicLink);
    disk.memory.addSpecial(package + "/map/A/link", EntryKind::symbolicLink);
    disk.memory.addSpecial(package + "/map/pipe", EntryKind::other);
    disk.memory.addFile(package + "/map/.A.canvas.velk-tmp-x1y2z3w4", "half a canvas");  // left by a crash
    auto contents = disk.store.read();
    ASSERT_TRUE(contents);
    EXPECT_TRUE(contents->unreadable.empty());
    Paths expected = describe(sample());
    expected.insert(expected.end(), {"empty folder/", "empty.txt"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(describe(contents->tree), expected);
    EXPECT_EQ(*contents->tree.data("map/A.canvas"), *sample().data("map/A.canvas"));
    EXPECT_EQ(*contents->tree.data("empty.txt"), "");
}

TEST(PackageStoreRead, ReportsWhatItCannotReadAndNeverReplacesIt) {
    Disk disk;
    disk.memory.addDirectory(package + "/locked");
    disk.memory.addFile(package + "/locked/old.canvas", "old");
    disk.faulty.failPath(package + "/map/B.canvas");
    disk.faulty.failPath(package + "/locked");
    auto contents = disk.store.read();
    ASSERT_TRUE(contents);
    auto unreadable = contents->unreadable;
    std::sort(unreadable.begin(), unreadable.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    const FileSystemError::Failed io{EIO};
    EXPECT_EQ(unreadable, (std::vector<UnreadableEntry>{{"locked", FileSystemError(io, package + "/locked")},
                                                        {"map/B.canvas", FileSystemError(io, package + "/map/B.canvas")}}));
    EXPECT_FALSE(contents->tree.at("map/B.canvas"));
    EXPECT_TRUE(contents->tree.at("map/A.canvas"));

    // The editor cannot know these exist; a save must not put its own files in their place.
    disk.faulty.heal();
    DocumentTree tree = contents->tree;
    tree.write("new", "map/B.canvas");
    tree.write("new", "locked/new.canvas");
    auto report = disk.store.save(tree);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->skipped, (std::vector<SkippedNode>{{"locked/new.canvas", SkippedNode::Reason::unreadableOnDisk},
                                                         {"map/B.canvas", SkippedNode::Reason::unreadableOnDisk}}));
    EXPECT_EQ(disk.memory.file(package + "/map/B.canvas"), *sample().data("map/B.canvas"));
    EXPECT_EQ(disk.memory.describe(package + "/locked"), Paths{"old.canvas"});
}

TEST(PackageStoreRead, AMissingPackageIsAnError) {
    MemoryFileSystem memory;
    memory.addDirectory("/maps");
    memory.addFile("/maps/file.velk", "");
    PackageStore missing(memory, "/maps/Missing.velk/");
    const auto error = missing.read().error();
    EXPECT_EQ(error, PackageError(PackageError::CannotOpen{FileSystemError(FileSystemError::NotFound{}, "/maps/Missing.velk")}));
    EXPECT_EQ(error.description(), "The map couldn\u2019t be opened. \u201C/maps/Missing.velk\u201D doesn\u2019t exist.");
    PackageStore file(memory, "/maps/file.velk");
    EXPECT_EQ(file.read().error().description(), "The map couldn\u2019t be opened. \u201C/maps/file.velk\u201D isn\u2019t a folder.");
}

TEST(PackageStoreSave, WritesOnlyWhatChanged) {
    Disk disk;
    DocumentTree tree = disk.read();
    tree.write("changed", "map/A.canvas");
    auto report = disk.store.save(tree);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->written, Paths{"map/A.canvas"});
    EXPECT_EQ(report->bytesWritten, std::string("changed").size());
    EXPECT_TRUE(report->removed.empty());
    EXPECT_TRUE(holds(disk.memory, package, tree));

    EXPECT_TRUE(disk.store.save(tree)->written.empty());
    // The same content held in storage of its own, as when a tree is rebuilt from copies.
    DocumentTree rebuilt;
    for (const std::string& path : describe(tree))
        if (!path.ends_with('/')) rebuilt.write(std::string(*tree.data(path)), path);
    EXPECT_TRUE(disk.store.save(rebuilt)->written.empty());
    rebuilt.write("CHANGED", "map/A.canvas");  // same size, other bytes
    EXPECT_EQ(disk.store.save(rebuilt)->written, Paths{"map/A.canvas"});
}

TEST(PackageStoreSave, WritesMediaThenCanvasesDeepestFirstAndRemovesLast) {
    Disk disk;
    DocumentTree tree = disk.read();
    for (const char* path : {"map.canvas", "map/A.canvas", "map/A/Deep.canvas", "map/B.canvas", "velk-media/cat.png"})
        tree.write(std::string("new ") + path, path);
    tree.write("new", "map/C/New.canvas");
    tree.remove("notes.txt");
    auto report = disk.store.save(tree);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->written, (Paths{"velk-media/cat.png", "map/A/Deep.canvas", "map/C/New.canvas", "map/A.canvas",
                                      "map/B.canvas", "map.canvas"}));
    EXPECT_EQ(report->removed, Paths{"notes.txt"});
    EXPECT_TRUE(holds(disk.memory, package, tree));

    // Between the writes of two groups, the folder of every file written before has been synced:
    // that is what keeps a crash from showing a canvas without what it links.
    const auto& log = disk.faulty.log();
    const auto position = [&](const std::string& entry) { return std::find(log.begin(), log.end(), entry) - log.begin(); };
    const auto group = [](const std::string& path) { return path.ends_with(".canvas") ? std::count(path.begin(), path.end(), '/') : -1; };
    for (std::size_t later = 1; later < report->written.size(); ++later) {
        const std::string& path = report->written[later];
        if (group(path) == group(report->written[later - 1])) continue;
        for (std::size_t earlier = 0; earlier < later; ++earlier) {
            const std::string& before = report->written[earlier];
            SCOPED_TRACE(before + " before " + path);
            const std::size_t slash = before.rfind('/');
            const std::string sync = "sync " + package + (slash == std::string::npos ? "" : "/" + before.substr(0, slash));
            const auto from = log.begin() + position("write " + package + "/" + before);
            const auto to = log.begin() + position("write " + package + "/" + path);
            EXPECT_NE(std::find(from, to, sync), to);
        }
    }
    EXPECT_GT(position("remove " + package + "/notes.txt"), position("write " + package + "/map.canvas"));
    EXPECT_EQ(log.back(), "sync " + package);
}

TEST(PackageStoreSave, LeavesAloneWhatItDidNotRead) {
    Disk disk;
    DocumentTree tree = disk.read();
    disk.memory.addFile(package + "/mine.canvas", "the user's");         // added after reading
    disk.memory.addFile(package + "/map/B/mine.txt", "the user's too");  // in a folder the store knows nothing of
    disk.memory.addFile(package + "/velk-media/mine.png", "and this");   // in a folder it knows
    DocumentTree smaller;
    smaller.write(tree.data("map.canvas"), "map.canvas");
    smaller.write(tree.data("map/B.canvas"), "map/B.canvas");
    auto report = disk.store.save(smaller);
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->written.empty());
    EXPECT_EQ(report->removed, (Paths{"map/A.canvas", "map/A/Deep.canvas", "notes.txt", "velk-media/cat.png"}));
    // Emptied folders go; the one holding the user's file stays.
    EXPECT_EQ(disk.memory.describe(package), (Paths{"map.canvas", "map/", "map/B.canvas", "map/B/", "map/B/mine.txt",
                                                    "mine.canvas", "velk-media/", "velk-media/mine.png"}));
}

TEST(PackageStoreSave, RefusesNamesThatCouldLeaveThePackage) {
    const std::vector<std::string> names{"", ".", "..", "a/b", "../../escape", std::string("nul\0byte", 8), "/"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        MemoryFileSystem memory;
        memory.addDirectory("/maps");
        memory.addDirectory(package);
        PackageStore store(memory, package);
        DocumentTree inner = DocumentTree::directory({{"x.canvas", DocumentTree::file("x")}});
        DocumentTree tree = DocumentTree::directory({{name, DocumentTree::file("bad")},
                                                     {"sub", DocumentTree::directory({{name, inner}})},
                                                     {"map.canvas", DocumentTree::file("good")}});
        auto report = store.save(tree);
        ASSERT_TRUE(report);
        EXPECT_EQ(report->written, Paths{"map.canvas"});
        EXPECT_EQ(report->skipped, (std::vector<SkippedNode>{{name, SkippedNode::Reason::unsafeName},
                                                             {"sub/" + name, SkippedNode::Reason::unsafeName}}));
        EXPECT_EQ(memory.describe("/"), (Paths{"maps/", "maps/Ideas.velk/", "maps/Ideas.velk/map.canvas", "maps/Ideas.velk/sub/"}));
    }
    // A file named like velk's temporaries would vanish on the next read: it is not written either.
    MemoryFileSystem memory;
    memory.addDirectory(package);
    PackageStore store(memory, package);
    const auto report = store.save(DocumentTree::directory({{".map.canvas.velk-tmp-abcd1234", DocumentTree::file("x")}}));
    EXPECT_EQ(report->skipped, (std::vector<SkippedNode>{{".map.canvas.velk-tmp-abcd1234", SkippedNode::Reason::temporaryName}}));
}

TEST(PackageStoreSave, WhatAFailedSaveDidNotWriteTheNextOneWrites) {
    Disk disk;
    DocumentTree tree = disk.read();
    for (const char* path : {"map.canvas", "map/A.canvas", "map/B.canvas"}) tree.write("new", path);
    disk.faulty.failPath(package + "/map/B.canvas");
    const auto error = disk.store.save(tree).error();
    EXPECT_EQ(error, PackageError(PackageError::NotSaved{FileSystemError(FileSystemError::Failed{EIO}, package + "/map/B.canvas")}));
    EXPECT_EQ(error.description(), "The map couldn\u2019t be saved. \u201C/maps/Ideas.velk/map/B.canvas\u201D couldn\u2019t be used: Input/output error.");
    EXPECT_EQ(disk.memory.file(package + "/map/A.canvas"), "new");
    EXPECT_EQ(disk.memory.file(package + "/map.canvas"), *sample().data("map.canvas"));  // its submap is not there yet
    disk.faulty.heal();
    EXPECT_EQ(disk.store.save(tree)->written, (Paths{"map/B.canvas", "map.canvas"}));
    EXPECT_TRUE(holds(disk.memory, package, tree));
}

TEST(PackageStoreSave, FilesAndFoldersTradePlaces) {
    Disk disk;
    DocumentTree tree = disk.read();
    tree.write("inside", "notes.txt/inside.txt");  // the file becomes a folder
    ASSERT_TRUE(disk.store.save(tree));
    EXPECT_TRUE(holds(disk.memory, package, tree));
    tree.write("a file again", "map/A");  // the folder holding Deep.canvas becomes a file
    auto report = disk.store.save(tree);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->removed, Paths{"map/A/Deep.canvas"});
    EXPECT_TRUE(holds(disk.memory, package, tree));

    // A folder holding the user's own file is never emptied to make room.
    disk.memory.addFile(package + "/notes.txt/mine.txt", "keep");
    tree.write("file", "notes.txt");
    const auto error = disk.store.save(tree).error();
    EXPECT_EQ(error, PackageError(PackageError::NotSaved{FileSystemError(FileSystemError::DirectoryNotEmpty{}, package + "/notes.txt")}));
    EXPECT_EQ(disk.memory.file(package + "/notes.txt/mine.txt"), "keep");
}

TEST(PackageStoreSave, ATreeThatIsOneFileIsRefused) {
    Disk disk;
    (void)disk.read();
    const auto error = disk.store.save(DocumentTree::file("x")).error();
    EXPECT_EQ(error.description(), "The map couldn\u2019t be saved because its content isn\u2019t a folder.");
    EXPECT_TRUE(holds(disk.memory, package, sample()));
}

TEST(PackageStoreCreate, AppearsCompleteAndNeverReplaces) {
    MemoryFileSystem memory;
    FaultyFileSystem faulty(memory);
    memory.addDirectory("/maps");
    memory.addFile("/maps/Taken.velk", "");
    PackageStore created(faulty, "/maps/New.velk");
    ASSERT_TRUE(created.create(sample()));
    EXPECT_EQ(memory.describe("/maps"), (Paths{"New.velk/", "New.velk/map.canvas", "New.velk/map/", "New.velk/map/A.canvas",
                                               "New.velk/map/A/", "New.velk/map/A/Deep.canvas", "New.velk/map/B.canvas",
                                               "New.velk/notes.txt", "New.velk/velk-media/", "New.velk/velk-media/cat.png",
                                               "Taken.velk"}));
    EXPECT_TRUE(holds(memory, "/maps/New.velk", sample()));
    // The store knows what it created: the next save writes only what changes.
    DocumentTree tree = sample();
    tree.write("changed", "map/B.canvas");
    EXPECT_EQ(created.save(tree)->written, Paths{"map/B.canvas"});

    for (const std::string taken : {"/maps/New.velk", "/maps/Taken.velk"}) {
        SCOPED_TRACE(taken);
        PackageStore again(faulty, taken);
        EXPECT_EQ(again.create(DocumentTree()).error(), PackageError(PackageError::AlreadyExists{taken}));
    }
    EXPECT_EQ(PackageError(PackageError::AlreadyExists{"/maps/New.velk"}).description(),
              "\u201CNew.velk\u201D already exists. Choose a different name.");
    EXPECT_TRUE(holds(memory, "/maps/New.velk", tree));

    // A failure half-way leaves neither the package nor its temporary folder.
    faulty.failPath("/maps/Other.velk");  // the final rename
    PackageStore failing(faulty, "/maps/Other.velk");
    EXPECT_FALSE(failing.create(sample()));
    EXPECT_EQ(memory.describe("/maps").size(), 11u);
    EXPECT_FALSE(memory.exists("/maps/Other.velk"));
}

}  // namespace
}  // namespace velk
