#include "platform/PosixFileSystem.h"

#include "platform/FileSystemPrinting.h"
#include "platform/TempFolder.h"
#include "platform/TemporaryName.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <sys/stat.h>
#include <thread>

namespace velk {
namespace {

namespace fs = std::filesystem;
using testing_support::contentOf;
using testing_support::put;
using testing_support::TempFolder;

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

FileSystemError error(FileSystemError::Case reason, const std::string& path) { return FileSystemError(reason, path); }

TEST(PosixFileSystem, ListsEntriesWithTheirKindsAndFollowsNoLink) {
    const TempFolder folder("fs_list");
    put(folder / "file", "x");
    fs::create_directory(folder / "dir");
    fs::create_directory_symlink(folder / "dir", folder / "link");
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    PosixFileSystem files;
    auto entries = *files.list(folder.path());
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    EXPECT_EQ(entries, (std::vector<DirectoryEntry>{{"dir", EntryKind::directory},
                                                    {"file", EntryKind::regularFile},
                                                    {"link", EntryKind::symbolicLink},
                                                    {"pipe", EntryKind::other}}));
    EXPECT_EQ(files.list(folder / "link").error(), error(FileSystemError::SymbolicLink{}, folder / "link"));
    EXPECT_EQ(files.list(folder / "file").error(), error(FileSystemError::NotADirectory{}, folder / "file"));
    EXPECT_EQ(files.list(folder / "missing").error(), error(FileSystemError::NotFound{}, folder / "missing"));
}

TEST(PosixFileSystem, ReadsRegularFilesOnly) {
    const TempFolder folder("fs_read");
    const std::string bytes("with\0nul and \xFF bytes", 20);
    put(folder / "file", bytes);
    put(folder / "empty", "");
    fs::create_symlink(folder / "file", folder / "link");
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    fs::create_directory(folder / "dir");
    PosixFileSystem files;
    EXPECT_EQ(*files.read(folder / "file"), bytes);
    EXPECT_EQ(*files.read(folder / "empty"), "");
    EXPECT_EQ(files.read(folder / "link").error(), error(FileSystemError::SymbolicLink{}, folder / "link"));
    EXPECT_EQ(files.read(folder / "pipe").error(), error(FileSystemError::NotARegularFile{}, folder / "pipe"));  // without waiting for a writer
    EXPECT_EQ(files.read(folder / "dir").error(), error(FileSystemError::IsADirectory{}, folder / "dir"));
}

TEST(PosixFileSystem, WritingAtomicallyReplacesTheWholeFileAndLeavesNoTemporary) {
    const TempFolder folder("fs_write");
    PosixFileSystem files;
    ASSERT_TRUE(files.writeAtomically(folder / "map.canvas", "first"));
    EXPECT_EQ(contentOf(folder / "map.canvas"), "first");
    ::chmod((folder / "map.canvas").c_str(), 0640);
    ASSERT_TRUE(files.writeAtomically(folder / "map.canvas", "second, longer"));
    EXPECT_EQ(contentOf(folder / "map.canvas"), "second, longer");
    struct stat status;
    ASSERT_EQ(::stat((folder / "map.canvas").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);

    // A link in the file's place is replaced, never written through; a folder there is refused.
    put(folder / "target", "keep");
    fs::create_symlink(folder / "target", folder / "link");
    ASSERT_TRUE(files.writeAtomically(folder / "link", "new"));
    EXPECT_FALSE(fs::is_symlink(folder / "link"));
    EXPECT_EQ(contentOf(folder / "target"), "keep");
    fs::create_directory(folder / "dir");
    EXPECT_EQ(files.writeAtomically(folder / "dir", "x").error(), error(FileSystemError::IsADirectory{}, folder / "dir"));
    EXPECT_EQ(files.writeAtomically(folder / "missing/x", "x").error(), error(FileSystemError::NotFound{}, folder / "missing"));
    // Nor is a folder that is a link written into.
    fs::create_directory_symlink(folder / "dir", folder / "dirlink");
    EXPECT_EQ(files.writeAtomically(folder / "dirlink/x", "x").error(), error(FileSystemError::SymbolicLink{}, folder / "dirlink"));

    EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string>{"dir", "dirlink", "link", "map.canvas", "target"}));
}

TEST(PosixFileSystem, ReadersSeeTheWholeOldOrTheWholeNewContent) {
    const TempFolder folder("fs_atomic");
    const std::string path = folder / "map.canvas";
    const std::string first(512 * 1024, 'a');
    const std::string second(256 * 1024, 'b');
    PosixFileSystem files;
    ASSERT_TRUE(files.writeAtomically(path, first));
    std::atomic<bool> writing = true;
    std::thread writer([&] {
        for (int i = 0; i < 12; ++i) EXPECT_TRUE(files.writeAtomically(path, i % 2 ? first : second));
        writing = false;
    });
    int reads = 0;
    bool whole = true;
    while (writing && whole) {
        const auto bytes = files.read(path);
        whole = bytes && (*bytes == first || *bytes == second);
        EXPECT_TRUE(whole) << (bytes ? "a torn file of " + std::to_string(bytes->size()) + " bytes" : bytes.error().description());
        ++reads;
    }
    writer.join();
    EXPECT_GT(reads, 0);
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"map.canvas"});
}

TEST(PosixFileSystem, RenamingCanRefuseToReplaceEvenAnEmptyFolder) {
    const TempFolder folder("fs_rename");
    PosixFileSystem files;
    fs::create_directory(folder / "staged");
    fs::create_directory(folder / "empty");
    put(folder / "file", "x");
    for (const char* taken : {"empty", "file"}) {
        SCOPED_TRACE(taken);
        EXPECT_EQ(files.rename(folder / "staged", folder / taken, Replace::no).error(),
                  error(FileSystemError::AlreadyExists{}, folder / taken));
    }
    ASSERT_TRUE(files.rename(folder / "staged", folder / "final", Replace::no));
    put(folder / "other", "y");
    ASSERT_TRUE(files.rename(folder / "other", folder / "file", Replace::yes));
    EXPECT_EQ(contentOf(folder / "file"), "y");
    EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string>{"empty", "file", "final"}));
}

TEST(PosixFileSystem, MakingAndRemovingFolders) {
    const TempFolder folder("fs_folders");
    PosixFileSystem files;
    ASSERT_TRUE(files.makeDirectory(folder / "dir"));
    EXPECT_EQ(files.makeDirectory(folder / "dir").error(), error(FileSystemError::AlreadyExists{}, folder / "dir"));
    put(folder / "dir/file", "x");
    EXPECT_EQ(files.removeDirectory(folder / "dir").error(), error(FileSystemError::DirectoryNotEmpty{}, folder / "dir"));
    EXPECT_EQ(files.removeFile(folder / "dir").error(), error(FileSystemError::IsADirectory{}, folder / "dir"));
    EXPECT_TRUE(files.syncDirectory(folder / "dir"));
    ASSERT_TRUE(files.removeFile(folder / "dir/file"));
    ASSERT_TRUE(files.removeDirectory(folder / "dir"));
    EXPECT_EQ(files.syncDirectory(folder / "dir").error(), error(FileSystemError::NotFound{}, folder / "dir"));
    EXPECT_TRUE(namesIn(folder.path()).empty());
}

TEST(FileSystemError, DescriptionsNameThePathAndWhatWentWrong) {
    const std::vector<std::pair<int, std::string>> table{
        {ENOENT, "\u201C/m/a.canvas\u201D doesn\u2019t exist."},
        {EEXIST, "\u201C/m/a.canvas\u201D already exists."},
        {EACCES, "velk doesn\u2019t have permission to use \u201C/m/a.canvas\u201D."},
        {EPERM, "velk doesn\u2019t have permission to use \u201C/m/a.canvas\u201D."},
        {EROFS, "\u201C/m/a.canvas\u201D is on a volume that can only be read."},
        {ENOSPC, "There isn\u2019t enough space for \u201C/m/a.canvas\u201D."},
        {EDQUOT, "There isn\u2019t enough space for \u201C/m/a.canvas\u201D."},
        {ENOTDIR, "\u201C/m/a.canvas\u201D isn\u2019t a folder."},
        {EISDIR, "\u201C/m/a.canvas\u201D is a folder."},
        {ENOTEMPTY, "The folder \u201C/m/a.canvas\u201D isn\u2019t empty."},
        {ELOOP, "\u201C/m/a.canvas\u201D is a symbolic link, which velk doesn\u2019t follow."},
        {ENAMETOOLONG, "The name of \u201C/m/a.canvas\u201D is too long."},
        {EIO, "\u201C/m/a.canvas\u201D couldn\u2019t be used: Input/output error."},
    };
    for (const auto& [code, text] : table) {
        SCOPED_TRACE(code);
        EXPECT_EQ(FileSystemError::fromErrno(code, "/m/a.canvas").description(), text);
    }
    EXPECT_EQ(FileSystemError(FileSystemError::NotARegularFile{}, "/m/pipe").description(), "\u201C/m/pipe\u201D isn\u2019t a regular file.");
}

TEST(TemporaryName, IsHiddenRecognisableAndShortEnough) {
    const std::string name = TemporaryName::forSibling("map.canvas");
    EXPECT_TRUE(name.starts_with(".map.canvas.velk-tmp-")) << name;
    EXPECT_EQ(name.size(), std::string(".map.canvas.velk-tmp-").size() + 8);
    EXPECT_TRUE(TemporaryName::isTemporary(name));
    EXPECT_NE(TemporaryName::forSibling("map.canvas"), name);
    const std::string longName = TemporaryName::forSibling(std::string(63, 'a') + "\u00E9" + std::string(300, 'b'));
    EXPECT_LE(longName.size(), 100u);
    EXPECT_EQ(longName.substr(1, 64), std::string(63, 'a') + ".");  // cut before the two-byte letter, not inside it
    for (const char* other : {"map.canvas", ".velk-tmp-abcd1234", "x.velk-tmp-abcd1234", ".x.velk-tmp-abcd123", ".x.velk-tmp-ABCD1234", ".x.velk-tmp-abcd1234.canvas"}) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(TemporaryName::isTemporary(other));
    }
}

}  // namespace
}  // namespace velk
