// Files on the real disk and the names of velk's temporaries, what file-system errors say, where
// the program finds its resources, and the defaults file written over any file system.

#include "platform/PosixFileSystem.h"

#include "package/FaultyFileSystem.h"
#include "package/MemoryFileSystem.h"
#include "platform/JSONFileDefaults.h"
#include "platform/ResourceFolder.h"
#include "platform/TempFolder.h"
#include "platform/TemporaryName.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <set>
#include <sys/stat.h>
#include <thread>

namespace velk {
namespace {

namespace fs = std::filesystem;
using testing_support::contentOf;
using testing_support::MemoryFileSystem;
using testing_support::put;
using testing_support::TempFolder;
using Error = FileSystemError;

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(PosixFileSystem, ListsAndReadsFollowingNoLinkAndWaitingForNoPipe) {
    const TempFolder folder("fs_read");
    const std::string bytes("with\0nul and \xFF bytes", 20);
    put(folder / "file", bytes);
    fs::create_directory(folder / "dir");
    fs::create_directory_symlink(folder / "dir", folder / "link");
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    PosixFileSystem files;
    auto entries = *files.list(folder.path());
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    EXPECT_EQ(entries, (std::vector<DirectoryEntry>{{"dir", EntryKind::directory}, {"file", EntryKind::regularFile},
                                                    {"link", EntryKind::symbolicLink}, {"pipe", EntryKind::other}}));
    EXPECT_EQ(files.list(folder / "link").error(), Error(Error::SymbolicLink{}, folder / "link"));
    EXPECT_EQ(files.list(folder / "file").error(), Error(Error::NotADirectory{}, folder / "file"));
    EXPECT_EQ(files.list(folder / "missing").error(), Error(Error::NotFound{}, folder / "missing"));
    EXPECT_EQ(*files.read(folder / "file"), bytes);
    EXPECT_EQ(files.read(folder / "link").error(), Error(Error::SymbolicLink{}, folder / "link"));
    EXPECT_EQ(files.read(folder / "pipe").error(), Error(Error::NotARegularFile{}, folder / "pipe"));
    EXPECT_EQ(files.read(folder / "dir").error(), Error(Error::IsADirectory{}, folder / "dir"));
}

TEST(PosixFileSystem, WritingAtomicallyReplacesTheWholeFileKeepsItsModeAndLeavesNoTemporary) {
    const TempFolder folder("fs_write");
    PosixFileSystem files;
    ASSERT_TRUE(files.writeAtomically(folder / "map.canvas", "first"));
    ::chmod((folder / "map.canvas").c_str(), 0640);
    ASSERT_TRUE(files.writeAtomically(folder / "map.canvas", "second, longer"));
    EXPECT_EQ(contentOf(folder / "map.canvas"), "second, longer");
    struct stat status;
    ASSERT_EQ(::stat((folder / "map.canvas").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    // Another program's file of mode 0 once passed its mode on, and the map could not be read.
    ::chmod((folder / "map.canvas").c_str(), 0);
    ASSERT_TRUE(files.writeAtomically(folder / "map.canvas", "third"));
    ASSERT_EQ(::stat((folder / "map.canvas").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    // A link in the file's place is replaced, never written through; a folder there is refused,
    // and so is a folder that is a link.
    put(folder / "target", "keep");
    fs::create_symlink(folder / "target", folder / "link");
    ASSERT_TRUE(files.writeAtomically(folder / "link", "new"));
    EXPECT_FALSE(fs::is_symlink(folder / "link"));
    EXPECT_EQ(contentOf(folder / "target"), "keep");
    fs::create_directory(folder / "dir");
    fs::create_directory_symlink(folder / "dir", folder / "dirlink");
    EXPECT_EQ(files.writeAtomically(folder / "dir", "x").error(), Error(Error::IsADirectory{}, folder / "dir"));
    EXPECT_EQ(files.writeAtomically(folder / "missing/x", "x").error(), Error(Error::NotFound{}, folder / "missing"));
    EXPECT_EQ(files.writeAtomically(folder / "dirlink/x", "x").error(), Error(Error::SymbolicLink{}, folder / "dirlink"));
    EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string>{"dir", "dirlink", "link", "map.canvas", "target"}));
}

// Another program's write that landed between velk's look and its replace was once replaced unseen.
TEST(PosixFileSystem, ReplacingIfHoldingReplacesOnlyWhatVelkKnewAndLeavesNoTemporary) {
    struct Row {
        const char* name;
        std::optional<std::string> there;
        bool replaced;
    };
    for (const Row& row : {Row{"as velk knew it", "known", true}, Row{"another program's", "theirs", false},
                           Row{"removed", std::nullopt, false}}) {
        SCOPED_TRACE(row.name);
        const TempFolder folder("fs_replace");
        if (row.there) put(folder / "map.canvas", *row.there);
        PosixFileSystem files;
        EXPECT_EQ(files.replaceIfHolding(folder / "map.canvas", "velk's", "known"), row.replaced);
        EXPECT_EQ(namesIn(folder.path()), row.there ? std::vector<std::string>{"map.canvas"} : std::vector<std::string>{});
        if (row.there) {
            EXPECT_EQ(contentOf(folder / "map.canvas"), row.replaced ? "velk's" : *row.there);
        }
    }
}

TEST(PosixFileSystem, ReadersSeeTheWholeOldOrTheWholeNewContent) {
    const TempFolder folder("fs_atomic");
    const std::string path = folder / "map.canvas", first(512 * 1024, 'a'), second(256 * 1024, 'b');
    PosixFileSystem files;
    ASSERT_TRUE(files.writeAtomically(path, first));
    std::atomic<bool> writing = true;
    std::thread writer([&] {
        for (int i = 0; i < 12; ++i) EXPECT_TRUE(files.writeAtomically(path, i % 2 ? first : second));
        writing = false;
    });
    for (bool whole = true; writing && whole;) {
        const auto bytes = files.read(path);
        whole = bytes && (*bytes == first || *bytes == second);
        EXPECT_TRUE(whole) << (bytes ? "a torn file of " + std::to_string(bytes->size()) + " bytes" : bytes.error().description());
    }
    writer.join();
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"map.canvas"});
}

TEST(PosixFileSystem, RenamingCanRefuseToReplaceEvenAnEmptyFolderAndFoldersGoOnlyWhenEmpty) {
    const TempFolder folder("fs_rename");
    PosixFileSystem files;
    ASSERT_TRUE(files.makeDirectory(folder / "staged"));
    EXPECT_EQ(files.makeDirectory(folder / "staged").error(), Error(Error::AlreadyExists{}, folder / "staged"));
    fs::create_directory(folder / "empty");
    put(folder / "file", "x");
    for (const char* taken : {"empty", "file"}) {
        EXPECT_EQ(files.rename(folder / "staged", folder / taken, Replace::no).error(), Error(Error::AlreadyExists{}, folder / taken)) << taken;
    }
    // A path holding a NUL once renamed to the part before it: "Estuary\0.velk" became "Estuary".
    EXPECT_EQ(files.rename(folder / "staged", folder / std::string("Estuary\0.velk", 13), Replace::no).error().reason(),
              FileSystemError::fromErrno(EINVAL, "").reason());
    EXPECT_FALSE(fs::exists(folder / "Estuary"));
    // The name too long was once said to be the old, short one.
    const std::string tooLong = folder / std::string(256, 'x');
    EXPECT_EQ(files.rename(folder / "staged", tooLong, Replace::no).error(), Error(Error::NameTooLong{}, tooLong));
    ASSERT_TRUE(files.rename(folder / "staged", folder / "final", Replace::no));
    put(folder / "other", "y");
    ASSERT_TRUE(files.rename(folder / "other", folder / "file", Replace::yes));
    EXPECT_EQ(contentOf(folder / "file"), "y");
    put(folder / "final/file", "x");
    EXPECT_EQ(files.removeDirectory(folder / "final").error(), Error(Error::DirectoryNotEmpty{}, folder / "final"));
    EXPECT_EQ(files.removeFile(folder / "final").error(), Error(Error::IsADirectory{}, folder / "final"));
    EXPECT_TRUE(files.syncDirectory(folder / "final"));
    ASSERT_TRUE(files.removeFile(folder / "final/file"));
    ASSERT_TRUE(files.removeDirectory(folder / "final"));
    EXPECT_EQ(files.syncDirectory(folder / "final").error(), Error(Error::NotFound{}, folder / "final"));
    EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string>{"empty", "file"}));
}

TEST(FileSystemError, DescriptionsNameThePathAndWhatWentWrong) {
    const std::pair<int, std::string> cases[] = {
        {ENOENT, "“/m/a” doesn’t exist."}, {EEXIST, "“/m/a” already exists."}, {EACCES, "velk doesn’t have permission to use “/m/a”."},
        {EPERM, "velk doesn’t have permission to use “/m/a”."}, {EROFS, "“/m/a” is on a volume that can only be read."},
        {ENOSPC, "There isn’t enough space for “/m/a”."}, {EDQUOT, "There isn’t enough space for “/m/a”."}, {ENOTDIR, "“/m/a” isn’t a folder."},
        {EISDIR, "“/m/a” is a folder."}, {ENOTEMPTY, "The folder “/m/a” isn’t empty."},
        {ELOOP, "“/m/a” is a symbolic link, which velk doesn’t follow."}, {ENAMETOOLONG, "The name of “/m/a” is too long."},
        {EIO, "“/m/a” couldn’t be used: Input/output error."},
    };
    for (const auto& [code, text] : cases) EXPECT_EQ(Error::fromErrno(code, "/m/a").description(), text) << code;
    EXPECT_EQ(Error(Error::NotARegularFile{}, "/m/pipe").description(), "“/m/pipe” isn’t a regular file.");
}

TEST(TemporaryName, IsHiddenRecognisableAndShortEnough) {
    const std::string name = TemporaryName::forSibling("map.canvas");
    EXPECT_TRUE(name.starts_with(".map.canvas.velk-tmp-") && name.size() == 21 + 8) << name;
    EXPECT_TRUE(TemporaryName::isTemporary(name));
    EXPECT_NE(TemporaryName::forSibling("map.canvas"), name);
    const std::string longName = TemporaryName::forSibling(std::string(63, 'a') + "\u00E9" + std::string(300, 'b'));
    EXPECT_LE(longName.size(), 100u);
    EXPECT_EQ(longName.substr(1, 64), std::string(63, 'a') + ".");  // cut before the two-byte letter, not inside it
    for (const char* other : {"map.canvas", ".velk-tmp-abcd1234", "x.velk-tmp-abcd1234", ".x.velk-tmp-abcd123", ".x.velk-tmp-ABCD1234",
                              ".x.velk-tmp-abcd1234.canvas"}) {
        EXPECT_FALSE(TemporaryName::isTemporary(other)) << other;
    }
}

TEST(ResourceFolder, InstalledShareFolderFirstThenTheNearestBuildResources) {
    const std::tuple<std::string, std::set<std::string>, std::optional<std::string>> cases[] = {
        {"/usr/bin/velk-cli", {"/usr/share/velk", "/usr/bin/Resources"}, "/usr/share/velk"},
        {"/opt/velk/bin/velk", {"/opt/velk/share/velk"}, "/opt/velk/share/velk"},
        {"/src/build/tools/velk-cli/velk-cli", {"/src/build/Resources", "/src/Resources"}, "/src/build/Resources"},
        {"/velk", {"/Resources"}, "/Resources"}, {"/usr/bin/velk-cli", {}, std::nullopt},
        {"velk-cli", {"Resources"}, std::nullopt},  // only an absolute path says where the program is
        {"", {}, std::nullopt},
    };
    for (const auto& [executable, folders, found] : cases) {
        EXPECT_EQ(ResourceFolder::find(executable, [&](std::string_view path) { return folders.contains(std::string(path)); }), found) << executable;
    }
    EXPECT_EQ(ResourceFolder::templates("/usr/share/velk"), "/usr/share/velk/Templates");
}

const std::string file = "/home/ada/.config/velk/defaults.json";

TEST(JSONFileDefaults, EveryKindOfValueComesBackFromThePrettyFileWrittenOnTheFirstSetting) {
    MemoryFileSystem disk;
    disk.addDirectory("/home/ada");
    const std::string binary("\x00\xFF/x\x80", 5);
    const DefaultsDictionary copies{{"abc123", "/home/ada/Maps/Trip.velk"}, {"zz", ""}};
    {
        JSONFileDefaults defaults(disk, file);
        EXPECT_EQ(defaults.string("velk.tester"), std::nullopt);
        defaults.remove("velk.tester");
        EXPECT_FALSE(disk.exists("/home/ada/.config")) << "removing what is not there writes nothing";
        defaults.setString("velk.tester", "t-0123456789ab");
        EXPECT_EQ(disk.file(file), "{\n\t\"velk.tester\": \"t-0123456789ab\"\n}\n");
        defaults.setData("utf8", "/home/ada/Dokumente/Kärten");
        defaults.setData("binary", binary);
        defaults.setDictionary("SharedCopies", copies);
    }
    JSONFileDefaults reread(disk, file);
    EXPECT_EQ(reread.string("velk.tester"), "t-0123456789ab");
    EXPECT_EQ(reread.data("utf8"), "/home/ada/Dokumente/Kärten");
    EXPECT_EQ(reread.string("utf8"), "/home/ada/Dokumente/Kärten");
    EXPECT_EQ(reread.data("binary"), binary);
    EXPECT_EQ(reread.string("binary"), std::nullopt) << "bytes that are not UTF-8 are kept in hex, so they read as bytes only";
    EXPECT_EQ(reread.dictionary("SharedCopies"), copies);
}

// A member "key" read as a string, as data and as a dictionary: which of them it is. A file that is
// no JSON object reads as empty, is left alone by reading, and only such a file is replaced by the
// next change; its text was once lost with it, and is now kept beside it.
TEST(JSONFileDefaults, ValuesOfTheWrongShapeReadAsAbsentAndAnUnreadableFileIsReplaced) {
    const std::pair<std::string, std::string> cases[] = {
        {R"({"key": "text"})", "string data"}, {R"({"key": 12})", ""}, {R"({"key": true})", ""}, {R"({"key": null})", ""},
        {R"({"key": ["a"]})", ""}, {R"({"key": {"hex": "00ff"}})", "data dictionary"}, {R"({"key": {"hex": "00f"}})", "dictionary"},
        {R"({"key": {"hex": "zz"}})", "dictionary"}, {R"({"key": {"hex": 12}})", ""}, {R"({"key": {"hex": "00", "more": "x"}})", "dictionary"},
        {R"({"key": {"k": "v", "n": 1}})", ""}, {R"({"key": {}})", "dictionary"}, {"", "unreadable"}, {"{", "unreadable"},
        {R"(["key"])", "unreadable"}, {"null", "unreadable"}, {R"({"key": "t-1"} x)", "unreadable"}, {"\xFF\xFE{}", "unreadable"},
    };
    for (const auto& [text, shapes] : cases) {
        SCOPED_TRACE(testing::PrintToString(text));
        MemoryFileSystem disk;
        disk.addFile(file, text);
        JSONFileDefaults defaults(disk, file);
        std::string found = defaults.string("key") ? "string " : "";
        found += std::string(defaults.data("key") ? "data " : "") + (defaults.dictionary("key") ? "dictionary" : "");
        if (found.ends_with(' ')) found.pop_back();
        EXPECT_EQ(found, shapes == "unreadable" ? "" : shapes);
        EXPECT_EQ(disk.file(file), text);
        defaults.setString("new", "t-2");
        EXPECT_EQ(disk.file(file) == "{\n\t\"new\": \"t-2\"\n}\n", shapes == "unreadable") << *disk.file(file);
        EXPECT_EQ(disk.file(file + ".damaged"), shapes == "unreadable" && !text.empty() ? std::optional(text) : std::nullopt);
    }
}

TEST(JSONFileDefaults, AChangeKeepsTheOtherMembersWhereTheyWereAndAFailedWriteIsCarriedByTheNext) {
    MemoryFileSystem memory;
    const std::string before = R"({"b": "1", "a": {"k": "v"}, "c": 7})";
    memory.addFile(file, before);
    testing_support::FaultyFileSystem disk(memory);
    JSONFileDefaults defaults(disk, file);
    EXPECT_EQ(defaults.string("b"), "1");
    disk.failPath(file);
    defaults.setString("b", "2");
    EXPECT_EQ(defaults.string("b"), "2");
    EXPECT_EQ(memory.file(file), before);
    disk.heal();
    defaults.remove("a");
    defaults.setString("d", "4");
    EXPECT_EQ(memory.file(file), "{\n\t\"b\": \"2\",\n\t\"c\": 7,\n\t\"d\": \"4\"\n}\n");
    EXPECT_EQ(disk.log().back(), "sync /home/ada/.config/velk");
}

// A settings file that fails to be read (permissions, a failing disk) was once taken for an empty
// one, and the next change wrote a file of that change alone over every setting it held.
TEST(JSONFileDefaults, AFileThatCannotBeReadIsNeverWrittenOver) {
    MemoryFileSystem memory;
    const std::string before = R"({"recent": "kept"})";
    memory.addFile(file, before);
    testing_support::FaultyFileSystem disk(memory);
    disk.failPath(file);
    JSONFileDefaults defaults(disk, file);
    EXPECT_EQ(defaults.string("recent"), std::nullopt);
    disk.heal();
    defaults.setString("new", "t-2");
    EXPECT_EQ(defaults.string("new"), "t-2");
    EXPECT_EQ(memory.file(file), before);
}

}  // namespace
}  // namespace velk
