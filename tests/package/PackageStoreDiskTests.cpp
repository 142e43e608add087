// The package store over the real file system.

#include "package/PackageStore.h"

#include "package/PackageTestSupport.h"
#include "platform/FileSystemPrinting.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace velk {
namespace {

namespace fs = std::filesystem;
using testing_support::contentOf;
using testing_support::describe;
using testing_support::put;
using testing_support::TempFolder;

TEST(PackageStoreOnDisk, LeavesSymbolicLinksOutAndNeverWritesThroughThem) {
    const TempFolder folder("store_links");
    const std::string package = folder / "Links.velk";
    fs::create_directories(package + "/map");
    fs::create_directories(folder / "elsewhere");
    put(package + "/map.canvas", "root");
    put(package + "/map/A.canvas", "a");
    put(folder / "elsewhere/secret.canvas", "not part of the map");
    fs::create_symlink(package + "/map.canvas", package + "/alias.canvas");
    fs::create_directory_symlink(folder / "elsewhere", package + "/outside");
    fs::create_directory_symlink(folder / "elsewhere", package + "/map/outside");
    ASSERT_EQ(::mkfifo((package + "/map/pipe").c_str(), 0600), 0);

    PosixFileSystem files;
    PackageStore store(files, package);
    auto contents = store.read();
    ASSERT_TRUE(contents) << contents.error().description();
    EXPECT_TRUE(contents->unreadable.empty());
    EXPECT_EQ(describe(contents->tree), (std::vector<std::string>{"map.canvas", "map/", "map/A.canvas"}));

    DocumentTree tree = contents->tree;
    tree.write("replaced", "alias.canvas");
    tree.write("a2", "map/A.canvas");
    auto report = store.save(tree);
    ASSERT_TRUE(report) << report.error().description();
    EXPECT_FALSE(fs::is_symlink(package + "/alias.canvas"));  // the link itself gave way
    EXPECT_EQ(contentOf(package + "/map.canvas"), "root");
    EXPECT_EQ(contentOf(package + "/map/A.canvas"), "a2");

    // A folder of the tree where the package has a link to a folder elsewhere: nothing is written there.
    tree.write("escape", "outside/secret.canvas");
    const auto error = store.save(tree).error();
    EXPECT_EQ(error, PackageError(PackageError::NotSaved{FileSystemError(FileSystemError::NotADirectory{}, package + "/outside")}));
    EXPECT_EQ(contentOf(folder / "elsewhere/secret.canvas"), "not part of the map");
    EXPECT_TRUE(fs::is_symlink(package + "/map/outside"));
    EXPECT_TRUE(fs::is_fifo(package + "/map/pipe"));
}

TEST(PackageStoreOnDisk, ResavingBesideAHundredMegabytesOfMediaWritesOnlyTheChangedCanvas) {
    const TempFolder folder("store_media");
    const std::string package = folder / "Photos.velk";
    fs::create_directories(package + "/velk-media");
    put(package + "/map.canvas", R"({"nodes":[],"edges":[]})");
    // Fifty images of 2 MB; sparse beyond a distinct head, so they cost no disk to make.
    constexpr std::uintmax_t imageSize = 2 * 1024 * 1024;
    for (int i = 0; i < 50; ++i) {
        const std::string image = package + "/velk-media/photo-" + std::to_string(i) + ".jpg";
        put(image, "JFIF " + std::to_string(i));
        fs::resize_file(image, imageSize);
    }
    PosixFileSystem files;
    PackageStore store(files, package);
    auto contents = store.read();
    ASSERT_TRUE(contents);
    ASSERT_EQ(contents->tree.data("velk-media/photo-49.jpg")->size(), imageSize);

    DocumentTree tree = contents->tree;
    tree.write(R"({"nodes":[{"id":"1","type":"file","file":"velk-media/photo-7.jpg"}],"edges":[]})", "map.canvas");
    auto report = store.save(tree);
    ASSERT_TRUE(report) << report.error().description();
    EXPECT_EQ(report->written, std::vector<std::string>{"map.canvas"});
    EXPECT_LT(report->bytesWritten, 1024u * 1024u);
}

}  // namespace
}  // namespace velk
