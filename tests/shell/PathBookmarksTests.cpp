#include "shell/BookmarkCoding.h"
#include "shell/MapsFolder.h"

#include "package/MemoryFileSystem.h"
#include "platform/JSONFileDefaults.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velk {
namespace {

TEST(PathBookmarks, ABookmarkIsTheStandardizedAbsolutePath) {
    struct Case {
        std::string folder;
        Expected<std::string, BookmarkError> bookmark;
    };
    const Case cases[] = {
        {"/home/ada/Maps", "/home/ada/Maps"},
        {"/home/ada/Maps/", "/home/ada/Maps"},
        {"/home/ada/./x/../Maps", "/home/ada/Maps"},
        {"/home/ada/Kärten", "/home/ada/Kärten"},
        {"Maps", Unexpected<BookmarkError>(BookmarkError(BookmarkError::NotAbsolute{"Maps"}))},
        {"", Unexpected<BookmarkError>(BookmarkError(BookmarkError::NotAbsolute{""}))},
        {"/home/ada/K\xE4rten", Unexpected<BookmarkError>(BookmarkError(BookmarkError::NotUTF8{}))},
    };
    PathBookmarks coding;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(coding.bookmark(c.folder), c.bookmark);
    }
}

TEST(PathBookmarks, ResolvingGivesThePathBackAndIsNeverStale) {
    struct Case {
        std::string bytes;
        Expected<ResolvedBookmark, BookmarkError> resolved;
    };
    const Case cases[] = {
        {"/home/ada/Maps", ResolvedBookmark{"/home/ada/Maps", false}},
        {"/", ResolvedBookmark{"/", false}},
        {"Maps", Unexpected<BookmarkError>(BookmarkError(BookmarkError::Unreadable{}))},
        {"", Unexpected<BookmarkError>(BookmarkError(BookmarkError::Unreadable{}))},
        {"/home/\xFF", Unexpected<BookmarkError>(BookmarkError(BookmarkError::Unreadable{}))},
        {std::string("/home/ada\0/x", 12), Unexpected<BookmarkError>(BookmarkError(BookmarkError::Unreadable{}))},
    };
    PathBookmarks coding;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(coding.resolve(c.bytes), c.resolved);
    }
}

TEST(BookmarkError, DescriptionsAreTheAlertTexts) {
    EXPECT_EQ(BookmarkError(BookmarkError::NotAbsolute{"Maps"}).description(),
              "velk can only keep maps in a folder given by its full path, not \u201CMaps\u201D.");
    EXPECT_EQ(BookmarkError(BookmarkError::NotUTF8{}).description(),
              "velk can\u2019t keep maps in this folder because its name isn\u2019t UTF-8 text. Choose or rename a folder.");
    EXPECT_EQ(BookmarkError(BookmarkError::Unreadable{}).description(), "The remembered maps folder can\u2019t be read.");
}

TEST(DefaultsBookmarkStore, KeepsTheBookmarkUnderItsKey) {
    testing_support::MemoryFileSystem disk;
    JSONFileDefaults defaults(disk, "/config/velk/defaults.json");
    DefaultsBookmarkStore store(defaults);
    EXPECT_EQ(store.mapsFolderBookmark(), std::nullopt);
    store.setMapsFolderBookmark("/home/ada/Maps");
    EXPECT_EQ(defaults.data("MapsFolderBookmark"), "/home/ada/Maps");
    store.setMapsFolderBookmark(std::nullopt);
    EXPECT_EQ(disk.file("/config/velk/defaults.json"), "{}\n");
}

// The whole road on disk: choosing Documents keeps maps in Documents/velk, which lasts until the
// folder is trashed.
TEST(MapsFolderOnDisk, ChosenFolderLastsUntilItIsTrashed) {
    testing_support::TempFolder home("mapshome");
    const MapsFolder::UserFolders user{home.path(), std::nullopt, std::nullopt, std::nullopt};
    const std::string documents = MapsFolder::realDocuments(user);
    const std::string trash = MapsFolder::homeTrash(user);
    std::filesystem::create_directories(documents);
    std::filesystem::create_directories(trash + "/files");

    testing_support::MemoryFileSystem config;
    JSONFileDefaults defaults(config, "/config/velk/defaults.json");
    DefaultsBookmarkStore store(defaults);
    PathBookmarks coding;

    const std::string target = MapsFolder::folder(documents + "/", documents);
    EXPECT_EQ(target, home / "Documents/velk");
    std::filesystem::create_directories(target);
    ASSERT_TRUE(MapsFolder::remember(target, store, coding).has_value());
    EXPECT_EQ(MapsFolder::resolve(store, coding, trash), MapsFolder::Resolution(MapsFolder::Folder{target}));

    std::filesystem::rename(target, trash + "/files/velk");
    EXPECT_EQ(MapsFolder::resolve(store, coding, trash), MapsFolder::Resolution(MapsFolder::Ask{MapsFolder::Reason::gone}));
    // A trashed folder, though it exists, is no place for new maps either.
    ASSERT_TRUE(MapsFolder::remember(trash + "/files/velk", store, coding).has_value());
    EXPECT_EQ(MapsFolder::resolve(store, coding, trash), MapsFolder::Resolution(MapsFolder::Ask{MapsFolder::Reason::gone}));
}

}  // namespace
}  // namespace velk
